#include "PdfCheck.h"

#include "AnsiText.h"
#include "DocumentError.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <new>
#include <stdexcept>

namespace Converter {
namespace {

using Document::DocumentError;

// What one reading of a PDF found.
struct Reading {
    size_t pages = 0;
    bool encrypted = false;
    std::vector<std::wstring> warnings; // the damage qpdf met, and worked round, while reading
};

std::wstring Message(const std::exception& error)
{
    // qpdf's messages are plain ASCII; its exceptions add the file's name
    // and an offset, which mean nothing to the user.
    if (const auto* qpdfError = dynamic_cast<const QPDFExc*>(&error)) {
        return Global::FromAnsi(qpdfError->getMessageDetail());
    }
    return Global::FromAnsi(error.what());
}

std::vector<std::wstring> Warnings(QPDF& pdf)
{
    std::vector<std::wstring> warnings;
    for (const QPDFExc& warning : pdf.getWarnings()) {
        warnings.push_back(Global::FromAnsi(warning.getMessageDetail()));
    }
    // qpdf opens its findings with "file is damaged", which says nothing
    // that they do not; it stays only when nothing follows it.
    if (warnings.size() > 1 && warnings.front() == L"file is damaged") {
        warnings.erase(warnings.begin());
    }
    return warnings;
}

// Opens the document (bytes must outlive pdf) and walks its pages. qpdf
// reads objects when they are asked for, so damage shows only where the walk
// goes: each page object, and each content stream's data, where an object at
// a wrong offset or a stream of a wrong length is found.
Reading ReadPdf(QPDF& pdf, const std::string& bytes)
{
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("document", bytes.data(), bytes.size());
    Reading reading;
    reading.encrypted = pdf.isEncrypted();
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        for (QPDFObjectHandle& content : page.getPageContents()) {
            content.getRawStreamData();
        }
        ++reading.pages;
    }
    reading.warnings = Warnings(pdf);
    return reading;
}

std::string Repair(QPDF& pdf)
{
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    // Stream data is copied as it was read, neither decoded nor compressed
    // again; the encryption, if any, is kept.
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.write();
    std::shared_ptr<Buffer> written = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(written->getBuffer()), written->getSize());
}

// What qpdf found in a document, and the file written again when it found
// damage. The document must outlive the QPDF object that reads it, hence
// the split from Check.
struct Examined {
    bool locked = false;
    Reading reading;
    std::string repaired;
};

Examined Examine(const std::string& document)
{
    Examined examined;
    QPDF pdf;
    try {
        examined.reading = ReadPdf(pdf, document);
    } catch (const QPDFExc& error) {
        if (error.getErrorCode() != qpdf_e_password) {
            throw;
        }
        std::vector<std::wstring> damage = Warnings(pdf);
        if (!damage.empty()) {
            throw DocumentError(L"The PDF is damaged (" + damage.front() +
                                L") and locked by a password, so it can be neither checked nor repaired.");
        }
        examined.locked = true;
        return examined;
    }
    if (examined.reading.pages > 0 && !examined.reading.warnings.empty()) {
        examined.repaired = Repair(pdf);
    }
    return examined;
}

CheckedPdf Check(std::string document)
{
    Examined examined = Examine(document);
    CheckedPdf checked;
    if (examined.locked) {
        checked.bytes = std::move(document);
        checked.encrypted = checked.locked = true;
        return checked;
    }
    Reading& reading = examined.reading;
    if (reading.pages == 0) {
        throw DocumentError(L"The PDF has no page that can be read" +
                            (reading.warnings.empty() ? std::wstring() : L" (" + reading.warnings.front() + L")") + L".");
    }
    checked.pages = reading.pages;
    checked.encrypted = reading.encrypted;
    if (reading.warnings.empty()) {
        checked.bytes = std::move(document);
        return checked;
    }
    checked.damage = std::move(reading.warnings);
    checked.bytes = std::move(examined.repaired);

    // The repaired file must read as an intact one, with every page found.
    Reading again = Examine(checked.bytes).reading;
    if (!again.warnings.empty() || again.pages != checked.pages) {
        throw DocumentError(L"The PDF is damaged (" + checked.damage.front() + L") and could not be repaired" +
                            (again.warnings.empty() ? std::wstring() : L": " + again.warnings.front()) + L".");
    }
    return checked;
}

} // namespace

CheckedPdf CheckPdf(std::string document)
{
    try {
        return Check(std::move(document));
    } catch (const DocumentError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        // Whatever qpdf could not get past (no trailer to be found, a page
        // tree that cannot be walked) is damage to the document.
        throw DocumentError(L"The PDF is damaged and cannot be repaired: " + Message(error) + L".");
    }
}

} // namespace Converter
