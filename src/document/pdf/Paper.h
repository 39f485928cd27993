#pragma once
// The paper a document is laid out on: Letter where the user's locale uses
// it (the Windows side asks), A4 everywhere else.
namespace Document {

enum class PaperSize { A4, Letter };

// Portrait size in points.
struct Paper {
    double width;
    double height;
};

Paper PaperOf(PaperSize size);

} // namespace Document
