#include "driver/CloseTheControlPanelWindow.h"

#include <windows.h>

#include "framework/ScopedHandles.h"

namespace
{
// The shell's Control Panel folder; the key's default value is its display name.
const char CONTROL_PANEL_CLASS_KEY[] = "CLSID\\{21EC2020-3AEA-1069-A2DD-08002B30309D}";

// The display name, read into 256 bytes. FALSE when the key or the value cannot be read,
// when the value leaves no room for its terminating zero, and when it is empty: an empty
// name would match every window without a title.
BOOL ReadTheControlPanelName(char (&name)[256])
{
    CRegKeyHandle key;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, CONTROL_PANEL_CLASS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    DWORD size = sizeof(name);
    LONG read = ::RegQueryValueExA(key, NULL, NULL, NULL, (BYTE*)name, &size);
    key.Close();
    if (read != ERROR_SUCCESS)
        return FALSE;
    // The stored bytes need not end with a zero.
    if (size < sizeof(name))
        name[size] = '\0';
    else if (name[sizeof(name) - 1] != '\0')
        return FALSE;
    return name[0] != '\0' ? TRUE : FALSE;
}

// EnumWindows callback: FALSE, which ends the enumeration, once a window has been closed.
BOOL CALLBACK CloseIfItIsTheControlPanel(HWND window, LPARAM /*lParam*/)
{
    char name[256];
    if (!ReadTheControlPanelName(name))
        return TRUE;
    char title[256] = "";
    ::GetWindowTextA(window, title, sizeof(title));
    if (::lstrcmpiA(title, name) != 0)
        return TRUE;
    // Sent, not posted: the window is gone, or has at least handled the close, before
    // the caller goes on to remove files.
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    return FALSE;
}
}

void CloseTheControlPanelWindow()
{
    ::EnumWindows(CloseIfItIsTheControlPanel, 0);
}
