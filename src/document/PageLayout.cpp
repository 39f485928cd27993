#include "PageLayout.h"

#include "CharacterWidth.h"
#include "DocumentError.h"
#include "Limits.h"

namespace Document {
namespace {

class Typesetter {
public:
    explicit Typesetter(const PageGeometry& geometry) : geometry_(geometry) {}

    void Put(char32_t character)
    {
        if (character == U'\t') {
            // Blanks up to the next stop, at least one; they wrap like any
            // other character, so a tab at a full line indents the next one.
            // Counted before the first blank: a line narrower than a tab
            // stop never reaches one.
            for (int blanks = geometry_.tabWidth - cells_ % geometry_.tabWidth; blanks > 0; --blanks) {
                PutCell(U' ', 1);
            }
            return;
        }
        PutCell(character, CharacterWidth(character));
    }

    void EndLine()
    {
        // A page is only begun by a line that needs room, so a form feed
        // right after a full page does not leave a blank one behind.
        if (static_cast<int>(page_.size()) == geometry_.lines) {
            PushPage();
        }
        page_.push_back(std::move(line_));
        line_.clear();
        // A moved-from line has given its room away; most lines need about as much.
        line_.reserve(geometry_.columns);
        cells_ = 0;
        pendingLine_ = false;
    }

    void EndPage()
    {
        if (pendingLine_) {
            EndLine();
        }
        PushPage();
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
    void PushPage()
    {
        if (pages_.size() >= Limits::kMaxPages) {
            throw DocumentError(L"The document has more than " + std::to_wstring(Limits::kMaxPages) + L" pages.");
        }
        pages_.push_back(std::move(page_));
        page_.clear();
    }

    void PutCell(char32_t character, int width)
    {
        while (cells_ + width > geometry_.columns && cells_ > 0) {
            Wrap();
        }
        line_ += character;
        cells_ += width;
        pendingLine_ = true;
        pageOpenedByFormFeed_ = false;
    }

    // Ends the line after its last blank that follows some text, carrying
    // the rest over; without one, ends it where it is full.
    void Wrap()
    {
        size_t blank = line_.find_last_of(U' ');
        if (blank != std::u32string::npos && line_.find_first_not_of(U' ') < blank) {
            std::u32string rest = line_.substr(blank + 1);
            line_.erase(blank + 1);
            EndLine();
            line_ = std::move(rest);
            for (char32_t character : line_) {
                cells_ += CharacterWidth(character);
            }
        } else {
            EndLine();
        }
    }

    PageGeometry geometry_;
    std::vector<Page> pages_;
    Page page_;
    std::u32string line_;
    int cells_ = 0;
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

} // namespace Document
