#include "EmbeddedFont.h"

#include "Error.h"
#include "TrueTypeFont.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace Converter {
namespace {

// The built PDFCreator.exe, read as a data file, carries the repository's
// font byte for byte; a program without it gets a clear error.
TEST(EmbeddedFont, ProgramCarriesTheRepositorysFont)
{
    HMODULE program = ::LoadLibraryExW(PDFCREATOR_PATH_W, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr) << "cannot load " << PDFCREATOR_PATH;
    std::string bytes = EmbeddedFontBytes(program);
    ::FreeLibrary(program);

    std::ifstream in(DEJAVU_MONO_PATH, std::ios::binary);
    std::ostringstream expected;
    expected << in.rdbuf();
    ASSERT_FALSE(expected.str().empty());
    EXPECT_EQ(bytes, expected.str());
    EXPECT_EQ(Document::TrueTypeFont(bytes).PostScriptName(), "DejaVuSansMono");

    EXPECT_THROW(EmbeddedFontBytes(::GetModuleHandleW(nullptr)), Global::Error) << "a test program carries no font";
}

} // namespace
} // namespace Converter
