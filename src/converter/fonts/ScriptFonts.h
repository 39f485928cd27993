#pragma once
// The installed fonts to look in for a script that DejaVu Sans Mono does not
// draw: first those that Windows ships for it (each since the Windows
// version that brought it), then those that this project's setup installs
// for Wine (Debian's fonts-noto-core, fonts-thai-tlwg, fonts-symbola,
// fonts-wqy-microhei). docs/converter.md gives the same table.
#include <string>
#include <vector>

namespace Converter {

// The script's name as Document::ScriptName gives it ("Thai"), or "Emoji" for
// a pictograph. Empty for a script with no fonts of its own.
const std::vector<std::wstring>& FontsForScript(const std::string& script);

// The script a character is looked up under: its Unicode script, or
// "Emoji" for the pictographs.
std::string FontScriptOf(char32_t codePoint);

} // namespace Converter
