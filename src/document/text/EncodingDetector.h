#pragma once
// The encoding of a text that carries no byte-order mark, found from its
// bytes as they pass, a piece at a time, in bounded memory:
//
// - UTF-8, when every sequence is well-formed;
// - UTF-8 with strays, when the malformed sequences are a few among many
//   good ones: under 10% of the sequences beyond ASCII, and no more than 32
//   for each started megabyte. A Latin-1 line pasted into a UTF-8 file is
//   such a stray; the converter reads it in the ANSI code page. (In a legacy
//   text, half or more of them are malformed as UTF-8: a pair of GBK or EUC
//   bytes is a well-formed UTF-8 sequence now and then, a single-byte code
//   page's letters almost never are.)
// - a legacy code page that uchardet's statistics name, when the text gives
//   them enough to go on: 32 bytes beyond ASCII for a script of its own
//   (Japanese, Chinese, Korean, Cyrillic, Greek, Hebrew, Arabic, Thai); 64,
//   and 1% of the text, for a Latin script other than the Western one, which
//   a Western text with a few accented names can look like. uchardet sees
//   the first kGuessBytes.
// - otherwise the ANSI code page. A Western answer (ISO-8859-1, -15,
//   Windows-1252) counts as no answer, for it only says that nothing else
//   stood out: the ANSI code page reads such a text as before.
//
// docs/measurements.md has the measurements behind these numbers.
#include "TextDecoding.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Document {

struct DetectedEncoding {
    TextEncoding encoding = TextEncoding::Utf8; // Utf8, Utf8WithStrays, CodePage or Ansi
    unsigned codePage = 0;                      // a Windows code page, for CodePage
    std::string guess;                          // uchardet's answer ("SHIFT_JIS"); empty for none
    std::uint64_t strays = 0;                   // malformed sequences, for Utf8WithStrays
};

// The Windows code page of one of uchardet's answers, 0 for one that is
// Western or that Windows has no code page for. An ISO 8859 answer for a
// text with bytes in 0x80-0x9F (C1 controls there, which no text holds) is
// its Windows sibling, which puts letters there.
unsigned CodePageOfGuess(std::string_view guess, bool controlRangeUsed);

// True for a code page of a Latin script: such a guess needs more evidence.
bool IsLatinCodePage(unsigned codePage);

// Whether this many malformed sequences among this many good ones beyond
// ASCII, in a text of this size, are a few strays.
bool FewStrays(std::uint64_t invalid, std::uint64_t nonAscii, std::uint64_t bytes);

class EncodingDetector {
public:
    static constexpr std::uint64_t kGuessBytes = 4u << 20;

    EncodingDetector();
    ~EncodingDetector();
    EncodingDetector(const EncodingDetector&) = delete;
    EncodingDetector& operator=(const EncodingDetector&) = delete;

    void Add(std::string_view bytes);
    bool ValidUtf8() const { return utf8_.Valid(); }
    // The verdict on all the bytes added.
    DetectedEncoding Finish();

private:
    struct Guesser;
    Utf8Check utf8_;
    std::unique_ptr<Guesser> guesser_;
    std::uint64_t bytes_ = 0;
    std::uint64_t guessed_ = 0;  // bytes given to uchardet
    std::uint64_t nonAscii_ = 0; // bytes beyond ASCII among those
    bool controlRange_ = false;  // a byte in 0x80-0x9F among those
};

} // namespace Document
