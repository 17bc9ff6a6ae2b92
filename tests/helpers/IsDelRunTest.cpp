// The helper's steps run in the test's own process, with time limits short enough to see
// them run out, and a refusal that Wine cannot produce injected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "helpers/isdel/IsDelRun.h"
#include "tests/helpers/IsDelTestFiles.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TextFile.h"

namespace
{
const char c_runDirectory[] = "C:\\run dir\\";
const DWORD c_noProcess = 0xFFFFFFFF;

class IsDelSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemoveTree(c_runDirectory);
        ASSERT_TRUE(::CreateDirectoryA(c_runDirectory, NULL)) << ::GetLastError();
        program = std::string(c_runDirectory) + "SETUP.EXE";
        logPath = std::string(c_runDirectory) + "SETUP.TXT";
        WriteTextFile(program, "MZ");
        limits.waitForProcessMs = 300;
        limits.deleteRetryMs = 500;
        limits.deleteRetryStepMs = 100;
    }
    void TearDown() override { RemoveTree(c_runDirectory); }

    IsDelRequest Request(DWORD processId) const
    {
        IsDelRequest request;
        request.processId = processId;
        request.programPath = program;
        return request;
    }

    static DWORD HandleCount()
    {
        DWORD count = 0;
        EXPECT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &count));
        return count;
    }

    std::string program;
    std::string logPath;
    IsDelLimits limits;
};

// A setup process that does not end within the wait: the helper gives up and the file
// stays; it sets the event when there is one and carries on when there is none. No handle
// stays open either way.
TEST_F(IsDelSteps, ASetupProcessThatStillRunsAfterTheWaitKeepsItsFile)
{
    const DWORD self = ::GetCurrentProcessId();
    for (bool withEvent : { true, false })
    {
        SCOPED_TRACE(withEvent ? "with its event" : "without an event");
        ::DeleteFileA(logPath.c_str());
        HANDLE event = withEvent ? ::CreateEventA(NULL, TRUE, FALSE, Format("push-me%lx", self).c_str()) : NULL;
        ASSERT_TRUE(!withEvent || event != NULL);
        DWORD handlesBefore = HandleCount();

        EXPECT_EQ((DWORD)WAIT_TIMEOUT, RunIsDel(Request(self), limits));

        EXPECT_EQ(handlesBefore, HandleCount());
        EXPECT_TRUE(PathExists(program));
        std::string eventLine = withEvent ? Format("ISDEL setting event push-me%lx", self)
                                          : Format("ISDEL no event push-me%lx (2)", self);
        EXPECT_EQ((std::vector<std::string>{ Format("ISDEL waiting for process %lx", self), eventLine,
                                             Format("ISDEL process %lx still running, giving up", self) }),
                  ReadLogLines(logPath));
        if (event != NULL)
        {
            EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(event, 0)) << "the event was not set";
            ::CloseHandle(event);
        }
    }
}

// A file that stays locked through all the retries is given up with the last error.
TEST_F(IsDelSteps, AFileThatStaysLockedIsGivenUpAfterTheRetries)
{
    HANDLE lock = ::CreateFileA(program.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock) << ::GetLastError();
    DWORD handlesBefore = HandleCount();
    DWORD started = ::GetTickCount();

    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, RunIsDel(Request(c_noProcess), limits));

    EXPECT_GE(::GetTickCount() - started, limits.deleteRetryMs);
    EXPECT_EQ(handlesBefore, HandleCount());
    ::CloseHandle(lock);
    EXPECT_TRUE(PathExists(program));
    EXPECT_EQ((std::vector<std::string>{ "ISDEL cannot open process ffffffff (57)",
                                         "ISDEL no event push-meffffffff (2)",
                                         "ISDEL cannot delete " + program + " (20)" }),
              ReadLogLines(logPath));
}

HANDLE WINAPI RefuseToOpenProcess(DWORD, BOOL, DWORD)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return NULL;
}

// A process that exists but cannot be opened may still be running: nothing is deleted.
TEST_F(IsDelSteps, AProcessThatCannotBeOpenedKeepsItsFile)
{
    ImportSwap<decltype(&OpenProcess)> swap("kernel32.dll", "OpenProcess", RefuseToOpenProcess);
    ASSERT_TRUE(swap.IsActive());
    const DWORD self = ::GetCurrentProcessId();

    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, RunIsDel(Request(self), limits));

    EXPECT_TRUE(PathExists(program));
    EXPECT_EQ((std::vector<std::string>{ Format("ISDEL cannot open process %lx (5)", self),
                                         Format("ISDEL no event push-me%lx (2)", self) }),
              ReadLogLines(logPath));
}
}
