// Windows command-line quoting and splitting, portable so the POSIX runner and tests share it.
#include "tool_runtime/command_line.h"

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes are literal unless a quote follows them: then each one must be doubled.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');  // they precede the closing quote
  quoted.push_back(L'"');
  return quoted;
}

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };

  while (i < n && isBlank(line[i])) ++i;
  if (i == n) return args;

  // The program: no escapes, so "C:\dir\" style paths survive.
  std::wstring program;
  if (line[i] == L'"') {
    ++i;
    while (i < n && line[i] != L'"') program.push_back(line[i++]);
    if (i < n) ++i;
  } else {
    while (i < n && !isBlank(line[i])) program.push_back(line[i++]);
  }
  args.push_back(std::move(program));

  while (i < n && isBlank(line[i])) ++i;
  if (i == n) return args;

  std::wstring current;
  bool inArg = false;
  std::size_t backslashes = 0;
  int quotes = 0;  // 1 while inside a quoted part
  while (i < n) {
    const wchar_t c = line[i];
    if (isBlank(c) && quotes == 0) {
      current.append(backslashes, L'\\');
      backslashes = 0;
      if (inArg) args.push_back(std::move(current));
      current.clear();
      inArg = false;
      ++i;
      continue;
    }
    inArg = true;
    if (c == L'\\') {
      ++backslashes;
      ++i;
      continue;
    }
    if (c == L'"') {
      current.append(backslashes / 2, L'\\');
      if (backslashes % 2 == 0) {
        ++quotes;
      } else {
        current.push_back(L'"');
      }
      backslashes = 0;
      ++i;
      // Runs of quotes: every third one is a literal quote (the CommandLineToArgvW rule).
      while (i < n && line[i] == L'"') {
        if (++quotes == 3) {
          current.push_back(L'"');
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    current.append(backslashes, L'\\');
    backslashes = 0;
    current.push_back(c);
    ++i;
  }
  current.append(backslashes, L'\\');
  if (inArg) args.push_back(std::move(current));
  return args;
}
