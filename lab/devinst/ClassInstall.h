// DIF_INSTALLDEVICE for an element whose selected driver is a class driver of ours:
// what the class installer of the class does on Windows and Wine does not.
#pragma once

#include "lab/devinst/ClassDriverList.h"

// Creates the device's driver key below Control\Class\{class GUID} (Wine's
// SetupDiCreateDevRegKeyW does that, and writes its name into the device key's value
// Driver), applies the registry entries of the driver's install section to it (HKR
// being the driver key) and records the driver there as Windows does. TRUE, or FALSE
// with the last error set. The device's Phantom state needs nothing: Wine's
// SetupDiRegisterDeviceInfo has already cleared it.
BOOL InstallClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, const ClassDriver& driver);
