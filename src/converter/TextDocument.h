#pragma once
// A plain-text document's bytes as characters. The order of the guesses is
// DocumentCore's (TextDecoding); the ANSI code page, the last guess, is the
// system's, so it is asked here.
#include "TextDecoding.h"

#include <string>

namespace Converter {

// The document's characters as code points, a byte-order mark removed.
std::u32string DecodeDocument(const std::string& bytes);

// Bytes in the system's ANSI code page as code points.
std::u32string DecodeAnsi(const std::string& bytes);

// The encoding a document is read in, for the log: "UTF-8", "UTF-16LE
// with a byte-order mark", "ANSI code page 1252".
std::wstring EncodingName(Document::TextEncoding encoding);

} // namespace Converter
