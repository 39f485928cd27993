#pragma once
// The script a character belongs to, by Unicode's Script property: "Latin",
// "Thai", "Devanagari"; "Common" for punctuation, digits and symbols that
// many scripts share, "Inherited" for marks that take their base's script,
// "Unknown" for unassigned code points. HarfBuzz's Unicode data answers;
// UnicodeScriptData.cpp names its answer.

namespace Document {

const char* ScriptName(char32_t codePoint);

} // namespace Document
