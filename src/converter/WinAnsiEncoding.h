#pragma once
// The character set of the standard PDF fonts as the writer uses them
// (WinAnsiEncoding): ASCII, Latin-1 and the typographic marks of 0x80-0x9F.
namespace Converter {

// What stands in for a character the font cannot show: visible on the page
// and in extracted text, so nothing is lost without a trace.
constexpr char ReplacementCharacter = '?';

// The byte for a printable character, or ReplacementCharacter when the
// encoding has none (control characters included).
char EncodeWinAnsi(char32_t codePoint);

} // namespace Converter
