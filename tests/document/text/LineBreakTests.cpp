#include "GraphemeBreak.h"
#include "LineBreak.h"
#include "UnicodeBreakData.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace Document {
namespace {

// Every case of Unicode's own test files: "× 0023 ÷ 0020 ×" gives the code
// points and, around each, whether a break lies there.
TEST(TextBreaks, UnicodeTestFiles)
{
    const struct {
        const char* file;
        std::vector<bool> (*breaks)(const std::u32string&);
        size_t minimumCases;
    } files[] = {
        {"LineBreakTest.txt", LineBreakOpportunities, 7000},
        {"GraphemeBreakTest.txt", GraphemeBoundaries, 600},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.file);
        std::ifstream in(std::string(UNICODE_TESTS_DIR) + file.file);
        ASSERT_TRUE(in) << "unicode-data is not installed";
        std::string line;
        size_t cases = 0;
        size_t failures = 0;
        while (std::getline(in, line)) {
            std::istringstream fields(line.substr(0, line.find('#')));
            std::u32string text;
            std::vector<bool> expected;
            for (std::string field; fields >> field;) {
                if (field == "\xC3\xB7" || field == "\xC3\x97") {
                    expected.push_back(field == "\xC3\xB7");
                } else {
                    text += static_cast<char32_t>(std::stoul(field, nullptr, 16));
                }
            }
            if (text.empty()) {
                continue;
            }
            ++cases;
            std::vector<bool> actual = file.breaks(text);
            // The start of the text is a boundary of a cluster, but no place to break a line.
            actual[0] = expected[0];
            if (actual != expected && ++failures <= 5) {
                ADD_FAILURE() << line;
            }
        }
        EXPECT_EQ(failures, 0u);
        EXPECT_GE(cases, file.minimumCases);
    }
    EXPECT_STREQ(UnicodeDataVersion, "15.0.0");
}

} // namespace
} // namespace Document
