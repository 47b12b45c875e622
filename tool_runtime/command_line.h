// Windows command-line quoting and splitting (the rules of CommandLineToArgvW and the C runtime).
#pragma once

#include <string>
#include <vector>

// One argument, quoted so that SplitCommandLine (and Windows) give it back unchanged.
// Arguments without space, tab, newline, vertical tab or quote, and not empty, stay as they are.
std::wstring QuoteArgument(const std::wstring& arg);

// Splits a command line into arguments. The first word is the program: it ends at the next
// quote when it starts with one, else at the first space or tab, and backslashes are plain
// characters in it. The other words follow the backslash-and-quote rules.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);
