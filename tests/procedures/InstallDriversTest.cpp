// The installation as one sequence, on a real lab machine: the driver package installed
// and its service started for real, the board published by the lab's stand-in driver,
// the modem INF found beside the program, the modem device made through the device
// installer (with the lab's stand-in for what Wine lacks), its port and country written.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/CDriverSetup.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabDevInst.h"
#include "tests/support/LabService.h"
#include "tests/support/MachineState.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/modem/ModemTestSupport.h"
#include "wizard/CInstDriverPage.h"
#include "wizard/CWizPropSheet.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const char c_modemClass[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
const char c_modemName[] = "Lab PCI Data Fax Modem";

struct Package
{
    std::string setupIdentifier = "PCI\\VEN_00AB&DEV_003C";   // field 2 of the setup INF's Models line
    std::string besideDescription = c_modemName;               // the modem INF beside the program
    std::string besideIdentifier = c_identifier;
    std::string classDriverDescription = c_modemName;          // its copy in the INF directory
    DWORD publishBoard = 1;
    DWORD publishPort = 1;
};

// The setup INF of the test's driver package: the lab's stand-in driver as service,
// the modem INF copied into the INF directory.
std::string SetupInf(const std::string& service, const std::string& modemInf, const Package& package)
{
    return "[Version]\r\nSignature = \"$Windows NT$\"\r\n\r\n"
           "[SourceDisksNames]\r\n1 = \"Lab disk\"\r\n\r\n"
           "[SourceDisksFiles]\r\n" + modemInf + " = 1\r\n\r\n"
           "[DestinationDirs]\r\nModemInfFiles = 17\r\n\r\n"
           "[Models]\r\nLab Board = QvxInstall" + (package.setupIdentifier.empty() ? "" : ", " + package.setupIdentifier) +
           "\r\n\r\n"
           "[QvxInstall]\r\n" + (package.classDriverDescription == package.besideDescription ? "CopyFiles = ModemInfFiles\r\n" : "") + "\r\n"
           "[ModemInfFiles]\r\n" + modemInf + "\r\n\r\n"
           "[QvxInstall.Services]\r\nAddService = " + service + ", 0x2, QvxService\r\n\r\n"
           "[QvxService]\r\nServiceType = 16\r\nStartType = 3\r\nErrorControl = 1\r\n"
           "ServiceBinary = C:\\bench\\LABSVC.EXE\r\nAddReg = QvxService.AddReg\r\n\r\n"
           "[QvxService.AddReg]\r\n"
           "HKR, Parameters, PublishBoard, 0x10001, " + std::to_string(package.publishBoard) + "\r\n"
           "HKR, Parameters, PublishPort, 0x10001, " + std::to_string(package.publishPort) + "\r\n";
}

std::string ModemInf(const std::string& description, const std::string& identifier)
{
    return "[Version]\r\nSignature = \"$Windows NT$\"\r\nClass = Modem\r\n"
           "ClassGUID = {4D36E96D-E325-11CE-BFC1-08002BE10318}\r\n\r\n"
           "[Models]\r\n" + description + " = LabModem, " + identifier + "\r\n\r\n"
           "[LabModem]\r\nAddReg = LabModem.AddReg\r\n\r\n"
           "[LabModem.AddReg]\r\nHKR,, ResponsesKeyName, 0, \"Lab Modem::Lab\"\r\nHKR, Country, , 0x00000010\r\n";
}

// Applet starts, recorded instead of made.
struct AppletStart
{
    std::string application;
    std::string commandLine;
    DWORD flags;
    DWORD startupSize;
};
std::vector<AppletStart> g_appletStarts;

BOOL WINAPI RecordCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                BOOL, DWORD flags, LPVOID, LPCSTR, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION)
{
    g_appletStarts.push_back({ application != NULL ? application : "(null)", commandLine != NULL ? commandLine : "",
                               flags, startup != NULL ? startup->cb : 0 });
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

bool KeyExists(const std::string& path)
{
    return RegistryKeyExists(HKEY_LOCAL_MACHINE, path);
}

// Failures that Wine does not produce on its own, each for one key or value.
decltype(&RegOpenKeyExA) g_realRegOpenKeyExA = NULL;
LONG WINAPI RefuseTheDeviceKey(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if (path != NULL && strstr(path, "Enum\\Root\\VEN_00AB") != NULL)
        return ERROR_ACCESS_DENIED;
    return g_realRegOpenKeyExA(root, path, options, access, key);
}
decltype(&RegSetValueExA) g_realRegSetValueExA = NULL;
LONG WINAPI RefuseAttachedTo(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (name != NULL && strcmp(name, "AttachedTo") == 0)
        return ERROR_ACCESS_DENIED;
    return g_realRegSetValueExA(key, name, reserved, type, data, size);
}

DWORD ReadServiceState(const std::string& name)
{
    SC_HANDLE manager = ::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE service = ::OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    if (service != NULL)
        ::QueryServiceStatus(service, &status);
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return status.dwCurrentState;
}

class InstallProcedure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadLabDevInst());
        g_appletStarts.clear();
        RemoveTheModem();
    }

    void TearDown() override
    {
        RemoveTheModem();
        service.reset();
        for (const std::string& path : files)
            RemovePath(path);
    }

    // Lays the package on disk: the setup INF (through the service fixture, so that the
    // service goes away with the test), the modem INF beside the program and, as the
    // device installer's class driver, in the INF directory.
    void LayOut(const Package& package)
    {
        modemInf = UniqueName("M") + ".INF";
        LabServiceOptions options;
        options.installNow = false;
        std::string inf = modemInf;
        options.infText = [inf, package](const std::string& name) { return SetupInf(name, inf, package); };
        service.reset(new LabService(options));
        WriteTextFile(BenchDirectory() + modemInf, ModemInf(package.besideDescription, package.besideIdentifier));
        files.push_back(BenchDirectory() + modemInf);
        files.push_back("C:\\windows\\inf\\" + modemInf);
        // The setup INF copies the modem INF into the INF directory; a class driver of
        // another description stands there in its place when the test asks for one.
        if (package.classDriverDescription != package.besideDescription)
        {
            std::string other = UniqueName("C") + ".INF";
            WriteTextFile("C:\\windows\\inf\\" + other, ModemInf(package.classDriverDescription, c_identifier));
            files.push_back("C:\\windows\\inf\\" + other);
        }
    }

    // Runs the procedure as the wizard's driver page runs it.
    SETUP_STATUS Install(bool silent, bool countryFlag, WORD countryCode, Lines* log = NULL)
    {
        CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
        CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), 13, silent, countryFlag, countryCode, true, false);
        CInstDriverPage page;
        page.SetPageData(&sheet, &drivers);
        StartTraceLog();
        SETUP_STATUS status;
        {
            ImportSwap<decltype(&CreateProcessA)> applet("kernel32.dll", "CreateProcessA", RecordCreateProcess);
            status = page.InstallDrivers(NULL);
        }
        if (log != NULL)
            *log = ReadTraceLogLines();
        return status;
    }

    std::string DeviceKey() const { return std::string("SYSTEM\\CurrentControlSet\\Enum\\Root\\") + c_identifier + "\\0000"; }
    std::string ClassKey() const { return std::string(c_modemClass) + "\\" + ReadMachineString(DeviceKey(), "Driver").substr(39); }

    static void RemoveTheModem() { RemoveTheModemDevice(c_identifier); }

    std::unique_ptr<LabService> service;
    std::string modemInf;
    std::vector<std::string> files;
};

TEST_F(InstallProcedure, InstallsTheBoardAsAModemEndToEnd)
{
    LayOut(Package());
    Lines log;
    ASSERT_EQ(ST_SUCCESS, Install(true, true, 4, &log));
    const std::string& name = service->Name();
    const std::string inf = service->InfPath();

    EXPECT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState(name));
    EXPECT_EQ("COM3", ReadMachineString(ClassKey(), "AttachedTo"));
    EXPECT_EQ(std::vector<BYTE>({ 0x04, 0x00 }), ReadMachineBytes(ClassKey() + "\\Country", "Current"));
    EXPECT_EQ("Lab Modem::Lab", ReadMachineString(ClassKey(), "ResponsesKeyName"));
    EXPECT_TRUE(g_appletStarts.empty());

    Lines expected = {
        "GetDriverServiceName calling SetupOpenInfFile for " + inf,
        "GetDriverServiceName looking for QvxInstall.Services",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)",
        "open_service exit with uRet 20",
        "GetInfo state 0 (DRV_S_NONE)",
        "GetInfo exit with uRet 0",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "CDriver::Install exit with uRet 0",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "Start exit with uRet 0",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        std::string("GetThePciPlugAndPlayIdString Returning ") + c_identifier,
        "GetThePciPlugAndPlayIdString BOOLEAN bRet = 1",
        std::string("SetPnPEnumID exit with ") + c_identifier,
        "CInstDriverPage::GetTheInfFileDescription return with 1",
        std::string("SetName exit with ") + c_modemName,
        std::string("GetPnPEnumID exit with ") + c_identifier,
        std::string("GetName exit with ") + c_modemName,
        "InstallClassDevice exit with BOOLEAN 1",
        "FindOurControlClass returning key ",   // the handle's value varies: compared as a prefix below
        "FetchAttachedTo RegOpenKeyEx found COM3",
        "FetchAttachedTo BOOLEAN bRet = 1",
        "AddAttachedToStringToRegistry added AttachedTo = COM3",
        "AddAttachedToStringToRegistry BOOLEAN bRet = 1",
        "AddCurrentCountryStringToRegistry  added country 4",
        "AddCurrentCountryStringToRegistry current country = 4",
        "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1",
        "CInstDriverPage::InstallDrivers returning UINT 0",
    };
    ASSERT_EQ(expected.size(), log.size()) << ::testing::PrintToString(log);
    for (size_t i = 0; i < expected.size(); i++)
    {
        if (expected[i] == "FindOurControlClass returning key ")
            EXPECT_EQ(0u, log[i].find(expected[i])) << log[i];
        else
            EXPECT_EQ(expected[i], log[i]);
    }
    EXPECT_NE("FindOurControlClass returning key 0", log[25]);
}

// Where a step fails, the procedure ends with its status; what was done before stays.
struct FailureCase
{
    const char* what;
    Package package;
    SETUP_STATUS status;
    Lines lastLines;     // the end of the log
    bool device;         // the modem device exists afterwards
};

Package With(void (*change)(Package&))
{
    Package package;
    change(package);
    return package;
}

TEST_F(InstallProcedure, EndsAtTheFirstFailingStep)
{
    const FailureCase cases[] = {
        { "no INF lists the board", With([](Package& p) { p.besideIdentifier = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_02"; }),
          ST_MODEM_INF_NOT_FOUND,
          { "CInstDriverPage::GetTheInfFileDescription return with 0", "CInstDriverPage::InstallDrivers returning UINT 11" },
          false },
        { "no class driver of the modem's name", With([](Package& p) { p.classDriverDescription = "Some Other Modem"; }),
          ST_MODEM_CANT_INSTALL_CLASS_DEVICE,
          { "InstallClassDevice exit with BOOLEAN 0", "CInstDriverPage::InstallDrivers returning UINT 15" }, false },
        { "the driver lists no port", With([](Package& p) { p.publishPort = 0; }), ST_MODEM_CANT_FETCH_ATTACHED_TO,
          { "FetchAttachedTo BOOLEAN bRet = 0", "CInstDriverPage::InstallDrivers returning UINT 13" }, true },
        { "no PCI values and no identifier in the setup INF",
          With([](Package& p) { p.publishBoard = 0; p.setupIdentifier = ""; }), ST_SUCCESS,
          { "GetPnPEnumID exit with ", "GetName exit with Lab Board",
            "CInstDriverPage::InstallDrivers cannot convert modem name 0",
            "CInstDriverPage::InstallDrivers returning UINT 0" },
          false },
    };
    for (const FailureCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        LayOut(c.package);
        Lines log;
        RegKeyCounter keys;
        EXPECT_EQ(c.status, Install(false, true, 4, &log));
        EXPECT_TRUE(keys.StillOpen().empty());
        ASSERT_GE(log.size(), c.lastLines.size());
        EXPECT_EQ(c.lastLines, Lines(log.end() - c.lastLines.size(), log.end()));
        EXPECT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState(service->Name()));
        EXPECT_EQ(c.device, KeyExists(DeviceKey()));
        if (c.device)
        {
            EXPECT_EQ("(none)", ReadMachineString(ClassKey(), "AttachedTo"));
        }
        EXPECT_TRUE(g_appletStarts.empty());
        TearDown();
        files.clear();
    }
}

TEST_F(InstallProcedure, ReportsRegistryRefusals)
{
    LayOut(Package());
    {
        ImportSwap<decltype(&RegOpenKeyExA)> refuse("advapi32.dll", "RegOpenKeyExA", RefuseTheDeviceKey);
        g_realRegOpenKeyExA = refuse.Original();
        Lines log;
        EXPECT_EQ(ST_MODEM_CANT_FIND_CONTROL_CLASS, Install(true, false, 256, &log));
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ("CInstDriverPage::InstallDrivers returning UINT 14", log.back());
        EXPECT_EQ("FindOurControlClass returning key 0", log[log.size() - 2]);
    }
    RemoveTheModem();
    service.reset();
    LayOut(Package());
    {
        RegKeyCounter keys;
        ImportSwap<decltype(&RegSetValueExA)> refuse("advapi32.dll", "RegSetValueExA", RefuseAttachedTo);
        g_realRegSetValueExA = refuse.Original();
        Lines log;
        EXPECT_EQ(ST_MODEM_CANT_ADD_ATTACHED_TO, Install(true, false, 256, &log));
        EXPECT_TRUE(keys.StillOpen().empty());
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(Lines({ "AddAttachedToStringToRegistry RegSetValueEx returned error 5",
                          "AddAttachedToStringToRegistry BOOLEAN bRet = 0",
                          "CInstDriverPage::InstallDrivers returning UINT 12" }),
                  Lines(log.end() - 3, log.end()));
    }
}

// The maker's applet settles a country that the command line did not: started in the
// wizard when the country is not settled, never in silent mode, and not waited for.
TEST_F(InstallProcedure, StartsTheCountryAppletOnlyInTheWizardForAnUnsettledCountry)
{
    struct
    {
        bool silent;
        bool countryFlag;
        WORD countryCode;
        bool applet;
    } cases[] = {
        { false, true, 181, false },     // a recognised country
        { false, true, 0xFFFF, true },   // an unrecognised one
        { false, false, 256, true },     // none asked for, and none recorded
        { true, false, 256, false },     // the same, silent
        { true, true, 0xFFFF, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.silent) + " " + std::to_string(c.countryFlag) + " " + std::to_string(c.countryCode));
        LayOut(Package());
        g_appletStarts.clear();
        EXPECT_EQ(ST_SUCCESS, Install(c.silent, c.countryFlag, c.countryCode));
        ASSERT_EQ(c.applet ? 1u : 0u, g_appletStarts.size());
        if (c.applet)
        {
            char system[MAX_PATH];
            ::GetSystemDirectoryA(system, sizeof(system));
            EXPECT_EQ(std::string(system) + "\\rundll32.exe", g_appletStarts[0].application);
            EXPECT_EQ("rundll32.exe shell32.dll,Control_RunDLL pmzcpl.cpl", g_appletStarts[0].commandLine);
            EXPECT_EQ(0x4000020u, g_appletStarts[0].flags);
            EXPECT_EQ(sizeof(STARTUPINFOA), g_appletStarts[0].startupSize);
        }
        TearDown();
        files.clear();
    }
}

TEST_F(InstallProcedure, PassesOnTheDriversFailure)
{
    LayOut(Package());
    ASSERT_EQ(ST_SUCCESS, Install(true, true, 4));
    RemoveTheModem();
    Lines log;
    EXPECT_EQ(ST_DRV_CANT_INSTALL_ALREADY_INSTALLED, Install(true, true, 4, &log));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Lines({ "CDriver::Install exit with uRet 1", "CInstDriverPage::InstallDrivers returning UINT 1" }),
              Lines(log.end() - 2, log.end()));
    EXPECT_FALSE(KeyExists(DeviceKey()));
}

TEST_F(InstallProcedure, DoesNothingWithoutItsSheetOrDrivers)
{
    LayOut(Package());
    CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
    CDriverSetup empty(BenchDirectory().c_str(), service->InfPath().c_str(), "NoSuchSection");
    CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), 13, true, false, 256, true, false);
    struct
    {
        CWizPropSheet* sheet;
        CDriverSetup* drivers;
        Lines log;
    } cases[] = {
        { &sheet, NULL,
          { "CInstDriverPage::InstallDrivers driversetupInstDriver NULL (0)", "CInstDriverPage::InstallDrivers returning UINT 0" } },
        { NULL, &drivers,
          { "CInstDriverPage::InstallDrivers propsheetInstDriver NULL (0)", "CInstDriverPage::InstallDrivers returning UINT 0" } },
        { &sheet, &empty, { "CInstDriverPage::InstallDrivers returning UINT 0" } },
    };
    for (const auto& c : cases)
    {
        CInstDriverPage page;
        page.propsheetInstDriver = c.sheet;
        page.driversetupInstDriver = c.drivers;
        StartTraceLog();
        EXPECT_EQ(ST_SUCCESS, page.InstallDrivers(NULL));
        EXPECT_EQ(c.log, ReadTraceLogLines());
    }
    EXPECT_EQ(0u, ReadServiceState(service->Name()));
}
}
