#pragma once
// The script a character belongs to, by Unicode's Script property: "Latin",
// "Thai", "Devanagari"; "Common" for punctuation, digits and symbols that
// many scripts share, "Inherited" for marks that take their base's script,
// "Unknown" for unassigned code points. UnicodeScriptData.cpp is written by
// scripts/unicode-break-data.

namespace Document {

const char* ScriptName(char32_t codePoint);

} // namespace Document
