// The child-window callback with which the report pages disable the wizard sheet's
// Cancel button: EnumChildWindows(sheet, DisableTheCancelButton, 0).
#pragma once

#include <windows.h>

// Disables the child if it is a button whose control ID is IDCANCEL, and then ends
// the enumeration (FALSE); TRUE for every other child.
BOOL CALLBACK DisableTheCancelButton(HWND child, LPARAM lParam);
