#pragma once
// How many columns of a monospaced grid a character takes, as terminals and
// text editors count them: two for the wide characters of East Asian
// scripts, none for combining marks and other zero-width characters (they
// sit on the character before them), one for the rest.
namespace Document {

int CharacterWidth(char32_t codePoint);

} // namespace Document
