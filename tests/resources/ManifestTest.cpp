// The manifest goes into the executable byte for byte as committed, and the
// committed file is the nine lines the system expects: UTF-8 without a
// byte-order mark, CR LF between lines (a checkout that turned them into LF
// would fail here), no line end after the last.
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ResourcesTest {
namespace {

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

TEST(ManifestTest, EmbeddedManifestIsTheCommittedFile)
{
    Bytes embedded = ResourceBytes(CommandLineModule(), MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    EXPECT_EQ(Text(ReadWholeFile(CommandLineManifest)), Text(embedded));
}

TEST(ManifestTest, NineLinesJoinedByCrLfWithoutBomOrFinalLineEnd)
{
    std::string text = Text(ReadWholeFile(CommandLineManifest));
    ASSERT_FALSE(text.empty());
    EXPECT_NE("\xEF\xBB\xBF", text.substr(0, 3));
    EXPECT_EQ('>', text.back());

    std::size_t crlf = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++crlf;
    }
    EXPECT_EQ(8u, crlf);
    EXPECT_EQ(8, std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(8, std::count(text.begin(), text.end(), '\r'));
}

TEST(ManifestTest, DeclaresTheApplicationAndDependsOnCommonControls6Alone)
{
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
    EXPECT_EQ(expected, Text(ReadWholeFile(CommandLineManifest)));
}

} // namespace
} // namespace ResourcesTest
