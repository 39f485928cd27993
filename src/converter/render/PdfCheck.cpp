#include "PdfCheck.h"

#include "AnsiText.h"
#include "Deadline.h"
#include "DocumentError.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <new>
#include <set>
#include <stdexcept>

namespace Converter {
namespace {

using Document::DocumentError;

// The damage qpdf met, and worked round, while reading: the first findings
// in its words, the rest counted.
struct Findings {
    std::vector<std::wstring> kept;
    size_t unlisted = 0;
    bool opened = false; // qpdf said "file is damaged"

    bool Empty() const { return kept.empty() && unlisted == 0 && !opened; }
};

// Moves qpdf's findings so far into ours. qpdf keeps every warning until it
// is asked for them, so it is asked after each step that can find some.
void TakeWarnings(QPDF& pdf, Findings& findings, size_t keep)
{
    keep = std::max<size_t>(keep, 1); // the first finding names the damage
    for (const QPDFExc& warning : pdf.getWarnings()) {
        std::wstring text = Global::FromAnsi(warning.getMessageDetail());
        // qpdf opens its findings with "file is damaged", which says nothing
        // that they do not; it is kept only when nothing follows it.
        if (text == L"file is damaged" && findings.kept.empty() && findings.unlisted == 0 && !findings.opened) {
            findings.opened = true;
        } else if (findings.kept.size() < keep) {
            findings.kept.push_back(std::move(text));
        } else {
            ++findings.unlisted;
        }
    }
}

void CloseFindings(Findings& findings)
{
    if (findings.opened && findings.kept.empty() && findings.unlisted == 0) {
        findings.kept.push_back(L"file is damaged");
    }
}

// What one reading of a PDF found.
struct Reading {
    size_t pages = 0;
    bool encrypted = false;
    Findings findings;
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

// Opens the document (bytes must outlive pdf) and walks its pages. qpdf
// reads objects when they are asked for, so damage shows only where the walk
// goes: each page object, and each content stream's data, where an object at
// a wrong offset or a stream of a wrong length is found. A stream that
// several pages share is read once.
Reading ReadPdf(QPDF& pdf, const std::string& bytes, const PdfCheckLimits& limits)
{
    Global::Deadline deadline(limits.milliseconds);
    auto checkTime = [&] {
        if (deadline.HasPassed()) {
            throw DocumentError(L"The PDF's pages could not be read within " +
                                std::to_wstring(limits.milliseconds / 1000) + L" seconds.");
        }
    };
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("document", bytes.data(), bytes.size());
    Reading reading;
    reading.encrypted = pdf.isEncrypted();
    TakeWarnings(pdf, reading.findings, limits.keptFindings);
    std::set<QPDFObjGen> read;
    size_t bytesRead = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
        checkTime();
        for (QPDFObjectHandle& content : page.getPageContents()) {
            if (!read.insert(content.getObjGen()).second) {
                continue;
            }
            bytesRead += content.getRawStreamData()->getSize();
            if (bytesRead > limits.contentBytes) {
                throw DocumentError(L"The PDF's page contents are larger than the file could hold: its objects "
                                    L"overlap, as only a damaged or crafted file's do.");
            }
            TakeWarnings(pdf, reading.findings, limits.keptFindings);
            checkTime();
        }
        ++reading.pages;
    }
    TakeWarnings(pdf, reading.findings, limits.keptFindings);
    CloseFindings(reading.findings);
    return reading;
}

bool IsSignature(QPDFObjectHandle object)
{
    if (!object.isDictionary()) {
        return false;
    }
    QPDFObjectHandle type = object.getKey("/Type");
    if (type.isNameAndEquals("/Sig") || type.isNameAndEquals("/DocTimeStamp")) {
        return true;
    }
    // /Type is optional in a signature; what it signs is not.
    if (object.getKey("/ByteRange").isArray() && object.hasKey("/Contents")) {
        return true;
    }
    // A signature field that holds its signature.
    return object.getKey("/FT").isNameAndEquals("/Sig") && object.getKey("/V").isDictionary();
}

// A signature covers the file's bytes as they are (its /ByteRange, and the
// incremental updates after it); the file written again keeps the
// signature's dictionary but not those bytes, so the signature would no
// longer match. Every object is looked at, since damage may have cut the
// form that names the signature from the catalog.
bool IsSigned(QPDF& pdf)
{
    for (QPDFObjectHandle& object : pdf.getAllObjects()) {
        if (IsSignature(object)) {
            return true;
        }
    }
    return false;
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

Examined Examine(const std::string& document, const PdfCheckLimits& limits)
{
    Examined examined;
    QPDF pdf;
    try {
        examined.reading = ReadPdf(pdf, document, limits);
    } catch (const QPDFExc& error) {
        if (error.getErrorCode() != qpdf_e_password) {
            throw;
        }
        Findings damage;
        TakeWarnings(pdf, damage, 1);
        CloseFindings(damage);
        if (!damage.Empty()) {
            throw DocumentError(L"The PDF is damaged (" + damage.kept.front() +
                                L") and locked by a password, so it can be neither checked nor repaired.");
        }
        examined.locked = true;
        return examined;
    }
    const Findings& found = examined.reading.findings;
    if (examined.reading.pages > 0 && !found.Empty()) {
        if (IsSigned(pdf)) {
            throw DocumentError(L"The PDF is damaged (" + found.kept.front() +
                                L") and signed: repaired, it would no longer match its signature.");
        }
        examined.repaired = Repair(pdf);
    }
    return examined;
}

CheckedPdf Check(std::string document, const PdfCheckLimits& limits)
{
    Examined examined = Examine(document, limits);
    CheckedPdf checked;
    if (examined.locked) {
        checked.bytes = std::move(document);
        checked.encrypted = checked.locked = true;
        return checked;
    }
    Reading& reading = examined.reading;
    if (reading.pages == 0) {
        throw DocumentError(L"The PDF has no page that can be read" +
                            (reading.findings.kept.empty() ? std::wstring() : L" (" + reading.findings.kept.front() + L")") +
                            L".");
    }
    checked.pages = reading.pages;
    checked.encrypted = reading.encrypted;
    if (reading.findings.Empty()) {
        checked.bytes = std::move(document);
        return checked;
    }
    checked.damage = std::move(reading.findings.kept);
    checked.unlistedDamage = reading.findings.unlisted;
    checked.bytes = std::move(examined.repaired);

    // The repaired file must read as an intact one, with every page found.
    Reading again = Examine(checked.bytes, limits).reading;
    if (!again.findings.Empty() || again.pages != checked.pages) {
        throw DocumentError(L"The PDF is damaged (" + checked.damage.front() + L") and could not be repaired" +
                            (again.findings.kept.empty() ? std::wstring() : L": " + again.findings.kept.front()) + L".");
    }
    return checked;
}

} // namespace

CheckedPdf CheckPdf(std::string document, const PdfCheckLimits& limits)
{
    try {
        return Check(std::move(document), limits);
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
