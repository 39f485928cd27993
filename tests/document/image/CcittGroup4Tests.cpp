#include "CcittGroup4.h"

#include "CodecBits.h"
#include "DocumentError.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

using CodecBits::Pack;

// Rows of 16 pixels, coded by hand from T.6's tables:
// white 4, black 4, white 8 against a white row: horizontal (001), white
// run 4 (1011), black run 4 (011), then the edge straight below (V0, 1).
constexpr std::string_view kStripeRow = "001 1011 011 1";
// The same row against itself: three changes straight below (V0 V0 V0).
constexpr std::string_view kStripeAgain = "1 1 1";
// A white row against a white row: V0.
constexpr std::string_view kWhiteRow = "1";
constexpr std::string_view kEndOfBlock = "000000000001 000000000001";

TEST(CcittGroup4, StripsJoinIntoOneStreamCodedRowAgainstRow) {
    const struct {
        const char* name;
        std::vector<std::string> strips;
        std::vector<int> rows;
        std::string expected;
    } cases[] = {
        {"one strip, one row", {Pack(kStripeRow)}, {1}, Pack(std::string(kStripeRow) + std::string(kEndOfBlock))},
        // The second strip starts from a white row; joined, its row is coded against the first's.
        {"two strips of one row", {Pack(kStripeRow), Pack(kStripeRow)}, {1, 1},
         Pack(std::string(kStripeRow) + std::string(kStripeAgain) + std::string(kEndOfBlock))},
        {"white, then stripes", {Pack(std::string(kWhiteRow) + std::string(kStripeRow))}, {2},
         Pack(std::string(kWhiteRow) + std::string(kStripeRow) + std::string(kEndOfBlock))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string joined = CcittGroup4::Join(c.strips, c.rows, 16, L"The test image");
        EXPECT_EQ(joined, c.expected);
        // The joined stream is one strip of all the rows, and joins to itself.
        int total = 0;
        for (const int rows : c.rows) {
            total += rows;
        }
        EXPECT_EQ(CcittGroup4::Join({joined}, {total}, 16, L"The test image"), joined);
    }
}

TEST(CcittGroup4, RefusesDataThatEndsEarlyOrOverrunsTheRow) {
    const struct {
        const char* name;
        std::string strip;
        int rows;
        const wchar_t* reason;
    } cases[] = {
        {"a row missing", Pack(kStripeRow), 2, L"fax data"},
        {"no data", "", 1, L"fax data"},
        // Horizontal: white 4, then black 15 reaches past 16 pixels.
        {"run past the edge", Pack("001 1011 000011000"), 1, L"longer than the image"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            CcittGroup4::Join({c.strip}, {c.rows}, 16, L"The test image");
            ADD_FAILURE() << "taken";
        } catch (const DocumentError& error) {
            EXPECT_NE(error.Description().find(c.reason), std::wstring::npos)
                << std::string(error.Description().begin(), error.Description().end());
        }
    }
}

} // namespace
} // namespace Document
