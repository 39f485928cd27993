#pragma once
// A plain-text document's bytes, decoded. A document carries no note of its
// encoding, so the bytes decide, in this order: the UTF-8 byte-order mark;
// a UTF-16 byte-order mark (little- or big-endian, what Notepad saves as
// "Unicode"); well-formed UTF-8 throughout; otherwise the ANSI code page,
// which only the Windows side knows and so passes in.
#include <functional>
#include <string>

namespace Document {

enum class TextEncoding { Utf8WithMark, Utf16LittleEndian, Utf16BigEndian, Utf8, Ansi };

// Decodes bytes in the system's ANSI code page.
using AnsiDecoder = std::function<std::u32string(const std::string& bytes)>;

// The encoding the bytes are taken to be in.
TextEncoding DetectTextEncoding(const std::string& bytes);

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes);

// UTF-16 code units joined into code points. A lone surrogate becomes
// U+FFFD, so that a fault stays visible rather than vanishing.
std::u32string JoinSurrogates(const std::u16string& units);

// The document's characters as code points, the byte-order mark removed.
// A malformed sequence after a byte-order mark becomes U+FFFD; an odd last
// byte of UTF-16 does too.
std::u32string DecodeText(const std::string& bytes, const AnsiDecoder& decodeAnsi);

} // namespace Document
