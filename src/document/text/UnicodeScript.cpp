#include "UnicodeScript.h"

#include "UnicodeScriptData.h"

#include <hb.h>

#include <algorithm>
#include <cstring>

namespace Document {

const char* ScriptName(char32_t codePoint)
{
    // HarfBuzz is built without GLib or ICU: the default functions are its
    // own Unicode data, so a fallback font is picked by the script the
    // shaper sees.
    static hb_unicode_funcs_t* const unicode = hb_unicode_funcs_get_default();
    char code[4];
    hb_tag_to_string(hb_script_to_iso15924_tag(hb_unicode_script(unicode, codePoint)), code);
    const ScriptAlias* end = ScriptAliases + ScriptAliasCount;
    const ScriptAlias* found = std::lower_bound(ScriptAliases, end, code, [](const ScriptAlias& alias, const char* wanted) {
        return std::memcmp(alias.code, wanted, 4) < 0;
    });
    if (found == end || std::memcmp(found->code, code, 4) != 0) {
        return "Unknown";
    }
    return found->name;
}

} // namespace Document
