// Which resources CommandLine.exe carries: exactly four types, each with
// the numbers and languages that the system and the file-properties view
// look for, and nothing that a toolchain might add on its own.
#include "ResourceFiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace ResourcesTest {
namespace {

BOOL CALLBACK CollectId(HMODULE, LPSTR id, LONG_PTR list)
{
    // A named entry is recorded as 0, which no expected list holds.
    reinterpret_cast<std::vector<UINT_PTR>*>(list)->push_back(IS_INTRESOURCE(id) ? reinterpret_cast<UINT_PTR>(id) : 0);
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR, LPSTR name, LONG_PTR list)
{
    return CollectId(module, name, list);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<UINT_PTR>*>(list)->push_back(language);
    return TRUE;
}

std::vector<UINT_PTR> Types()
{
    std::vector<UINT_PTR> types;
    ::EnumResourceTypesA(CommandLineModule(), CollectId, reinterpret_cast<LONG_PTR>(&types));
    return types;
}

std::vector<UINT_PTR> Names(LPCSTR type)
{
    std::vector<UINT_PTR> names;
    ::EnumResourceNamesA(CommandLineModule(), type, CollectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::vector<UINT_PTR> Languages(LPCSTR type, UINT_PTR name)
{
    std::vector<UINT_PTR> languages;
    ::EnumResourceLanguagesA(CommandLineModule(), type, MAKEINTRESOURCEA(name), CollectLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

TEST(ResourceSectionTest, HoldsIconImagesIconGroupVersionRecordAndManifestAlone)
{
    // A default manifest from the runtime, or a dialog template, would show
    // up here as a fifth type.
    std::vector<UINT_PTR> expected{3, 14, 16, 24};
    EXPECT_EQ(expected, Types());
}

TEST(ResourceSectionTest, NumbersAndLanguagesOfEachType)
{
    struct Case {
        LPCSTR type;
        std::vector<UINT_PTR> names;
        UINT_PTR language;
    };
    std::vector<UINT_PTR> iconImages;
    for (UINT_PTR id = 30001; id <= 30023; ++id) {
        iconImages.push_back(id);
    }
    const Case cases[] = {
        {RT_ICON, iconImages, 0},
        {RT_GROUP_ICON, {1}, 0},
        {RT_VERSION, {1}, 0x0409},
        {MAKEINTRESOURCEA(24), {1}, 0},
    };
    for (const Case& c : cases) {
        UINT_PTR type = reinterpret_cast<UINT_PTR>(c.type);
        ASSERT_EQ(c.names, Names(c.type)) << "type " << type;
        for (UINT_PTR name : c.names) {
            EXPECT_EQ(std::vector<UINT_PTR>{c.language}, Languages(c.type, name)) << "type " << type << ", number " << name;
        }
    }
}

} // namespace
} // namespace ResourcesTest
