#include "Rendering.h"

#include "DocumentError.h"
#include "DocumentFonts.h"
#include "DocumentKind.h"
#include "Limits.h"
#include "ImagePage.h"
#include "ImagePdf.h"
#include "JpegImage.h"
#include "PageLayout.h"
#include "PngImage.h"
#include "TextDecoding.h"
#include "TextDocument.h"
#include "TextPdf.h"
#include "UserPaper.h"

#include <windows.h>

namespace Converter {
namespace {

std::u32string CodePoints(const std::wstring& wide)
{
    return JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

RenderedDocument RenderText(const Job& job)
{
    std::vector<Page> pages = LayOutPages(DecodeDocument(job.document));
    DocumentFonts fonts;
    TextPdf pdf = WriteTextPdf(pages, UserPaperSize(), PageGeometry(), fonts.Main(), fonts.Fallback(), JobInfo(job));
    return {std::move(pdf.bytes), pdf.replacedCharacters, L"text, " + std::to_wstring(pages.size()) + L" pages"};
}

// Half an inch, as around text.
constexpr double ImageMargin = 36;

RenderedDocument RenderImage(const Job& job, const PdfImage& image, const std::wstring& kind)
{
    Paper paper = PaperOf(UserPaperSize());
    ImagePlacement placement = PlaceImageOnPage(paper.width, paper.height, ImageMargin, image.width, image.height,
                                                image.dpiX, image.dpiY);
    return {WriteImagePdf(image, placement, JobInfo(job)), 0,
            kind + L", " + std::to_wstring(image.width) + L" x " + std::to_wstring(image.height) + L" pixels"};
}

} // namespace

DocumentInfo JobInfo(const Job& job)
{
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    std::wstring name = job.documentName.substr(job.documentName.find_last_of(L"\\/:") + 1);
    return {CodePoints(name), PdfDate(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond)};
}

RenderedDocument RenderDocument(const Job& job)
{
    if (job.document.size() > Limits::kMaxDocumentBytes) {
        throw DocumentError(L"The document is larger than " + std::to_wstring(Limits::kMaxDocumentBytes >> 20) +
                            L" MB.");
    }
    DocumentSniff sniff = SniffDocumentKind(job.document);
    switch (sniff.kind) {
    case DocumentKind::Text:
    case DocumentKind::Utf16Text:
        return RenderText(job);
    case DocumentKind::Jpeg:
        return RenderImage(job, ReadJpegImage(job.document), L"JPEG image");
    case DocumentKind::Png:
        return RenderImage(job, ReadPngImage(job.document), L"PNG image");
    case DocumentKind::Pdf:
        return {job.document, 0, L"PDF, passed on as it is"};
    case DocumentKind::Refused:
        break;
    }
    throw DocumentError(sniff.reason);
}

} // namespace Converter
