// What any program with this front end's duties pays before it does
// anything: the common controls and one shell lookup of the common
// application-data folder, then it ends. Under Wine this start-up (the
// display driver, the theming library, the automation layer) is the bulk of
// the front end's overhead; the benchmark reports it apart.
#include "ComApartment.h"
#include "SystemLocations.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::InitCommonControls();
    Global::ComApartment apartment;
    return Global::GetShellFolderPath(35).empty() ? 1 : 0;
}
