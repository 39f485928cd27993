#pragma once
// The converter's arguments, cut from its command line by the rules
// CommandLineToArgvW follows, without it: that function lives in SHELL32,
// whose loading brings in USER32 and GDI32 and under Wine costs a run more
// than its whole work on an image.
#include <string>
#include <vector>

namespace Converter {

// The words after the program's name. The name ends at the next quote when
// it starts with one, else at the first space or tab; backslashes count only
// before a quote (2n of them and a quote: n backslashes, and the quote opens
// or closes a quoted part; 2n+1: n backslashes and a literal quote); inside
// a quoted part a third quote in a row stands for one quote. "" is an empty
// word.
std::vector<std::wstring> CommandLineWords(const std::wstring& commandLine);

} // namespace Converter
