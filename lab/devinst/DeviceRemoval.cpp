#include "lab/devinst/DeviceRemoval.h"

#include <string>
#include <vector>

namespace
{
struct RemovedDevice
{
    HDEVINFO set;
    DWORD devInst;
    std::wstring driverKey;   // {class GUID}\NNNN, empty when the device had none
};

std::vector<RemovedDevice> g_removed;

const RemovedDevice* FindRemoved(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    if (device == NULL)
        return NULL;
    for (const RemovedDevice& removed : g_removed)
        if (removed.set == set && removed.devInst == device->DevInst)
            return &removed;
    return NULL;
}

// The device key's value Driver, read before Wine deletes the device key.
std::wstring DriverKeyName(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    WCHAR name[MAX_PATH] = L"";
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_DRIVER, &type, (PBYTE)name, sizeof(name) - sizeof(WCHAR),
                                             NULL)
        || type != REG_SZ)
        return std::wstring();
    name[MAX_PATH - 1] = L'\0';
    return name;
}

// The driver key and all its subkeys; nothing when it is gone already.
DWORD DeleteDriverKey(const std::wstring& driverKey)
{
    if (driverKey.empty())
        return NO_ERROR;
    std::wstring path = L"SYSTEM\\CurrentControlSet\\Control\\Class\\" + driverKey;
    LONG error = ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
    if (error == ERROR_FILE_NOT_FOUND)
        return NO_ERROR;
    return (DWORD)error;
}
}

BOOL RemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    std::wstring driverKey = DriverKeyName(set, device);
    if (!::SetupDiCallClassInstaller(DIF_REMOVE, set, device))
        return FALSE;
    DWORD error = DeleteDriverKey(driverKey);
    if (device != NULL && FindRemoved(set, device) == NULL)
        g_removed.push_back({ set, device->DevInst, driverKey });
    ::SetLastError(error);
    return error == NO_ERROR;
}

BOOL DeleteDeviceKeys(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD scope, DWORD profile, DWORD keyType)
{
    const RemovedDevice* removed = FindRemoved(set, device);
    if (removed == NULL || scope != DICS_FLAG_GLOBAL)
        return ::SetupDiDeleteDevRegKey(set, device, scope, profile, keyType);
    if (keyType != DIREG_DEV && keyType != DIREG_DRV && keyType != DIREG_BOTH)
    {
        ::SetLastError(ERROR_INVALID_FLAGS);
        return FALSE;
    }
    // The hardware key went with the device key; the driver key went in RemoveDevice
    // unless something has written it anew since.
    DWORD error = keyType == DIREG_DEV ? NO_ERROR : DeleteDriverKey(removed->driverKey);
    ::SetLastError(error);
    return error == NO_ERROR;
}

void ForgetRemovedDevices(HDEVINFO set)
{
    for (size_t i = g_removed.size(); i-- > 0;)
        if (g_removed[i].set == set)
            g_removed.erase(g_removed.begin() + i);
}
