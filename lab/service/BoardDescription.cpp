#include "BoardDescription.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// The program path that a service's binary path names: quotes and arguments taken off.
void BinaryOfCommandLine(const char* commandLine, char* binary, size_t size)
{
    const char* start = commandLine;
    const char* end;
    if (*start == '"')
    {
        start++;
        end = strchr(start, '"');
        if (end == NULL)
            end = start + strlen(start);
    }
    else
    {
        end = strchr(start, ' ');
        if (end == NULL)
            end = start + strlen(start);
    }
    size_t length = (size_t)(end - start);
    if (length >= size)
        length = size - 1;
    memcpy(binary, start, length);
    binary[length] = '\0';
}

bool IsThisProgram(SC_HANDLE manager, const char* serviceName, const char* modulePath)
{
    SC_HANDLE service = ::OpenServiceA(manager, serviceName, SERVICE_QUERY_CONFIG);
    if (service == NULL)
        return false;
    bool same = false;
    DWORD needed = 0;
    ::QueryServiceConfigA(service, NULL, 0, &needed);
    QUERY_SERVICE_CONFIGA* config = needed > 0 ? (QUERY_SERVICE_CONFIGA*)malloc(needed) : NULL;
    if (config != NULL && ::QueryServiceConfigA(service, config, needed, &needed) && config->lpBinaryPathName != NULL)
    {
        char binary[MAX_PATH];
        BinaryOfCommandLine(config->lpBinaryPathName, binary, sizeof(binary));
        same = lstrcmpiA(binary, modulePath) == 0;
    }
    free(config);
    ::CloseServiceHandle(service);
    return same;
}

// A DWORD of the service's Parameters key; 1 when it is missing or of another type.
DWORD ReadSwitch(const char* serviceName, const char* valueName)
{
    char keyPath[512];
    snprintf(keyPath, sizeof(keyPath), "SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters", serviceName);
    DWORD value = 1;
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
    {
        DWORD type = 0;
        DWORD size = sizeof(value);
        if (::RegQueryValueExA(key, valueName, NULL, &type, (BYTE*)&value, &size) != ERROR_SUCCESS
            || type != REG_DWORD)
            value = 1;
        ::RegCloseKey(key);
    }
    return value;
}

void PortValueName(const char* serviceName, char* name, size_t size)
{
    snprintf(name, size, "\\Device\\%s0", serviceName);
}
}

bool FindTheStartingService(char* serviceName, DWORD size)
{
    char modulePath[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, modulePath, sizeof(modulePath));
    if (length == 0 || length >= sizeof(modulePath))
        return false;

    SC_HANDLE manager = ::OpenSCManagerA(NULL, NULL, SC_MANAGER_ENUMERATE_SERVICE);
    if (manager == NULL)
        return false;
    bool found = false;
    DWORD needed = 0;
    DWORD count = 0;
    DWORD resume = 0;
    ::EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, NULL, 0, &needed, &count,
                            &resume, NULL);
    BYTE* buffer = needed > 0 ? (BYTE*)malloc(needed) : NULL;
    resume = 0;
    if (buffer != NULL
        && ::EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, buffer, needed,
                                   &needed, &count, &resume, NULL))
    {
        ENUM_SERVICE_STATUS_PROCESSA* services = (ENUM_SERVICE_STATUS_PROCESSA*)buffer;
        for (DWORD i = 0; i < count && !found; i++)
        {
            if (services[i].ServiceStatusProcess.dwCurrentState == SERVICE_START_PENDING
                && IsThisProgram(manager, services[i].lpServiceName, modulePath)
                && strlen(services[i].lpServiceName) < size)
            {
                strcpy(serviceName, services[i].lpServiceName);
                found = true;
            }
        }
    }
    free(buffer);
    ::CloseServiceHandle(manager);
    return found;
}

bool PublishTheBoard(const char* serviceName)
{
    if (ReadSwitch(serviceName, "PublishBoard") == 0)
        return false;

    char keyPath[512];
    snprintf(keyPath, sizeof(keyPath), "SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters\\%s0", serviceName,
             serviceName);
    HKEY key = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL) == ERROR_SUCCESS)
    {
        const struct
        {
            const char* name;
            DWORD value;
        } values[] = {
            { "PciVendorID", c_labBoard.pciVendorId },
            { "PciDeviceID", c_labBoard.pciDeviceId },
            { "PciSubsystemID", c_labBoard.pciSubsystemId },
            { "PciSubsystemVendorID", c_labBoard.pciSubsystemVendorId },
            { "PciRevision", c_labBoard.pciRevision },
        };
        for (const auto& v : values)
            ::RegSetValueExA(key, v.name, 0, REG_DWORD, (const BYTE*)&v.value, sizeof(v.value));
        ::RegCloseKey(key);
    }

    if (ReadSwitch(serviceName, "PublishPort") == 0)
        return false;
    PublishThePort(serviceName);
    return true;
}

void PublishThePort(const char* serviceName)
{
    HKEY key = NULL;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, NULL, REG_OPTION_VOLATILE,
                          KEY_SET_VALUE | KEY_QUERY_VALUE, NULL, &key, NULL) == ERROR_SUCCESS)
    {
        char name[300];
        PortValueName(serviceName, name, sizeof(name));
        if (::RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            ::RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)c_labBoard.port, (DWORD)strlen(c_labBoard.port) + 1);
        ::RegCloseKey(key);
    }
}

void WithdrawThePort(const char* serviceName)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
    {
        char name[300];
        PortValueName(serviceName, name, sizeof(name));
        ::RegDeleteValueA(key, name);
        ::RegCloseKey(key);
    }
}
