#include "ScriptFonts.h"

#include "UnicodeBreakData.h"
#include "UnicodeScript.h"

#include <map>

namespace Converter {

const std::vector<std::wstring>& FontsForScript(const std::string& script)
{
    // A font that sets the marks over their letters comes before a
    // monospaced one that gives them cells of their own (TlwgMono draws
    // Thai as a typewriter does). For the scripts written right to left, a font that also has
    // the punctuation comes before one that has the letters alone: a word's
    // full stop drawn from another font reads as a separate word.
    static const std::map<std::string, std::vector<std::wstring>> table = {
        {"Thai", {L"Tahoma", L"Leelawadee UI", L"Angsana New", L"Cordia New", L"Noto Sans Thai", L"TlwgMono"}},
        {"Lao", {L"DokChampa", L"Lao UI", L"Leelawadee UI", L"Noto Sans Lao"}},
        {"Khmer", {L"DaunPenh", L"Khmer UI", L"Leelawadee UI", L"Noto Sans Khmer"}},
        {"Myanmar", {L"Myanmar Text", L"Noto Sans Myanmar"}},
        {"Devanagari", {L"Mangal", L"Nirmala UI", L"Noto Sans Devanagari"}},
        {"Bengali", {L"Vrinda", L"Nirmala UI", L"Noto Sans Bengali"}},
        {"Tamil", {L"Latha", L"Nirmala UI", L"Noto Sans Tamil"}},
        {"Gujarati", {L"Shruti", L"Nirmala UI", L"Noto Sans Gujarati"}},
        {"Gurmukhi", {L"Raavi", L"Nirmala UI", L"Noto Sans Gurmukhi"}},
        {"Kannada", {L"Tunga", L"Nirmala UI", L"Noto Sans Kannada"}},
        {"Telugu", {L"Gautami", L"Nirmala UI", L"Noto Sans Telugu"}},
        {"Malayalam", {L"Kartika", L"Nirmala UI", L"Noto Sans Malayalam"}},
        {"Oriya", {L"Kalinga", L"Nirmala UI", L"Noto Sans Oriya"}},
        {"Sinhala", {L"Iskoola Pota", L"Nirmala UI", L"Noto Sans Sinhala"}},
        {"Arabic", {L"Courier New", L"Tahoma", L"Arial", L"DejaVu Sans", L"Noto Sans Arabic", L"Noto Naskh Arabic"}},
        {"Hebrew", {L"Courier New", L"Tahoma", L"Arial", L"DejaVu Sans", L"Noto Sans Hebrew"}},
        {"Syriac", {L"Estrangelo Edessa", L"Segoe UI Historic", L"Noto Sans Syriac"}},
        {"Thaana", {L"MV Boli", L"Noto Sans Thaana"}},
        {"Tibetan", {L"Microsoft Himalaya", L"Noto Serif Tibetan"}},
        {"Ethiopic", {L"Nyala", L"Ebrima", L"Noto Sans Ethiopic"}},
        {"Georgian", {L"Sylfaen", L"Noto Sans Georgian"}},
        {"Armenian", {L"Sylfaen", L"Noto Sans Armenian"}},
        {"Cherokee", {L"Plantagenet Cherokee", L"Gadugi", L"Noto Sans Cherokee"}},
        {"Mongolian", {L"Mongolian Baiti", L"Noto Sans Mongolian"}},
        {"Yi", {L"Microsoft Yi Baiti", L"Noto Sans Yi"}},
        {"Han", {L"MS Gothic", L"NSimSun", L"MingLiU", L"SimSun", L"WenQuanYi Micro Hei Mono"}},
        {"Hiragana", {L"MS Gothic", L"WenQuanYi Micro Hei Mono"}},
        {"Katakana", {L"MS Gothic", L"WenQuanYi Micro Hei Mono"}},
        {"Hangul", {L"GulimChe", L"Gulim", L"Malgun Gothic", L"WenQuanYi Micro Hei Mono"}},
        {"Emoji", {L"Segoe UI Emoji", L"Segoe UI Symbol", L"Symbola", L"Noto Sans Symbols2", L"DejaVu Sans"}},
    };
    static const std::vector<std::wstring> none;
    auto found = table.find(script);
    return found == table.end() ? none : found->second;
}

std::string FontScriptOf(char32_t codePoint)
{
    if (Document::BreakPropertiesOf(codePoint).pictographic()) {
        return "Emoji";
    }
    return Document::ScriptName(codePoint);
}

} // namespace Converter
