#include "printing/PrintCommandLine.h"

std::string PrintCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                             const std::string& printer, const std::string& file) {
    std::string program = layout.Join(working_folder, layout.print_program);
    if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
    return program + " -print-to \"" + printer + "\" \"" + file + "\"";
}
