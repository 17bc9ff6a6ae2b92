#include "LegacyDriverTraces.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
const char c_htreeRoot[] = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const char c_attachedComponents[] = "AttachedComponents";
// The setup class of legacy drivers.
const char c_legacyClassGuid[] = "{8ECC055D-047F-11D1-A537-0000F8753ED1}";

void SetString(HKEY key, const char* name, DWORD type, const char* text)
{
    ::RegSetValueExA(key, name, 0, type, (const BYTE*)text, (DWORD)strlen(text) + 1);
}

void SetDword(HKEY key, const char* name, DWORD value)
{
    ::RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

// LEGACY_ followed by the service name, upper-cased whole as the system does it.
void LegacyKeyName(const char* serviceName, char* name, size_t size)
{
    snprintf(name, size, "LEGACY_%s", serviceName);
    ::CharUpperA(name);
}

void LeaveTheDeviceKey(const char* serviceName, const char* legacy)
{
    char path[600];
    snprintf(path, sizeof(path), "SYSTEM\\CurrentControlSet\\Enum\\Root\\%s", legacy);
    HKEY key = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    SetDword(key, "NextInstance", 1);
    HKEY instance = NULL;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(key, "0000", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &instance, &disposition) == ERROR_SUCCESS)
    {
        if (disposition == REG_CREATED_NEW_KEY)
        {
            SetString(instance, "Service", REG_SZ, serviceName);
            SetDword(instance, "Legacy", 1);
            SetDword(instance, "ConfigFlags", 0);
            SetString(instance, "Class", REG_SZ, "LegacyDriver");
            SetString(instance, "ClassGUID", REG_SZ, c_legacyClassGuid);
            SetString(instance, "DeviceDesc", REG_SZ, serviceName);
        }
        ::RegCloseKey(instance);
    }
    ::RegCloseKey(key);
}

// The list's strings up to its closing empty string or the end of its bytes, whichever
// comes first, with the entry added at the end unless it is there.
void ListTheEntry(const char* legacy)
{
    char entry[600];
    snprintf(entry, sizeof(entry), "Root\\%s\\0000", legacy);
    HKEY key = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, c_htreeRoot, 0, NULL, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &key, NULL) !=
        ERROR_SUCCESS)
        return;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key, c_attachedComponents, NULL, &type, NULL, &size) != ERROR_SUCCESS)
        size = 0;
    size_t entrySize = strlen(entry) + 1;
    // Room for the old bytes, a zero behind them, the entry and the closing zero.
    char* list = (char*)calloc((size_t)size + 1 + entrySize + 1, 1);
    if (list == NULL)
    {
        ::RegCloseKey(key);
        return;
    }
    if (size > 0 && ::RegQueryValueExA(key, c_attachedComponents, NULL, &type, (BYTE*)list, &size) != ERROR_SUCCESS)
        size = 0;
    bool listed = false;
    size_t used = 0;   // the bytes of the strings kept, each with its zero
    while (used < size && list[used] != '\0')
    {
        size_t length = strnlen(list + used, size - used);
        list[used + length] = '\0';
        if (lstrcmpiA(list + used, entry) == 0)
            listed = true;
        used += length + 1;
    }
    if (!listed)
    {
        memcpy(list + used, entry, entrySize);
        used += entrySize;
        list[used] = '\0';
        ::RegSetValueExA(key, c_attachedComponents, 0, REG_MULTI_SZ, (const BYTE*)list, (DWORD)used + 1);
    }
    free(list);
    ::RegCloseKey(key);
}

// What the setup INF's event-log section gives the source.
void LeaveTheEventLogSource(const char* serviceName)
{
    char path[600];
    snprintf(path, sizeof(path), "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\%s", serviceName);
    HKEY key = NULL;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, &disposition) != ERROR_SUCCESS)
        return;
    if (disposition == REG_CREATED_NEW_KEY)
    {
        SetString(key, "EventMessageFile", REG_EXPAND_SZ, "%SystemRoot%\\System32\\IoLogMsg.dll");
        SetDword(key, "TypesSupported", 7);
    }
    ::RegCloseKey(key);
}
}   // namespace

void LeaveTheLegacyDriverTraces(const char* serviceName)
{
    if (serviceName == NULL || serviceName[0] == '\0')
        return;
    char legacy[300];
    LegacyKeyName(serviceName, legacy, sizeof(legacy));
    LeaveTheDeviceKey(serviceName, legacy);
    ListTheEntry(legacy);
    LeaveTheEventLogSource(serviceName);
}
