#pragma once
// The fonts installed on the system, asked for the characters that the
// embedded font lacks. A character is looked for first in the font already
// chosen for its script, then in the fonts the system links to its
// monospaced and interface fonts (the registry's SystemLink), then in the
// fonts named for its script (FontsForScript), then in any font, monospaced
// first. Best effort: a font that cannot be read, is no TrueType font, or
// whose licence forbids embedding is passed over, and when no font has the
// character the caller draws a visible replacement.
#include "CharacterMap.h"
#include "Handle.h"
#include "TrueTypeFont.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Converter {

class SystemFonts {
public:
    SystemFonts();

    // An installed font that has a glyph for the character, or null. The font
    // stays owned here, and the same object answers for every character it
    // was chosen for, so that a caller can group characters by font.
    const Document::TrueTypeFont* FontFor(char32_t codePoint);

private:
    struct Family {
        std::wstring face;
        Global::GdiObjectHandle handle;
        std::unique_ptr<Document::CharacterMap> map;  // read when the family is first asked
        std::unique_ptr<Document::TrueTypeFont> font; // read once it has been chosen
        bool unusable = false;
    };

    void ListFamilies();
    // The installed family of that name (or of the name the registry's
    // FontSubstitutes gives for it), or null.
    Family* Installed(const std::wstring& face);
    bool Offer(Family& family, char32_t codePoint, const Document::TrueTypeFont*& answer);
    // The bytes of one of the selected font's tables; empty when it has none or they cannot be read.
    std::string TableData(uint32_t tag);
    bool HasGlyph(Family& family, char32_t codePoint);
    const Document::TrueTypeFont* Load(Family& family);

    // Declared before the fonts: they are deleted first, never while selected into it.
    Global::DeviceContextHandle dc_;
    bool listed_ = false;
    std::vector<Family> families_;
    std::map<char32_t, const Document::TrueTypeFont*> answers_;
    std::vector<std::wstring> linked_; // SystemLink's faces, in the system's order
    std::map<std::wstring, std::wstring> substitutes_; // lower-case name -> face
    std::map<std::string, Family*> chosenForScript_;
};

} // namespace Converter
