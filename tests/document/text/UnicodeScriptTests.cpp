#include "UnicodeScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace Document {
namespace {

// Every code point against Unicode's own Scripts.txt ("0E01..0E30 ; Thai"):
// a listed one has its script's name, any other is "Unknown".
TEST(UnicodeScript, ScriptsFile)
{
    std::ifstream in(std::string(UNICODE_DATA_DIR) + "Scripts.txt");
    ASSERT_TRUE(in) << "unicode-data is not installed";
    std::vector<std::string> expected(0x110000, "Unknown");
    std::string line;
    size_t listed = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line.substr(0, line.find('#')));
        std::string range, separator, name;
        if (!(fields >> range >> separator >> name)) {
            continue;
        }
        size_t dots = range.find("..");
        char32_t first = static_cast<char32_t>(std::stoul(range.substr(0, dots), nullptr, 16));
        char32_t last = dots == std::string::npos ? first : static_cast<char32_t>(std::stoul(range.substr(dots + 2), nullptr, 16));
        for (char32_t c = first; c <= last; ++c) {
            expected[c] = name;
            ++listed;
        }
    }
    EXPECT_GT(listed, 140000u);
    size_t failures = 0;
    for (char32_t c = 0; c < expected.size(); ++c) {
        if (expected[c] != ScriptName(c) && ++failures <= 5) {
            ADD_FAILURE() << "U+" << std::hex << std::uppercase << static_cast<unsigned>(c) << ": "
                          << ScriptName(c) << ", not " << expected[c];
        }
    }
    EXPECT_EQ(failures, 0u);
}

} // namespace
} // namespace Document
