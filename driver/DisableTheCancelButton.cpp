#include "driver/DisableTheCancelButton.h"

BOOL CALLBACK DisableTheCancelButton(HWND child, LPARAM /*lParam*/)
{
    char szClassName[256] = "";
    ::GetClassNameA(child, szClassName, sizeof(szClassName));
    if (::lstrcmpiA(szClassName, "Button") == 0 && ::GetDlgCtrlID(child) == IDCANCEL)
    {
        ::EnableWindow(child, FALSE);
        return FALSE;
    }
    return TRUE;
}
