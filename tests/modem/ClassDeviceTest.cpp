// The modem's class device, created and removed through Wine's device installer, with
// the lab's stand-in (LABDEVINST.DLL) supplying the class-driver lists and the class
// installer's DIF_INSTALLDEVICE. The class drivers come from INF files in C:\windows\inf.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <setupapi.h>

#include "modem/ClassDevice.h"
#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabDevInst.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"

namespace
{
const std::string c_modemClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
const char c_twinClassKeys[][128] = {
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6C61622D-7477-696E-0000-000000000001}",
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{6C61622D-7477-696E-0000-000000000002}",
};

const wchar_t c_board[] = L"VEN_14F1&DEV_2F00&SUBSYS_200014F1&REV_01";
const std::string c_boardName = "VEN_14F1&DEV_2F00&SUBSYS_200014F1&REV_01";
const wchar_t c_secondBoard[] = L"VEN_14F1&DEV_2F01&SUBSYS_200014F1&REV_01";
const std::string c_secondBoardName = "VEN_14F1&DEV_2F01&SUBSYS_200014F1&REV_01";

const std::string c_version =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\n"
    "ClassGUID={4D36E96D-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Lab%\r\n\r\n"
    "[Manufacturer]\r\n%Lab% = Models\r\n\r\n";

// The install section "<name>" writes ResponsesKeyName "<name> Responses" and the
// subkey Country into the driver key.
std::string InstallSection(const std::string& name)
{
    return "[" + name + "]\r\nAddReg = " + name + ".AddReg\r\n\r\n[" + name + ".AddReg]\r\n"
           "HKR,,ResponsesKeyName,,\"" + name + " Responses\"\r\nHKR,Country,,0x10\r\n\r\n";
}

// Two drivers, the first with its description from the Strings section.
const std::string c_twoModelsInf = c_version +
    "[Models]\r\n%LabModem% = LabModem, PCI\\VEN_14F1&DEV_2F00\r\nOther Modem = Other, PCI\\VEN_14F1&DEV_2F01\r\n\r\n" +
    InstallSection("LabModem") + InstallSection("Other") + "[Strings]\r\nLab = \"The Lab\"\r\nLabModem = \"Lab PCI Modem\"\r\n";

// Two drivers whose descriptions differ only in case from "Lab PCI Modem".
const std::string c_caseInf = c_version + "[Models]\r\nLAB PCI MODEM = First\r\nlab pci modem = Second\r\n\r\n" +
                              InstallSection("First") + InstallSection("Second") + "[Strings]\r\nLab = \"The Lab\"\r\n";

// A driver of another class, which the Modem class does not offer.
const std::string c_portsInf =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Ports\r\nProvider=Lab\r\n\r\n"
    "[Models]\r\nPorts Modem = Ports\r\n\r\n" + InstallSection("Ports");

std::string InfPath(const char* name)
{
    char windows[MAX_PATH];
    UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length) + "\\inf\\" + name;
}

std::string Size(size_t size)
{
    return std::to_string(size);
}

// A REG_SZ value without its terminating zero; "<none>" when there is none.
std::string StringValue(const std::string& path, const char* name)
{
    RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, path, name);
    if (!value.present)
        return "<none>";
    if (!value.bytes.empty() && value.bytes.back() == '\0')
        value.bytes.pop_back();
    return value.bytes;
}

std::string DeviceKey(const std::string& name)
{
    return c_enumRoot + name + "\\0000";
}

// The instance identifiers of the present modems, as the device installer lists them.
Lines PresentModems()
{
    static const GUID modemClass = { 0x4D36E96D, 0xE325, 0x11CE, { 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18 } };
    Lines found;
    HDEVINFO set = ::SetupDiGetClassDevsW(&modemClass, NULL, NULL, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return found;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); index++)
    {
        char id[260];
        if (::SetupDiGetDeviceInstanceIdA(set, &device, id, sizeof(id), NULL))
            found.push_back(id);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

std::string RootId(const std::string& name)
{
    return "ROOT\\" + name + "\\0000";
}

// Counts, through forwarders to the real functions, the records allocated with
// GlobalAlloc and the device-information sets made, and what of them is given back;
// the nth GlobalAlloc can be made to fail. One watch at a time; swaps made later stack
// on top of it.
int s_allocations = 0;
int s_failingAllocation = 0;
std::set<HGLOBAL> s_liveAllocations;
std::set<HDEVINFO> s_liveSets;
decltype(&GlobalAlloc) s_globalAlloc = NULL;
decltype(&GlobalFree) s_globalFree = NULL;
decltype(&SetupDiCreateDeviceInfoList) s_createList = NULL;
decltype(&SetupDiGetClassDevsW) s_getClassDevs = NULL;
decltype(&SetupDiDestroyDeviceInfoList) s_destroyList = NULL;

HGLOBAL WINAPI WatchedGlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (++s_allocations == s_failingAllocation)
    {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    HGLOBAL memory = s_globalAlloc(flags, bytes);
    if (memory != NULL)
        s_liveAllocations.insert(memory);
    return memory;
}
HGLOBAL WINAPI WatchedGlobalFree(HGLOBAL memory)
{
    s_liveAllocations.erase(memory);
    return s_globalFree(memory);
}
HDEVINFO WINAPI WatchedCreateList(const GUID* classGuid, HWND parent)
{
    HDEVINFO set = s_createList(classGuid, parent);
    if (set != INVALID_HANDLE_VALUE)
        s_liveSets.insert(set);
    return set;
}
HDEVINFO WINAPI WatchedGetClassDevs(const GUID* classGuid, PCWSTR enumerator, HWND parent, DWORD flags)
{
    HDEVINFO set = s_getClassDevs(classGuid, enumerator, parent, flags);
    if (set != INVALID_HANDLE_VALUE)
        s_liveSets.insert(set);
    return set;
}
BOOL WINAPI WatchedDestroyList(HDEVINFO set)
{
    s_liveSets.erase(set);
    return s_destroyList(set);
}

class ResourceWatch
{
public:
    explicit ResourceWatch(int failingAllocation = 0)
        : m_alloc("kernel32.dll", "GlobalAlloc", WatchedGlobalAlloc),
          m_free("kernel32.dll", "GlobalFree", WatchedGlobalFree),
          m_createList("setupapi.dll", "SetupDiCreateDeviceInfoList", WatchedCreateList),
          m_getClassDevs("setupapi.dll", "SetupDiGetClassDevsW", WatchedGetClassDevs),
          m_destroyList("setupapi.dll", "SetupDiDestroyDeviceInfoList", WatchedDestroyList)
    {
        EXPECT_TRUE(m_alloc.IsActive() && m_free.IsActive() && m_createList.IsActive() && m_getClassDevs.IsActive()
                    && m_destroyList.IsActive());
        s_allocations = 0;
        s_failingAllocation = failingAllocation;
        s_liveAllocations.clear();
        s_liveSets.clear();
        s_globalAlloc = m_alloc.Original();
        s_globalFree = m_free.Original();
        s_createList = m_createList.Original();
        s_getClassDevs = m_getClassDevs.Original();
        s_destroyList = m_destroyList.Original();
    }
    ~ResourceWatch()
    {
        EXPECT_TRUE(s_liveAllocations.empty()) << s_liveAllocations.size() << " records not freed";
        EXPECT_TRUE(s_liveSets.empty()) << s_liveSets.size() << " sets not destroyed";
        s_failingAllocation = 0;
    }
    int Allocations() const { return s_allocations; }

private:
    ImportSwap<decltype(&GlobalAlloc)> m_alloc;
    ImportSwap<decltype(&GlobalFree)> m_free;
    ImportSwap<decltype(&SetupDiCreateDeviceInfoList)> m_createList;
    ImportSwap<decltype(&SetupDiGetClassDevsW)> m_getClassDevs;
    ImportSwap<decltype(&SetupDiDestroyDeviceInfoList)> m_destroyList;
};

// Replacements that fail the way the device installer fails.
HDEVINFO WINAPI FailCreateList(const GUID*, HWND)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}
HDEVINFO WINAPI FailGetClassDevs(const GUID*, PCWSTR, HWND, DWORD)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}
BOOL WINAPI FailInstallParams(HDEVINFO, PSP_DEVINFO_DATA, PSP_DEVINSTALL_PARAMS_W)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
BOOL WINAPI FailSelectDevice(HDEVINFO, PSP_DEVINFO_DATA)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
BOOL WINAPI FailSelectDriver(HDEVINFO, PSP_DEVINFO_DATA, PSP_DRVINFO_DATA_W)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}
BOOL WINAPI FailRegister(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PSP_DETSIG_CMPPROC, PVOID, PSP_DEVINFO_DATA)
{
    ::SetLastError(ERROR_DEVINST_ALREADY_EXISTS);
    return FALSE;
}
BOOL WINAPI FailClassInstaller(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA)
{
    ::SetLastError(ERROR_DI_DO_DEFAULT);
    return FALSE;
}
BOOL WINAPI FailInstanceId(HDEVINFO, PSP_DEVINFO_DATA, PWSTR, DWORD, PDWORD)
{
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
}

// Wine's own function of that name, which the stand-in stands in for.
void* WinesOwn(const char* function)
{
    return (void*)::GetProcAddress(::GetModuleHandleA("setupapi.dll"), function);
}

// One import of the program made to fail for a scope: replaced by replacement, or by
// Wine's own function when replacement is NULL. Nothing is swapped for a NULL import.
class Failure
{
public:
    Failure(const char* import, void* replacement)
    {
        if (import == NULL)
            return;
        m_swap.reset(new ImportSwap<void*>("setupapi.dll", import, replacement != NULL ? replacement : WinesOwn(import)));
        EXPECT_TRUE(m_swap->IsActive()) << import;
    }

private:
    std::unique_ptr<ImportSwap<void*>> m_swap;
};

class ClassDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadLabDevInst());
        WriteTextFile(InfPath("LABPORTS.INF"), c_portsInf);
        WriteModemInf(c_twoModelsInf);
        StartTraceLog();
    }
    void TearDown() override
    {
        RemoveDevices();
        RemovePath(InfPath("LABMODEM.INF"));
        RemovePath(InfPath("LABPORTS.INF"));
        for (const char* key : c_twinClassKeys)
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
    }

    void WriteModemInf(const std::string& text) { WriteTextFile(InfPath("LABMODEM.INF"), text); }

    // Two setup classes of one name.
    void MakeTwinClasses()
    {
        for (const char* key : c_twinClassKeys)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, key, "Class", REG_SZ, std::string("LabTwin", 8));
    }

    // The devices of the tests and their driver keys, whatever state they are in.
    void RemoveDevices()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + c_boardName);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + c_secondBoardName);
        HKEY classKey = NULL;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_modemClassKey.c_str(), 0, KEY_ALL_ACCESS, &classKey) != ERROR_SUCCESS)
            return;
        std::vector<std::string> driverKeys;
        char name[256];
        for (DWORD index = 0;; index++)
        {
            DWORD length = sizeof(name);
            if (::RegEnumKeyExA(classKey, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                break;
            driverKeys.push_back(name);
        }
        for (const std::string& key : driverKeys)
            ::RegDeleteTreeA(classKey, key.c_str());
        ::RegCloseKey(classKey);
    }

    // A device installed as the install procedure installs it; the log starts afresh.
    void InstallBoard(const wchar_t* name)
    {
        ASSERT_EQ(TRUE, InstallClassDevice(L"Modem", name, L"Lab PCI Modem", true));
        StartTraceLog();
    }
};

TEST_F(ClassDevice, InstallsARootDeviceWithTheClassDriverOfItsDescription)
{
    {
        ResourceWatch watch;
        EXPECT_EQ(TRUE, InstallClassDevice(L"Modem", c_board, L"Lab PCI Modem", true));
        EXPECT_EQ(3, watch.Allocations());
    }
    EXPECT_EQ(Lines({ "InstallClassDevice exit with BOOLEAN 1" }), ReadTraceLogLines());

    EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
    std::string device = DeviceKey(c_boardName);
    EXPECT_EQ("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000", StringValue(device, "Driver"));
    EXPECT_EQ("Lab PCI Modem", StringValue(device, "DeviceDesc"));
    EXPECT_EQ("Modem", StringValue(device, "Class"));
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, device, "Phantom").present);

    std::string driverKey = c_modemClassKey + "\\0000";
    EXPECT_EQ("LabModem Responses", StringValue(driverKey, "ResponsesKeyName"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, driverKey + "\\Country"));
    EXPECT_EQ("Lab PCI Modem", StringValue(driverKey, "DriverDesc"));
    EXPECT_EQ("LABMODEM.INF", StringValue(driverKey, "InfPath"));
    EXPECT_EQ("LabModem", StringValue(driverKey, "InfSection"));
    EXPECT_EQ("The Lab", StringValue(driverKey, "ProviderName"));
}

struct DriverChoice
{
    const char* what;
    const std::string* inf;
    std::wstring description;
    bool matchDescription;
    const char* responses;   // of the driver installed; NULL when none is
};

const DriverChoice c_driverChoices[] = {
    { "the description chooses the driver", &c_twoModelsInf, L"Other Modem", true, "Other Responses" },
    { "without matching the first driver is taken", &c_twoModelsInf, L"Other Modem", false, "LabModem Responses" },
    { "a driver of another class is not offered", &c_twoModelsInf, L"Ports Modem", true, NULL },
    { "descriptions that differ in case do not match", &c_caseInf, L"Lab PCI Modem", true, NULL },
    { "without matching the first of them is taken", &c_caseInf, L"Lab PCI Modem", false, "First Responses" },
    { "a description of a line's length matches nothing", &c_twoModelsInf, std::wstring(300, L'L'), true, NULL },
};

TEST_F(ClassDevice, InstallsTheDriverThatTheDescriptionChooses)
{
    for (const DriverChoice& c : c_driverChoices)
    {
        SCOPED_TRACE(c.what);
        WriteModemInf(*c.inf);
        StartTraceLog();
        {
            ResourceWatch watch;
            BOOLEAN installed = InstallClassDevice(L"Modem", c_board, c.description.c_str(), c.matchDescription);
            EXPECT_EQ(c.responses != NULL ? TRUE : FALSE, installed);
        }
        if (c.responses != NULL)
        {
            EXPECT_EQ(Lines({ "InstallClassDevice exit with BOOLEAN 1" }), ReadTraceLogLines());
            EXPECT_EQ(c.responses, StringValue(c_modemClassKey + "\\0000", "ResponsesKeyName"));
            EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
        }
        else
        {
            // The list ends without a driver taken: no line of its own, and the element,
            // never registered, went away with its set.
            EXPECT_EQ(Lines({ "InstallClassDevice exit with BOOLEAN 0" }), ReadTraceLogLines());
            EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + c_boardName));
            EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_modemClassKey + "\\0000"));
        }
        RemoveDevices();
    }
}

// The next device of a name is instance 0000 again after an attempt that failed before
// the element was registered.
TEST_F(ClassDevice, AFailedAttemptLeavesInstance0000Free)
{
    EXPECT_EQ(FALSE, InstallClassDevice(L"Modem", c_board, L"No Such Modem", true));
    EXPECT_EQ(TRUE, InstallClassDevice(L"Modem", c_board, L"Lab PCI Modem", true));
    EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
}

struct ClassCase
{
    const char* what;
    const wchar_t* className;
    Lines installLines;
    Lines removeLines;
};

const ClassCase c_classCases[] = {
    { "a name of no setup class", L"NoSuchClass",
      { "InstallClassDevice SetupDiClassGuidsFromName RequiredSize 0 (should be 1)", "InstallClassDevice exit with BOOLEAN 1" },
      { "UnInstallClassDevice SetupDiClassGuidsFromName RequiredSize 0 (should be 1)", "UnInstallClassDevice exit with 1" } },
    { "no name", NULL,
      { "InstallClassDevice SetupDiClassGuidsFromName RequiredSize 0 (should be 1)", "InstallClassDevice exit with BOOLEAN 1" },
      { "UnInstallClassDevice SetupDiClassGuidsFromName RequiredSize 0 (should be 1)", "UnInstallClassDevice exit with 1" } },
    // Two classes of one name do not fit the one-entry list: ERROR_INSUFFICIENT_BUFFER.
    { "a name of two setup classes", L"LabTwin",
      { "InstallClassDevice SetupDiClassGuidsFromName failed for LabTwin122", "InstallClassDevice exit with BOOLEAN 0" },
      { "UnInstallClassDevice SetupDiClassGuidsFromName failed for LabTwin122", "UnInstallClassDevice exit with 0" } },
};

TEST_F(ClassDevice, AClassNameOfNotOneSetupClassCreatesAndRemovesNothing)
{
    MakeTwinClasses();
    InstallBoard(c_board);
    for (const ClassCase& c : c_classCases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        {
            ResourceWatch watch;
            InstallClassDevice(c.className, c_secondBoard, L"Lab PCI Modem", true);
            UnInstallClassDevice(c.className, c_board);
        }
        Lines expected = c.installLines;
        expected.insert(expected.end(), c.removeLines.begin(), c.removeLines.end());
        EXPECT_EQ(expected, ReadTraceLogLines());
        EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
    }
}

struct InstallFailure
{
    const char* what;
    const char* import;   // made to fail; NULL for none
    void* replacement;    // NULL: Wine's own function
    int failingAllocation;
    std::wstring deviceName;
    Lines lines;
    bool staysRegistered;
};

const std::wstring c_longName = L"A\\" + std::wstring(300, L'B');

const InstallFailure c_installFailures[] = {
    { "no device record", NULL, NULL, 1, c_board,
      { "InstallClassDevice cannot allocate " + Size(sizeof(SP_DEVINFO_DATA)) + " bytes (PSP_DEVINFO_DATA)" }, false },
    { "no driver record", NULL, NULL, 2, c_board,
      { "InstallClassDevice cannot allocate " + Size(sizeof(SP_DRVINFO_DATA_V1_W)) + " bytes (PSP_DRVINFO_DATA)" }, false },
    { "no install-parameters record", NULL, NULL, 3, c_board,
      { "InstallClassDevice cannot allocate " + Size(sizeof(SP_DEVINSTALL_PARAMS_W)) + " bytes (PSP_DEVINSTALL_PARAMS)" },
      false },
    { "no set", "SetupDiCreateDeviceInfoList", (void*)FailCreateList, 0, c_board,
      { "InstallClassDevice SetupDiCreateDeviceInfoList 0" }, false },
    // A backslash is no part of a device name: ERROR_INVALID_DEVINST_NAME.
    { "a name with a backslash", NULL, NULL, 0, L"LAB\\MODEM",
      { "InstallClassDevice SetupDiCreateDeviceInfo failed for LAB\\MODEM" }, false },
    { "a name longer than a line is cut", NULL, NULL, 0, c_longName,
      { ("InstallClassDevice SetupDiCreateDeviceInfo failed for A\\" + std::string(300, 'B')).substr(0, 254) }, false },
    // Wine itself builds no class-driver list: ERROR_CALL_NOT_IMPLEMENTED.
    { "Wine's own driver list", "SetupDiBuildDriverInfoList", NULL, 0, c_board,
      { "InstallClassDevice SetupDiBuildDriverInfoList failed for " + c_boardName }, false },
    { "reading the install parameters", "SetupDiGetDeviceInstallParamsW", (void*)FailInstallParams, 0, c_board,
      { "InstallClassDevice SetupDiGetDeviceInstallParams failed for Lab PCI Modem" }, false },
    { "writing the install parameters", "SetupDiSetDeviceInstallParamsW", (void*)FailInstallParams, 0, c_board,
      { "InstallClassDevice SetupDiSetDeviceInstallParams failed for Lab PCI Modem" }, false },
    { "selecting the device", "SetupDiSetSelectedDevice", (void*)FailSelectDevice, 0, c_board,
      { "InstallClassDevice SetupDiSetSelectedDevice failed for Lab PCI Modem" }, false },
    { "selecting the driver", "SetupDiSetSelectedDriverW", (void*)FailSelectDriver, 0, c_board,
      { "InstallClassDevice SetupDiSetSelectedDriver failed for Lab PCI Modem" }, false },
    { "registering", "SetupDiRegisterDeviceInfo", (void*)FailRegister, 0, c_board,
      { "InstallClassDevice SetupDiRegisterDeviceInfo failed for Lab PCI Modem" }, false },
    // Wine's own class installer finds no driver selected: ERROR_NO_DRIVER_SELECTED. The
    // device was registered before and stays.
    { "Wine's own class installer", "SetupDiCallClassInstaller", NULL, 0, c_board,
      { "InstallClassDevice SetupDiCallClassInstaller failed for Lab PCI Modem" }, true },
};

TEST_F(ClassDevice, EachFailureOfAnInstallIsLoggedAndReleasesEverything)
{
    for (const InstallFailure& c : c_installFailures)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        {
            ResourceWatch watch(c.failingAllocation);
            Failure failure(c.import, c.replacement);
            EXPECT_EQ(FALSE, InstallClassDevice(L"Modem", c.deviceName.c_str(), L"Lab PCI Modem", true));
        }
        Lines expected = c.lines;
        expected.push_back("InstallClassDevice exit with BOOLEAN 0");
        EXPECT_EQ(expected, ReadTraceLogLines());
        if (c.staysRegistered)
        {
            EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
            EXPECT_EQ("<none>", StringValue(DeviceKey(c_boardName), "Driver"));
        }
        else
        {
            EXPECT_EQ(Lines(), PresentModems());
            EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + c_boardName));
        }
        RemoveDevices();
    }
}

// What the removal of a device found logs: the class installer removes the device, and
// the deletion of its keys afterwards finds them gone and succeeds.
Lines RemovalLines(const std::string& part)
{
    return { "UnInstallClassDevice SetupDiGetClassDevs found " + part, "UnInstallClassDevice exit with 1" };
}

TEST_F(ClassDevice, RemovesThePresentDeviceWhoseIdentifierHoldsThePart)
{
    InstallBoard(c_board);
    InstallBoard(c_secondBoard);
    ASSERT_EQ("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001", StringValue(DeviceKey(c_secondBoardName), "Driver"));
    {
        ResourceWatch watch;
        UnInstallClassDevice(L"Modem", L"DEV_2F01");
    }
    EXPECT_EQ(RemovalLines("DEV_2F01"), ReadTraceLogLines());
    EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + c_secondBoardName));
    // Its driver key goes with its Country subkey; the other device keeps its own.
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_modemClassKey + "\\0001"));
    EXPECT_EQ("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000", StringValue(DeviceKey(c_boardName), "Driver"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_modemClassKey + "\\0000"));
}

// Wine's own removal, which the stand-in completes: its DIF_REMOVE leaves a driver key
// that has a subkey, and its SetupDiDeleteDevRegKey finds no device once DIF_REMOVE has
// removed it. Windows deletes the driver key and succeeds.
TEST_F(ClassDevice, TheKeysOfARemovedDeviceAreGoneAndTheirDeletionSucceeds)
{
    static const GUID modemClass = { 0x4D36E96D, 0xE325, 0x11CE, { 0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18 } };
    typedef BOOL(WINAPI * CallClassInstaller)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA);
    typedef BOOL(WINAPI * DeleteDevRegKey)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD);
    struct
    {
        const char* what;
        bool winesRemoval;
        bool winesDeletion;
        bool driverKeyLeft;
        BOOL deleted;
        DWORD error;
    } cases[] = {
        { "Wine alone", true, true, true, FALSE, (DWORD)ERROR_NO_SUCH_DEVINST },
        { "with the stand-in", false, false, false, TRUE, (DWORD)NO_ERROR },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        InstallBoard(c_board);
        ASSERT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_modemClassKey + "\\0000\\Country"));
        CallClassInstaller callClassInstaller =
            c.winesRemoval ? (CallClassInstaller)WinesOwn("SetupDiCallClassInstaller") : &::SetupDiCallClassInstaller;
        DeleteDevRegKey deleteDevRegKey =
            c.winesDeletion ? (DeleteDevRegKey)WinesOwn("SetupDiDeleteDevRegKey") : &::SetupDiDeleteDevRegKey;

        HDEVINFO set = ::SetupDiGetClassDevsW(&modemClass, NULL, NULL, DIGCF_PRESENT);
        ASSERT_NE(INVALID_HANDLE_VALUE, set);
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof(device);
        ASSERT_TRUE(::SetupDiEnumDeviceInfo(set, 0, &device));
        EXPECT_TRUE(callClassInstaller(DIF_REMOVE, set, &device));
        ::SetLastError(NO_ERROR);
        EXPECT_EQ(c.deleted, deleteDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0xFFFFFFFF, DIREG_BOTH));
        EXPECT_EQ(c.error, ::GetLastError());
        ::SetupDiDestroyDeviceInfoList(set);

        EXPECT_EQ(Lines(), PresentModems());
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + c_boardName));
        EXPECT_EQ(c.driverKeyLeft, RegistryKeyExists(HKEY_LOCAL_MACHINE, c_modemClassKey + "\\0000"));
        RemoveDevices();
    }
}

// A failed deletion of the keys after the class installer has removed the device is a
// failed removal.
TEST_F(ClassDevice, AFailedKeyDeletionAfterTheRemovalFailsTheRemoval)
{
    InstallBoard(c_board);
    {
        ResourceWatch watch;
        Failure failure("SetupDiDeleteDevRegKey", NULL);   // Wine's own: no such device any more
        EXPECT_EQ(FALSE, UnInstallClassDevice(L"Modem", L"DEV_2F00"));
    }
    EXPECT_EQ(Lines({ "UnInstallClassDevice SetupDiGetClassDevs found DEV_2F00",
                      "UnInstallClassDevice SetupDiDeleteDevRegKey failed for DEV_2F00", "UnInstallClassDevice exit with 0" }),
              ReadTraceLogLines());
    EXPECT_EQ(Lines(), PresentModems());
}

struct SearchCase
{
    const char* what;
    const wchar_t* part;
    Lines lines;
    Lines remaining;
};

const SearchCase c_searches[] = {
    { "an empty part is in the first device", L"", RemovalLines(""), { RootId(c_secondBoardName) } },
    { "a part in another case is in none", L"dev_2f00", { "UnInstallClassDevice exit with 1" },
      { RootId(c_boardName), RootId(c_secondBoardName) } },
    { "a part in no device", L"DEV_2F00&SUBSYS_200014F1&REV_01\\0001", { "UnInstallClassDevice exit with 1" },
      { RootId(c_boardName), RootId(c_secondBoardName) } },
    { "no part is in none", NULL, { "UnInstallClassDevice exit with 1" },
      { RootId(c_boardName), RootId(c_secondBoardName) } },
};

TEST_F(ClassDevice, TheFirstPresentDeviceThatHoldsThePartExactlyIsRemoved)
{
    for (const SearchCase& c : c_searches)
    {
        SCOPED_TRACE(c.what);
        InstallBoard(c_board);
        InstallBoard(c_secondBoard);
        {
            ResourceWatch watch;
            UnInstallClassDevice(L"Modem", c.part);
        }
        EXPECT_EQ(c.lines, ReadTraceLogLines());
        EXPECT_EQ(c.remaining, PresentModems());
        RemoveDevices();
    }
}

struct RemoveFailure
{
    const char* what;
    const char* import;   // made to fail; NULL for none
    void* replacement;
    int failingAllocation;
    Lines lines;
    BOOLEAN result;
};

const RemoveFailure c_removeFailures[] = {
    { "no device record", NULL, NULL, 1,
      { "UnInstallClassDevice cannot allocate " + Size(sizeof(SP_DEVINFO_DATA)) + " bytes (PSP_DEVINFO_DATA)" }, FALSE },
    { "no driver record", NULL, NULL, 2,
      { "UnInstallClassDevice cannot allocate " + Size(sizeof(SP_DRVINFO_DATA_V1_W)) + " bytes (PSP_DRVINFO_DATA)" },
      FALSE },
    { "no set of the present devices", "SetupDiGetClassDevsW", (void*)FailGetClassDevs, 0,
      { "UnInstallClassDevice SetupDiGetClassDevs failed for Modem" }, FALSE },
    { "no instance identifier ends the search", "SetupDiGetDeviceInstanceIdW", (void*)FailInstanceId, 0, {}, TRUE },
    { "selecting the device", "SetupDiSetSelectedDevice", (void*)FailSelectDevice, 0,
      { "UnInstallClassDevice SetupDiGetClassDevs found DEV_2F00",
        "UnInstallClassDevice SetupDiSetSelectedDevice failed for DEV_2F00" },
      FALSE },
    { "registering", "SetupDiRegisterDeviceInfo", (void*)FailRegister, 0,
      { "UnInstallClassDevice SetupDiGetClassDevs found DEV_2F00",
        "UnInstallClassDevice SetupDiRegisterDeviceInfo failed for DEV_2F00" },
      FALSE },
    { "the class installer", "SetupDiCallClassInstaller", (void*)FailClassInstaller, 0,
      { "UnInstallClassDevice SetupDiGetClassDevs found DEV_2F00",
        "UnInstallClassDevice SetupDiCallClassInstaller failed for DEV_2F00" },
      FALSE },
};

TEST_F(ClassDevice, EachFailureOfARemovalIsLoggedAndReleasesEverything)
{
    InstallBoard(c_board);
    for (const RemoveFailure& c : c_removeFailures)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        {
            ResourceWatch watch(c.failingAllocation);
            Failure failure(c.import, c.replacement);
            EXPECT_EQ(c.result, UnInstallClassDevice(L"Modem", L"DEV_2F00"));
        }
        Lines expected = c.lines;
        expected.push_back(std::string("UnInstallClassDevice exit with ") + (c.result ? "1" : "0"));
        EXPECT_EQ(expected, ReadTraceLogLines());
        EXPECT_EQ(Lines({ RootId(c_boardName) }), PresentModems());
    }
}
}
