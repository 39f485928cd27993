#include "DocumentFonts.h"

#include "DocumentError.h"
#include "EmbeddedFont.h"
#include "Error.h"
#include "SystemFonts.h"
#include "TrueTypeTextFont.h"

namespace Converter {

namespace {

std::unique_ptr<Document::TrueTypeFont> ReadMainFont(const std::string& fontFile)
{
    try {
        return std::make_unique<Document::TrueTypeFont>(fontFile);
    } catch (const Document::DocumentError& error) {
        throw Global::Error(L"The converter's own font is damaged: " + error.Description());
    }
}

} // namespace

DocumentFonts::DocumentFonts() : DocumentFonts(EmbeddedFontBytes()) {}

DocumentFonts::DocumentFonts(const std::string& mainFontFile)
    : mainFont_(ReadMainFont(mainFontFile)), main_(std::make_unique<Document::TrueTypeTextFont>(*mainFont_))
{
}

DocumentFonts::~DocumentFonts() = default;

const Document::TextFont& DocumentFonts::Main() const
{
    return *main_;
}

Document::FallbackFontFinder DocumentFonts::Fallback()
{
    return [this](char32_t codePoint) { return InstalledFontFor(codePoint); };
}

const Document::TextFont* DocumentFonts::InstalledFontFor(char32_t codePoint)
{
    if (systemFontsFailed_) {
        return nullptr;
    }
    try {
        if (!systemFonts_) {
            systemFonts_ = std::make_unique<SystemFonts>();
        }
        const Document::TrueTypeFont* font = systemFonts_->FontFor(codePoint);
        if (font == nullptr) {
            return nullptr;
        }
        std::unique_ptr<Document::TextFont>& wrapper = installed_[font];
        if (!wrapper) {
            wrapper = std::make_unique<Document::TrueTypeTextFont>(*font);
        }
        return wrapper.get();
    } catch (const std::exception&) {
        // The system's fonts are a help, never a reason to fail: without
        // them the character is drawn as the replacement.
        systemFontsFailed_ = true;
        return nullptr;
    }
}

} // namespace Converter
