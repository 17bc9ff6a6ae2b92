// The driver removal of an uninstall on a real lab machine: a driver package installed
// by the install procedure, its service running, then removed by the uninstall
// procedure, with the registry traces of a started legacy driver cleared.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "driver/CDriverSetup.h"
#include "resources/resource.h"
#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabDevInst.h"
#include "tests/support/LabService.h"
#include "tests/support/MachineState.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "wizard/CInstDriverPage.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CWizPropSheet.h"

namespace
{
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const char c_modemName[] = "Lab PCI Data Fax Modem";
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
const std::string c_htree = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const std::string c_eventLog = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";

struct Package
{
    std::string setupIdentifier = "PCI\\VEN_00AB&DEV_003C";   // field 2 of the setup INF's Models line
    DWORD publishBoard = 1;                                    // the driver leaves its PCI values
    bool addService = true;                                    // the services section has its AddService line
};

// The setup INF of the test's driver package: the lab's stand-in driver as service,
// with an event-log source, and the modem INF copied into the INF directory; its
// uninstall sections delete the service and that copy.
std::string SetupInf(const std::string& service, const std::string& modemInf, const Package& package)
{
    return "[Version]\r\nSignature = \"$Windows NT$\"\r\n\r\n"
           "[SourceDisksNames]\r\n1 = \"Lab disk\"\r\n\r\n"
           "[SourceDisksFiles]\r\n" + modemInf + " = 1\r\n\r\n"
           "[DestinationDirs]\r\nModemInfFiles = 17\r\n\r\n"
           "[Models]\r\nLab Board = QvxInstall" + (package.setupIdentifier.empty() ? "" : ", " + package.setupIdentifier) +
           "\r\n\r\n"
           "[QvxInstall]\r\nCopyFiles = ModemInfFiles\r\n\r\n"
           "[ModemInfFiles]\r\n" + modemInf + "\r\n\r\n"
           "[QvxInstall.Services]\r\n" + (package.addService ? "AddService = " + service + ", 0x2, QvxService, QvxEventLog\r\n" : "") +
           "\r\n"
           "[QvxService]\r\nServiceType = 16\r\nStartType = 3\r\nErrorControl = 1\r\n"
           "ServiceBinary = C:\\bench\\LABSVC.EXE\r\nAddReg = QvxService.AddReg\r\n\r\n"
           "[QvxService.AddReg]\r\n"
           "HKR, Parameters, PublishBoard, 0x10001, " + std::to_string(package.publishBoard) + "\r\n"
           "HKR, Parameters, PublishPort, 0x10001, 1\r\n\r\n"
           "[QvxEventLog]\r\nAddReg = QvxEventLog.AddReg\r\n\r\n"
           "[QvxEventLog.AddReg]\r\nHKR,, TypesSupported, 0x10001, 7\r\n\r\n"
           "[QvxInstall.Uninstall]\r\nDelFiles = ModemInfFiles\r\n\r\n"
           "[QvxInstall.Uninstall.Services]\r\nDelService = " + service + ", 0x200\r\n";
}

std::string ModemInf(const std::string& identifier)
{
    return "[Version]\r\nSignature = \"$Windows NT$\"\r\nClass = Modem\r\n"
           "ClassGUID = {4D36E96D-E325-11CE-BFC1-08002BE10318}\r\n\r\n"
           "[Models]\r\n" + std::string(c_modemName) + " = LabModem, " + identifier + "\r\n\r\n"
           "[LabModem]\r\nAddReg = LabModem.AddReg\r\n\r\n"
           "[LabModem.AddReg]\r\nHKR,, ResponsesKeyName, 0, \"Lab Modem::Lab\"\r\nHKR, Country, , 0x00000010\r\n";
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = (char)::toupper((unsigned char)c);
    return text;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ServiceExists(const std::string& name)
{
    return RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\" + name);
}

Lines AttachedComponents()
{
    return ReadAttachedComponents();
}

// Failures that Wine does not produce on its own.
BOOL WINAPI DenyTheStop(SC_HANDLE, DWORD, LPSERVICE_STATUS)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

class UninstallProcedure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LoadLabDevInst());
        m_attachedComponents = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, "AttachedComponents");
        RemoveTheModem();
    }

    void TearDown() override
    {
        RemoveTheModem();
        if (service)
        {
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_" + Upper(service->Name()));
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_eventLog + service->Name());
        }
        service.reset();
        for (const std::string& path : files)
            RemovePath(path);
        files.clear();
        if (m_attachedComponents.present)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_htree, "AttachedComponents", m_attachedComponents.type,
                               m_attachedComponents.bytes);
    }

    // Lays the package on disk: the setup INF (through the service fixture, so that the
    // service goes away with the test) and the modem INF beside the program.
    void LayOut(const Package& package)
    {
        modemInf = UniqueName("M") + ".INF";
        LabServiceOptions options;
        options.installNow = false;
        std::string inf = modemInf;
        options.infText = [inf, package](const std::string& name) { return SetupInf(name, inf, package); };
        service.reset(new LabService(options));
        WriteTextFile(BenchDirectory() + modemInf, ModemInf(c_identifier));
        files.push_back(BenchDirectory() + modemInf);
        files.push_back("C:\\windows\\inf\\" + modemInf);
    }

    // The package installed by the install procedure, with the traces that the system
    // keeps of a legacy driver that has started: its device key below Enum\Root, its
    // entry in AttachedComponents and its event-log source key.
    void Install(const Package& package = Package())
    {
        LayOut(package);
        CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
        CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), 13, true, true, 4, true, false);
        CInstDriverPage page;
        page.SetPageData(&sheet, &drivers);
        ASSERT_EQ(ST_SUCCESS, page.InstallDrivers(NULL));
        ASSERT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState(service->Name()));

        // What the lab's stand-in driver leaves as it starts.
        ASSERT_TRUE(LegacyKeyExists());
        ASSERT_TRUE(AttachedEntryExists());
        ASSERT_TRUE(EventLogKeyExists());
    }

    // Runs the procedure as the uninstall intro page runs it; the drivers stay for the
    // test to look at.
    SETUP_STATUS Uninstall(CDriverSetup& drivers, CWizPropSheet* sheet, Lines* log = NULL)
    {
        CUninstIntroPage page;
        page.SetPageData(sheet, ::GetModuleHandleA(NULL), 13, &drivers);
        StartTraceLog();
        SETUP_STATUS status = page.UninstallDrivers(NULL);
        if (log != NULL)
            *log = ReadTraceLogLines();
        return status;
    }

    std::string FirstPnPEnumID(CDriverSetup& drivers)
    {
        POSITION pos;
        CString id;
        if (drivers.GetFirstDriver(pos) && drivers.GetNextDriver(pos))
            drivers.GetPnPEnumID(pos, id);
        return (LPCSTR)id;
    }

    bool LegacyKeyExists() const { return RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_" + Upper(service->Name())); }
    bool EventLogKeyExists() const { return RegistryKeyExists(HKEY_LOCAL_MACHINE, c_eventLog + service->Name()); }
    bool AttachedEntryExists() const
    {
        Lines attached = AttachedComponents();
        return std::find(attached.begin(), attached.end(), "Root\\LEGACY_" + Upper(service->Name()) + "\\0000") != attached.end();
    }
    static std::string DeviceKey() { return c_enumRoot + c_identifier + "\\0000"; }

    static void RemoveTheModem() { RemoveTheModemDevice(c_identifier); }

    std::unique_ptr<LabService> service;
    std::string modemInf;
    std::vector<std::string> files;

private:
    RegistryValue m_attachedComponents;
};

// What the service-name routines of the clean-up log when each finds its key.
Lines CleanUpLines(const std::string& service)
{
    const std::string legacy = "LEGACY_" + Upper(service);
    return {
        "RemoveEnumRootDriverKey Asking Permission to open SYSTEM\\CurrentControlSet\\Enum\\Root\\",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Enum\\Root\\ for WRITE_DAC access",
        "RemoveEnumRootDriverKey Opening SYSTEM\\CurrentControlSet\\Enum\\Root\\",
        "RemoveEnumRootDriverKey removing " + legacy + " and all subkeys",
        "KillThisKeyAndAllItsSubkeys requesting access to " + legacy,
        "AllowAccessToKey opening " + legacy + " for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening " + legacy,
        "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found 0000",
        "KillThisKeyAndAllItsSubkeys requesting access to 0000",
        "AllowAccessToKey opening 0000 for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening 0000",
        "KillThisKeyAndAllItsSubkeys deleting 0000",
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "KillThisKeyAndAllItsSubkeys deleting " + legacy,
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "RemoveEnumRootDriverKey bRet 1",
        "RemoveEnumHtreeDriverString Asking Permission to open SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0 for WRITE_DAC access",
        "RemoveEnumHtreeDriverString Opening SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0",
        "RemoveEnumHtreeDriverString Sizing AttachedComponents",
        "RemoveEnumHtreeDriverString Size is " + std::to_string(23 + legacy.size() + 11) + " bytes",
        "RemoveEnumHtreeDriverString Reading AttachedComponents",
        "RemoveEnumHtreeDriverString Writing AttachedComponents",
        "RemoveEnumHtreeDriverString returning BOOLEAN 1",
        "RemoveEventLogDriverKey Asking Permission to open SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ for WRITE_DAC access",
        "RemoveEventLogDriverKey Opening SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\",
        "RemoveEventLogDriverKey removing " + service + " and all subkeys",
        "KillThisKeyAndAllItsSubkeys requesting access to " + service,
        "AllowAccessToKey opening " + service + " for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening " + service,
        "KillThisKeyAndAllItsSubkeys deleting " + service,
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "RemoveEventLogDriverKey bRet 1",
    };
}

Lines operator+(Lines first, const Lines& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST_F(UninstallProcedure, RemovesTheDriverAndItsTracesAndKeepsTheBoardsIdentifier)
{
    Install();
    const std::string name = service->Name();
    ASSERT_TRUE(LegacyKeyExists() && AttachedEntryExists() && EventLogKeyExists());
    ASSERT_TRUE(FileExists("C:\\windows\\inf\\" + modemInf));

    CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
    CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), 13, true, false, 256, true, false);
    Lines log;
    MessageBoxRecorder boxes;
    {
        RegKeyCounter keys;
        ServiceHandleCounter handles;
        EXPECT_EQ(ST_SUCCESS, Uninstall(drivers, &sheet, &log));
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_EQ(handles.Opened(), handles.Closed());
    }

    Lines expected = Lines{
        "GetDriverServiceName calling SetupOpenInfFile for " + service->InfPath(),
        "GetDriverServiceName looking for QvxInstall.Services",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        std::string("GetThePciPlugAndPlayIdString Returning ") + c_identifier,
        "GetThePciPlugAndPlayIdString BOOLEAN bRet = 1",
        std::string("SetPnPEnumID exit with ") + c_identifier,
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "GetInfo state 2 (DRV_S_STARTED)",
        "GetInfo exit with uRet 0",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "Stop exit with uRet 0",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "GetInfo state 1 (DRV_S_INSTALLED)",
        "GetInfo exit with uRet 0",
        "Uninstall exit with uRet 0",
    } + CleanUpLines(name) + Lines{ "CUninstIntroPage::UninstallDrivers returning UINT 0" };
    EXPECT_EQ(expected, log);

    // The driver and what the system kept of it are gone; the other legacy driver's
    // entry stays.
    EXPECT_EQ(0u, ReadServiceState(name));
    EXPECT_FALSE(ServiceExists(name));
    EXPECT_FALSE(FileExists("C:\\windows\\inf\\" + modemInf));
    EXPECT_FALSE(LegacyKeyExists());
    EXPECT_FALSE(EventLogKeyExists());
    EXPECT_EQ(Lines({ "Root\\LEGACY_BEEP\\0000" }), AttachedComponents());
    // The modem device is the finish step's: it stays, and the driver now carries the
    // identifier that the finish step finds it by.
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, DeviceKey()));
    EXPECT_EQ(c_identifier, FirstPnPEnumID(drivers));
    EXPECT_TRUE(boxes.Boxes().empty());
}

// A driver removal that fails shows its message (without an owner window in a silent
// run) and leaves the clean-up undone; a service name that cannot be read is only
// returned.
struct FailureCase
{
    const char* what;
    Package package;
    bool denyTheStop;        // ControlService refuses with access denied
    bool deleteTheInf;       // the setup INF is gone before the removal
    bool sheet;
    SETUP_STATUS status;
    Lines lastLines;
    bool message;            // IDS_WIZ_ERR_NO_ACCESS shown once
};

Package WithoutAddService()
{
    Package package;
    package.addService = false;
    return package;
}

TEST_F(UninstallProcedure, AFailedRemovalIsShownAndSkipsTheCleanUp)
{
    const FailureCase cases[] = {
        { "the stop is refused", Package(), true, false, true, ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED,
          { "Stop 5 (ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED)", "Stop exit with uRet 29",
            "CUninstIntroPage::UninstallDrivers returning UINT 29" },
          true },
        { "the stop is refused, and there is no sheet", Package(), true, false, false,
          ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED,
          { "Stop exit with uRet 29", "CUninstIntroPage::UninstallDrivers propsheetUninstIntro NULL (0)",
            "CUninstIntroPage::UninstallDrivers returning UINT 29" },
          false },
        { "the setup INF is gone", Package(), false, true, true, ST_INF_FILE_NOT_FOUND,
          { "GetDriverServiceName exit with uRet 8", "CUninstIntroPage::UninstallDrivers returning UINT 8" }, false },
        { "no AddService line", WithoutAddService(), false, false, true, ST_INF_NO_ADDSERVICE_KEY,
          { "GetDriverServiceName exit with uRet 9", "CUninstIntroPage::UninstallDrivers returning UINT 9" }, false },
    };
    char noAccess[256];
    ASSERT_GT(::LoadStringA(::GetModuleHandleA(NULL), IDS_WIZ_ERR_NO_ACCESS, noAccess, sizeof(noAccess)), 0);
    for (const FailureCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        bool running = c.package.addService;
        if (running)
            Install(c.package);
        else
            LayOut(c.package);
        CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
        if (c.deleteTheInf)
            RemovePath(service->InfPath());   // after the driver list has been read
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), 13, true, false, 256, true, false);
        Lines log;
        MessageBoxRecorder boxes;
        {
            RegKeyCounter keys;
            ServiceHandleCounter handles;
            std::unique_ptr<ImportSwap<decltype(&ControlService)>> deny;
            if (c.denyTheStop)
                deny.reset(new ImportSwap<decltype(&ControlService)>("advapi32.dll", "ControlService", DenyTheStop));
            EXPECT_EQ(c.status, Uninstall(drivers, c.sheet ? &sheet : NULL, &log));
            EXPECT_TRUE(keys.StillOpen().empty());
            EXPECT_EQ(handles.Opened(), handles.Closed());
        }
        ASSERT_GE(log.size(), c.lastLines.size());
        EXPECT_EQ(c.lastLines, Lines(log.end() - c.lastLines.size(), log.end()));
        EXPECT_TRUE(std::none_of(log.begin(), log.end(),
                                 [](const std::string& line) { return line.find("RemoveEnum") == 0; }));
        if (c.message)
        {
            ASSERT_EQ(1u, boxes.Boxes().size());
            EXPECT_EQ(NULL, boxes.Boxes()[0].owner);
            EXPECT_EQ(noAccess, boxes.Boxes()[0].text);
            EXPECT_EQ((UINT)MB_OK, boxes.Boxes()[0].type);
        }
        else
            EXPECT_TRUE(boxes.Boxes().empty());
        if (running)
        {
            EXPECT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState(service->Name()));
            EXPECT_TRUE(LegacyKeyExists() && AttachedEntryExists() && EventLogKeyExists());
        }
        TearDown();
    }
}

// Without the board's PCI values the driver keeps the enumerator ID of its setup INF
// line, which may be empty; the removal goes on.
TEST_F(UninstallProcedure, WithoutThePciValuesTheSetupInfsIdentifierStays)
{
    struct
    {
        const char* setupIdentifier;
    } cases[] = { { "PCI\\VEN_00AB&DEV_003C" }, { "" } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.setupIdentifier);
        Package package;
        package.publishBoard = 0;
        package.setupIdentifier = c.setupIdentifier;
        LayOut(package);
        {
            CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
            CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), 13, true, true, 4, true, false);
            CInstDriverPage page;
            page.SetPageData(&sheet, &drivers);
            page.InstallDrivers(NULL);   // ends early without the identifier; the service runs
        }
        ASSERT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState(service->Name()));

        CDriverSetup drivers(BenchDirectory().c_str(), service->InfPath().c_str(), "Models");
        const std::string listed = FirstPnPEnumID(drivers);
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), 13, true, false, 256, true, false);
        Lines log;
        EXPECT_EQ(ST_SUCCESS, Uninstall(drivers, &sheet, &log));
        ASSERT_GE(log.size(), 6u);
        EXPECT_EQ("GetDriverServiceName exit with uRet 0", log[3]);
        EXPECT_EQ(0u, log[4].find("GetThePciPlugAndPlayIdString "));
        EXPECT_TRUE(std::none_of(log.begin(), log.end(),
                                 [](const std::string& line) { return line.find("SetPnPEnumID") == 0; }));
        EXPECT_EQ("CUninstIntroPage::UninstallDrivers returning UINT 0", log.back());
        EXPECT_EQ(listed, FirstPnPEnumID(drivers));
        EXPECT_EQ(c.setupIdentifier[0] == '\0', listed.empty());
        EXPECT_FALSE(ServiceExists(service->Name()));
        TearDown();
    }
}

TEST_F(UninstallProcedure, DoesNothingWithoutDrivers)
{
    LayOut(Package());
    CDriverSetup empty(BenchDirectory().c_str(), service->InfPath().c_str(), "NoSuchSection");
    CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), 13, true, false, 256, true, false);
    struct
    {
        CDriverSetup* drivers;
        Lines log;
    } cases[] = {
        { NULL,
          { "CUninstIntroPage::UninstallDrivers driversetupUninstIntro NULL (0)",
            "CUninstIntroPage::UninstallDrivers returning UINT 0" } },
        { &empty, { "CUninstIntroPage::UninstallDrivers returning UINT 0" } },
    };
    for (const auto& c : cases)
    {
        CUninstIntroPage page;
        page.SetPageData(&sheet, ::GetModuleHandleA(NULL), 13, c.drivers);
        StartTraceLog();
        EXPECT_EQ(ST_SUCCESS, page.UninstallDrivers(NULL));
        EXPECT_EQ(c.log, ReadTraceLogLines());
    }
}
}
