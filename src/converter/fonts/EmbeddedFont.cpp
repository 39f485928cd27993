#include "EmbeddedFont.h"

#include "Error.h"

namespace Converter {

std::string EmbeddedFontBytes(HMODULE module)
{
    // The name that EmbeddedFont.rc gives the font.
    HRSRC resource = ::FindResourceW(module, L"EMBEDDED_FONT", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!resource) {
        Global::ThrowSystemError(L"The program's embedded font could not be found", ::GetLastError());
    }
    DWORD size = ::SizeofResource(module, resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    // A resource lives as long as its module: nothing to free.
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) {
        Global::ThrowSystemError(L"The program's embedded font could not be loaded", ::GetLastError());
    }
    return std::string(static_cast<const char*>(bytes), size);
}

} // namespace Converter
