#pragma once
// The two brace groups as a caller wrote them, when the program that started
// us quoted them as arguments on the way (PowerShell, Python's subprocess,
// .NET's ArgumentList, Wine, Task Scheduler front ends).
#include <string>

namespace Ardenfold_API {

// The argument text with a launcher's quoting taken off, or the text
// unchanged when it is not quoting.
//
// It is taken as quoting only where the text as it stands is refused
// anyway: it begins with "\"{", or it begins with "{" and its first "}" is
// followed, after spaces, by "\"{". Then, first:
// - split by the C runtime's rules (2n backslashes and a quote: n
//   backslashes and the quote opens or closes a quoted part; 2n+1: n
//   backslashes and a literal quote), every quote that opens or closes a
//   quoted part stands at an argument's first or last character, and every
//   argument begins with "{": the arguments, joined by single spaces. This is
//   how an argument list is quoted by list2cmdline, ArgumentList and
//   PowerShell's Standard passing: one pair of quotes around an argument
//   that holds a space, "\"" inside as "\\\"".
// - else, the text is the two groups as they stand, wrapped together or each
//   in one pair of quotes, and nothing after: the groups as they stand.
//   This is PowerShell's Legacy passing, which leaves quotes inside an
//   argument unescaped, and quoting by hand.
// Anything else comes back unchanged, for the cut to refuse as before.
std::wstring GroupsAsWritten(const std::wstring& argumentText);

} // namespace Ardenfold_API
