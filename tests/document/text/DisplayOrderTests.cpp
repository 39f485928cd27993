// The display order against Unicode's conformance files: BidiTest.txt gives
// sequences of bidirectional classes with the paragraph directions they are
// tried in, BidiCharacterTest.txt real characters (brackets among them).
// Each case is run through ResolveDisplayOrder, the converter's own entry,
// and its runs ordered by RunsInDisplayOrder, as the writer orders a line's;
// a class is stood for by a character of that class.
#include "DisplayOrder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace Document {
namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream stream(text);
    std::string part;
    while (std::getline(stream, part, separator)) {
        parts.push_back(part);
    }
    return parts;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::stringstream stream(text);
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

// The levels ("x" for a character the algorithm removes) and the order of
// the others, as the files write them.
struct Expected {
    std::vector<std::string> levels;
    std::vector<std::string> order;
};

// "" when the result is the expected one, otherwise what differs.
std::string Compare(const DisplayOrder& order, const Expected& expected)
{
    std::string levels, visual;
    for (size_t i = 0; i < order.levels.size(); ++i) {
        if (expected.levels[i] != "x") {
            if (std::to_string(order.levels[i]) != expected.levels[i]) {
                levels += " level of " + std::to_string(i) + " is " + std::to_string(order.levels[i]);
            }
        }
    }
    // As the writer shows a line: its runs of one level in the order
    // RunsInDisplayOrder gives, each run's characters left to right, or
    // right to left at an odd level.
    std::vector<size_t> runOf(order.levels.size());
    std::vector<size_t> runStarts;
    for (size_t i = 0; i < order.levels.size(); ++i) {
        if (i == 0 || order.levels[i] != order.levels[i - 1]) {
            runStarts.push_back(i);
        }
        runOf[i] = runStarts.size() - 1;
    }
    runStarts.push_back(order.levels.size());
    std::vector<std::string> shown;
    for (size_t run : RunsInDisplayOrder(order.visual, runOf)) {
        bool leftward = order.levels[runStarts[run]] % 2 == 1;
        for (size_t k = runStarts[run]; k < runStarts[run + 1]; ++k) {
            size_t index = leftward ? runStarts[run + 1] - 1 - (k - runStarts[run]) : k;
            if (expected.levels[index] != "x") {
                shown.push_back(std::to_string(index));
            }
        }
    }
    if (shown != expected.order) {
        visual = " order differs";
    }
    return levels + visual;
}

std::ifstream Open(const char* name)
{
    std::ifstream file(std::string(UNICODE_DATA_DIR) + name);
    if (!file) {
        ADD_FAILURE() << name << " is missing under " << UNICODE_DATA_DIR << ": run scripts/setup (unicode-data)";
    }
    return file;
}

ParagraphDirection DirectionOf(int code)
{
    return code == 0 ? ParagraphDirection::LeftToRight
                     : code == 1 ? ParagraphDirection::RightToLeft : ParagraphDirection::FirstStrong;
}

TEST(BidiConformance, BidiCharacterTest)
{
    std::ifstream file = Open("BidiCharacterTest.txt");
    std::string line;
    size_t cases = 0, failures = 0, lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> fields = Split(line, ';');
        ASSERT_EQ(fields.size(), 5u) << "line " << lineNumber;
        std::u32string text;
        for (const std::string& code : Words(fields[0])) {
            text += static_cast<char32_t>(std::stoul(code, nullptr, 16));
        }
        DisplayOrder order = ResolveDisplayOrder(text, DirectionOf(std::stoi(fields[1])));
        std::string differs = Compare(order, {Words(fields[3]), Words(fields[4])});
        if (order.paragraphLevel != std::stoi(fields[2])) {
            differs += " paragraph level " + std::to_string(order.paragraphLevel);
        }
        ++cases;
        if (!differs.empty() && ++failures <= 20) {
            ADD_FAILURE() << "BidiCharacterTest.txt line " << lineNumber << ":" << differs;
        }
    }
    EXPECT_EQ(failures, 0u) << "of " << cases << " cases";
    EXPECT_GT(cases, 90000u);
}

TEST(BidiConformance, BidiTest)
{
    // A character of each class.
    const std::map<std::string, char32_t> classes = {
        {"L", U'a'},       {"R", U'\u05D0'},  {"AL", U'\u0627'}, {"EN", U'1'},      {"ES", U'+'},
        {"ET", U'$'},      {"AN", U'\u0660'}, {"CS", U','},      {"NSM", U'\u0300'}, {"BN", U'\u00AD'},
        {"B", U'\u2029'},  {"S", U'\t'},      {"WS", U' '},      {"ON", U'!'},      {"LRE", U'\u202A'},
        {"LRO", U'\u202D'}, {"RLE", U'\u202B'}, {"RLO", U'\u202E'}, {"PDF", U'\u202C'}, {"LRI", U'\u2066'},
        {"RLI", U'\u2067'}, {"FSI", U'\u2068'}, {"PDI", U'\u2069'},
    };
    std::ifstream file = Open("BidiTest.txt");
    std::string line;
    Expected expected;
    size_t cases = 0, failures = 0, lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.rfind("@Levels:", 0) == 0) {
            expected.levels = Words(line.substr(8));
            continue;
        }
        if (line.rfind("@Reorder:", 0) == 0) {
            expected.order = Words(line.substr(9));
            continue;
        }
        if (line[0] == '@') {
            continue;
        }
        std::vector<std::string> fields = Split(line, ';');
        ASSERT_EQ(fields.size(), 2u) << "line " << lineNumber;
        std::u32string text;
        for (const std::string& name : Words(fields[0])) {
            text += classes.at(name);
        }
        int directions = std::stoi(fields[1]);
        const ParagraphDirection tried[] = {ParagraphDirection::FirstStrong, ParagraphDirection::LeftToRight,
                                            ParagraphDirection::RightToLeft};
        for (int bit = 0; bit < 3; ++bit) {
            if ((directions & (1 << bit)) == 0) {
                continue;
            }
            ++cases;
            std::string differs = Compare(ResolveDisplayOrder(text, tried[bit]), expected);
            if (!differs.empty() && ++failures <= 20) {
                ADD_FAILURE() << "BidiTest.txt line " << lineNumber << " (direction bit " << bit << "):" << differs;
            }
        }
    }
    EXPECT_EQ(failures, 0u) << "of " << cases << " cases";
    EXPECT_GT(cases, 400000u);
}

} // namespace
} // namespace Document
