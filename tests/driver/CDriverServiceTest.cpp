// The driver's NT service as the setup program sees it: its name in the setup INF, its
// state, its start and its stop, tried on real INF files and on real services of
// LABSVC.EXE in real states. Only what Wine cannot bring about (a Service Control
// Manager or a service that refuses to open, a status that cannot be queried, the rarer
// refusals of a start or a stop) is injected by swapping the test program's imports.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "driver/CDriver.h"
#include "driver/CDriverSetup.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabService.h"
#include "tests/support/TraceLog.h"

namespace
{
typedef std::vector<std::string> Lines;

Lines Join(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The lines of a first GetDriverServiceName, which reads the name from the INF.
Lines NameFromInf(const std::string& infPath, const std::string& name)
{
    return {
        "GetDriverServiceName calling SetupOpenInfFile for " + infPath,
        "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
    };
}

// The lines of a later one, which answers from the name it kept.
Lines NameFromCache(const std::string& name)
{
    return {
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
    };
}

Lines InfoOpened(const Lines& name, const std::string& stateLine)
{
    return Join({ name, { "open_service exit with uRet 0", stateLine, "GetInfo exit with uRet 0" } });
}

const char* const STARTED = "GetInfo state 2 (DRV_S_STARTED)";
const char* const INSTALLED = "GetInfo state 1 (DRV_S_INSTALLED)";
const DRV_STATE NOT_A_STATE = 99;

// The driver of the lab's INF: "Board = BoardInstall" in its Models section.
CDriver BoardDriver(const std::string& infPath)
{
    return CDriver("Board", BenchDirectory().c_str(), infPath.c_str(), "BoardInstall", "");
}

LabServiceOptions Behaving(const char* behaviour)
{
    LabServiceOptions options;
    options.behaviour = behaviour;
    return options;
}

// --- Injected failures -------------------------------------------------------------
//
// The swapped function fails with the error from its failFromCall-th call on (1: the
// first); the calls before that reach the real function. Calls() counts them all.

struct Fault
{
    DWORD error;
    int failFromCall;
    int calls;
};
Fault g_fault;

bool FailThisCall()
{
    return ++g_fault.calls >= g_fault.failFromCall;
}

template <typename Function>
class Injected
{
public:
    Injected(const char* functionName, Function replacement, Function& real, DWORD error, int failFromCall)
        : m_swap("advapi32.dll", functionName, replacement)
    {
        EXPECT_TRUE(m_swap.IsActive()) << functionName << " is not imported";
        real = m_swap.Original();
        g_fault = { error, failFromCall, 0 };
    }
    int Calls() const { return g_fault.calls; }

private:
    ImportSwap<Function> m_swap;
};

decltype(&OpenSCManagerA) g_realOpenSCManagerA;
decltype(&OpenServiceA) g_realOpenServiceA;
decltype(&QueryServiceStatus) g_realQueryServiceStatus;
decltype(&StartServiceA) g_realStartServiceA;
decltype(&ControlService) g_realControlService;

SC_HANDLE WINAPI FailingOpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access)
{
    if (FailThisCall())
    {
        ::SetLastError(g_fault.error);
        return NULL;
    }
    return g_realOpenSCManagerA(machine, database, access);
}

SC_HANDLE WINAPI FailingOpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    if (FailThisCall())
    {
        ::SetLastError(g_fault.error);
        return NULL;
    }
    return g_realOpenServiceA(manager, name, access);
}

BOOL WINAPI FailingQueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status)
{
    if (FailThisCall())
    {
        ::SetLastError(g_fault.error);
        return FALSE;
    }
    return g_realQueryServiceStatus(service, status);
}

BOOL WINAPI FailingStartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv)
{
    if (FailThisCall())
    {
        ::SetLastError(g_fault.error);
        return FALSE;
    }
    return g_realStartServiceA(service, argc, argv);
}

BOOL WINAPI FailingControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status)
{
    if (FailThisCall())
    {
        ::SetLastError(g_fault.error);
        return FALSE;
    }
    return g_realControlService(service, control, status);
}

typedef Injected<decltype(&OpenSCManagerA)> InjectedOpenSCManager;
typedef Injected<decltype(&OpenServiceA)> InjectedOpenService;

InjectedOpenSCManager FailOpenSCManagerA(DWORD error, int failFromCall = 1)
{
    return InjectedOpenSCManager("OpenSCManagerA", FailingOpenSCManagerA, g_realOpenSCManagerA, error, failFromCall);
}

InjectedOpenService FailOpenServiceA(DWORD error, int failFromCall = 1)
{
    return InjectedOpenService("OpenServiceA", FailingOpenServiceA, g_realOpenServiceA, error, failFromCall);
}

Injected<decltype(&QueryServiceStatus)> FailQueryServiceStatus(DWORD error)
{
    return Injected<decltype(&QueryServiceStatus)>("QueryServiceStatus", FailingQueryServiceStatus, g_realQueryServiceStatus, error, 1);
}

Injected<decltype(&StartServiceA)> FailStartServiceA(DWORD error)
{
    return Injected<decltype(&StartServiceA)>("StartServiceA", FailingStartServiceA, g_realStartServiceA, error, 1);
}

Injected<decltype(&ControlService)> FailControlService(DWORD error)
{
    return Injected<decltype(&ControlService)>("ControlService", FailingControlService, g_realControlService, error, 1);
}

// ControlService as it is, counted.
Injected<decltype(&ControlService)> CountControlService()
{
    return Injected<decltype(&ControlService)>("ControlService", FailingControlService, g_realControlService, NO_ERROR, INT_MAX);
}

// Every service handle opened was closed again, and there was at least one.
void ExpectAllHandlesClosed(const ServiceHandleCounter& handles)
{
    EXPECT_GT(handles.Opened(), 0);
    EXPECT_EQ(handles.Opened(), handles.Closed()) << "service handles left open";
}

class DriverService : public ::testing::Test
{
protected:
    void SetUp() override { StartTraceLog(); }
};

// --- The service name in the setup INF --------------------------------------------

int g_infOpens;
decltype(&SetupOpenInfFileA) g_realSetupOpenInfFileA;

HINF WINAPI CountingSetupOpenInfFileA(PCSTR file, PCSTR infClass, DWORD style, PUINT errorLine)
{
    g_infOpens++;
    return g_realSetupOpenInfFileA(file, infClass, style, errorLine);
}

TEST_F(DriverService, NameComesFromTheFirstAddServiceLineAndIsKept)
{
    FileOnDisk inf("KEPT.INF",
        "[Version]\r\nSignature = \"$Windows NT$\"\r\n"
        "[BoardInstall.Services]\r\n"
        "DelService = Older\r\n"
        "AddService = FirstName, 0x2, BoardService\r\n"
        "AddService = SecondName, 0x2, BoardService\r\n");
    CDriver driver = BoardDriver(inf.Path());

    CString name;
    EXPECT_EQ(ST_SUCCESS, driver.GetDriverServiceName(name));
    EXPECT_STREQ("FirstName", name);
    EXPECT_EQ(NameFromInf(inf.Path(), "FirstName"), ReadTraceLogLines());

    // Kept: the second lookup needs no INF and opens none.
    inf.Delete();
    StartTraceLog();
    {
        ImportSwap<decltype(&SetupOpenInfFileA)> counted("setupapi.dll", "SetupOpenInfFileA", CountingSetupOpenInfFileA);
        ASSERT_TRUE(counted.IsActive());
        g_realSetupOpenInfFileA = counted.Original();
        g_infOpens = 0;
        CString again;
        EXPECT_EQ(ST_SUCCESS, driver.GetDriverServiceName(again));
        EXPECT_STREQ("FirstName", again);
    }
    EXPECT_EQ(0, g_infOpens);
    EXPECT_EQ(NameFromCache("FirstName"), ReadTraceLogLines());
}

enum InfOnDisk { NO_FILE, A_DIRECTORY, THIS_TEXT };

const std::string VERSION = "[Version]\r\nSignature = \"$Windows NT$\"\r\n";
const std::string NAME_255(255, 'n');
const std::string NAME_256(256, 'n');

struct NameCase
{
    const char* name;
    InfOnDisk onDisk;
    std::string text;   // empty: the 255- or 256-character name
    SETUP_STATUS status;
    Lines linesAfterOpening;   // after "GetDriverServiceName calling SetupOpenInfFile for <path>"
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.name;
}

const NameCase c_nameCases[] = {
    { "MissingInf", NO_FILE, "", ST_INF_FILE_NOT_FOUND,
      { "GetDriverServiceName SetupOpenInfFile error at line 0",
        "GetDriverServiceName 8 (ST_INF_FILE_NOT_FOUND)",
        "GetDriverServiceName exit with uRet 8" } },
    { "InfIsADirectory", A_DIRECTORY, "", ST_INF_CANT_OPEN_INF_FILE,
      { "GetDriverServiceName SetupOpenInfFile error at line 0",
        "GetDriverServiceName 5 (ST_INF_CANT_OPEN_INF_FILE)",
        "GetDriverServiceName exit with uRet 5" } },
    { "InfIsGarbage", THIS_TEXT, "\x01\x02\xff garbage\r\n", ST_INF_CANT_OPEN_INF_FILE,
      { "GetDriverServiceName SetupOpenInfFile error at line 1",
        "GetDriverServiceName 5 (ST_INF_CANT_OPEN_INF_FILE)",
        "GetDriverServiceName exit with uRet 5" } },
    { "BrokenSectionNameOnLine4", THIS_TEXT,
      VERSION + "\r\n[BoardInstall.Services\r\nAddService = Lab, 0x2, BoardService\r\n",
      ST_INF_CANT_OPEN_INF_FILE,
      { "GetDriverServiceName SetupOpenInfFile error at line 4",
        "GetDriverServiceName 5 (ST_INF_CANT_OPEN_INF_FILE)",
        "GetDriverServiceName exit with uRet 5" } },
    { "NoServicesSection", THIS_TEXT, VERSION + "[BoardInstall]\r\nCopyFiles = Files\r\n",
      ST_INF_NO_ADDSERVICE_KEY,
      { "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName 9 (ST_INF_NO_ADDSERVICE_KEY)",
        "GetDriverServiceName exit with uRet 9" } },
    { "NoAddServiceLine", THIS_TEXT,
      VERSION + "[BoardInstall.Services]\r\nDelService = Lab\r\nAddServices = Lab, 0x2, S\r\n",
      ST_INF_NO_ADDSERVICE_KEY,
      { "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName 9 (ST_INF_NO_ADDSERVICE_KEY)",
        "GetDriverServiceName exit with uRet 9" } },
    { "EmptyName", THIS_TEXT,
      VERSION + "[BoardInstall.Services]\r\nAddService = , 0x2, BoardService\r\n",
      ST_INF_NO_ADDSERVICE_NAME,
      { "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName 10 (ST_INF_NO_ADDSERVICE_NAME)",
        "GetDriverServiceName exit with uRet 10" } },
    { "AddServiceWithoutFields", THIS_TEXT,
      VERSION + "[BoardInstall.Services]\r\nAddService =\r\n",
      ST_INF_NO_ADDSERVICE_NAME,
      { "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName 10 (ST_INF_NO_ADDSERVICE_NAME)",
        "GetDriverServiceName exit with uRet 10" } },
    // The name is read into 256 bytes: 255 characters fit, 256 do not.
    { "NameOf256Characters", THIS_TEXT, "", ST_INF_NO_ADDSERVICE_NAME,
      { "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName 10 (ST_INF_NO_ADDSERVICE_NAME)",
        "GetDriverServiceName exit with uRet 10" } },
    { "NameOf255Characters", THIS_TEXT, "", ST_SUCCESS,
      { "GetDriverServiceName looking for BoardInstall.Services",
        // A log line holds 254 characters before its end of line.
        ("GetDriverServiceName got " + NAME_255).substr(0, 254),
        "GetDriverServiceName exit with uRet 0" } },
};

std::string InfText(const NameCase& c)
{
    if (!c.text.empty())
        return c.text;
    const std::string& name = c.status == ST_SUCCESS ? NAME_255 : NAME_256;
    return VERSION + "[BoardInstall.Services]\r\nAddService = " + name + ", 0x2, BoardService\r\n";
}

class DriverServiceName : public DriverService, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(DriverServiceName, FromTheInfOnDisk)
{
    const NameCase& c = GetParam();
    std::string path = BenchDirectory() + c.name + ".INF";
    std::unique_ptr<FileOnDisk> file;
    if (c.onDisk == A_DIRECTORY)
        ASSERT_TRUE(::CreateDirectoryA(path.c_str(), NULL));
    else if (c.onDisk == THIS_TEXT)
        file.reset(new FileOnDisk(std::string(c.name) + ".INF", InfText(c)));
    CDriver driver = BoardDriver(path);

    CString name("as before");
    EXPECT_EQ(c.status, driver.GetDriverServiceName(name));
    EXPECT_STREQ(c.status == ST_SUCCESS ? NAME_255.c_str() : "as before", name);
    EXPECT_EQ(Join({ { "GetDriverServiceName calling SetupOpenInfFile for " + path }, c.linesAfterOpening }),
              ReadTraceLogLines());

    if (c.onDisk == A_DIRECTORY)
        ::RemoveDirectoryA(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Cases, DriverServiceName, ::testing::ValuesIn(c_nameCases),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST_F(DriverService, AFailedLookupIsTriedAgainNextTime)
{
    std::string path = BenchDirectory() + "LATER.INF";
    CDriver driver = BoardDriver(path);
    CString name;
    EXPECT_EQ(ST_INF_FILE_NOT_FOUND, driver.GetDriverServiceName(name));

    FileOnDisk inf("LATER.INF", LabServiceInfText("ArrivedLater"));
    StartTraceLog();
    EXPECT_EQ(ST_SUCCESS, driver.GetDriverServiceName(name));
    EXPECT_STREQ("ArrivedLater", name);
    EXPECT_EQ(NameFromInf(path, "ArrivedLater"), ReadTraceLogLines());
}

// --- Before the name is found, every operation fails with the INF -----------------

TEST_F(DriverService, WithoutTheInfEveryOperationFailsWith8AndOpensNoService)
{
    std::string path = BenchDirectory() + "ABSENT.INF";
    const Lines lookup = {
        "GetDriverServiceName calling SetupOpenInfFile for " + path,
        "GetDriverServiceName SetupOpenInfFile error at line 0",
        "GetDriverServiceName 8 (ST_INF_FILE_NOT_FOUND)",
        "GetDriverServiceName exit with uRet 8",
    };
    CDriver driver = BoardDriver(path);
    ServiceHandleCounter handles;

    DRV_STATE state = NOT_A_STATE;
    EXPECT_EQ(ST_INF_FILE_NOT_FOUND, driver.GetInfo(&state));
    EXPECT_EQ(NOT_A_STATE, state);
    EXPECT_EQ(Join({ lookup, { "GetInfo exit with uRet 8" } }), ReadTraceLogLines());

    StartTraceLog();
    EXPECT_EQ(ST_INF_FILE_NOT_FOUND, driver.Start());
    EXPECT_EQ(Join({ lookup, { "Start exit with uRet 8" } }), ReadTraceLogLines());

    StartTraceLog();
    EXPECT_EQ(ST_INF_FILE_NOT_FOUND, driver.Stop());
    EXPECT_EQ(Join({ lookup, { "GetInfo exit with uRet 8", "Stop exit with uRet 8" } }), ReadTraceLogLines());

    EXPECT_EQ(0, handles.Opened());
}

TEST_F(DriverService, OnceTheNameIsKeptTheInfIsNotNeeded)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    CString name;
    ASSERT_EQ(ST_SUCCESS, driver.GetDriverServiceName(name));
    ASSERT_TRUE(::DeleteFileA(service.InfPath().c_str()));
    const Lines cached = NameFromCache(service.Name());

    StartTraceLog();
    DRV_STATE state = NOT_A_STATE;
    EXPECT_EQ(ST_SUCCESS, driver.GetInfo(&state));
    EXPECT_EQ(DRV_S_INSTALLED, state);
    EXPECT_EQ(InfoOpened(cached, INSTALLED), ReadTraceLogLines());

    StartTraceLog();
    EXPECT_EQ(ST_SUCCESS, driver.Start());
    EXPECT_EQ(Join({ cached, { "open_service exit with uRet 0", "Start exit with uRet 0" } }), ReadTraceLogLines());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING));

    StartTraceLog();
    EXPECT_EQ(ST_SUCCESS, driver.Stop());
    EXPECT_EQ(Join({ InfoOpened(cached, STARTED), cached, { "open_service exit with uRet 0", "Stop exit with uRet 0" } }),
              ReadTraceLogLines());
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED));
}

// --- Real services in real states ---------------------------------------------------

bool LeaveStopped(LabService&)
{
    return true;
}

bool StartIt(LabService& service)
{
    return service.StartAndWait();
}

bool StartAndPause(LabService& service)
{
    return service.StartAndWait() && service.PauseAndWait();
}

bool BeginASlowStart(LabService& service)
{
    return service.Start() == NO_ERROR && service.State() == SERVICE_START_PENDING;
}

bool BeginASlowStop(LabService& service)
{
    return service.StartAndWait() && service.Control(SERVICE_CONTROL_STOP) == NO_ERROR &&
           service.State() == SERVICE_STOP_PENDING;
}

struct StateCase
{
    const char* name;
    const char* behaviour;
    bool (*bringIntoState)(LabService&);
    DWORD serviceState;      // what the Service Control Manager reports
    DRV_STATE driverState;   // what GetInfo makes of it
    const char* stateLine;
};

void PrintTo(const StateCase& c, std::ostream* os)
{
    *os << c.name;
}

const StateCase c_states[] = {
    { "Stopped", "run", LeaveStopped, SERVICE_STOPPED, DRV_S_INSTALLED, INSTALLED },
    { "Running", "run", StartIt, SERVICE_RUNNING, DRV_S_STARTED, STARTED },
    { "Paused", "pausable", StartAndPause, SERVICE_PAUSED, DRV_S_STARTED, STARTED },
    { "StartPending", "slow-start", BeginASlowStart, SERVICE_START_PENDING, DRV_S_INSTALLED, INSTALLED },
    { "StopPending", "slow-stop", BeginASlowStop, SERVICE_STOP_PENDING, DRV_S_INSTALLED, INSTALLED },
};

class ServiceInState : public DriverService, public ::testing::WithParamInterface<StateCase>
{
protected:
    void SetUp() override
    {
        const StateCase& c = GetParam();
        m_service.reset(new LabService(Behaving(c.behaviour)));
        ASSERT_TRUE(m_service->IsInstalled());
        ASSERT_TRUE(c.bringIntoState(*m_service));
        ASSERT_EQ(c.serviceState, m_service->State());
        StartTraceLog();
    }
    void TearDown() override { m_service.reset(); }

    std::unique_ptr<LabService> m_service;
};

TEST_P(ServiceInState, GetInfo)
{
    const StateCase& c = GetParam();
    CDriver driver = BoardDriver(m_service->InfPath());
    DRV_STATE state = NOT_A_STATE;
    {
        ServiceHandleCounter handles;
        EXPECT_EQ(ST_SUCCESS, driver.GetInfo(&state));
        ExpectAllHandlesClosed(handles);
    }
    EXPECT_EQ(c.driverState, state);
    EXPECT_EQ(InfoOpened(NameFromInf(m_service->InfPath(), m_service->Name()), c.stateLine), ReadTraceLogLines());
    EXPECT_EQ(c.serviceState, m_service->State());
}

// A started service (running or paused) is sent the stop control and stops; any other
// is left as it is, without a control.
TEST_P(ServiceInState, Stop)
{
    const StateCase& c = GetParam();
    CDriver driver = BoardDriver(m_service->InfPath());
    const std::string& name = m_service->Name();
    int controls = 0;
    {
        ServiceHandleCounter handles;
        auto controlService = CountControlService();
        EXPECT_EQ(ST_SUCCESS, driver.Stop());
        controls = controlService.Calls();
        ExpectAllHandlesClosed(handles);
    }
    Lines info = InfoOpened(NameFromInf(m_service->InfPath(), name), c.stateLine);
    if (c.driverState == DRV_S_STARTED)
    {
        EXPECT_EQ(1, controls);
        EXPECT_EQ(Join({ info, NameFromCache(name), { "open_service exit with uRet 0", "Stop exit with uRet 0" } }),
                  ReadTraceLogLines());
        EXPECT_TRUE(m_service->WaitForState(SERVICE_STOPPED));
    }
    else
    {
        EXPECT_EQ(0, controls);
        EXPECT_EQ(Join({ info, { "Stop exit with uRet 0" } }), ReadTraceLogLines());
        EXPECT_EQ(c.serviceState, m_service->State());
    }
}

// Only a stopped service starts; Wine's SCM answers 1056 for every other state.
TEST_P(ServiceInState, Start)
{
    const StateCase& c = GetParam();
    CDriver driver = BoardDriver(m_service->InfPath());
    Lines opened = Join({ NameFromInf(m_service->InfPath(), m_service->Name()), { "open_service exit with uRet 0" } });
    SETUP_STATUS status;
    {
        ServiceHandleCounter handles;
        status = driver.Start();
        ExpectAllHandlesClosed(handles);
    }
    if (c.serviceState == SERVICE_STOPPED)
    {
        EXPECT_EQ(ST_SUCCESS, status);
        EXPECT_EQ(Join({ opened, { "Start exit with uRet 0" } }), ReadTraceLogLines());
        EXPECT_TRUE(m_service->WaitForState(SERVICE_RUNNING));
    }
    else
    {
        EXPECT_EQ(ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING, status);
        EXPECT_EQ(Join({ opened, { "Start 24 (ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING)", "Start exit with uRet 24" } }),
                  ReadTraceLogLines());
        EXPECT_EQ(c.serviceState, m_service->State());
    }
}

INSTANTIATE_TEST_SUITE_P(Lab, ServiceInState, ::testing::ValuesIn(c_states),
    [](const ::testing::TestParamInfo<StateCase>& info) { return std::string(info.param.name); });

// Services that cannot be opened are DRV_S_NONE, and GetInfo still succeeds.
struct UnopenableCase
{
    const char* name;
    const char* serviceName;   // in the INF; not installed
    SETUP_STATUS openStatus;
    Lines openLines;
};

void PrintTo(const UnopenableCase& c, std::ostream* os)
{
    *os << c.name;
}

const UnopenableCase c_unopenable[] = {
    { "NotInstalled", "LabSvcNeverInstalled", ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST,
      { "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)", "open_service exit with uRet 20" } },
    { "NameWithBackslash", "Lab\\Svc", ST_SCM_CANT_OPEN_SERVICE_INVALID_NAME,
      { "open_service 22 (ST_SCM_CANT_OPEN_SERVICE_INVALID_NAME)", "open_service exit with uRet 22" } },
};

class UnopenableService : public DriverService, public ::testing::WithParamInterface<UnopenableCase>
{
};

TEST_P(UnopenableService, IsNoneForGetInfoNothingToStopAndTheOpenErrorForStart)
{
    const UnopenableCase& c = GetParam();
    FileOnDisk inf(std::string(c.name) + ".INF", LabServiceInfText(c.serviceName));
    CDriver driver = BoardDriver(inf.Path());
    ServiceHandleCounter handles;

    DRV_STATE state = NOT_A_STATE;
    EXPECT_EQ(ST_SUCCESS, driver.GetInfo(&state));
    EXPECT_EQ(DRV_S_NONE, state);
    const Lines info = Join({ c.openLines, { "GetInfo state 0 (DRV_S_NONE)", "GetInfo exit with uRet 0" } });
    EXPECT_EQ(Join({ NameFromInf(inf.Path(), c.serviceName), info }), ReadTraceLogLines());

    StartTraceLog();
    EXPECT_EQ(ST_SUCCESS, driver.Stop());
    EXPECT_EQ(Join({ NameFromCache(c.serviceName), info, { "Stop exit with uRet 0" } }), ReadTraceLogLines());

    StartTraceLog();
    EXPECT_EQ(c.openStatus, driver.Start());
    EXPECT_EQ(Join({ NameFromCache(c.serviceName), c.openLines, { "Start exit with uRet " + std::to_string(c.openStatus) } }),
              ReadTraceLogLines());

    ExpectAllHandlesClosed(handles);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnopenableService, ::testing::ValuesIn(c_unopenable),
    [](const ::testing::TestParamInfo<UnopenableCase>& info) { return std::string(info.param.name); });

// --- Start ---------------------------------------------------------------------------

TEST_F(DriverService, StartReturnsWithoutWaitingForTheServiceToRun)
{
    LabService service(Behaving("slow-start"));
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    StartTraceLog();

    EXPECT_EQ(ST_SUCCESS, driver.Start());
    EXPECT_EQ(SERVICE_START_PENDING, service.State());
    EXPECT_EQ(Join({ NameFromInf(service.InfPath(), service.Name()), { "open_service exit with uRet 0", "Start exit with uRet 0" } }),
              ReadTraceLogLines());
    EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING));
}

struct RefusedStartCase
{
    const char* name;
    LabServiceOptions options;
    DWORD injectedError;   // NO_ERROR: Wine refuses for real
    SETUP_STATUS status;
    const char* line;
};

void PrintTo(const RefusedStartCase& c, std::ostream* os)
{
    *os << c.name;
}

LabServiceOptions Disabled()
{
    LabServiceOptions options;
    options.startType = SERVICE_DISABLED;
    return options;
}

LabServiceOptions WithoutItsProgram()
{
    LabServiceOptions options;
    options.binary = "C:\\bench\\NOSUCH.EXE";
    return options;
}

const RefusedStartCase c_refusedStarts[] = {
    { "Disabled", Disabled(), NO_ERROR, ST_SCM_CANT_START_SERVICE_DISABLED,
      "Start 26 (ST_SCM_CANT_START_SERVICE_DISABLED)" },
    // Wine's SCM fails such a start with ERROR_FILE_NOT_FOUND.
    { "ProgramMissing", WithoutItsProgram(), NO_ERROR, ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN,
      "Start 28 (ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN)" },
    // Wine starts services whatever the database lock and the delete mark say.
    { "DatabaseLocked", LabServiceOptions(), ERROR_SERVICE_DATABASE_LOCKED, ST_SCM_CANT_START_SERVICE_DATABASE_LOCKED,
      "Start 25 (ST_SCM_CANT_START_SERVICE_DATABASE_LOCKED)" },
    { "MarkedForDelete", LabServiceOptions(), ERROR_SERVICE_MARKED_FOR_DELETE, ST_SCM_CANT_START_SERVICE_MARKED_FOR_DELETE,
      "Start 27 (ST_SCM_CANT_START_SERVICE_MARKED_FOR_DELETE)" },
    { "LogonFailed", LabServiceOptions(), ERROR_SERVICE_LOGON_FAILED, ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN,
      "Start 28 (ST_SCM_CANT_START_SERVICE_REASON_UNKNOWN)" },
};

class RefusedStart : public DriverService, public ::testing::WithParamInterface<RefusedStartCase>
{
};

TEST_P(RefusedStart, IsReportedAndTheServiceStaysStopped)
{
    const RefusedStartCase& c = GetParam();
    LabService service(c.options);
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    StartTraceLog();
    {
        ServiceHandleCounter handles;
        std::unique_ptr<Injected<decltype(&StartServiceA)>> fault;
        if (c.injectedError != NO_ERROR)
            fault.reset(new Injected<decltype(&StartServiceA)>(FailStartServiceA(c.injectedError)));
        EXPECT_EQ(c.status, driver.Start());
        ExpectAllHandlesClosed(handles);
    }
    EXPECT_EQ(Join({ NameFromInf(service.InfPath(), service.Name()),
                     { "open_service exit with uRet 0", c.line, "Start exit with uRet " + std::to_string(c.status) } }),
              ReadTraceLogLines());
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedStart, ::testing::ValuesIn(c_refusedStarts),
    [](const ::testing::TestParamInfo<RefusedStartCase>& info) { return std::string(info.param.name); });

// --- Stop ----------------------------------------------------------------------------

TEST_F(DriverService, StopRefusedByAServiceThatDoesNotAcceptIt)
{
    LabService service(Behaving("refuse-stop"));
    ASSERT_TRUE(service.IsInstalled());
    ASSERT_TRUE(service.StartAndWait());
    CDriver driver = BoardDriver(service.InfPath());
    StartTraceLog();
    {
        ServiceHandleCounter handles;
        EXPECT_EQ(ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL, driver.Stop());
        ExpectAllHandlesClosed(handles);
    }
    // The line carries Wine's real error, 1052.
    EXPECT_EQ(Join({ InfoOpened(NameFromInf(service.InfPath(), service.Name()), STARTED), NameFromCache(service.Name()),
                     { "open_service exit with uRet 0", "Stop 1052 (ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL)",
                       "Stop exit with uRet 32" } }),
              ReadTraceLogLines());
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
}

// Stop does not wait: a slow service is still stopping after it, and a second Stop
// finds it merely installed and sends nothing.
TEST_F(DriverService, StopReturnsWhileTheServiceIsStillStopping)
{
    LabService service(Behaving("slow-stop"));
    ASSERT_TRUE(service.IsInstalled());
    ASSERT_TRUE(service.StartAndWait());
    CDriver driver = BoardDriver(service.InfPath());
    StartTraceLog();

    EXPECT_EQ(ST_SUCCESS, driver.Stop());
    EXPECT_EQ((DWORD)SERVICE_STOP_PENDING, service.State());
    const Lines cached = NameFromCache(service.Name());
    EXPECT_EQ(Join({ InfoOpened(NameFromInf(service.InfPath(), service.Name()), STARTED), cached,
                     { "open_service exit with uRet 0", "Stop exit with uRet 0" } }),
              ReadTraceLogLines());

    StartTraceLog();
    {
        auto controlService = CountControlService();
        EXPECT_EQ(ST_SUCCESS, driver.Stop());
        EXPECT_EQ(0, controlService.Calls());
    }
    EXPECT_EQ(Join({ InfoOpened(cached, INSTALLED), { "Stop exit with uRet 0" } }), ReadTraceLogLines());
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED));
}

struct RefusedStopCase
{
    DWORD error;
    SETUP_STATUS status;
    const char* line;   // carries the Windows error, not the status
};

const RefusedStopCase c_refusedStops[] = {
    { ERROR_ACCESS_DENIED, ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED, "Stop 5 (ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED)" },
    { ERROR_DEPENDENT_SERVICES_RUNNING, ST_SCM_CANT_STOP_SERVICE_DEPENDENT_SERVICES_RUNNING,
      "Stop 1051 (ST_SCM_CANT_STOP_SERVICE_DEPENDENT_SERVICES_RUNNING)" },
    { ERROR_SERVICE_REQUEST_TIMEOUT, ST_SCM_CANT_STOP_SERVICE_REQUEST_TIMEOUT,
      "Stop 1053 (ST_SCM_CANT_STOP_SERVICE_REQUEST_TIMEOUT)" },
    { ERROR_SERVICE_CANNOT_ACCEPT_CTRL, ST_SCM_CANT_STOP_SERVICE_CANNOT_ACCEPT_CTRL,
      "Stop 1061 (ST_SCM_CANT_STOP_SERVICE_CANNOT_ACCEPT_CTRL)" },
    { ERROR_SERVICE_NOT_ACTIVE, ST_SCM_CANT_STOP_SERVICE_NOT_ACTIVE, "Stop 1062 (ST_SCM_CANT_STOP_SERVICE_NOT_ACTIVE)" },
    { ERROR_NOT_ENOUGH_MEMORY, ST_SCM_CANT_STOP_SERVICE_REASON_UNKNOWN, "Stop 8 (ST_SCM_CANT_STOP_SERVICE_REASON_UNKNOWN)" },
};

// The refusals that Wine's SCM never gives to a running service that accepts STOP.
TEST_F(DriverService, StopRefusedByTheScm)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    ASSERT_TRUE(service.StartAndWait());
    for (const RefusedStopCase& c : c_refusedStops)
    {
        SCOPED_TRACE(c.line);
        CDriver driver = BoardDriver(service.InfPath());
        StartTraceLog();
        {
            ServiceHandleCounter handles;
            auto fault = FailControlService(c.error);
            EXPECT_EQ(c.status, driver.Stop());
            EXPECT_EQ(1, fault.Calls());
            ExpectAllHandlesClosed(handles);
        }
        EXPECT_EQ(Join({ InfoOpened(NameFromInf(service.InfPath(), service.Name()), STARTED), NameFromCache(service.Name()),
                         { "open_service exit with uRet 0", c.line, "Stop exit with uRet " + std::to_string(c.status) } }),
                  ReadTraceLogLines());
        EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
    }
}

// --- Opening the service --------------------------------------------------------------

struct OpenFailureCase
{
    const char* name;
    bool manager;   // OpenSCManagerA fails, else OpenServiceA
    DWORD error;
    SETUP_STATUS status;
    const char* line;
};

void PrintTo(const OpenFailureCase& c, std::ostream* os)
{
    *os << c.name;
}

const OpenFailureCase c_openFailures[] = {
    { "ManagerRefuses", true, ERROR_ACCESS_DENIED, ST_SCM_CANT_OPEN_SCMANAGER, "open_service 18 (ST_SCM_CANT_OPEN_SCMANAGER)" },
    { "AccessDenied", false, ERROR_ACCESS_DENIED, ST_SCM_CANT_OPEN_SERVICE_ACCESS_DENIED,
      "open_service 19 (ST_SCM_CANT_OPEN_SERVICE_ACCESS_DENIED)" },
    { "InvalidHandle", false, ERROR_INVALID_HANDLE, ST_SCM_CANT_OPEN_SERVICE_INVALID_HANDLE,
      "open_service 21 (ST_SCM_CANT_OPEN_SERVICE_INVALID_HANDLE)" },
    { "OtherError", false, ERROR_NOT_ENOUGH_MEMORY, ST_SCM_CANT_OPEN_SERVICE_REASON_UNKNOWN,
      "open_service 23 (ST_SCM_CANT_OPEN_SERVICE_REASON_UNKNOWN)" },
};

class OpenFailure : public DriverService, public ::testing::WithParamInterface<OpenFailureCase>
{
protected:
    struct Fault
    {
        std::unique_ptr<InjectedOpenSCManager> manager;
        std::unique_ptr<InjectedOpenService> service;
    };
    // The case's failure, from the failFromCall-th opening on.
    Fault Inject(int failFromCall = 1)
    {
        const OpenFailureCase& c = GetParam();
        Fault fault;
        if (c.manager)
            fault.manager.reset(new InjectedOpenSCManager(FailOpenSCManagerA(c.error, failFromCall)));
        else
            fault.service.reset(new InjectedOpenService(FailOpenServiceA(c.error, failFromCall)));
        return fault;
    }
};

// GetInfo makes DRV_S_NONE of it and succeeds; Start and Stop hand the code back.
TEST_P(OpenFailure, IsNoneForGetInfoAndTheResultOfStartAndStop)
{
    const OpenFailureCase& c = GetParam();
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    const Lines cached = NameFromCache(service.Name());
    const Lines failed = { c.line, "open_service exit with uRet " + std::to_string(c.status) };

    {
        ServiceHandleCounter handles;
        auto fault = Inject();
        DRV_STATE state = NOT_A_STATE;
        EXPECT_EQ(ST_SUCCESS, driver.GetInfo(&state));
        EXPECT_EQ(DRV_S_NONE, state);
        EXPECT_EQ(handles.Opened(), handles.Closed());
    }
    EXPECT_EQ(Join({ NameFromInf(service.InfPath(), service.Name()), failed,
                     { "GetInfo state 0 (DRV_S_NONE)", "GetInfo exit with uRet 0" } }),
              ReadTraceLogLines());

    StartTraceLog();
    {
        ServiceHandleCounter handles;
        auto fault = Inject();
        EXPECT_EQ(c.status, driver.Start());
        EXPECT_EQ(handles.Opened(), handles.Closed());
    }
    EXPECT_EQ(Join({ cached, failed, { "Start exit with uRet " + std::to_string(c.status) } }), ReadTraceLogLines());
    EXPECT_EQ((DWORD)SERVICE_STOPPED, service.State());

    // Stop: GetInfo's opening goes through, Stop's own fails.
    ASSERT_TRUE(service.StartAndWait());
    StartTraceLog();
    {
        ServiceHandleCounter handles;
        auto fault = Inject(2);
        EXPECT_EQ(c.status, driver.Stop());
        ExpectAllHandlesClosed(handles);
    }
    EXPECT_EQ(Join({ InfoOpened(cached, STARTED), cached, failed, { "Stop exit with uRet " + std::to_string(c.status) } }),
              ReadTraceLogLines());
    EXPECT_EQ((DWORD)SERVICE_RUNNING, service.State());
}

INSTANTIATE_TEST_SUITE_P(Injected, OpenFailure, ::testing::ValuesIn(c_openFailures),
    [](const ::testing::TestParamInfo<OpenFailureCase>& info) { return std::string(info.param.name); });

TEST_F(DriverService, StatusThatCannotBeQueriedIsTheOddInstalledCase)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    ASSERT_TRUE(service.StartAndWait());
    CDriver driver = BoardDriver(service.InfPath());
    StartTraceLog();
    DRV_STATE state = NOT_A_STATE;
    {
        ServiceHandleCounter handles;
        auto fault = FailQueryServiceStatus(ERROR_INVALID_HANDLE);
        EXPECT_EQ(ST_SUCCESS, driver.GetInfo(&state));
        EXPECT_EQ(1, fault.Calls());
        ExpectAllHandlesClosed(handles);
    }
    EXPECT_EQ(DRV_S_INSTALLED, state);
    EXPECT_EQ(InfoOpened(NameFromInf(service.InfPath(), service.Name()), "GetInfo state 1 (DRV_S_INSTALLED, odd case)"),
              ReadTraceLogLines());
}

std::vector<std::string> g_openings;
decltype(&OpenSCManagerA) g_realManagerOpen;
decltype(&OpenServiceA) g_realServiceOpen;

SC_HANDLE WINAPI RecordingOpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access)
{
    char call[128];
    snprintf(call, sizeof(call), "OpenSCManagerA(%s, %s, 0x%lx)", machine != NULL ? machine : "NULL",
             database != NULL ? database : "NULL", (unsigned long)access);
    g_openings.push_back(call);
    return g_realManagerOpen(machine, database, access);
}

SC_HANDLE WINAPI RecordingOpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    char call[128];
    snprintf(call, sizeof(call), "OpenServiceA(0x%lx)", (unsigned long)access);
    g_openings.push_back(call);
    return g_realServiceOpen(manager, name, access);
}

// The openings of the SCM and the service that operation makes.
template <typename Operation>
std::vector<std::string> OpeningsOf(Operation operation)
{
    g_openings.clear();
    ImportSwap<decltype(&OpenSCManagerA)> manager("advapi32.dll", "OpenSCManagerA", RecordingOpenSCManagerA);
    ImportSwap<decltype(&OpenServiceA)> service("advapi32.dll", "OpenServiceA", RecordingOpenServiceA);
    g_realManagerOpen = manager.Original();
    g_realServiceOpen = service.Original();
    EXPECT_EQ(ST_SUCCESS, operation());
    return g_openings;
}

TEST_F(DriverService, EachOperationOpensTheServiceWithItsOwnAccess)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    DRV_STATE state;
    const std::string manager = "OpenSCManagerA(NULL, NULL, 0xf003f)";

    EXPECT_EQ((Lines{ manager, "OpenServiceA(0x4)" }), OpeningsOf([&] { return driver.GetInfo(&state); }));
    EXPECT_EQ((Lines{ manager, "OpenServiceA(0xf01ff)" }), OpeningsOf([&] { return driver.Start(); }));
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING));
    EXPECT_EQ((Lines{ manager, "OpenServiceA(0x4)", manager, "OpenServiceA(0x20)" }),
              OpeningsOf([&] { return driver.Stop(); }));
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED));
}

TEST_F(DriverService, OpenServiceHandsOutTheHandleOnlyWhenAskedFor)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    CDriver driver = BoardDriver(service.InfPath());
    ServiceHandleCounter handles;

    SC_HANDLE opened = NULL;
    EXPECT_EQ(ST_SUCCESS, driver.open_service(service.Name().c_str(), SERVICE_QUERY_STATUS, &opened));
    ASSERT_NE((SC_HANDLE)NULL, opened);
    EXPECT_EQ(handles.Opened() - 1, handles.Closed());   // the manager is closed, the service is ours
    SERVICE_STATUS status;
    EXPECT_TRUE(::QueryServiceStatus(opened, &status));
    EXPECT_EQ((DWORD)SERVICE_STOPPED, status.dwCurrentState);
    ::CloseServiceHandle(opened);

    EXPECT_EQ(ST_SUCCESS, driver.open_service(service.Name().c_str(), SERVICE_QUERY_STATUS, NULL));
    ExpectAllHandlesClosed(handles);
    EXPECT_EQ((Lines{ "open_service exit with uRet 0", "open_service exit with uRet 0" }), ReadTraceLogLines());
}

// --- Through the driver list ----------------------------------------------------------

TEST_F(DriverService, TheDriverListReachesTheServiceOfItsFirstDriver)
{
    LabService service;
    ASSERT_TRUE(service.IsInstalled());
    ASSERT_TRUE(service.StartAndWait());
    CDriverSetup drivers(BenchDirectory().c_str(), service.InfPath().c_str(), "Models");
    POSITION pos = NULL;
    ASSERT_TRUE(drivers.GetFirstDriver(pos));
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    StartTraceLog();

    CString name;
    EXPECT_EQ(ST_SUCCESS, drivers.GetDriverServiceName(pos, name));
    EXPECT_STREQ(service.Name().c_str(), name);
    DRV_STATE state = NOT_A_STATE;
    EXPECT_EQ(ST_SUCCESS, drivers.GetInfo(pos, &state));
    EXPECT_EQ(DRV_S_STARTED, state);
    EXPECT_EQ(Join({ NameFromInf(service.InfPath(), service.Name()), InfoOpened(NameFromCache(service.Name()), STARTED) }),
              ReadTraceLogLines());
}
}
