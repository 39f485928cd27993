#include "Documents.h"

#include <array>
#include <random>

namespace Soak {

namespace {

constexpr std::array<const char*, 24> Words = {
    "amber", "basalt", "cedar", "delta", "ember", "fjord", "granite", "harbour",
    "indigo", "juniper", "kestrel", "lantern", "meadow", "nickel", "orchard", "pewter",
    "quartz", "rowan", "saffron", "thistle", "umber", "vellum", "willow", "zephyr",
};

std::mt19937 RandomFor(size_t run, uint32_t seed)
{
    std::seed_seq sequence{seed, static_cast<uint32_t>(run)};
    return std::mt19937(sequence);
}

std::string BigEndian(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

} // namespace

std::string MakeText(size_t run, uint32_t seed)
{
    std::mt19937 random = RandomFor(run, seed);
    std::string text = "Soak run " + std::to_string(run) + " seed " + std::to_string(seed) + "\r\n";
    const size_t lines = 1 + random() % 150;
    for (size_t line = 1; line < lines; ++line) {
        std::string row;
        const size_t width = random() % 77;
        while (true) {
            std::string word = Words[random() % Words.size()];
            if (row.size() + word.size() + 1 > width) {
                break;
            }
            row += (row.empty() ? "" : " ") + word;
        }
        text += row + "\r\n";
    }
    return text;
}

std::string HostileFileName(Fault fault)
{
    switch (fault) {
    case Fault::HostileHugePng:
        return "hostile.png";
    case Fault::HostileTruncatedJpeg:
        return "hostile.jpg";
    default:
        return "hostile.txt";
    }
}

std::string MakeHostile(Fault fault, size_t run, uint32_t seed)
{
    std::mt19937 random = RandomFor(run, seed);
    std::string garbage(4096 + random() % 65536, '\0');
    for (char& c : garbage) {
        c = static_cast<char>(random());
    }
    switch (fault) {
    case Fault::HostileHugePng: {
        // Signature, then an IHDR of 100,000 x 100,000 RGBA pixels (its CRC
        // left wrong on purpose), then an IDAT of garbage and no IEND.
        std::string png = "\x89PNG\r\n\x1a\n";
        png += BigEndian(13) + "IHDR" + BigEndian(100000) + BigEndian(100000) + std::string("\x08\x06\x00\x00\x00", 5);
        png += BigEndian(0);
        png += BigEndian(static_cast<uint32_t>(garbage.size())) + "IDAT" + garbage;
        return png;
    }
    case Fault::HostileTruncatedJpeg:
        // Start of image, a quantisation table header, a frame header that
        // claims 65,535 x 65,535 and ends in the middle.
        return std::string("\xFF\xD8\xFF\xDB\x00\x43\x00", 7) + garbage.substr(0, 64) +
               std::string("\xFF\xC0\x00\x11\x08\xFF\xFF\xFF\xFF\x03\x01", 11);
    default:
        return garbage;
    }
}

std::string MakePostScript(const std::string& text, const std::string& title, bool cutShort)
{
    constexpr int LinesPerPage = 60;
    std::string body;
    int line = 0, page = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        std::string row = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 2;
        if (line % LinesPerPage == 0) {
            body += (page > 0 ? "showpage\n" : "") + std::string("%%Page: ") + std::to_string(page + 1) + " " +
                    std::to_string(page + 1) + "\n/Courier findfont 10 scalefont setfont\n";
            ++page;
        }
        std::string escaped;
        for (char c : row) {
            escaped += (c == '(' || c == ')' || c == '\\') ? std::string("\\") + c : std::string(1, c);
        }
        body += "36 " + std::to_string(756 - 12 * (line % LinesPerPage)) + " moveto (" + escaped + ") show\n";
        ++line;
    }
    std::string job = "%!PS-Adobe-3.0\n%%Title: " + title + "\n%%Pages: " + std::to_string(page) +
                      "\n%%EndComments\n" + body;
    if (cutShort) {
        return job;
    }
    return job + "showpage\n%%Trailer\n%%EOF\n";
}

std::string PrintTextWords(int wordsPerPage, int pages)
{
    std::string text;
    for (int page = 1; page <= pages; ++page) {
        for (int n = 1; n <= wordsPerPage; ++n) {
            text += "w" + std::to_string(page) + "x" + std::to_string(n) + (n % 8 == 0 || n == wordsPerPage ? "\r\n" : " ");
        }
    }
    return text;
}

} // namespace Soak
