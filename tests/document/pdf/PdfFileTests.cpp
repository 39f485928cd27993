// A file's objects each written once and read back through its
// cross-reference data.
#include "PdfFile.h"
#include "PdfReading.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

namespace Document {
namespace {

TEST(PdfFile, EachReservedObjectIsWrittenExactlyOnce)
{
    for (PdfFile::Packing packing : {PdfFile::Packing::None, PdfFile::Packing::ObjectStreams}) {
        SCOPED_TRACE(static_cast<int>(packing));
        PdfFile twice(5, packing);
        PdfRef ref = twice.Reserve();
        twice.Write(ref, PdfDictionary());
        EXPECT_THROW(twice.Write(ref, PdfDictionary()), std::logic_error);
        EXPECT_THROW(twice.Write(PdfRef{7}, PdfDictionary()), std::logic_error);

        PdfFile unwritten(5, packing);
        PdfRef catalog = unwritten.Reserve();
        unwritten.Reserve();
        unwritten.Write(catalog, PdfDictionary());
        EXPECT_THROW(unwritten.Finish(catalog, catalog), std::logic_error);
    }
}

// Objects packed into object streams read back as they were written, past
// the size of one stream, and beside the streams that stay in the file.
TEST(PdfFile, PackedObjectsReadBackThroughTheCrossReferenceStream)
{
    // Written twice: gathered, and handed to a sink as it goes (a text's
    // file); the bytes are the same.
    std::string sunk;
    std::string written[2];
    PdfRef catalog;
    std::vector<PdfRef> refs;
    for (int sink = 0; sink < 2; ++sink) {
        PdfFile file(5, PdfFile::Packing::ObjectStreams,
                     sink ? PdfFile::Sink([&](std::string_view bytes) { sunk += bytes; }) : PdfFile::Sink());
        catalog = file.Reserve();
        refs.clear();
        for (int i = 0; i < 450; ++i) {
            refs.push_back(file.Reserve());
            if (i % 3 == 0) {
                // Large enough that the file is handed over in several parts.
                file.WriteCompressedStream(refs.back(), PdfDictionary().Integer(Pdf::Count, i),
                                           "data " + std::to_string(i) + std::string(i * 20, ' '));
            } else {
                file.Write(refs.back(), PdfArray().Integer(i));
            }
        }
        file.Write(catalog, PdfDictionary().Name(Pdf::Type, Pdf::Catalog));
        written[sink] = file.Finish(catalog, catalog);
    }
    EXPECT_TRUE(written[1].empty()) << "the sink took every byte";
    EXPECT_EQ(sunk, written[0]);
    std::map<int, PdfObjectText> objects = ReadPdfObjects(written[0]);
    ASSERT_FALSE(objects.empty());
    EXPECT_EQ(objects[catalog.number].dictionary, "<< /Type /Catalog >>");
    for (int i = 0; i < 450; ++i) {
        const PdfObjectText& object = objects[refs[i].number];
        if (i % 3 == 0) {
            EXPECT_EQ(object.stream, "data " + std::to_string(i) + std::string(i * 20, ' ')) << i;
        } else {
            EXPECT_EQ(object.dictionary, PdfArray().Integer(i).Written()) << i;
        }
    }
    EXPECT_EQ(ObjectsWith(objects, "/Type /ObjStm").size(), 2u) << "301 objects in streams of 200";
}

} // namespace
} // namespace Document
