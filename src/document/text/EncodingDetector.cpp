#include "EncodingDetector.h"

#include <uchardet.h>

#include <algorithm>

namespace Document {

struct EncodingDetector::Guesser {
    Guesser() : handle(uchardet_new()) {}
    ~Guesser() { uchardet_delete(handle); }
    Guesser(const Guesser&) = delete;
    Guesser& operator=(const Guesser&) = delete;
    uchardet_t handle;
};

namespace {

struct GuessCodePage {
    std::string_view guess;
    unsigned codePage;
    unsigned windowsSibling; // for an ISO 8859 answer: the Windows code page that fills 0x80-0x9F
};

// uchardet 0.0.7's answers that Windows (and Wine 8) can decode.
constexpr GuessCodePage kGuesses[] = {
    {"SHIFT_JIS", 932, 0},     {"EUC-JP", 20932, 0},       {"GB18030", 936, 0},       {"BIG5", 950, 0},
    {"UHC", 949, 0},           {"EUC-KR", 949, 0},         {"WINDOWS-1250", 1250, 0}, {"ISO-8859-2", 28592, 1250},
    {"WINDOWS-1251", 1251, 0}, {"ISO-8859-5", 28595, 1251}, {"KOI8-R", 20866, 0},     {"IBM866", 866, 0},
    {"IBM855", 855, 0},        {"MAC-CYRILLIC", 10007, 0}, {"WINDOWS-1253", 1253, 0}, {"ISO-8859-7", 28597, 1253},
    {"WINDOWS-1255", 1255, 0}, {"ISO-8859-8", 28598, 1255}, {"WINDOWS-1256", 1256, 0}, {"ISO-8859-6", 28596, 1256},
    {"TIS-620", 874, 0},       {"ISO-8859-11", 874, 0},    {"ISO-8859-9", 28599, 1254}, {"WINDOWS-1254", 1254, 0},
    {"ISO-8859-4", 28594, 1257}, {"ISO-8859-13", 28603, 1257}, {"WINDOWS-1257", 1257, 0}, {"WINDOWS-1258", 1258, 0},
};

} // namespace

unsigned CodePageOfGuess(std::string_view guess, bool controlRangeUsed)
{
    for (const GuessCodePage& known : kGuesses) {
        if (known.guess == guess) {
            return controlRangeUsed && known.windowsSibling != 0 ? known.windowsSibling : known.codePage;
        }
    }
    return 0;
}

bool IsLatinCodePage(unsigned codePage)
{
    switch (codePage) {
    case 1250: case 1254: case 1257: case 1258: case 28592: case 28594: case 28599: case 28603:
        return true;
    default:
        return false;
    }
}

bool FewStrays(std::uint64_t invalid, std::uint64_t nonAscii, std::uint64_t bytes)
{
    const std::uint64_t startedMegabytes = (bytes >> 20) + 1;
    return invalid > 0 && invalid * 10 < invalid + nonAscii && invalid <= 32 * startedMegabytes;
}

EncodingDetector::EncodingDetector() : guesser_(std::make_unique<Guesser>()) {}

EncodingDetector::~EncodingDetector() = default;

void EncodingDetector::Add(std::string_view bytes)
{
    utf8_.Add(bytes);
    bytes_ += bytes.size();
    std::string_view guessed = bytes.substr(0, static_cast<size_t>(std::min<std::uint64_t>(bytes.size(), kGuessBytes - guessed_)));
    if (guessed.empty()) {
        return;
    }
    guessed_ += guessed.size();
    for (char c : guessed) {
        const auto byte = static_cast<unsigned char>(c);
        nonAscii_ += byte >= 0x80;
        controlRange_ = controlRange_ || (byte >= 0x80 && byte < 0xA0);
    }
    uchardet_handle_data(guesser_->handle, guessed.data(), guessed.size());
}

DetectedEncoding EncodingDetector::Finish()
{
    DetectedEncoding detected;
    if (utf8_.Valid()) {
        return detected;
    }
    const std::uint64_t invalid = utf8_.InvalidSequences();
    if (FewStrays(invalid, utf8_.NonAsciiSequences(), bytes_)) {
        detected.encoding = TextEncoding::Utf8WithStrays;
        detected.strays = invalid;
        return detected;
    }
    uchardet_data_end(guesser_->handle);
    detected.encoding = TextEncoding::Ansi;
    detected.guess = uchardet_get_charset(guesser_->handle);
    const unsigned codePage = CodePageOfGuess(detected.guess, controlRange_);
    const bool enough = IsLatinCodePage(codePage) ? nonAscii_ >= 64 && nonAscii_ * 100 >= guessed_ : nonAscii_ >= 32;
    if (codePage != 0 && enough) {
        detected.encoding = TextEncoding::CodePage;
        detected.codePage = codePage;
    }
    return detected;
}

} // namespace Document
