#include "PageLayout.h"

#include "WinAnsiEncoding.h"

namespace Converter {
namespace {

class Typesetter {
public:
    explicit Typesetter(const PageGeometry& geometry) : geometry_(geometry) {}

    void Put(char32_t character)
    {
        if (character == U'\t') {
            // Blanks up to the next stop, at least one; they wrap like any
            // other character, so a tab at a full line indents the next one.
            do {
                PutCell(' ');
            } while (line_.size() % geometry_.tabWidth != 0);
            return;
        }
        PutCell(EncodeWinAnsi(character));
    }

    void EndLine()
    {
        // A page is only begun by a line that needs room, so a form feed
        // right after a full page does not leave a blank one behind.
        if (static_cast<int>(page_.size()) == geometry_.lines) {
            pages_.push_back(std::move(page_));
            page_.clear();
        }
        page_.push_back(std::move(line_));
        line_.clear();
        pendingLine_ = false;
    }

    void EndPage()
    {
        if (pendingLine_) {
            EndLine();
        }
        pages_.push_back(std::move(page_));
        page_.clear();
        pageOpenedByFormFeed_ = true;
    }

    void MarkLinePending() { pendingLine_ = true; }

    std::vector<Page> Finish()
    {
        if (pendingLine_) {
            EndLine();
        }
        if (!page_.empty() || !pageOpenedByFormFeed_ || pages_.empty()) {
            pages_.push_back(std::move(page_));
        }
        return std::move(pages_);
    }

private:
    void PutCell(char byte)
    {
        if (static_cast<int>(line_.size()) == geometry_.columns) {
            EndLine();
        }
        line_ += byte;
        pendingLine_ = true;
        pageOpenedByFormFeed_ = false;
    }

    PageGeometry geometry_;
    std::vector<Page> pages_;
    Page page_;
    std::string line_;
    bool pendingLine_ = false;
    bool pageOpenedByFormFeed_ = false;
};

} // namespace

std::vector<Page> LayOutPages(const std::u32string& text, const PageGeometry& geometry)
{
    Typesetter typesetter(geometry);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t character = text[i];
        if (character == U'\r' || character == U'\n') {
            if (character == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') {
                ++i;
            }
            typesetter.MarkLinePending();
            typesetter.EndLine();
        } else if (character == U'\f') {
            typesetter.EndPage();
        } else {
            typesetter.Put(character);
        }
    }
    return typesetter.Finish();
}

} // namespace Converter
