#pragma once
// A plain-text document's bytes, decoded. A document carries no note of its
// encoding, so the bytes decide, in this order: the UTF-8 byte-order mark;
// a UTF-16 byte-order mark (little- or big-endian, what Notepad saves as
// "Unicode"); well-formed UTF-8 throughout; otherwise the ANSI code page,
// which only the Windows side knows and so passes in.
#include <functional>
#include <string>
#include <string_view>

namespace Document {

enum class TextEncoding { Utf8WithMark, Utf16LittleEndian, Utf16BigEndian, Utf8, Ansi };

// Decodes bytes in the system's ANSI code page.
using AnsiDecoder = std::function<std::u32string(const std::string& bytes)>;

// The encoding the bytes are taken to be in.
TextEncoding DetectTextEncoding(const std::string& bytes);

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes);

// Whether bytes given in pieces, cut anywhere, are well-formed UTF-8 as a
// whole, with or without a byte-order mark.
class Utf8Check {
public:
    void Add(std::string_view bytes);
    // True when the bytes so far are well-formed, a sequence cut by their
    // end counting as malformed.
    bool Valid() const { return valid_ && held_.empty(); }

private:
    std::string held_; // the start of a sequence the last piece cut
    bool valid_ = true;
};

// The encoding of a document whose first bytes (at least four, or all of it)
// and validity as UTF-8 are known.
TextEncoding TextEncodingOf(std::string_view head, bool validUtf8);

// Decodes a document given in pieces cut anywhere, in the encoding found
// for the whole of it, with the same result as DecodeText. Holds no more
// than the few bytes of a sequence cut by a piece's end (an ANSI piece is
// decoded up to its last single byte, as a double-byte code page's second
// bytes are never below 0x40).
class TextDecoder {
public:
    TextDecoder(TextEncoding encoding, AnsiDecoder decodeAnsi);
    std::u32string Decode(std::string_view bytes);
    // What the last piece left (an odd byte, a cut sequence) as U+FFFD.
    std::u32string Finish();

private:
    std::u32string DecodeWhole(const std::string& bytes);

    TextEncoding encoding_;
    AnsiDecoder decodeAnsi_;
    size_t markLeft_; // bytes of the byte-order mark still to skip
    std::string held_;
};

// UTF-16 code units joined into code points. A lone surrogate becomes
// U+FFFD, so that a fault stays visible rather than vanishing.
std::u32string JoinSurrogates(const std::u16string& units);

// The document's characters as code points, the byte-order mark removed.
// A malformed sequence after a byte-order mark becomes U+FFFD; an odd last
// byte of UTF-16 does too.
std::u32string DecodeText(const std::string& bytes, const AnsiDecoder& decodeAnsi);

} // namespace Document
