// The self-deletion: the helper started with this program's number and path, the
// event it sets, the delete-on-close hold on the helper file, the end of the wait also
// when the helper dies, and what every failure leaves behind.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "resources/resource.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabService.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/wizard/HelperBench.h"
#include "tests/wizard/UninstallDoubles.h"
#include "wizard/CUninstReportOKPage.h"
#include "wizard/CWizPropSheet.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";

DWORD g_processId = 0;
DWORD WINAPI PlannedProcessId()
{
    return g_processId;
}

std::vector<SIZE_T> g_allocations;
decltype(&GlobalAlloc) g_originalGlobalAlloc = NULL;
HGLOBAL WINAPI RecordingGlobalAlloc(UINT flags, SIZE_T bytes)
{
    g_allocations.push_back(bytes);
    return g_originalGlobalAlloc(flags, bytes);
}
HGLOBAL WINAPI RefusingGlobalAlloc(UINT /*flags*/, SIZE_T bytes)
{
    g_allocations.push_back(bytes);
    return NULL;
}
int g_frees = 0;
decltype(&GlobalFree) g_originalGlobalFree = NULL;
HGLOBAL WINAPI CountingGlobalFree(HGLOBAL block)
{
    ++g_frees;
    return g_originalGlobalFree(block);
}

DWORD HandleCount()
{
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

// Ends a wait that does not end by itself: the test fails and the event is set.
class Watchdog
{
public:
    explicit Watchdog(const std::string& eventName)
        : m_done(false), m_thread([this, eventName] {
              for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000; ::Sleep(20))
              {
                  if (m_done)
                      return;
              }
              ADD_FAILURE() << "the wait for the helper did not end";
              HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
              if (event != NULL)
              {
                  ::SetEvent(event);
                  ::CloseHandle(event);
              }
          })
    {
    }
    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done;
    std::thread m_thread;
};

class SelfDeletion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        StartTraceLog();
        PlanUninstall({});
        g_allocations.clear();
        g_frees = 0;
    }

    static std::string EventName(DWORD processId) { return "push-me" + Hex(processId); }
    static std::string CreateEventLine(DWORD processId)
    {
        return "CUninstReportOKPage::ScheduleSelfDeletionTask CreateEvent ok for " + EventName(processId);
    }
    static std::string CreateFileLine(const std::string& helper)
    {
        return "CUninstReportOKPage::ScheduleSelfDeletionTask CreateFile ok for " + helper;
    }
    static std::string LengthLine(const std::string& commandLine)
    {
        return "allocated command line of " + std::to_string(commandLine.size()) + " bytes";
    }
    static std::string WaitingLine(HANDLE event) { return "waiting for " + Hex((unsigned long)(UINT_PTR)event); }
};

// The command line: helper, number, program, the second argument when there is one,
// and " -L" when the sheet's log flag is off. The helper sees the event not set, and
// it stays set once set (manual reset); this program holds the helper file for reading
// only, and the file is gone once the wait is over. The buffer holds exactly the parts,
// also with a number of eight digits and a 259-character argument.
TEST_F(SelfDeletion, StartsTheHelperWithItsCommandLineAndWaitsForItsEvent)
{
    const std::string program = ProgramPath();
    const std::string longArgument = "C:\\" + std::string(259 - 3 - 4, 'p') + ".EXE";
    ASSERT_EQ(259u, longArgument.size());
    const struct
    {
        const char* what;
        int sheet;   // 0: none, 1: log on, 2: log off
        DWORD processId;   // 0: the real one
        std::string second;
        std::string tail;
        bool nullLine;
    } cases[] = {
        { "log off", 2, 0, "D:\\DRIVERS\\SETUP.EXE", " D:\\DRIVERS\\SETUP.EXE -L", false },
        { "log on", 1, 0, "D:\\DRIVERS\\SETUP.EXE", " D:\\DRIVERS\\SETUP.EXE", false },
        { "no sheet", 0, 0, "D:\\DRIVERS\\SETUP.EXE", " D:\\DRIVERS\\SETUP.EXE", true },
        { "no second argument", 2, 0, "", " -L", false },
        { "a blank in the second argument", 1, 0, "C:\\Program Files\\SETUP.EXE", " C:\\Program Files\\SETUP.EXE",
          false },
        { "eight digits, 259 characters", 2, 0x1234ABCD, longArgument, " " + longArgument + " -L", false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        g_allocations.clear();
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, c.sheet == 1, false);
        CUninstReportOKPage page;
        page.SetPageData(c.sheet == 0 ? NULL : &sheet, NULL);
        StandInHelper helper(BenchDirectory() + "ISDEL.EXE", "signal");
        EventRecorder events;
        ImportSwap<decltype(&GlobalAlloc)> allocations("kernel32.dll", "GlobalAlloc", RecordingGlobalAlloc);
        g_originalGlobalAlloc = allocations.Original();
        DWORD processId = c.processId != 0 ? c.processId : ::GetCurrentProcessId();
        g_processId = processId;
        ImportSwap<decltype(&GetCurrentProcessId)> number("kernel32.dll", "GetCurrentProcessId", PlannedProcessId);
        {
            Watchdog watchdog(EventName(processId));
            page.ScheduleSelfDeletionTask(helper.Path().c_str(), c.second.c_str());
        }

        std::string commandLine = helper.Path() + " " + Hex(processId) + " " + program + c.tail;
        EXPECT_EQ("command line: " + commandLine + "\n"
                  "module: " + helper.Path() + "\n"
                  "open for writing: 32\n"
                  "event " + EventName(processId) + ": not set\n"
                  "after setting it: stays set\n",
                  helper.Record());
        EXPECT_TRUE(helper.Vanishes());
        ASSERT_EQ(1u, events.Events().size());
        const CreatedEvent& event = events.Events()[0];
        EXPECT_TRUE(event.manualReset);
        EXPECT_FALSE(event.initialState);
        EXPECT_TRUE(event.defaultSecurity);
        EXPECT_EQ(EventName(processId), event.name);
        EXPECT_EQ(std::vector<SIZE_T>({ commandLine.size() + 1 }), g_allocations);

        Lines lines = { CreateEventLine(processId), CreateFileLine(helper.Path()) };
        if (c.nullLine)
            lines.push_back("CUninstReportOKPage::ScheduleSelfDeletionTask propsheetUninstReportOK NULL (0)");
        lines.push_back(LengthLine(commandLine));
        lines.push_back(WaitingLine(event.handle));
        EXPECT_EQ(lines, ReadTraceLogLines());
    }
}

// This program started from a path of 259 characters, with a process number of eight
// digits: the command line holds both in full, and its buffer holds exactly that. The
// test runs itself again from such a path, where the second run does the checks (its
// trace log, beside it, would lie past the longest path and is not read).
TEST_F(SelfDeletion, AProgramPathOf259CharactersAndAnEightDigitNumberFitTheCommandLine)
{
    const char* childFlag = "SETUP_TEST_LONG_PATH_CHILD";
    char flag[8] = "";
    if (::GetEnvironmentVariableA(childFlag, flag, sizeof(flag)) > 0)
    {
        const std::string program = ProgramPath();
        ASSERT_EQ(259u, program.size());
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
        CUninstReportOKPage page;
        page.SetPageData(&sheet, NULL);
        StandInHelper helper("C:\\bench\\ISDEL.EXE", "signal");
        ImportSwap<decltype(&GlobalAlloc)> allocations("kernel32.dll", "GlobalAlloc", RecordingGlobalAlloc);
        g_originalGlobalAlloc = allocations.Original();
        g_processId = 0xFEDCBA98;
        ImportSwap<decltype(&GetCurrentProcessId)> number("kernel32.dll", "GetCurrentProcessId", PlannedProcessId);
        {
            Watchdog watchdog(EventName(g_processId));
            page.ScheduleSelfDeletionTask(helper.Path().c_str(), program.c_str());
        }
        std::string commandLine = helper.Path() + " fedcba98 " + program + " " + program + " -L";
        EXPECT_EQ("command line: " + commandLine + "\n", helper.Record().substr(0, commandLine.size() + 15));
        EXPECT_EQ(std::vector<SIZE_T>({ commandLine.size() + 1 }), g_allocations);
        return;
    }

    const std::string folder = BenchDirectory() + std::string(259 - BenchDirectory().size() - 6, 'd');
    const std::string copy = folder + "\\T.EXE";
    ASSERT_EQ(259u, copy.size());
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(::CopyFileA(ProgramPath().c_str(), copy.c_str(), FALSE)) << ::GetLastError();
    std::string commandLine = "\"" + copy + "\" --gtest_filter=SelfDeletion."
                              "AProgramPathOf259CharactersAndAnEightDigitNumberFitTheCommandLine";
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    ::SetEnvironmentVariableA(childFlag, "1");
    BOOL started = ::CreateProcessA(copy.c_str(), writable.data(), NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup,
                                    &child);
    ::SetEnvironmentVariableA(childFlag, NULL);
    ASSERT_TRUE(started) << ::GetLastError();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(child.hProcess, 30000));
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.hProcess, &exitCode);
    EXPECT_EQ(0u, exitCode) << "the run from the long path failed";
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    for (const char* name : { "\\T.EXE", "\\SETUP.TXT" })
        RemovePath(folder + name);
    RemovePath(folder);
}

// A helper path with blanks starts that helper and nothing else: not the program that
// the path's first word names.
TEST_F(SelfDeletion, AHelperPathWithBlanksStartsNoOtherProgram)
{
    std::string folder = BenchDirectory() + "stand in";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), NULL) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    std::string decoy = BenchDirectory() + "stand.exe";
    {
        StandInHelper decoyHelper(decoy, "signal");
        StandInHelper helper(folder + "\\ISDEL.EXE", "signal");
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, true, false);
        CUninstReportOKPage page;
        page.SetPageData(&sheet, NULL);
        {
            Watchdog watchdog(EventName(::GetCurrentProcessId()));
            page.ScheduleSelfDeletionTask(helper.Path().c_str(), "");
        }
        EXPECT_EQ("command line: " + helper.Path() + " " + Hex(::GetCurrentProcessId()) + " " + ProgramPath() + "\n"
                  "module: " + helper.Path() + "\n"
                  "open for writing: 32\n"
                  "event " + EventName(::GetCurrentProcessId()) + ": not set\n"
                  "after setting it: stays set\n",
                  helper.Record());
        EXPECT_TRUE(helper.Vanishes());
        EXPECT_TRUE(decoyHelper.Exists());
    }
    RemovePath(folder);
}

// A helper that ends without setting the event ends the wait all the same.
TEST_F(SelfDeletion, TheWaitEndsWhenTheHelperDiesWithoutSettingTheEvent)
{
    DWORD before = HandleCount();
    {
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, true, false);
        CUninstReportOKPage page;
        page.SetPageData(&sheet, NULL);
        StandInHelper helper(BenchDirectory() + "ISDEL.EXE", "die");
        EventRecorder events;
        {
            Watchdog watchdog(EventName(::GetCurrentProcessId()));
            page.ScheduleSelfDeletionTask(helper.Path().c_str(), "D:\\SETUP.EXE");
        }
        EXPECT_NE("", helper.Record());
        EXPECT_TRUE(helper.Vanishes());
        std::string commandLine =
            helper.Path() + " " + Hex(::GetCurrentProcessId()) + " " + ProgramPath() + " D:\\SETUP.EXE";
        ASSERT_EQ(1u, events.Events().size());
        EXPECT_EQ(Lines({ CreateEventLine(::GetCurrentProcessId()), CreateFileLine(helper.Path()),
                          LengthLine(commandLine), WaitingLine(events.Events()[0].handle) }),
                  ReadTraceLogLines());
    }
    EXPECT_EQ(before, HandleCount());
}

// Every failure closes what was opened and frees what was allocated; nothing starts.
TEST_F(SelfDeletion, EachFailureReleasesEverythingAndStartsNothing)
{
    const DWORD self = ::GetCurrentProcessId();
    const std::string helperPath = BenchDirectory() + "ISDEL.EXE";
    const std::string commandLine = helperPath + " " + Hex(self) + " " + ProgramPath() + " D:\\SETUP.EXE";
    enum Failure { EventNameTaken, NoHelper, NoMemory, NotAProgram };
    const struct
    {
        const char* what;
        Failure failure;
        Lines lines;
        bool helperLeft;   // the helper file is still there afterwards
    } cases[] = {
        // Another kind of object holds the event's name.
        { "the event cannot be created", EventNameTaken, {}, true },
        { "no helper", NoHelper, { CreateEventLine(self) }, false },
        { "no memory for the command line", NoMemory, { CreateEventLine(self), CreateFileLine(helperPath) }, false },
        { "the helper is not a program", NotAProgram,
          { CreateEventLine(self), CreateFileLine(helperPath), LengthLine(commandLine) }, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        g_allocations.clear();
        g_frees = 0;
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, true, false);
        CUninstReportOKPage page;
        page.SetPageData(&sheet, NULL);
        StandInHelper helper(helperPath, "signal");
        if (c.failure == NoHelper)
            RemovePath(helperPath);
        if (c.failure == NotAProgram)
            WriteTextFile(helperPath, "not a program\r\n");
        HANDLE mutex = c.failure == EventNameTaken ? ::CreateMutexA(NULL, FALSE, EventName(self).c_str()) : NULL;

        DWORD before = HandleCount();
        {
            ImportSwap<decltype(&GlobalAlloc)> allocations(
                "kernel32.dll", "GlobalAlloc", c.failure == NoMemory ? RefusingGlobalAlloc : RecordingGlobalAlloc);
            g_originalGlobalAlloc = allocations.Original();
            ImportSwap<decltype(&GlobalFree)> frees("kernel32.dll", "GlobalFree", CountingGlobalFree);
            g_originalGlobalFree = frees.Original();
            page.ScheduleSelfDeletionTask(helperPath.c_str(), "D:\\SETUP.EXE");
        }
        EXPECT_EQ(before, HandleCount());
        bool allocated = c.failure == NotAProgram;
        EXPECT_EQ(allocated ? 1 : 0, g_frees);
        EXPECT_EQ(c.failure == NoMemory || allocated ? 1u : 0u, g_allocations.size());
        EXPECT_EQ(c.lines, ReadTraceLogLines());
        EXPECT_EQ(c.helperLeft, helper.Exists());
        EXPECT_EQ("", helper.Record(300));
        if (mutex != NULL)
            ::CloseHandle(mutex);
    }
}

// The deletion is due only once the driver's service is gone; the helper then lies
// beside the system directory and gets this program's path a second time.
TEST_F(SelfDeletion, IsDueOnlyOnceTheDriversServiceIsGone)
{
    LabService installed;
    ASSERT_TRUE(installed.IsInstalled());
    const std::string goneService = UniqueName("Gone");
    const std::string goneInf = BenchDirectory() + "GONE.INF";
    WriteTextFile(goneInf, LabServiceInfText(goneService));
    const std::string noAddServiceInf = BenchDirectory() + "NOADD.INF";
    WriteTextFile(noAddServiceInf, "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Models]\r\nBoard = BoardInstall\r\n"
                                   "\r\n[BoardInstall]\r\n\r\n[BoardInstall.Services]\r\n");
    const std::string self = Hex(::GetCurrentProcessId());
    const std::string helper = HelperBesideSystemDirectory();
    const std::string commandLine = helper + " " + self + " " + ProgramPath() + " " + ProgramPath() + " -L";

    const struct
    {
        const char* what;
        std::string inf;
        bool helperThere;
        Lines lines;    // before the helper's own lines
        bool started;
    } cases[] = {
        { "the service is still installed", installed.InfPath(), true,
          { "GetDriverServiceName calling SetupOpenInfFile for " + installed.InfPath(),
            "GetDriverServiceName looking for BoardInstall.Services", "GetDriverServiceName got " + installed.Name(),
            "GetDriverServiceName exit with uRet 0", "open_service exit with uRet 0",
            "GetInfo state 1 (DRV_S_INSTALLED)", "GetInfo exit with uRet 0" },
          false },
        { "the state cannot be read", noAddServiceInf, true,
          { "GetDriverServiceName calling SetupOpenInfFile for " + noAddServiceInf,
            "GetDriverServiceName looking for BoardInstall.Services",
            "GetDriverServiceName 9 (ST_INF_NO_ADDSERVICE_KEY)", "GetDriverServiceName exit with uRet 9",
            "GetInfo exit with uRet 9" },
          false },
        { "the service is gone, no helper", goneInf, false,
          { "GetDriverServiceName calling SetupOpenInfFile for " + goneInf,
            "GetDriverServiceName looking for BoardInstall.Services", "GetDriverServiceName got " + goneService,
            "GetDriverServiceName exit with uRet 0", "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)",
            "open_service exit with uRet 20", "GetInfo state 0 (DRV_S_NONE)", "GetInfo exit with uRet 0",
            CreateEventLine(::GetCurrentProcessId()) },
          false },
        { "the service is gone", goneInf, true,
          { "GetDriverServiceName calling SetupOpenInfFile for " + goneInf,
            "GetDriverServiceName looking for BoardInstall.Services", "GetDriverServiceName got " + goneService,
            "GetDriverServiceName exit with uRet 0", "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)",
            "open_service exit with uRet 20", "GetInfo state 0 (DRV_S_NONE)", "GetInfo exit with uRet 0",
            CreateEventLine(::GetCurrentProcessId()), CreateFileLine(helper), LengthLine(commandLine) },
          true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        CDriverSetup drivers(c_dir, c.inf.c_str(), "Models");
        CWizPropSheet sheet(false, ::GetModuleHandleA(NULL), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
        CUninstReportOKPage page;
        page.SetPageData(&sheet, &drivers);
        StandInHelper stand(helper, "signal");
        if (!c.helperThere)
            RemovePath(helper);
        EventRecorder events;
        {
            Watchdog watchdog(EventName(::GetCurrentProcessId()));
            page.PrepareSelfDeletion(&drivers);
        }
        Lines lines = c.lines;
        if (c.started)
        {
            ASSERT_EQ(1u, events.Events().size());
            lines.push_back(WaitingLine(events.Events()[0].handle));
            EXPECT_EQ("command line: " + commandLine + "\n", stand.Record().substr(0, commandLine.size() + 15));
        }
        else
        {
            EXPECT_EQ("", stand.Record(300));
        }
        EXPECT_EQ(lines, ReadTraceLogLines());
        EXPECT_EQ(c.helperThere && !c.started, stand.Exists());
    }
    RemovePath(goneInf);
    RemovePath(noAddServiceInf);
}

// An empty driver list, or none at all: nothing is scheduled.
TEST_F(SelfDeletion, AnEmptyDriverListSchedulesNothing)
{
    RemovePath(c_inf);
    CDriverSetup drivers(c_dir, c_inf, "Models");
    CUninstReportOKPage page;
    StartTraceLog();
    page.PrepareSelfDeletion(&drivers);
    page.PrepareSelfDeletion(NULL);
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}
}
