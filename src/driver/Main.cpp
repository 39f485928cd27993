#include "Main.h"

namespace Ardenfold_API {

int Main()
{
    return 0;
}

} // namespace Ardenfold_API
