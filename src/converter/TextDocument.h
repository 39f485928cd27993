#pragma once
// A plain-text document's bytes, decoded. A document carries no note of its
// encoding, so it is taken as UTF-8 when it has the byte-order mark or
// decodes as UTF-8 without a fault, and as the ANSI code page otherwise.
#include <string>

namespace Converter {

// True when the bytes are well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& bytes);

// The document's characters as code points, the byte-order mark removed.
std::u32string DecodeDocument(const std::string& bytes);

} // namespace Converter
