#pragma once
// PDF values written as PDF text through a typed builder: a dictionary's
// keys and names are constants of this file, so that a misspelt key does not
// compile, and each value is written by the method of its type.
#include <cstdint>
#include <string>
#include <string_view>

namespace Document {

// A PDF name, without its slash. Only the constants below are made.
class PdfName {
public:
    explicit constexpr PdfName(const char* text) : text_(text) {}
    constexpr const char* Text() const { return text_; }

private:
    const char* text_;
};

namespace Pdf {
// Keys.
inline constexpr PdfName ActualText{"ActualText"}, Ascent{"Ascent"}, BaseFont{"BaseFont"}, BitsPerComponent{"BitsPerComponent"},
    CapHeight{"CapHeight"}, CIDSystemInfo{"CIDSystemInfo"}, CIDToGIDMap{"CIDToGIDMap"}, ColorSpace{"ColorSpace"},
    Contents{"Contents"}, Count{"Count"}, CreationDate{"CreationDate"}, DecodeParms{"DecodeParms"},
    Descent{"Descent"}, DescendantFonts{"DescendantFonts"}, DW{"DW"}, Encoding{"Encoding"}, Filter{"Filter"},
    Flags{"Flags"}, Font{"Font"}, FontBBox{"FontBBox"}, FontDescriptor{"FontDescriptor"}, FontFile2{"FontFile2"},
    First{"First"}, FontName{"FontName"}, Height{"Height"}, ItalicAngle{"ItalicAngle"}, Kids{"Kids"}, Length{"Length"},
    Length1{"Length1"}, MediaBox{"MediaBox"}, N{"N"}, Ordering{"Ordering"}, Pages{"Pages"}, Parent{"Parent"},
    ProcSet{"ProcSet"}, Producer{"Producer"}, Registry{"Registry"}, Resources{"Resources"}, Root{"Root"},
    Info{"Info"}, Size{"Size"}, SMask{"SMask"}, StemV{"StemV"}, Subtype{"Subtype"}, Supplement{"Supplement"},
    Title{"Title"},
    ToUnicode{"ToUnicode"}, Type{"Type"}, W{"W"}, Width{"Width"}, XObject{"XObject"};
// Values.
inline constexpr PdfName Catalog{"Catalog"}, CIDFontType2{"CIDFontType2"}, FlateDecode{"FlateDecode"},
    Identity{"Identity"}, IdentityH{"Identity-H"}, Image{"Image"}, ObjStm{"ObjStm"}, Page{"Page"}, PDF{"PDF"},
    Text{"Text"}, Type0{"Type0"}, XRef{"XRef"};
// The archival parts: keys, then values.
inline constexpr PdfName DestOutputProfile{"DestOutputProfile"}, ID{"ID"}, Metadata{"Metadata"}, ModDate{"ModDate"},
    OutputConditionIdentifier{"OutputConditionIdentifier"}, OutputIntents{"OutputIntents"}, S{"S"};
inline constexpr PdfName GTS_PDFA1{"GTS_PDFA1"}, OutputIntent{"OutputIntent"}, XML{"XML"};
// Images: keys, then values.
inline constexpr PdfName Alternate{"Alternate"}, BlackIs1{"BlackIs1"}, Colors{"Colors"}, Columns{"Columns"},
    Decode{"Decode"}, EncodedByteAlign{"EncodedByteAlign"}, EndOfLine{"EndOfLine"}, K{"K"}, Mask{"Mask"},
    Predictor{"Predictor"}, Rows{"Rows"};
inline constexpr PdfName CCITTFaxDecode{"CCITTFaxDecode"}, DCTDecode{"DCTDecode"}, DeviceCMYK{"DeviceCMYK"},
    DeviceGray{"DeviceGray"}, DeviceRGB{"DeviceRGB"}, ICCBased{"ICCBased"}, Indexed{"Indexed"};
} // namespace Pdf

// An indirect object's number; generation 0 throughout.
struct PdfRef {
    int number = 0;
};

// A number as PDF wants it: no exponent, a point whatever the locale, at
// most two decimals, no trailing zeros.
std::string PdfNumber(double value);

// Appends the bytes of a literal string's contents to out: ( ) and \ are
// escaped, and line ends written as escapes so that a reader's end-of-line
// rules cannot touch them.
void AppendEscapedPdfString(std::string& out, std::string_view bytes);

// Text as the UTF-16 units that PDF's text strings and ToUnicode maps hold:
// a character beyond the Basic Multilingual Plane as its surrogate pair, and
// a value that is no Unicode scalar value (a lone surrogate, one past
// U+10FFFF) as U+FFFD, visibly.
std::u16string Utf16Units(std::u32string_view text);
// A value (a 2-byte code, a UTF-16 unit) as four upper-case hex digits,
// appended to out; and each of the units so.
void AppendHex4(std::string& out, uint16_t value);
void AppendHexUnits(std::string& out, std::u16string_view units);

// A text string (titles and the like): a literal string when the text is
// printable ASCII, otherwise UTF-16BE with its byte-order mark, in hex.
std::string PdfTextString(const std::u32string& text);

class PdfArray;

class PdfDictionary {
public:
    PdfDictionary& Name(PdfName key, PdfName value);
    // A name the writer makes up at run time (a subset font's name), its
    // bytes escaped where a name needs it.
    PdfDictionary& MadeName(PdfName key, std::string_view name);
    PdfDictionary& Integer(PdfName key, long long value);
    PdfDictionary& Boolean(PdfName key, bool value);
    PdfDictionary& Real(PdfName key, double value);
    PdfDictionary& Ref(PdfName key, PdfRef value);
    // A reference under a name the writer makes up (a page's font
    // resources: F1, F2, ...), not one of the constants.
    PdfDictionary& ResourceRef(const std::string& resourceName, PdfRef value);
    PdfDictionary& Dictionary(PdfName key, const PdfDictionary& value);
    PdfDictionary& Array(PdfName key, const PdfArray& value);
    PdfDictionary& Text(PdfName key, const std::u32string& value);
    PdfDictionary& Bytes(PdfName key, std::string_view value);

    // "<< /Key value ... >>"
    std::string Written() const { return "<<" + body_ + " >>"; }

private:
    PdfDictionary& Key(PdfName key);
    std::string body_;
};

class PdfArray {
public:
    PdfArray& Name(PdfName value);
    PdfArray& Integer(long long value);
    PdfArray& Real(double value);
    PdfArray& Ref(PdfRef value);
    PdfArray& Dictionary(const PdfDictionary& value);
    PdfArray& Array(const PdfArray& value);
    // Bytes as a hex string: "<0A1B...>" (a palette's colours).
    PdfArray& HexBytes(std::string_view value);

    // "[value ...]"
    std::string Written() const { return "[" + body_ + "]"; }

private:
    PdfArray& Separate();
    std::string body_;
};

} // namespace Document
