#include "ArchivalParts.h"

#include "SrgbProfile.h"

#include <stdexcept>

namespace Document {
namespace {

// Text as UTF-8 for the XML, its markup characters escaped.
std::string XmlText(const std::u32string& text)
{
    std::string out;
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = 0xFFFD;
        }
        if (c == U'&') {
            out += "&amp;";
        } else if (c == U'<') {
            out += "&lt;";
        } else if (c == U'>') {
            out += "&gt;";
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// "D:YYYYMMDDHHmmSSZ" as XMP writes it: "YYYY-MM-DDTHH:mm:SSZ".
std::string XmpDate(const std::string& pdfDate)
{
    if (pdfDate.size() < 17 || pdfDate.compare(0, 2, "D:") != 0) {
        return std::string();
    }
    const std::string d = pdfDate.substr(2);
    return d.substr(0, 4) + '-' + d.substr(4, 2) + '-' + d.substr(6, 2) + 'T' + d.substr(8, 2) + ':' + d.substr(10, 2) +
           ':' + d.substr(12, 2) + 'Z';
}

} // namespace

std::string XmpMetadata(const DocumentInfo& info, Conformance conformance)
{
    std::string xmp = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                      "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\""
                      " pdf:Producer=\"";
    xmp += XmlText(ProducerName);
    xmp += "\"/>\n";
    if (const std::string date = XmpDate(info.creationDate); !date.empty()) {
        xmp += "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:CreateDate=\"" + date +
               "\" xmp:ModifyDate=\"" + date + "\" xmp:MetadataDate=\"" + date + "\"/>\n";
    }
    if (!info.title.empty()) {
        xmp += "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
               "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
               XmlText(info.title) + "</rdf:li></rdf:Alt></dc:title></rdf:Description>\n";
    }
    if (conformance != Conformance::None) {
        xmp += "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" pdfaid:part=\"2\""
               " pdfaid:conformance=\"";
        xmp += conformance == Conformance::Unicode ? "U" : "B";
        xmp += "\"/>\n";
    }
    xmp += "</rdf:RDF></x:xmpmeta>\n<?xpacket end=\"r\"?>";
    return xmp;
}

Conformance Claim(PdfStandard standard, Conformance allowed)
{
    switch (standard) {
    case PdfStandard::Pdf:
        return Conformance::None;
    case PdfStandard::PdfA2b:
        return allowed == Conformance::None ? Conformance::None : Conformance::Basic;
    case PdfStandard::PdfA2u:
        return allowed;
    case PdfStandard::PdfA1b:
        break;
    }
    throw std::invalid_argument("PDF/A-1b files are not written");
}

void WriteArchivalParts(PdfFile& file, const DocumentInfo& info, Conformance allowed, PdfDictionary& catalog)
{
    const Conformance conformance = Claim(info.standard, allowed);
    if (info.standard == PdfStandard::Pdf) {
        return;
    }
    PdfRef metadata = file.Reserve(), profile = file.Reserve();
    // Left uncompressed: a tool that knows nothing of PDF finds it in the bytes.
    file.WriteStream(metadata, PdfDictionary().Name(Pdf::Type, Pdf::Metadata).Name(Pdf::Subtype, Pdf::XML),
                     XmpMetadata(info, conformance));
    file.WriteCompressedStream(profile, PdfDictionary().Integer(Pdf::N, 3), SrgbProfile());
    catalog.Ref(Pdf::Metadata, metadata)
        .Array(Pdf::OutputIntents, PdfArray().Dictionary(PdfDictionary()
                                                             .Name(Pdf::Type, Pdf::OutputIntent)
                                                             .Name(Pdf::S, Pdf::GTS_PDFA1)
                                                             .Bytes(Pdf::OutputConditionIdentifier, "sRGB IEC61966-2.1")
                                                             .Ref(Pdf::DestOutputProfile, profile)));
}

} // namespace Document
