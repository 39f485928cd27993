#pragma once
// A plain-text document's bytes, decoded. A document carries no note of its
// encoding, so the bytes decide, in this order: the UTF-8 byte-order mark;
// a UTF-16 byte-order mark (little- or big-endian, what Notepad saves as
// "Unicode"); well-formed UTF-8 throughout, or but for a few stray bytes
// (EncodingDetector says how few), which are read in the ANSI code page; a
// legacy code page that EncodingDetector finds with confidence; otherwise the
// ANSI code page, which only the Windows side knows and so passes in.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Document {

// Ansi is the last guess; AnsiAsSet the code page the user set; CodePage one
// found in the bytes; Utf8WithStrays UTF-8 whose few malformed bytes are read
// in the ANSI code page.
enum class TextEncoding { Utf8WithMark, Utf16LittleEndian, Utf16BigEndian, Utf8, Ansi, CodePage, Utf8WithStrays, AnsiAsSet };

// Decodes bytes in a code page: the system's ANSI code page, or the one a
// text was found to be in.
using AnsiDecoder = std::function<std::u32string(const std::string& bytes)>;

// The encoding the bytes are taken to be in.
TextEncoding DetectTextEncoding(const std::string& bytes);

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes);

// Whether bytes given in pieces, cut anywhere, are well-formed UTF-8 as a
// whole, with or without a byte-order mark, and if not, how far from it.
class Utf8Check {
public:
    void Add(std::string_view bytes);
    // True when the bytes so far are well-formed, a sequence cut by their
    // end counting as malformed.
    bool Valid() const { return invalid_ == 0 && held_.empty(); }
    // Malformed sequences (a run of bytes that starts none counts once), a
    // sequence cut by the end among them, and well-formed ones beyond ASCII.
    std::uint64_t InvalidSequences() const { return invalid_ + (held_.empty() ? 0 : 1); }
    std::uint64_t NonAsciiSequences() const { return nonAscii_; }

private:
    std::string held_; // the start of a sequence the last piece cut
    std::uint64_t invalid_ = 0;
    std::uint64_t nonAscii_ = 0;
    bool inInvalidRun_ = false;
};

// The encoding of a document whose first bytes (at least four, or all of it)
// and validity as UTF-8 are known.
TextEncoding TextEncodingOf(std::string_view head, bool validUtf8);

// Decodes a document given in pieces cut anywhere, in the encoding found
// for the whole of it, with the same result as DecodeText. Holds no more
// than the few bytes of a sequence cut by a piece's end (an ANSI piece is
// decoded up to its last single byte, as a double-byte code page's second
// bytes are never below 0x40, nor are EUC-JP's). UTF-8 with strays is read
// as UTF-8, each run of malformed bytes passed to the ANSI decoder.
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
