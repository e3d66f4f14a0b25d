#include "printing/PrintCommandLine.h"

CommandLine PrintCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                             const std::string& printer, const std::string& file) {
    return CommandLine(layout.Join(working_folder, layout.print_program))
        .Add("-print-to")
        .AddQuoted(printer)
        .AddQuoted(file);
}
