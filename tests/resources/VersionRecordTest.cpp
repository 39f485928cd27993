// The version record as the system's version functions read it, and the
// order of its blocks and strings as they lie in the resource.
#include "ResourceFiles.h"

#include "AnsiText.h"

#include <gtest/gtest.h>

#include <string>

namespace ResourcesTest {
namespace {

// A value of the record as GetFileVersionInfoA and VerQueryValueA give it.
std::string Query(const std::string& path)
{
    DWORD ignored = 0;
    std::string record(::GetFileVersionInfoSizeA(CommandLineExe, &ignored), '\0');
    void* value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(::GetFileVersionInfoA(CommandLineExe, 0, static_cast<DWORD>(record.size()), record.data()) &&
                ::VerQueryValueA(record.data(), path.c_str(), &value, &length))
        << path << ", error " << ::GetLastError();
    return value ? std::string(static_cast<const char*>(value), length) : std::string();
}

TEST(VersionRecordTest, FixedPartTranslationAndStrings)
{
    std::string fixedBytes = Query("\\");
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), fixedBytes.size());
    const auto& fixed = *reinterpret_cast<const VS_FIXEDFILEINFO*>(fixedBytes.data());
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    for (DWORD part :
         {fixed.dwFileVersionMS, fixed.dwFileVersionLS, fixed.dwProductVersionMS, fixed.dwProductVersionLS}) {
        EXPECT_EQ(MAKELONG(9, 0), part); // 0.9.0.9
    }
    EXPECT_EQ(0u, fixed.dwFileFlagsMask | fixed.dwFileFlags | fixed.dwFileSubtype);
    EXPECT_EQ(0u, fixed.dwFileDateMS | fixed.dwFileDateLS);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed.dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed.dwFileType);

    EXPECT_EQ(std::string("\x09\x04\xB0\x04", 4), Query("\\VarFileInfo\\Translation")); // 0x0409, 1200

    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "Ardenfold Command Line"}, {"ProductName", "Ardenfold"},
        {"FileVersion", "0.09.0009"},                  {"ProductVersion", "0.09.0009"},
        {"InternalName", "CommandLine"},               {"OriginalFilename", "CommandLine.exe"},
        {"CompanyName", nullptr},                      {"LegalCopyright", nullptr}, // worded freely
    };
    for (const auto& [key, value] : strings) {
        std::string text = Query(std::string("\\StringFileInfo\\040904B0\\") + key);
        text = text.substr(0, text.find('\0')); // the length counts the terminating null
        if (value != nullptr) {
            EXPECT_EQ(value, text) << key;
        } else {
            EXPECT_FALSE(text.empty()) << key;
        }
    }
}

TEST(VersionRecordTest, TranslationAheadOfStringTableAndStringsInOrder)
{
    // Keys are null-terminated UTF-16 in the raw record, each block's ahead
    // of its children's, so their first places give the order.
    std::string record = ResourceBytes(RT_VERSION, 1);
    std::size_t previous = 0;
    for (const char* key : {"VS_VERSION_INFO", "VarFileInfo", "Translation", "StringFileInfo", "040904B0",
                            "CompanyName", "FileDescription", "LegalCopyright", "ProductName", "FileVersion",
                            "ProductVersion", "InternalName", "OriginalFilename"}) {
        std::wstring wide = Global::FromAnsi(key);
        std::size_t at = record.find(std::string(reinterpret_cast<const char*>(wide.c_str()), 2 * wide.size() + 2));
        EXPECT_TRUE(at != std::string::npos && at > previous) << key;
        previous = at == std::string::npos ? previous : at;
    }
}

} // namespace
} // namespace ResourcesTest
