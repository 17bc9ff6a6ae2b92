#include "tests/support/LabService.h"

#include <gtest/gtest.h>
#include <setupapi.h>

#include <cctype>
#include <cstdio>
#include <fstream>

namespace
{
const DWORD LAB_CONTROL_END = 128;   // LABSVC.EXE ends at once on it, whatever its behaviour
const DWORD POLL_INTERVAL_MS = 20;

class ScmHandle
{
public:
    explicit ScmHandle(SC_HANDLE handle) : m_handle(handle) { }
    ~ScmHandle()
    {
        if (m_handle != NULL)
            ::CloseServiceHandle(m_handle);
    }
    operator SC_HANDLE() const { return m_handle; }

private:
    ScmHandle(const ScmHandle&) = delete;
    ScmHandle& operator=(const ScmHandle&) = delete;
    SC_HANDLE m_handle;
};

// Runs action on the named service opened with access; returns the error of the
// opening or of the action.
template <typename Action>
DWORD WithService(const std::string& name, DWORD access, Action action)
{
    ScmHandle manager(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS));
    if (manager == NULL)
        return ::GetLastError();
    ScmHandle service(::OpenServiceA(manager, name.c_str(), access));
    if (service == NULL)
        return ::GetLastError();
    return action((SC_HANDLE)service);
}

DWORD Outcome(BOOL succeeded)
{
    return succeeded ? NO_ERROR : ::GetLastError();
}

// The process that runs the service, or NULL when it runs in none.
HANDLE OpenServiceProcess(const std::string& name)
{
    DWORD processId = 0;
    WithService(name, SERVICE_QUERY_STATUS, [&processId](SC_HANDLE service) {
        SERVICE_STATUS_PROCESS status;
        DWORD size = 0;
        if (!::QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, (BYTE*)&status, sizeof(status), &size))
            return ::GetLastError();
        processId = status.dwProcessId;
        return (DWORD)NO_ERROR;
    });
    if (processId == 0)
        return NULL;
    return ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return file.good();
}
}

std::string BenchDirectory()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1);
}

std::string UniqueName(const char* prefix)
{
    static unsigned counter = 0;
    std::string name = prefix;
    if (const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info())
    {
        for (const char* c = test->name(); *c != '\0' && name.size() < 48; c++)
            if (isalnum((unsigned char)*c))
                name += *c;
    }
    char number[16];
    snprintf(number, sizeof(number), "%u", ++counter);
    return name + number;
}

std::string LabServiceInfText(const std::string& serviceName, const LabServiceOptions& options)
{
    char text[2048];
    snprintf(text, sizeof(text),
        "[Version]\r\n"
        "Signature = \"$Windows NT$\"\r\n"
        "\r\n"
        "[Models]\r\n"
        "Board = BoardInstall\r\n"
        "\r\n"
        "[BoardInstall]\r\n"
        "\r\n"
        "[BoardInstall.Services]\r\n"
        "AddService = %s, 0x2, BoardService\r\n"
        "\r\n"
        "[BoardService]\r\n"
        "ServiceType = 16\r\n"
        "StartType = %lu\r\n"
        "ErrorControl = 1\r\n"
        "ServiceBinary = %s\r\n"
        "AddReg = BoardService.AddReg\r\n"
        "\r\n"
        "[BoardService.AddReg]\r\n"
        "HKR, Parameters, Behaviour, 0, \"%s\"\r\n"
        "HKR, Parameters, StartDelayMs, 0x10001, %lu\r\n"
        "HKR, Parameters, StopDelayMs, 0x10001, %lu\r\n",
        serviceName.c_str(), (unsigned long)options.startType, options.binary, options.behaviour,
        (unsigned long)options.delayMs, (unsigned long)options.delayMs);
    return text;
}

LabService::LabService(const LabServiceOptions& options)
    : m_name(UniqueName("LabSvc")), m_infPath(BenchDirectory() + m_name + ".INF")
{
    if (!WriteFileBytes(m_infPath, options.infText ? options.infText(m_name) : LabServiceInfText(m_name, options)))
    {
        ADD_FAILURE() << "cannot write " << m_infPath;
        return;
    }
    if (!options.installNow)
    {
        m_installed = true;   // removed at the end, if the test installed it
        return;
    }
    UINT errorLine = 0;
    HINF inf = ::SetupOpenInfFileA(m_infPath.c_str(), NULL, INF_STYLE_WIN4, &errorLine);
    if (inf == INVALID_HANDLE_VALUE)
    {
        ADD_FAILURE() << "SetupOpenInfFileA " << m_infPath << ": error " << ::GetLastError() << " at line " << errorLine;
        return;
    }
    m_installed = ::SetupInstallServicesFromInfSectionA(inf, "BoardInstall.Services", 0) != FALSE;
    if (!m_installed)
        ADD_FAILURE() << "SetupInstallServicesFromInfSectionA for " << m_name << ": error " << ::GetLastError();
    ::SetupCloseInfFile(inf);
}

LabService::~LabService()
{
    Remove();
}

DWORD LabService::Start()
{
    return WithService(m_name, SERVICE_START, [](SC_HANDLE service) { return Outcome(::StartServiceA(service, 0, NULL)); });
}

bool LabService::StartAndWait()
{
    DWORD error = Start();
    EXPECT_EQ((DWORD)NO_ERROR, error) << "StartServiceA " << m_name;
    return error == NO_ERROR && WaitForState(SERVICE_RUNNING);
}

DWORD LabService::Control(DWORD control)
{
    return WithService(m_name, SERVICE_STOP | SERVICE_PAUSE_CONTINUE | SERVICE_USER_DEFINED_CONTROL,
        [control](SC_HANDLE service) {
            SERVICE_STATUS status;
            return Outcome(::ControlService(service, control, &status));
        });
}

bool LabService::PauseAndWait()
{
    DWORD error = Control(SERVICE_CONTROL_PAUSE);
    EXPECT_EQ((DWORD)NO_ERROR, error) << "ControlService PAUSE " << m_name;
    return error == NO_ERROR && WaitForState(SERVICE_PAUSED);
}

DWORD LabService::State() const
{
    DWORD state = 0;
    WithService(m_name, SERVICE_QUERY_STATUS, [&state](SC_HANDLE service) {
        SERVICE_STATUS status;
        if (!::QueryServiceStatus(service, &status))
            return ::GetLastError();
        state = status.dwCurrentState;
        return (DWORD)NO_ERROR;
    });
    return state;
}

bool LabService::WaitForState(DWORD state, DWORD timeoutMs) const
{
    DWORD started = ::GetTickCount();
    DWORD current = State();
    while (current != state)
    {
        if (::GetTickCount() - started >= timeoutMs)
        {
            ADD_FAILURE() << m_name << " is in state " << current << ", not " << state << ", after " << timeoutMs << " ms";
            return false;
        }
        ::Sleep(POLL_INTERVAL_MS);
        current = State();
    }
    return true;
}

void LabService::Remove()
{
    if (m_installed)
    {
        HANDLE process = OpenServiceProcess(m_name);

        // Running, paused or on its way: stop it, with the lab's own control when it
        // refuses STOP, and wait out the pending states of the slow behaviours.
        DWORD started = ::GetTickCount();
        DWORD state = State();
        while (state != SERVICE_STOPPED && state != 0 && ::GetTickCount() - started < 10000)
        {
            if (state == SERVICE_RUNNING || state == SERVICE_PAUSED)
            {
                if (Control(SERVICE_CONTROL_STOP) == ERROR_INVALID_SERVICE_CONTROL)
                    Control(LAB_CONTROL_END);
            }
            ::Sleep(POLL_INTERVAL_MS);
            state = State();
        }
        EXPECT_TRUE(state == SERVICE_STOPPED || state == 0) << m_name << " still in state " << state;
        if (process != NULL)
        {
            // Stopped, LABSVC.EXE ends by itself.
            EXPECT_EQ((DWORD)WAIT_OBJECT_0, ::WaitForSingleObject(process, 5000)) << m_name << ": LABSVC.EXE did not end";
            DWORD exitCode = STILL_ACTIVE;
            ::GetExitCodeProcess(process, &exitCode);
            EXPECT_EQ(0u, exitCode) << m_name << ": LABSVC.EXE ended with " << exitCode;
            ::CloseHandle(process);
        }
        DWORD error = WithService(m_name, DELETE, [](SC_HANDLE service) { return Outcome(::DeleteService(service)); });
        EXPECT_TRUE(error == NO_ERROR || error == ERROR_SERVICE_DOES_NOT_EXIST) << "DeleteService " << m_name << ": " << error;
        m_installed = false;
    }
    ::DeleteFileA(m_infPath.c_str());
}

FileOnDisk::FileOnDisk(const std::string& name, const std::string& bytes) : m_path(BenchDirectory() + name)
{
    if (!WriteFileBytes(m_path, bytes))
        ADD_FAILURE() << "cannot write " << m_path;
}

FileOnDisk::~FileOnDisk()
{
    Delete();
}

void FileOnDisk::Delete()
{
    ::DeleteFileA(m_path.c_str());
}

namespace
{
int g_opened;
int g_closed;
decltype(&OpenSCManagerA) g_realOpenSCManagerA;
decltype(&OpenServiceA) g_realOpenServiceA;
decltype(&CloseServiceHandle) g_realCloseServiceHandle;

SC_HANDLE WINAPI CountingOpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access)
{
    SC_HANDLE handle = g_realOpenSCManagerA(machine, database, access);
    if (handle != NULL)
        g_opened++;
    return handle;
}

SC_HANDLE WINAPI CountingOpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    SC_HANDLE handle = g_realOpenServiceA(manager, name, access);
    if (handle != NULL)
        g_opened++;
    return handle;
}

BOOL WINAPI CountingCloseServiceHandle(SC_HANDLE handle)
{
    BOOL closed = g_realCloseServiceHandle(handle);
    if (closed)
        g_closed++;
    return closed;
}
}

ServiceHandleCounter::ServiceHandleCounter()
    : m_openManager("advapi32.dll", "OpenSCManagerA", CountingOpenSCManagerA),
      m_openService("advapi32.dll", "OpenServiceA", CountingOpenServiceA),
      m_close("advapi32.dll", "CloseServiceHandle", CountingCloseServiceHandle)
{
    g_opened = 0;
    g_closed = 0;
    g_realOpenSCManagerA = m_openManager.Original();
    g_realOpenServiceA = m_openService.Original();
    g_realCloseServiceHandle = m_close.Original();
    EXPECT_TRUE(m_openManager.IsActive() && m_openService.IsActive() && m_close.IsActive());
}

ServiceHandleCounter::~ServiceHandleCounter() = default;

int ServiceHandleCounter::Opened() const
{
    return g_opened;
}

int ServiceHandleCounter::Closed() const
{
    return g_closed;
}
