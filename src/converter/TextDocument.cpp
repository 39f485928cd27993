#include "TextDocument.h"

#include "AnsiText.h"
#include "TextDecoding.h"

namespace Converter {

std::u32string DecodeAnsi(const std::string& bytes)
{
    std::wstring wide = Global::FromAnsi(bytes);
    return Document::JoinSurrogates(std::u16string(wide.begin(), wide.end()));
}

std::u32string DecodeDocument(const std::string& bytes)
{
    return Document::DecodeText(bytes, DecodeAnsi);
}

} // namespace Converter
