#pragma once
// The monospaced font PDFCreator.exe carries as a resource (DejaVu Sans Mono,
// third_party/dejavu), so that nothing has to be installed for text in
// Latin, Greek, Cyrillic and box drawing.
#include <windows.h>

#include <string>

namespace Converter {

// The font file's bytes from the resources of module (the running program
// when null; a module loaded as a data file will do). Throws Global::Error
// when the module does not carry the font.
std::string EmbeddedFontBytes(HMODULE module = nullptr);

} // namespace Converter
