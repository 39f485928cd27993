#include "UserPaper.h"

#include <windows.h>

namespace Converter {

Document::PaperSize UserPaperSize()
{
    // LOCALE_IPAPERSIZE: "1" is Letter, "9" is A4, "5" legal, "8" A3.
    char value[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IPAPERSIZE, value, sizeof value) > 0 && value[0] == '1' &&
        value[1] == '\0') {
        return Document::PaperSize::Letter;
    }
    return Document::PaperSize::A4;
}

} // namespace Converter
