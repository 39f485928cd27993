#include "Rendering.h"

#include "DocumentError.h"
#include "DocumentFonts.h"
#include "DocumentLimits.h"
#include "PageLayout.h"
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
    return RenderText(job);
}

} // namespace Converter
