#pragma once
// Each script's four-letter ISO 15924 code ("Deva") with its name as
// Unicode's Script property gives it ("Devanagari"), ordered by code.
// UnicodeScriptData.cpp is written by scripts/unicode-break-data.
#include <cstddef>

namespace Document {

struct ScriptAlias {
    char code[5];
    const char* name;
};

extern const ScriptAlias ScriptAliases[];
extern const size_t ScriptAliasCount;

} // namespace Document
