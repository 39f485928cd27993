#include "DocumentFonts.h"

#include "EmbeddedFont.h"
#include "TrueTypeTextFont.h"

namespace Converter {

DocumentFonts::DocumentFonts() : main_(std::make_unique<TrueTypeTextFont>(EmbeddedFontBytes())) {}

DocumentFonts::~DocumentFonts() = default;

const TextFont& DocumentFonts::Main() const
{
    return *main_;
}

FallbackFontFinder DocumentFonts::Fallback()
{
    return [this](char32_t codePoint) { return InstalledFontFor(codePoint); };
}

const TextFont* DocumentFonts::InstalledFontFor(char32_t)
{
    return nullptr;
}

} // namespace Converter
