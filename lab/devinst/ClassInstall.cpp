#include "lab/devinst/ClassInstall.h"

namespace
{
DWORD ApplyInstallSection(const ClassDriver& driver, HKEY driverKey)
{
    HINF inf = ::SetupOpenInfFileW(driver.infPath.c_str(), NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    DWORD error = NO_ERROR;
    WCHAR section[LINE_LEN];
    if (!::SetupDiGetActualSectionToInstallW(inf, driver.installSection.c_str(), section, LINE_LEN, NULL, NULL))
        error = ::GetLastError();
    else if (!::SetupInstallFromInfSectionW(NULL, inf, section, SPINST_REGISTRY, driverKey, NULL, 0, NULL, NULL, NULL, NULL))
        error = ::GetLastError();
    ::SetupCloseInfFile(inf);
    return error;
}

DWORD SetString(HKEY key, LPCWSTR name, const std::wstring& value)
{
    return ::RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)((value.size() + 1) * sizeof(WCHAR)));
}

// The values by which Windows records the installed driver in its key.
DWORD RecordDriver(const ClassDriver& driver, HKEY driverKey)
{
    size_t nameStart = driver.infPath.find_last_of(L'\\');
    std::wstring infName = nameStart == std::wstring::npos ? driver.infPath : driver.infPath.substr(nameStart + 1);
    DWORD error = SetString(driverKey, L"DriverDesc", driver.description);
    if (error == NO_ERROR)
        error = SetString(driverKey, L"ProviderName", driver.provider);
    if (error == NO_ERROR)
        error = SetString(driverKey, L"InfPath", infName);
    if (error == NO_ERROR)
        error = SetString(driverKey, L"InfSection", driver.installSection);
    return error;
}
}

BOOL InstallClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, const ClassDriver& driver)
{
    HKEY driverKey = ::SetupDiCreateDevRegKeyW(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, NULL, NULL);
    if (driverKey == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD error = ApplyInstallSection(driver, driverKey);
    if (error == NO_ERROR)
        error = RecordDriver(driver, driverKey);
    ::RegCloseKey(driverKey);
    ::SetLastError(error);
    return error == NO_ERROR;
}
