#pragma once
// The fonts that text is drawn with: DejaVu Sans Mono, which travels inside
// PDFCreator.exe as a resource, and for a character it lacks, an installed
// font that has it (read through the Windows font API), each read once.
#include "TextFont.h"

#include <map>
#include <string>
#include <memory>

namespace Document {
class TrueTypeFont;
}

namespace Converter {

class SystemFonts;

class DocumentFonts {
public:
    // Reads the embedded font. Throws Global::Error when it cannot be had or
    // is damaged: the program's own fault, never a document's.
    DocumentFonts();
    // The same with the given font file as the main font.
    explicit DocumentFonts(const std::string& mainFontFile);
    ~DocumentFonts();
    DocumentFonts(const DocumentFonts&) = delete;
    DocumentFonts& operator=(const DocumentFonts&) = delete;

    const Document::TextFont& Main() const;
    // A finder for the writer; it returns fonts that this object keeps.
    Document::FallbackFontFinder Fallback();

private:
    const Document::TextFont* InstalledFontFor(char32_t codePoint);

    std::unique_ptr<Document::TrueTypeFont> mainFont_;
    std::unique_ptr<Document::TextFont> main_;
    // Listed only when a document has a character the embedded font lacks.
    std::unique_ptr<SystemFonts> systemFonts_;
    bool systemFontsFailed_ = false;
    std::map<const Document::TrueTypeFont*, std::unique_ptr<Document::TextFont>> installed_;
};

} // namespace Converter
