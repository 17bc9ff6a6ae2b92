// DIF_REMOVE and the deletion of a removed device's registry keys as Windows does them.
// Wine's class installer removes the device's Enum key but leaves a driver key that
// has subkeys (its own RegDeleteKeyW of Control\Class\{GUID}\NNNN fails there), and its
// SetupDiDeleteDevRegKey then fails with ERROR_NO_SUCH_DEVINST for the removed element,
// where Windows finds the keys deleted and succeeds. The program has one thread, and so
// has this state.
#pragma once

#include <windows.h>
#include <setupapi.h>

// Wine's DIF_REMOVE, then the device's driver key deleted with all its subkeys. TRUE,
// or FALSE with the last error set (Wine's, when its removal failed).
BOOL RemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device);
// SetupDiDeleteDevRegKey: for an element that RemoveDevice removed, its hardware and
// driver keys are gone already and the call succeeds (global scope; any key type);
// every other call goes to Wine.
BOOL DeleteDeviceKeys(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile, DWORD keyType);
// Drops what is known of the elements of a set that has been destroyed.
void ForgetRemovedDevices(HDEVINFO set);
