#pragma once
// A plain-text document's bytes as characters. The order of the guesses is
// DocumentCore's (TextDecoding, EncodingDetector); the ANSI code page, the
// last guess, is the system's, so it is asked here, and so is whether the
// user set the code page (ARDENFOLD_CODEPAGE, which picks Wine's ANSI code
// page and so decides for every text that is neither UTF-8 nor UTF-16).
#include "EncodingDetector.h"
#include "JobDocument.h"
#include "TextDecoding.h"

#include <string>

namespace Converter {

// The document's characters as code points, a byte-order mark removed.
std::u32string DecodeDocument(const std::string& bytes);

// Bytes in the system's ANSI code page as code points.
std::u32string DecodeAnsi(const std::string& bytes);

// Bytes in a code page as code points; 0 is the ANSI code page.
std::u32string DecodeCodePage(unsigned codePage, const std::string& bytes);

// How a text is read, from what the print run found in its bytes: as
// found, or in the ANSI code page whatever was found, for a text that is
// not UTF-8 throughout, when ARDENFOLD_CODEPAGE is set.
JobKind TextKind(Document::DocumentKind kind, const Document::DetectedEncoding& detected);

// The decoder of a text's code page (or of its strays).
Document::AnsiDecoder DecoderFor(const JobKind& kind);

// The encoding a text is read in and why, for the log: "UTF-8", "UTF-16LE
// with a byte-order mark", "Shift-JIS (code page 932), found in its bytes",
// "ANSI code page 1252, as no other encoding stood out".
std::wstring EncodingName(const JobKind& kind);

// True for the kinds that are read as text (8-bit or UTF-16).
bool IsTextKind(Document::DocumentKind kind);

// True for a text read in a legacy code page, all or part of it.
bool IsLegacyEncoding(Document::TextEncoding encoding);

} // namespace Converter
