#include "DocumentInfo.h"

#include "PdfReading.h"

#include <gtest/gtest.h>

namespace Document {
namespace {

// A text string as a reader takes it: a literal of bytes, or UTF-16BE in hex
// after its byte-order mark.
std::u32string ReadTextString(const std::string& token)
{
    if (token.rfind("<FEFF", 0) != 0) {
        const std::string bytes = LiteralStringBytes(token);
        return {bytes.begin(), bytes.end()};
    }
    std::u16string units;
    for (size_t i = 5; i + 4 < token.size(); i += 4) {
        units += static_cast<char16_t>(std::stoul(token.substr(i, 4), nullptr, 16));
    }
    std::u32string text;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size()) {
            text += static_cast<char32_t>(0x10000 + ((units[i] - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else {
            text += units[i];
        }
    }
    return text;
}

// Titles that a literal must escape, or that need UTF-16, read back as they
// were given; the date as a PDF reader parses it.
TEST(DocumentInfo, TitleAndDateReadBack)
{
    const std::u32string titles[] = {
        U"report (draft) \\ final).txt",
        U"(((.txt",
        U"R\u00E9sum\u00E9 \U0001F600.txt",
    };
    for (const std::u32string& title : titles) {
        SCOPED_TRACE(testing::PrintToString(std::string(title.begin(), title.end())));
        const std::string dictionary = InfoDictionary({title, PdfDate(2026, 12, 7, 9, 5, 3)}).Written();
        EXPECT_EQ(ReadTextString(DictionaryValue(dictionary, "/Title")), title);
        EXPECT_EQ(LiteralStringBytes(DictionaryValue(dictionary, "/CreationDate")), "D:20261207090503Z");
        EXPECT_EQ(ReadTextString(DictionaryValue(dictionary, "/Producer")), U"Ardenfold PDFCreator");
    }
    const std::string untitled = InfoDictionary({}).Written();
    EXPECT_EQ(DictionaryValue(untitled, "/Title"), "");
    EXPECT_EQ(DictionaryValue(untitled, "/CreationDate"), "");
    EXPECT_EQ(PdfDate(1999, 1, 2, 23, 59, 0), "D:19990102235900Z");
}

// The setting's values as a user writes them; anything else names none.
TEST(DocumentInfo, StandardsByName)
{
    const std::pair<const wchar_t*, std::optional<PdfStandard>> rows[] = {
        {L"PDF/A-1b", PdfStandard::PdfA1b}, {L"PDF/A-2b", PdfStandard::PdfA2b}, {L"PDF/A-2u", PdfStandard::PdfA2u},
        {L"PDF", PdfStandard::Pdf},         {L"pdf/a-2u", std::nullopt},         {L"PDF/A-3b", std::nullopt},
        {L"PDF/A-2u ", std::nullopt},       {L"", std::nullopt},
    };
    for (const auto& [name, standard] : rows) {
        EXPECT_EQ(PdfStandardNamed(name), standard) << testing::PrintToString(std::wstring(name));
    }
}

} // namespace
} // namespace Document
