// DocumentError is header-only; this file keeps the library non-empty until
// its first file pair lands.
#include "DocumentError.h"
