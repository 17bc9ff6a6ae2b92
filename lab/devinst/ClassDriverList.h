// Class-driver lists of device elements, which Wine's device installer does not build
// (SetupDiBuildDriverInfoList and SetupDiEnumDriverInfoW fail with
// ERROR_CALL_NOT_IMPLEMENTED for SPDIT_CLASSDRIVER, and SetupDiSetSelectedDriverW is
// missing altogether). A list holds the Models lines of the INF files in %windir%\inf
// whose [Version] Class is the element's class:
//
//     [Models]
//     description = install section, hardware identifier
//
// in the order of the directory search and of the lines. Manufacturer and provider are
// the INF's [Version] Provider. The program has one thread, and so has this state.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

struct ClassDriver
{
    std::wstring description;
    std::wstring provider;
    std::wstring infPath;
    std::wstring installSection;
    std::wstring hardwareId;
};

// The forms of SetupDiBuildDriverInfoList, SetupDiEnumDriverInfoW,
// SetupDiSetSelectedDriverW and SetupDiDestroyDriverInfoList for an element's class
// drivers: TRUE, or FALSE with the last error set.
BOOL BuildClassDriverList(HDEVINFO set, PSP_DEVINFO_DATA device);
BOOL EnumClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD index, PSP_DRVINFO_DATA_W driver);
BOOL SelectClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_W driver);
BOOL DestroyClassDriverList(HDEVINFO set, PSP_DEVINFO_DATA device);

// The class driver selected for the element, or NULL.
const ClassDriver* SelectedClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device);
// Drops the lists of a set that has been destroyed.
void ForgetClassDriverLists(HDEVINFO set);
