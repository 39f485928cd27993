#include "Rendering.h"

#include "BmpImage.h"
#include "FileReader.h"
#include "DocumentError.h"
#include "DocumentFonts.h"
#include "DocumentKind.h"
#include "ConverterExitCodes.h"
#include "GifImage.h"
#include "Limits.h"
#include "ImagePdf.h"
#include "JpegImage.h"
#include "NetpbmImage.h"
#include "PageLayout.h"
#include "PdfCheck.h"
#include "PngImage.h"
#include "ScriptFonts.h"
#include "TiffImage.h"
#include "TextDecoding.h"
#include "TextDocument.h"
#include "TextPdf.h"
#include "XbmImage.h"

#include <algorithm>
#include <map>
#include <optional>

namespace Converter {
namespace {

std::u32string CodePoints(const std::wstring& wide)
{
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

// The characters that neither the main font nor an installed one draws,
// counted by script, so that the log says which fonts are missing.
class ReplacedCounter {
public:
    explicit ReplacedCounter(DocumentFonts& fonts) : fonts_(fonts), fallback_(fonts.Fallback()) {}

    void Count(const Document::Page& page)
    {
        for (const std::u32string& line : page) {
            for (char32_t character : line) {
                if (character < 0x20 || (character >= 0x7F && character < 0xA0)) {
                    ++counts_["control"];
                    continue;
                }
                if (fonts_.Main().Glyph(character) != 0) {
                    continue;
                }
                auto known = drawn_.find(character);
                if (known == drawn_.end()) {
                    known = drawn_.emplace(character, fallback_(character) != nullptr).first;
                }
                if (!known->second) {
                    ++counts_[FontScriptOf(character)];
                }
            }
        }
    }

    // "Khmer 12, control 1"
    std::wstring Text() const
    {
        std::wstring text;
        for (const auto& [script, count] : counts_) {
            text += (text.empty() ? L"" : L", ") + std::wstring(script.begin(), script.end()) + L" " +
                    std::to_wstring(count);
        }
        return text;
    }

private:
    DocumentFonts& fonts_;
    Document::FallbackFontFinder fallback_;
    std::map<char32_t, bool> drawn_; // for the characters the main font lacks
    std::map<std::string, size_t> counts_;
};

// The pieces a text job is read in: a hundred pages' worth, small beside
// the memory a conversion may take (decoded, a piece takes four times its
// size).
constexpr size_t PieceBytes = 256u << 10;

RenderedDocument RenderImages(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                              const std::vector<Document::ImageData>& pages, const std::wstring& kind)
{
    const Document::ImageData& first = pages.front();
    std::wstring summary = kind + L", " + std::to_wstring(first.width) + L" x " + std::to_wstring(first.height) + L" pixels";
    if (pages.size() > 1) {
        summary += L", " + std::to_wstring(pages.size()) + L" pages";
    }
    return {Document::WriteImagePdf(pages, Document::PaperOf(paper), JobInfo(job.documentName, now)), 0, {}, summary};
}

// A text given a piece at a time (an empty piece at its end), its PDF
// going to the sink as it is written.
RenderedDocument RenderText(const std::function<std::string_view()>& nextPiece, const JobKind& kind,
                            const std::wstring& documentName, Document::PaperSize paper, const SYSTEMTIME& now,
                            DocumentFonts& fonts, const std::function<void(std::string_view)>& sink,
                            const Progress& progress)
{
    // One shaper for both: the layouter measures each line with it, and the
    // writer draws the runs it shaped then.
    Document::FontList fontList(fonts.Main(), fonts.Fallback());
    Document::LineShaper shaper(fontList, Document::PageGeometry().columns);
    Document::TextPdfWriter writer(paper, Document::PageGeometry(), shaper, JobInfo(documentName, now), sink);
    ReplacedCounter counter(fonts);
    Document::PageLayouter layouter(Document::PageGeometry(), [&](Document::Page&& page) {
        size_t replaced = writer.ReplacedCharacters();
        writer.AddPage(page);
        if (writer.ReplacedCharacters() != replaced) {
            counter.Count(page);
        }
        if (progress) {
            progress(writer.Pages());
        }
    }, [&](std::u32string_view line) { return shaper.Fits(line); });
    Document::TextDecoder decoder(kind.encoding, DecoderFor(kind));
    for (std::string_view piece = nextPiece(); !piece.empty(); piece = nextPiece()) {
        layouter.Add(decoder.Decode(piece));
    }
    layouter.Add(decoder.Finish());
    layouter.Finish();
    size_t pages = writer.Pages();
    size_t replaced = writer.ReplacedCharacters();
    sink(writer.Finish());
    return {std::string(), replaced, replaced == 0 ? std::wstring() : counter.Text(),
            L"text in " + EncodingName(kind) + L", " + std::to_wstring(std::max<size_t>(pages, 1)) + L" pages"};
}

// A PDF is passed on only once it reads as a viewer reads it; the log says
// what was repaired.
RenderedDocument PassOnPdf(const Job& job)
{
    RefuseStandardNotMet(L"A PDF");
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
    size_t findings = checked.damage.size() + checked.unlistedDamage;
    if (findings > kNamed) {
        found += L"; " + std::to_wstring(findings - kNamed) + L" more";
    }
    return {std::move(checked.bytes), 0, {}, summary + L", damaged and repaired (" + found + L")"};
}

} // namespace

Document::DocumentInfo JobInfo(const std::wstring& documentName, const SYSTEMTIME& now)
{
    std::wstring name = documentName.substr(documentName.find_last_of(L"\\/:") + 1);
    return {CodePoints(name), Document::PdfDate(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond),
            RequestedStandard()};
}

Document::PdfStandard RequestedStandard()
{
    wchar_t value[64] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"ARDENFOLD_PDF_STANDARD", value, 64);
    if (length == 0) {
        return Document::PdfStandard::PdfA2u;
    }
    const std::wstring asked = length < 64 ? std::wstring(value, length) : std::wstring(L"(a longer value)");
    const std::optional<Document::PdfStandard> standard = Document::PdfStandardNamed(asked);
    if (!standard) {
        throw Failure(ExitCode::BadArguments, L"ARDENFOLD_PDF_STANDARD=" + asked + L" names no standard; it is one of " +
                                                  Document::PdfStandardNames);
    }
    if (*standard == Document::PdfStandard::PdfA1b) {
        throw Failure(ExitCode::BadArguments,
                      L"ARDENFOLD_PDF_STANDARD=PDF/A-1b cannot be met: this converter writes PDF/A-2b, PDF/A-2u and PDF");
    }
    return *standard;
}

void RefuseStandardNotMet(const std::wstring& what)
{
    if (::GetEnvironmentVariableW(L"ARDENFOLD_PDF_STANDARD", nullptr, 0) == 0) {
        return;
    }
    const Document::PdfStandard standard = RequestedStandard();
    if (standard == Document::PdfStandard::Pdf) {
        return;
    }
    const wchar_t* name = standard == Document::PdfStandard::PdfA2b ? L"PDF/A-2b" : L"PDF/A-2u";
    throw Failure(ExitCode::DocumentRefused, what + L" is passed on as it comes and is not made " + name +
                                                 L", which ARDENFOLD_PDF_STANDARD asks for. Nothing was written.");
}

RenderedDocument RenderTextJob(const StoredJob& job, Document::PaperSize paper,
                               const SYSTEMTIME& now, DocumentFonts& fonts,
                               const std::function<void(std::string_view)>& sink, const Progress& progress)
{
    Global::FileReader file(job.path);
    file.Seek(job.offset);
    unsigned long long left = job.size;
    auto nextPiece = [&]() -> std::string_view {
        // The job is a copy no one else writes: it neither grows nor shrinks.
        std::string_view piece = left == 0 ? std::string_view()
                                           : file.Read(static_cast<size_t>(std::min<unsigned long long>(left, PieceBytes)));
        left -= piece.size();
        return piece;
    };
    return RenderText(nextPiece, job.kind, job.documentName, paper, now, fonts, sink, progress);
}

RenderedDocument RenderDocument(const Job& job, Document::PaperSize paper, const SYSTEMTIME& now,
                                DocumentFonts& fonts)
{
    switch (job.kind.kind) {
    case Document::DocumentKind::Text:
    case Document::DocumentKind::Utf16Text: {
        std::string pdf;
        bool given = false;
        RenderedDocument rendered = RenderText(
            [&] {
                std::string_view piece = given ? std::string_view() : std::string_view(job.document);
                given = true;
                return piece;
            },
            job.kind, job.documentName, paper, now, fonts, [&](std::string_view bytes) { pdf += bytes; }, {});
        rendered.pdf = std::move(pdf);
        return rendered;
    }
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
    case Document::DocumentKind::Netpbm:
        return RenderImages(job, paper, now, {Document::ReadNetpbmImage(job.document)}, L"netpbm image");
    case Document::DocumentKind::Xbm:
        return RenderImages(job, paper, now, {Document::ReadXbmImage(job.document)}, L"XBM image");
    case Document::DocumentKind::Pdf:
        return PassOnPdf(job);
    case Document::DocumentKind::PostScript: // Ghostscript's, from the job's file
    case Document::DocumentKind::Refused:
        break;
    }
    throw Document::DocumentError(L"The print job holds no document of a kind the converter takes.");
}

} // namespace Converter
