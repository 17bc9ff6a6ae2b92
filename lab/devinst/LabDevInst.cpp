// LABDEVINST.DLL: the lab's stand-in for what Wine's device installer lacks or gets
// wrong. Loaded into a program before its code runs (LABRUN.EXE does that, a test
// program simply loads it), it swaps the main program's imports of these device-
// installer functions from setupapi.dll for its own; everything else goes to Wine:
//
//   SetupDiBuildDriverInfoList, SetupDiEnumDriverInfoW, SetupDiSetSelectedDriverW,
//   SetupDiDestroyDriverInfoList   class-driver lists of device elements (ClassDriverList.h)
//   SetupDiCallClassInstaller      DIF_INSTALLDEVICE with a class driver selected (ClassInstall.h),
//                                  DIF_REMOVE with the driver key (DeviceRemoval.h)
//   SetupDiDeleteDevRegKey         the keys of a device removed that way (DeviceRemoval.h)
//   SetupDiDestroyDeviceInfoList   drops the lists and removals of the set
//
// When a launcher has created the event "LabDevInst-<process id>", the attach sets it,
// which tells the launcher that the stand-in is in place.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>

#include "lab/devinst/ClassDriverList.h"
#include "lab/devinst/ClassInstall.h"
#include "lab/devinst/DeviceRemoval.h"
#include "tests/support/ImportSwap.h"

namespace
{
BOOL WINAPI LabBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD driverType)
{
    if (driverType == SPDIT_CLASSDRIVER && device != NULL)
        return BuildClassDriverList(set, device);
    return ::SetupDiBuildDriverInfoList(set, device, driverType);
}

BOOL WINAPI LabEnumDriverInfoW(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD driverType, DWORD index,
                               PSP_DRVINFO_DATA_W driver)
{
    if (driverType == SPDIT_CLASSDRIVER && device != NULL)
        return EnumClassDriver(set, device, index, driver);
    return ::SetupDiEnumDriverInfoW(set, device, driverType, index, driver);
}

// Wine has no SetupDiSetSelectedDriverW at all (calling it ends the process), so
// nothing goes to Wine here.
BOOL WINAPI LabSetSelectedDriverW(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_W driver)
{
    return SelectClassDriver(set, device, driver);
}

BOOL WINAPI LabDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD driverType)
{
    if (driverType == SPDIT_CLASSDRIVER)
        return DestroyClassDriverList(set, device);
    return ::SetupDiDestroyDriverInfoList(set, device, driverType);
}

BOOL WINAPI LabCallClassInstaller(DI_FUNCTION function, HDEVINFO set, PSP_DEVINFO_DATA device)
{
    if (function == DIF_INSTALLDEVICE)
    {
        const ClassDriver* driver = SelectedClassDriver(set, device);
        if (driver != NULL)
            return InstallClassDriver(set, device, *driver);
    }
    else if (function == DIF_REMOVE)
        return RemoveDevice(set, device);
    return ::SetupDiCallClassInstaller(function, set, device);
}

BOOL WINAPI LabDeleteDevRegKey(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile, DWORD keyType)
{
    return DeleteDeviceKeys(set, device, scope, profile, keyType);
}

BOOL WINAPI LabDestroyDeviceInfoList(HDEVINFO set)
{
    BOOL destroyed = ::SetupDiDestroyDeviceInfoList(set);
    if (destroyed)
    {
        ForgetClassDriverLists(set);
        ForgetRemovedDevices(set);
    }
    return destroyed;
}

struct Replacement
{
    const char* function;
    void* replacement;
    void* original;   // what the program's import held, NULL when it does not import it
};

Replacement g_replacements[] = {
    { "SetupDiBuildDriverInfoList", (void*)&LabBuildDriverInfoList, NULL },
    { "SetupDiEnumDriverInfoW", (void*)&LabEnumDriverInfoW, NULL },
    { "SetupDiSetSelectedDriverW", (void*)&LabSetSelectedDriverW, NULL },
    { "SetupDiDestroyDriverInfoList", (void*)&LabDestroyDriverInfoList, NULL },
    { "SetupDiCallClassInstaller", (void*)&LabCallClassInstaller, NULL },
    { "SetupDiDeleteDevRegKey", (void*)&LabDeleteDevRegKey, NULL },
    { "SetupDiDestroyDeviceInfoList", (void*)&LabDestroyDeviceInfoList, NULL },
};

void SwapImports()
{
    for (Replacement& entry : g_replacements)
        entry.original = SwapImport("setupapi.dll", entry.function, entry.replacement);
}

void RestoreImports()
{
    for (Replacement& entry : g_replacements)
        if (entry.original != NULL)
            SwapImport("setupapi.dll", entry.function, entry.original);
}

void TellLauncher()
{
    char name[64];
    snprintf(name, sizeof(name), "LabDevInst-%lu", ::GetCurrentProcessId());
    HANDLE loaded = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
    if (loaded != NULL)
    {
        ::SetEvent(loaded);
        ::CloseHandle(loaded);
    }
}
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
    {
        ::DisableThreadLibraryCalls(instance);
        SwapImports();
        TellLauncher();
    }
    else if (reason == DLL_PROCESS_DETACH && reserved == NULL)
        RestoreImports();   // unloaded while the program goes on
    return TRUE;
}
