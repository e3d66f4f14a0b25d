#pragma once

#include <string>
#include <vector>

// A child program's command: its arguments, the program first, as POSIX systems start it (no
// shell, nothing split again), and beside them the one command-line text that Windows starts a
// program with, each argument quoted by the rule Windows programs split their command line by.
class CommandLine {
  public:
    explicit CommandLine(const std::string& program);

    // Appends an argument, quoted in the text only when it needs it.
    CommandLine& Add(const std::string& argument);
    // Appends an argument that the text always puts in double quotes.
    CommandLine& AddQuoted(const std::string& argument);
    // Appends an extra blank to the text only, where a fixed command line has two in a row.
    CommandLine& AddBlank();

    // Marks text inside the arguments (a cookie, a digest) that Shown never shows.
    CommandLine& Hiding(const std::string& secret);

    const std::vector<std::string>& Arguments() const { return arguments; }
    // The command for a log: the text with every hidden secret as "***".
    std::string Shown() const;
    const std::string& Text() const { return text; }

  private:
    std::vector<std::string> arguments;
    std::string text;
    std::vector<std::string> secrets;
};

// The Windows rule: an argument that is empty or holds a blank, tab, line end or double quote
// (or any argument when always is set) goes in double quotes; inside them a double quote is
// preceded by a backslash, and backslashes are doubled where they precede a double quote,
// including the closing one. Anything else is returned as it is.
std::string QuoteArgument(const std::string& argument, bool always = false);
