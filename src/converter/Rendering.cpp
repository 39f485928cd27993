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
#include "TiffImage.h"
#include "TextDecoding.h"
#include "TextDocument.h"
#include "TextPdf.h"

namespace Converter {
namespace {

std::u32string CodePoints(const std::wstring& wide)
{
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

RenderedDocument RenderText(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now, DocumentFonts& fonts)
{
    std::vector<Document::Page> pages = Document::LayOutPages(DecodeDocument(job.document));
    Document::TextPdf pdf = Document::WriteTextPdf(pages, paper, Document::PageGeometry(), fonts.Main(), fonts.Fallback(), JobInfo(job, now));
    return {std::move(pdf.bytes), pdf.replacedCharacters, L"text, " + std::to_wstring(pages.size()) + L" pages"};
}

RenderedDocument RenderImages(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                              const std::vector<Document::ImageData>& pages, const std::wstring& kind)
{
    const Document::ImageData& first = pages.front();
    std::wstring summary = kind + L", " + std::to_wstring(first.width) + L" x " + std::to_wstring(first.height) + L" pixels";
    if (pages.size() > 1) {
        summary += L", " + std::to_wstring(pages.size()) + L" pages";
    }
    return {Document::WriteImagePdf(pages, Document::PaperOf(paper), JobInfo(job, now)), 0, summary};
}

// A PDF is passed on only once it reads as a viewer reads it; the log says
// what was repaired.
RenderedDocument PassOnPdf(const Job& job)
{
    CheckedPdf checked = CheckPdf(job.document);
    if (checked.locked) {
        return {std::move(checked.bytes), 0, L"PDF, locked by a password (its pages cannot be read), passed on as it is"};
    }
    std::wstring summary = L"PDF, " + std::to_wstring(checked.pages) + L" pages" + (checked.encrypted ? L", encrypted" : L"");
    if (checked.damage.empty()) {
        return {std::move(checked.bytes), 0, summary + L", passed on as it is"};
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
    return {std::move(checked.bytes), 0, summary + L", damaged and repaired (" + found + L")"};
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
