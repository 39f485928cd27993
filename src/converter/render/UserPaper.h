#pragma once
// The paper the user's locale prints on.
#include "Paper.h"

namespace Converter {

// Letter where the user's locale uses it (as in the United States), A4
// everywhere else and when the system does not say.
Document::PaperSize UserPaperSize();

} // namespace Converter
