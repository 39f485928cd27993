#include "SystemFonts.h"

#include "DocumentError.h"
#include "Handle.h"
#include "ScriptFonts.h"
#include "SfntWriter.h"

#include <algorithm>
#include <cwctype>
#include <set>

namespace Converter {
namespace {

// The tables a font is read and subset with. They are asked for one by one
// because GetFontData gives a font of a collection (.ttc) no file of its own;
// its tables, written out as one font, are that file. The layout tables
// (GDEF, GPOS, GSUB) are what the shaper joins, reorders and places marks by.
constexpr uint32_t WantedTables[] = {
    Document::SfntTag("GDEF"), Document::SfntTag("GPOS"), Document::SfntTag("GSUB"),
    Document::SfntTag("cmap"), Document::SfntTag("cvt "), Document::SfntTag("fpgm"), Document::SfntTag("glyf"), Document::SfntTag("head"), Document::SfntTag("hhea"), Document::SfntTag("hmtx"),
    Document::SfntTag("loca"), Document::SfntTag("maxp"), Document::SfntTag("name"), Document::SfntTag("OS/2"), Document::SfntTag("post"), Document::SfntTag("prep"),
};

// GetFontData takes a tag as the four bytes in file order read as a little-endian number.
DWORD GdiTag(uint32_t tag)
{
    return (tag >> 24) | ((tag >> 8) & 0xFF00) | ((tag << 8) & 0xFF0000) | (tag << 24);
}

struct Candidate {
    std::wstring face;
    bool fixedPitch = false;
};

int CALLBACK CollectFamily(const LOGFONTW* logFont, const TEXTMETRICW* metric, DWORD fontType, LPARAM list)
{
    const auto* extended = reinterpret_cast<const NEWTEXTMETRICEXW*>(metric);
    // Only TrueType outlines can be embedded; '@' names are the vertical twins of East Asian fonts.
    if ((fontType & TRUETYPE_FONTTYPE) && !(extended->ntmTm.ntmFlags & NTM_PS_OPENTYPE) && logFont->lfFaceName[0] != L'@') {
        reinterpret_cast<std::vector<Candidate>*>(list)->push_back(
            Candidate{logFont->lfFaceName, (logFont->lfPitchAndFamily & 0x3) == FIXED_PITCH});
    }
    return 1;
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

// "Face" of "Face,charset".
std::wstring FaceOf(const std::wstring& name)
{
    return name.substr(0, name.find(L','));
}

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};

// The string values of a key under HKEY_LOCAL_MACHINE, name and data; a
// multi-string's strings each with the value's name.
std::vector<std::pair<std::wstring, std::wstring>> RegistryStrings(const wchar_t* path)
{
    std::vector<std::pair<std::wstring, std::wstring>> values;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return values;
    }
    Global::UniqueHandle<RegistryKeyTraits> key(opened);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = static_cast<DWORD>(std::size(name));
        DWORD type = 0;
        std::vector<wchar_t> data(8192);
        DWORD dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        LONG status = ::RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_MULTI_SZ)) {
            continue; // a value too long for these buffers is no font name
        }
        data.resize(dataBytes / sizeof(wchar_t));
        data.push_back(L'\0');
        for (const wchar_t* text = data.data(); *text != L'\0'; text += std::wcslen(text) + 1) {
            values.emplace_back(name, text);
            if (type == REG_SZ) {
                break;
            }
        }
    }
    return values;
}

// The faces that the system links to the fonts it draws monospaced text and
// its interface with, in its own order: the answer Windows itself gives for
// a character the font lacks (its locale decides, for example, which of the
// East Asian fonts comes first).
std::vector<std::wstring> LinkedFaces()
{
    std::vector<std::pair<std::wstring, std::wstring>> links =
        RegistryStrings(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink");
    std::vector<std::wstring> faces;
    for (const wchar_t* base : {L"courier new", L"lucida console", L"segoe ui", L"tahoma", L"microsoft sans serif"}) {
        for (const auto& [font, link] : links) {
            // "FILE.TTF,Face[,scaling...]"; an entry with the file alone names no face.
            size_t comma = link.find(L',');
            if (Lower(font) != base || comma == std::wstring::npos) {
                continue;
            }
            std::wstring face = FaceOf(link.substr(comma + 1));
            if (!face.empty() && std::find(faces.begin(), faces.end(), face) == faces.end()) {
                faces.push_back(face);
            }
        }
    }
    return faces;
}

} // namespace

SystemFonts::SystemFonts() : dc_(::CreateCompatibleDC(nullptr)) {}

void SystemFonts::ListFamilies()
{
    listed_ = true;
    if (!dc_) {
        return;
    }
    linked_ = LinkedFaces();
    for (const auto& [name, face] : RegistryStrings(L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes")) {
        substitutes_.emplace(Lower(FaceOf(name)), FaceOf(face));
    }
    LOGFONTW all{};
    all.lfCharSet = DEFAULT_CHARSET;
    std::vector<Candidate> candidates;
    ::EnumFontFamiliesExW(dc_.Get(), &all, CollectFamily, reinterpret_cast<LPARAM>(&candidates), 0);
    // Monospaced families first: the text is laid out in a grid of cells.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.fixedPitch > b.fixedPitch; });
    std::set<std::wstring> seen;
    for (const Candidate& candidate : candidates) {
        if (!seen.insert(candidate.face).second) {
            continue; // one entry per character set of the family
        }
        LOGFONTW wanted{};
        wanted.lfHeight = -64;
        wanted.lfCharSet = DEFAULT_CHARSET;
        wanted.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        candidate.face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
        Global::GdiObjectHandle handle(::CreateFontIndirectW(&wanted));
        if (handle) {
            families_.push_back(Family{candidate.face, std::move(handle), nullptr, nullptr, false});
        }
    }
}

std::string SystemFonts::TableData(uint32_t tag)
{
    DWORD size = ::GetFontData(dc_.Get(), GdiTag(tag), 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0 || size > Document::TrueTypeFont::MaxFileSize) {
        return {};
    }
    std::string data(size, '\0');
    if (::GetFontData(dc_.Get(), GdiTag(tag), 0, data.data(), size) != size) {
        return {};
    }
    return data;
}

// The font's own character map answers, read with our reader: the system's
// glyph queries (GetGlyphIndicesW) cannot ask about characters beyond the
// Basic Multilingual Plane.
bool SystemFonts::HasGlyph(Family& family, char32_t codePoint)
{
    if (!family.map) {
        HGDIOBJ previous = ::SelectObject(dc_.Get(), family.handle.Get());
        Global::ScopeExit restore([&] { ::SelectObject(dc_.Get(), previous); });
        try {
            family.map = std::make_unique<Document::CharacterMap>(TableData(Document::SfntTag("cmap")));
        } catch (const Document::DocumentError&) {
            family.unusable = true; // no readable Unicode map (or no 'cmap' at all)
            return false;
        }
    }
    return family.map->GlyphFor(codePoint) != 0;
}

const Document::TrueTypeFont* SystemFonts::Load(Family& family)
{
    if (family.font || family.unusable) {
        return family.font.get();
    }
    family.unusable = true;
    HGDIOBJ previous = ::SelectObject(dc_.Get(), family.handle.Get());
    Global::ScopeExit restore([&] { ::SelectObject(dc_.Get(), previous); });
    std::vector<Document::SfntTable> tables;
    size_t total = 0;
    for (uint32_t tag : WantedTables) {
        std::string data = TableData(tag);
        total += data.size();
        if (total > Document::TrueTypeFont::MaxFileSize) {
            return nullptr;
        }
        if (!data.empty()) {
            tables.push_back(Document::SfntTable{tag, std::move(data)});
        }
    }
    auto head = std::find_if(tables.begin(), tables.end(), [](const Document::SfntTable& t) { return t.tag == Document::SfntTag("head"); });
    if (head == tables.end() || head->data.size() < 54) {
        return nullptr;
    }
    try {
        auto font = std::make_unique<Document::TrueTypeFont>(Document::WriteSfnt(std::move(tables)));
        if (!font->EmbeddingAllowed()) {
            return nullptr;
        }
        family.font = std::move(font);
        family.unusable = false;
    } catch (const Document::DocumentError&) {
        // A damaged system font is passed over like one without the character.
    }
    return family.font.get();
}

SystemFonts::Family* SystemFonts::Installed(const std::wstring& face)
{
    std::wstring wanted = Lower(face);
    for (int hop = 0; hop < 2; ++hop) {
        for (Family& family : families_) {
            if (Lower(family.face) == wanted) {
                return &family;
            }
        }
        auto substitute = substitutes_.find(wanted);
        if (substitute == substitutes_.end()) {
            break;
        }
        wanted = Lower(substitute->second);
    }
    return nullptr;
}

// Our own reading of the font has the last word.
bool SystemFonts::Offer(Family& family, char32_t codePoint, const Document::TrueTypeFont*& answer)
{
    if (family.unusable || !HasGlyph(family, codePoint)) {
        return false;
    }
    const Document::TrueTypeFont* font = Load(family);
    if (font && font->GlyphFor(codePoint) != 0) {
        answer = font;
        return true;
    }
    return false;
}

const Document::TrueTypeFont* SystemFonts::FontFor(char32_t codePoint)
{
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return nullptr;
    }
    auto known = answers_.find(codePoint);
    if (known != answers_.end()) {
        return known->second;
    }
    if (!listed_) {
        ListFamilies();
    }
    const Document::TrueTypeFont* answer = nullptr;
    // One font for a script's characters where it has them all: a word
    // drawn from two fonts is set and shaped apart.
    std::string script = FontScriptOf(codePoint);
    Family*& chosen = chosenForScript_[script];
    if (chosen && Offer(*chosen, codePoint, answer)) {
        answers_[codePoint] = answer;
        return answer;
    }
    std::vector<Family*> order;
    for (const std::wstring& face : linked_) {
        order.push_back(Installed(face));
    }
    for (const std::wstring& face : FontsForScript(script)) {
        order.push_back(Installed(face));
    }
    // Then fonts already chosen, so that a text's characters gather in few fonts.
    for (Family& family : families_) {
        if (family.font) {
            order.push_back(&family);
        }
    }
    for (Family& family : families_) {
        if (!family.font && !family.unusable) {
            order.push_back(&family);
        }
    }
    for (Family* family : order) {
        if (family && Offer(*family, codePoint, answer)) {
            if (!chosen) {
                chosen = family;
            }
            break;
        }
    }
    answers_[codePoint] = answer;
    return answer;
}

} // namespace Converter
