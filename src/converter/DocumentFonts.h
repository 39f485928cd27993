#pragma once
// The fonts that text is drawn with: DejaVu Sans Mono, which travels inside
// PDFCreator.exe as a resource, and for a character it lacks, an installed
// font that has it (read through the Windows font API), each read once.
#include "TextPdf.h"

#include <map>
#include <memory>

namespace Converter {

class SystemFonts;
class TrueTypeFont;

class DocumentFonts {
public:
    // Reads the embedded font. Throws Global::Error when it cannot be had.
    DocumentFonts();
    ~DocumentFonts();
    DocumentFonts(const DocumentFonts&) = delete;
    DocumentFonts& operator=(const DocumentFonts&) = delete;

    const TextFont& Main() const;
    // A finder for the writer; it returns fonts that this object keeps.
    FallbackFontFinder Fallback();

private:
    const TextFont* InstalledFontFor(char32_t codePoint);

    std::unique_ptr<TrueTypeFont> mainFont_;
    std::unique_ptr<TextFont> main_;
    // Listed only when a document has a character the embedded font lacks.
    std::unique_ptr<SystemFonts> systemFonts_;
    bool systemFontsFailed_ = false;
    std::map<const TrueTypeFont*, std::unique_ptr<TextFont>> installed_;
};

} // namespace Converter
