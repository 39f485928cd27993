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
#include "PngImage.h"
#include "TiffImage.h"
#include "TextDecoding.h"
#include "TextDocument.h"
#include "TextPdf.h"
#include "UserPaper.h"

#include <windows.h>

namespace Converter {
namespace {

std::u32string CodePoints(const std::wstring& wide)
{
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

RenderedDocument RenderText(const Job& job)
{
    std::vector<Document::Page> pages = Document::LayOutPages(DecodeDocument(job.document));
    DocumentFonts fonts;
    Document::TextPdf pdf = Document::WriteTextPdf(pages, UserPaperSize(), Document::PageGeometry(), fonts.Main(), fonts.Fallback(), JobInfo(job));
    return {std::move(pdf.bytes), pdf.replacedCharacters, L"text, " + std::to_wstring(pages.size()) + L" pages"};
}

RenderedDocument RenderImages(const Job& job, const std::vector<Document::ImageData>& pages, const std::wstring& kind)
{
    const Document::ImageData& first = pages.front();
    std::wstring summary = kind + L", " + std::to_wstring(first.width) + L" x " + std::to_wstring(first.height) + L" pixels";
    if (pages.size() > 1) {
        summary += L", " + std::to_wstring(pages.size()) + L" pages";
    }
    return {Document::WriteImagePdf(pages, Document::PaperOf(UserPaperSize()), JobInfo(job)), 0, summary};
}

} // namespace

Document::DocumentInfo JobInfo(const Job& job)
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    std::wstring name = job.documentName.substr(job.documentName.find_last_of(L"\\/:") + 1);
    return {CodePoints(name), Document::PdfDate(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond)};
}

RenderedDocument RenderDocument(const Job& job)
{
    if (job.document.size() > Document::Limits::kMaxDocumentBytes) {
        throw Document::DocumentError(L"The document is larger than " + std::to_wstring(Document::Limits::kMaxDocumentBytes >> 20) +
                            L" MB.");
    }
    Document::DocumentSniff sniff = Document::SniffDocumentKind(job.document);
    switch (sniff.kind) {
    case Document::DocumentKind::Text:
    case Document::DocumentKind::Utf16Text:
        return RenderText(job);
    case Document::DocumentKind::Jpeg:
        return RenderImages(job, {Document::ReadJpegImage(job.document)}, L"JPEG image");
    case Document::DocumentKind::Png:
        return RenderImages(job, {Document::ReadPngImage(job.document)}, L"PNG image");
    case Document::DocumentKind::Tiff:
        return RenderImages(job, Document::ReadTiffImages(job.document), L"TIFF image");
    case Document::DocumentKind::Gif:
        return RenderImages(job, {Document::ReadGifImage(job.document)}, L"GIF image");
    case Document::DocumentKind::Bmp:
        return RenderImages(job, {Document::ReadBmpImage(job.document)}, L"BMP image");
    case Document::DocumentKind::Pdf:
        return {job.document, 0, L"PDF, passed on as it is"};
    case Document::DocumentKind::Refused:
        break;
    }
    throw Document::DocumentError(sniff.reason);
}

} // namespace Converter
