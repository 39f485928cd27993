// A graphical program that does nothing: what starting any graphical program
// costs, which the start-up baseline contains too. Subtracted from the
// baseline, it leaves the cost of the duties themselves.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
