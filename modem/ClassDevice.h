// The modem's device of its setup class: created through the device installer and
// installed with the matching class driver, or found again by its instance identifier
// and removed. Every string argument is UTF-16.
#pragma once

#include <windows.h>

// Creates a root-enumerated device named deviceName with the description and lets the
// class installer install it with a class driver of the class: the one whose
// description equals description exactly when matchDescription is true, the first one
// listed otherwise. TRUE when the class installer installed it, and when className
// names no single setup class (nothing is created then).
BOOLEAN InstallClassDevice(LPCWSTR className, LPCWSTR deviceName, LPCWSTR description, bool matchDescription);

// Removes the first present device of the class whose instance identifier contains
// identifierPart (case counting). TRUE when it was removed and when there is none.
BOOLEAN UnInstallClassDevice(LPCWSTR className, LPCWSTR identifierPart);
