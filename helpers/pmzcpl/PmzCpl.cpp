// pmzcpl.cpl, the country applet of the modem board: a Control Panel applet with one
// entry, which the setup program starts after an install that left the country open
// (rundll32.exe shell32.dll,Control_RunDLL pmzcpl.cpl) and which the Control Panel
// lists beside the others.
#include <windows.h>
#include <cpl.h>

#include <cstring>

#include "helpers/pmzcpl/CountryDialog.h"
#include "helpers/pmzcpl/PmzCplResource.h"

namespace
{
HINSTANCE g_instance;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        g_instance = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) LONG APIENTRY CPlApplet(HWND owner, UINT message, LPARAM param1, LPARAM param2)
{
    switch (message)
    {
    case CPL_INIT:
        return TRUE;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE:
        if (param1 == 0 && param2 != 0)
        {
            CPLINFO* info = (CPLINFO*)param2;
            info->idIcon = IDI_PMZCPL;
            info->idName = IDS_CPL_NAME;
            info->idInfo = IDS_CPL_INFO;
            info->lData = 0;
        }
        return 0;
    case CPL_NEWINQUIRE:
        if (param1 == 0 && param2 != 0)
        {
            NEWCPLINFOA* info = (NEWCPLINFOA*)param2;
            memset(info, 0, sizeof(*info));
            info->dwSize = sizeof(*info);
            info->hIcon = ::LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_PMZCPL));
            ::LoadStringA(g_instance, IDS_CPL_NAME, info->szName, sizeof(info->szName));
            ::LoadStringA(g_instance, IDS_CPL_INFO, info->szInfo, sizeof(info->szInfo));
        }
        return 0;
    case CPL_DBLCLK:
        if (param1 == 0)
            RunCountryApplet(g_instance, owner);
        return 0;
    case CPL_STOP:
    case CPL_EXIT:
    default:
        return 0;
    }
}
