// The version record as the system's version functions read it, and the
// order of its blocks and strings as they lie in the resource.
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ResourcesTest {
namespace {

class VersionRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DWORD ignored = 0;
        DWORD size = ::GetFileVersionInfoSizeA(CommandLineExe, &ignored);
        ASSERT_NE(0u, size) << "error " << ::GetLastError();
        record_.resize(size);
        ASSERT_TRUE(::GetFileVersionInfoA(CommandLineExe, 0, size, record_.data())) << "error " << ::GetLastError();
    }

    // The value under a query path; fails the test when there is none.
    std::pair<const void*, UINT> Query(const std::string& path)
    {
        void* value = nullptr;
        UINT length = 0;
        EXPECT_TRUE(::VerQueryValueA(record_.data(), path.c_str(), &value, &length)) << path;
        return {value, length};
    }

    std::string String(const std::string& key)
    {
        auto [value, length] = Query("\\StringFileInfo\\040904B0\\" + key);
        if (value == nullptr || length == 0) {
            return {};
        }
        // The length counts the terminating null.
        return std::string(static_cast<const char*>(value), length - 1);
    }

    Bytes record_;
};

TEST_F(VersionRecordTest, FixedPartIsVersion0Point9Point0Point9OfAWindowsApplication)
{
    auto [value, length] = Query("\\");
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    const auto& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(MAKELONG(9, 0), fixed.dwFileVersionMS);
    EXPECT_EQ(MAKELONG(9, 0), fixed.dwFileVersionLS);
    EXPECT_EQ(MAKELONG(9, 0), fixed.dwProductVersionMS);
    EXPECT_EQ(MAKELONG(9, 0), fixed.dwProductVersionLS);
    EXPECT_EQ(0u, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed.dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed.dwFileType);
    EXPECT_EQ(0u, fixed.dwFileSubtype);
    EXPECT_EQ(0u, fixed.dwFileDateMS);
    EXPECT_EQ(0u, fixed.dwFileDateLS);
}

TEST_F(VersionRecordTest, OneTranslationEnglishUnitedStatesUnicode)
{
    auto [value, length] = Query("\\VarFileInfo\\Translation");
    ASSERT_EQ(4u, length);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
}

TEST_F(VersionRecordTest, StringsThatThePropertiesViewShows)
{
    const std::pair<const char*, const char*> expected[] = {
        {"FileDescription", "Ardenfold Command Line"},
        {"ProductName", "Ardenfold"},
        {"FileVersion", "0.09.0009"},
        {"ProductVersion", "0.09.0009"},
        {"InternalName", "CommandLine"},
        {"OriginalFilename", "CommandLine.exe"},
    };
    for (const auto& [key, value] : expected) {
        EXPECT_EQ(value, String(key)) << key;
    }
    EXPECT_FALSE(String("CompanyName").empty());
    EXPECT_FALSE(String("LegalCopyright").empty());
}

// One node of the record: wLength, wValueLength, wType, a null-terminated
// UTF-16 key, padding to 4 bytes, the value, padding, then the children.
struct Block {
    std::wstring key;
    std::vector<Block> children;
};

Block ParseBlock(const Bytes& bytes, std::size_t offset)
{
    std::size_t length = ReadUint(bytes, offset, 2);
    std::size_t valueLength = ReadUint(bytes, offset + 2, 2);
    bool text = ReadUint(bytes, offset + 4, 2) == 1;
    std::size_t end = offset + length;
    Block block;
    std::size_t at = offset + 6;
    for (wchar_t c; (c = static_cast<wchar_t>(ReadUint(bytes, at, 2))) != 0; at += 2) {
        block.key += c;
    }
    at = (at + 2 + 3) & ~std::size_t{3};
    at = (at + valueLength * (text ? 2 : 1) + 3) & ~std::size_t{3};
    while (at < end) {
        block.children.push_back(ParseBlock(bytes, at));
        at = (at + ReadUint(bytes, at, 2) + 3) & ~std::size_t{3};
    }
    return block;
}

std::vector<std::wstring> Keys(const Block& block)
{
    std::vector<std::wstring> keys;
    for (const Block& child : block.children) {
        keys.push_back(child.key);
    }
    return keys;
}

TEST_F(VersionRecordTest, TranslationAheadOfStringTableAndStringsInOrder)
{
    Block root = ParseBlock(ResourceBytes(CommandLineModule(), RT_VERSION, MAKEINTRESOURCEA(1)), 0);
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);
    ASSERT_EQ((std::vector<std::wstring>{L"VarFileInfo", L"StringFileInfo"}), Keys(root));
    EXPECT_EQ(std::vector<std::wstring>{L"Translation"}, Keys(root.children[0]));
    const Block& strings = root.children[1];
    ASSERT_EQ(std::vector<std::wstring>{L"040904B0"}, Keys(strings));
    std::vector<std::wstring> order{L"CompanyName", L"FileDescription", L"LegalCopyright", L"ProductName",
                                    L"FileVersion", L"ProductVersion",  L"InternalName",   L"OriginalFilename"};
    EXPECT_EQ(order, Keys(strings.children[0]));
}

} // namespace
} // namespace ResourcesTest
