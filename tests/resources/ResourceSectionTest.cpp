// Which resources CommandLine.exe carries: exactly four types, with the
// numbers and languages the system looks for, nothing a toolchain adds of
// its own, and the manifest exactly as committed.
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace ResourcesTest {
namespace {

// Type, number and language of one resource; a named type or resource is
// recorded with the number 0, which nothing expected has.
using Entry = std::array<UINT_PTR, 3>;

UINT_PTR Number(LPCSTR id)
{
    return IS_INTRESOURCE(id) ? reinterpret_cast<UINT_PTR>(id) : 0;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR entries)
{
    reinterpret_cast<std::vector<Entry>*>(entries)->push_back({Number(type), Number(name), language});
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR entries)
{
    return ::EnumResourceLanguagesA(module, type, name, AddLanguage, entries);
}

BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR entries)
{
    return ::EnumResourceNamesA(module, type, AddName, entries);
}

TEST(ResourceSectionTest, IconImagesIconGroupVersionRecordAndManifestAlone)
{
    // A default manifest of the runtime or a dialog template would show here.
    std::vector<Entry> expected;
    for (UINT_PTR image = 30001; image <= 30023; ++image) {
        expected.push_back({3, image, 0});
    }
    expected.insert(expected.end(), {{14, 1, 0}, {16, 1, 0x0409}, {24, 1, 0}});
    std::vector<Entry> entries;
    ::EnumResourceTypesA(CommandLineModule(), AddType, reinterpret_cast<LONG_PTR>(&entries));
    EXPECT_EQ(expected, entries);
}

TEST(ResourceSectionTest, ManifestIsTheCommittedFileByteForByte)
{
    // UTF-8 without a byte-order mark, CR LF between the lines (a checkout
    // that turned them into LF fails here), no line end after the last.
    const char* const lines[] = {
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)",
        R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)",
        R"(<assemblyIdentity type="win32" processorArchitecture="*" version="6.0.0.0" name="Company"/>)",
        R"(<dependency>)",
        R"(<dependentAssembly>)",
        R"(<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" )"
        R"(language="*" processorArchitecture="*" publicKeyToken="6595b64144ccf1df"/>)",
        R"(</dependentAssembly>)",
        R"(</dependency>)",
        R"(</assembly>)",
    };
    std::string expected;
    for (const char* line : lines) {
        expected += (expected.empty() ? "" : "\r\n") + std::string(line);
    }
    EXPECT_EQ(expected, TestSupport::ReadFileBytes(CommandLineManifest));
    EXPECT_EQ(expected, ResourceBytes(RT_MANIFEST, 1));
}

} // namespace
} // namespace ResourcesTest
