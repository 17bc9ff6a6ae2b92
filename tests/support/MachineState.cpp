#include "tests/support/MachineState.h"

#include <cstring>

std::string ReadMachineString(const std::string& path, const char* value)
{
    char data[512] = "";
    DWORD size = sizeof(data) - 1;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_REG_SZ, NULL, data, &size) != ERROR_SUCCESS)
        return "(none)";
    return data;
}

std::vector<BYTE> ReadMachineBytes(const std::string& path, const char* value)
{
    BYTE data[16];
    DWORD size = sizeof(data);
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_ANY, NULL, data, &size) != ERROR_SUCCESS)
        return {};
    return std::vector<BYTE>(data, data + size);
}

DWORD ReadServiceState(const std::string& name)
{
    SC_HANDLE manager = ::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager != NULL ? ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS) : NULL;
    SERVICE_STATUS status = {};
    if (service != NULL)
        ::QueryServiceStatus(service, &status);
    if (service != NULL)
        ::CloseServiceHandle(service);
    if (manager != NULL)
        ::CloseServiceHandle(manager);
    return status.dwCurrentState;
}

std::vector<std::string> ReadAttachedComponents()
{
    std::vector<std::string> strings;
    DWORD size = 0;
    const char* path = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, path, "AttachedComponents", RRF_RT_ANY | RRF_NOEXPAND, NULL, NULL, &size)
        != ERROR_SUCCESS)
        return strings;
    std::string bytes(size, '\0');
    if (size > 0
        && ::RegGetValueA(HKEY_LOCAL_MACHINE, path, "AttachedComponents", RRF_RT_ANY | RRF_NOEXPAND, NULL, &bytes[0],
                          &size) != ERROR_SUCCESS)
        return strings;
    bytes.resize(size);
    for (size_t start = 0, end; start < bytes.size() && bytes[start] != '\0'; start = end + 1)
    {
        end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();
        strings.push_back(bytes.substr(start, end - start));
    }
    return strings;
}

void RemoveTheModemDevice(const std::string& identifier)
{
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SYSTEM\\CurrentControlSet\\Enum\\Root\\" + identifier).c_str());
    HKEY classKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}",
                        0, KEY_ALL_ACCESS, &classKey) == ERROR_SUCCESS)
    {
        char name[256];
        while (::RegEnumKeyA(classKey, 0, name, sizeof(name)) == ERROR_SUCCESS)
            if (::RegDeleteTreeA(classKey, name) != ERROR_SUCCESS)
                break;
        ::RegCloseKey(classKey);
    }
}

namespace
{
std::string g_fakeModulePath;
}

void SetFakeModulePath(const std::string& path)
{
    g_fakeModulePath = path;
}

DWORD WINAPI FakeGetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    if (size == 0)
        return 0;
    DWORD length = (DWORD)g_fakeModulePath.size();
    if (length >= size)
    {
        memcpy(buffer, g_fakeModulePath.data(), size - 1);
        buffer[size - 1] = '\0';
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    memcpy(buffer, g_fakeModulePath.c_str(), length + 1);
    return length;
}
