#include "Rendering.h"

#include "BmpImage.h"
#include "DocumentError.h"
#include "DocumentFonts.h"
#include "DocumentKind.h"
#include "GifImage.h"
#include "Limits.h"
#include "ImagePdf.h"
#include "JpegImage.h"
#include "PageLayout.h"
#include "PdfCheck.h"
#include "PngImage.h"
#include "ScriptFonts.h"
#include "TiffImage.h"
#include "TextDecoding.h"
#include "TextDocument.h"
#include "TextPdf.h"

#include <map>

namespace Converter {
namespace {

std::u32string CodePoints(const std::wstring& wide)
{
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

// The characters of the pages that neither the main font nor an installed
// one draws, counted by script, so that the log says which fonts are missing.
std::wstring ReplacedByScript(const std::vector<Document::Page>& pages, DocumentFonts& fonts)
{
    Document::FallbackFontFinder fallback = fonts.Fallback();
    std::map<char32_t, bool> drawn; // for the characters the main font lacks
    std::map<std::string, size_t> counts;
    for (const Document::Page& page : pages) {
        for (const std::u32string& line : page) {
            for (char32_t character : line) {
                if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
                    ++counts["control"];
                    continue;
                }
                if (fonts.Main().Glyph(character) != 0) {
                    continue;
                }
                auto known = drawn.find(character);
                if (known == drawn.end()) {
                    known = drawn.emplace(character, fallback(character) != nullptr).first;
                }
                if (!known->second) {
                    ++counts[FontScriptOf(character)];
                }
            }
        }
    }
    std::wstring text;
    for (const auto& [script, count] : counts) {
        text += (text.empty() ? L"" : L", ") + std::wstring(script.begin(), script.end()) + L" " + std::to_wstring(count);
    }
    return text;
}

RenderedDocument RenderText(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now, DocumentFonts& fonts)
{
    std::vector<Document::Page> pages = Document::LayOutPages(DecodeDocument(job.document));
    Document::TextPdf pdf = Document::WriteTextPdf(pages, paper, Document::PageGeometry(), fonts.Main(), fonts.Fallback(), JobInfo(job, now));
    std::wstring byScript = pdf.replacedCharacters == 0 ? std::wstring() : ReplacedByScript(pages, fonts);
    return {std::move(pdf.bytes), pdf.replacedCharacters, byScript,
            L"text in " + EncodingName(job.document) + L", " + std::to_wstring(pages.size()) + L" pages"};
}

RenderedDocument RenderImages(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                              const std::vector<Document::ImageData>& pages, const std::wstring& kind)
{
    const Document::ImageData& first = pages.front();
    std::wstring summary = kind + L", " + std::to_wstring(first.width) + L" x " + std::to_wstring(first.height) + L" pixels";
    if (pages.size() > 1) {
        summary += L", " + std::to_wstring(pages.size()) + L" pages";
    }
    return {Document::WriteImagePdf(pages, Document::PaperOf(paper), JobInfo(job, now)), 0, {}, summary};
}

// A PDF is passed on only once it reads as a viewer reads it; the log says
// what was repaired.
RenderedDocument PassOnPdf(const Job& job)
{
    CheckedPdf checked = CheckPdf(job.document);
    if (checked.locked) {
        return {std::move(checked.bytes), 0, {}, L"PDF, locked by a password (its pages cannot be read), passed on as it is"};
    }
    std::wstring summary = L"PDF, " + std::to_wstring(checked.pages) + L" pages" + (checked.encrypted ? L", encrypted" : L"");
    if (checked.damage.empty()) {
        return {std::move(checked.bytes), 0, {}, summary + L", passed on as it is"};
    }
    // The first few of qpdf's findings say what kind of damage it was.
    constexpr size_t kNamed = 3;
    std::wstring found;
    for (size_t i = 0; i < checked.damage.size() && i < kNamed; ++i) {
        found += (i > 0 ? L"; " : L"") + checked.damage[i];
    }
    if (checked.damage.size() > kNamed) {
        found += L"; " + std::to_wstring(checked.damage.size() - kNamed) + L" more";
    }
    return {std::move(checked.bytes), 0, {}, summary + L", damaged and repaired (" + found + L")"};
}

} // namespace

Document::DocumentInfo JobInfo(const Job& job, const SYSTEMTIME& now)
{
    std::wstring name = job.documentName.substr(job.documentName.find_last_of(L"\\/:") + 1);
    return {CodePoints(name), Document::PdfDate(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond)};
}

RenderedDocument RenderDocument(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                                DocumentFonts& fonts)
{
    if (job.document.size() > Document::Limits::kMaxDocumentBytes) {
        throw Document::DocumentError(L"The document is larger than " + std::to_wstring(Document::Limits::kMaxDocumentBytes >> 20) +
                            L" MB.");
    }
    Document::DocumentSniff sniff = Document::SniffDocumentKind(job.document);
    switch (sniff.kind) {
    case Document::DocumentKind::Text:
    case Document::DocumentKind::Utf16Text:
        return RenderText(job, paper, now, fonts);
    case Document::DocumentKind::Jpeg:
        return RenderImages(job, paper, now, {Document::ReadJpegImage(job.document)}, L"JPEG image");
    case Document::DocumentKind::Png:
        return RenderImages(job, paper, now, {Document::ReadPngImage(job.document)}, L"PNG image");
    case Document::DocumentKind::Tiff:
        return RenderImages(job, paper, now, Document::ReadTiffImages(job.document), L"TIFF image");
    case Document::DocumentKind::Gif:
        return RenderImages(job, paper, now, {Document::ReadGifImage(job.document)}, L"GIF image");
    case Document::DocumentKind::Bmp:
        return RenderImages(job, paper, now, {Document::ReadBmpImage(job.document)}, L"BMP image");
    case Document::DocumentKind::Pdf:
        return PassOnPdf(job);
    case Document::DocumentKind::Refused:
        break;
    }
    throw Document::DocumentError(sniff.reason);
}

} // namespace Converter
