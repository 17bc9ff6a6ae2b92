#include "lab/devinst/ClassDriverList.h"

#include <cstring>
#include <vector>

namespace
{
struct ElementDrivers
{
    HDEVINFO set;
    DWORD devInst;
    std::vector<ClassDriver> drivers;
    int selected;   // index into drivers, -1 for none
};

std::vector<ElementDrivers> g_lists;

ElementDrivers* FindList(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    if (device == NULL)
        return NULL;
    for (ElementDrivers& list : g_lists)
        if (list.set == set && list.devInst == device->DevInst)
            return &list;
    return NULL;
}

BOOL Fail(DWORD error)
{
    ::SetLastError(error);
    return FALSE;
}

bool ReadField(INFCONTEXT& line, DWORD index, std::wstring& value)
{
    WCHAR buffer[LINE_LEN];
    if (!::SetupGetStringFieldW(&line, index, buffer, LINE_LEN, NULL))
        return false;
    value = buffer;
    return true;
}

std::wstring ReadVersionValue(HINF inf, LPCWSTR key)
{
    INFCONTEXT line;
    std::wstring value;
    if (::SetupFindFirstLineW(inf, L"Version", key, &line))
        ReadField(line, 1, value);
    return value;
}

void ReadInf(const std::wstring& path, LPCWSTR className, std::vector<ClassDriver>& drivers)
{
    HINF inf = ::SetupOpenInfFileW(path.c_str(), NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE)
        return;
    if (lstrcmpiW(ReadVersionValue(inf, L"Class").c_str(), className) == 0)
    {
        std::wstring provider = ReadVersionValue(inf, L"Provider");
        INFCONTEXT line;
        for (BOOL found = ::SetupFindFirstLineW(inf, L"Models", NULL, &line); found;
             found = ::SetupFindNextLine(&line, &line))
        {
            ClassDriver driver;
            if (!ReadField(line, 0, driver.description) || !ReadField(line, 1, driver.installSection))
                continue;
            ReadField(line, 2, driver.hardwareId);
            driver.provider = provider;
            driver.infPath = path;
            drivers.push_back(driver);
        }
    }
    ::SetupCloseInfFile(inf);
}

std::vector<ClassDriver> ReadClassDrivers(LPCWSTR className)
{
    std::vector<ClassDriver> drivers;
    WCHAR windows[MAX_PATH];
    UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return drivers;
    std::wstring directory = std::wstring(windows, length) + L"\\inf\\";
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((directory + L"*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return drivers;
    do
    {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            ReadInf(directory + found.cFileName, className, drivers);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return drivers;
}
}

BOOL BuildClassDriverList(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    if (device == NULL || device->cbSize != sizeof(SP_DEVINFO_DATA))
        return Fail(ERROR_INVALID_PARAMETER);
    if (FindList(set, device) != NULL)
        return TRUE;   // built before: kept as it is
    // The class of the element, which also tells that the element is one of the set's.
    WCHAR className[LINE_LEN];
    if (!::SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_CLASS, NULL, (BYTE*)className, sizeof(className), NULL))
        return FALSE;
    className[LINE_LEN - 1] = L'\0';
    g_lists.push_back(ElementDrivers{ set, device->DevInst, ReadClassDrivers(className), -1 });
    return TRUE;
}

BOOL EnumClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD index, PSP_DRVINFO_DATA_W driver)
{
    ElementDrivers* list = FindList(set, device);
    if (list == NULL)
        return Fail(ERROR_NO_MORE_ITEMS);   // no list built: nothing to enumerate
    if (driver == NULL || (driver->cbSize != sizeof(SP_DRVINFO_DATA_V1_W) && driver->cbSize != sizeof(SP_DRVINFO_DATA_V2_W)))
        return Fail(ERROR_INVALID_USER_BUFFER);
    if (index >= list->drivers.size())
        return Fail(ERROR_NO_MORE_ITEMS);
    const ClassDriver& entry = list->drivers[index];
    DWORD size = driver->cbSize;
    memset(driver, 0, size);
    driver->cbSize = size;
    driver->DriverType = SPDIT_CLASSDRIVER;
    driver->Reserved = index + 1;   // the entry's number, by which the selection finds it
    lstrcpynW(driver->Description, entry.description.c_str(), LINE_LEN);
    lstrcpynW(driver->MfgName, entry.provider.c_str(), LINE_LEN);
    lstrcpynW(driver->ProviderName, entry.provider.c_str(), LINE_LEN);
    return TRUE;
}

BOOL SelectClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_W driver)
{
    ElementDrivers* list = FindList(set, device);
    if (driver == NULL)
    {
        if (list != NULL)
            list->selected = -1;
        return TRUE;
    }
    if (list == NULL)
        return Fail(ERROR_INVALID_PARAMETER);
    if (driver->DriverType != SPDIT_CLASSDRIVER || driver->Reserved == 0 || driver->Reserved > list->drivers.size())
        return Fail(ERROR_INVALID_PARAMETER);
    list->selected = (int)(driver->Reserved - 1);
    return TRUE;
}

BOOL DestroyClassDriverList(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    for (size_t i = 0; i < g_lists.size(); i++)
    {
        if (device != NULL && g_lists[i].set == set && g_lists[i].devInst == device->DevInst)
        {
            g_lists.erase(g_lists.begin() + i);
            break;
        }
    }
    return TRUE;
}

const ClassDriver* SelectedClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device)
{
    ElementDrivers* list = FindList(set, device);
    if (list == NULL || list->selected < 0)
        return NULL;
    return &list->drivers[list->selected];
}

void ForgetClassDriverLists(HDEVINFO set)
{
    for (size_t i = g_lists.size(); i > 0; i--)
        if (g_lists[i - 1].set == set)
            g_lists.erase(g_lists.begin() + (i - 1));
}
