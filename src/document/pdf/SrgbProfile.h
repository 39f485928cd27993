#pragma once
// The sRGB colour profile that an archival PDF names as its output intent:
// built here from sRGB's published numbers (its primaries, its white and
// its transfer curve), so that no profile file of another's licence ships
// with the program, and small (about a kilobyte) because every archival
// file carries it.
#include <string>

namespace Document {

// An ICC version 2.1 display profile, the same bytes on every call.
const std::string& SrgbProfile();

} // namespace Document
