// The trace log: one line at a time, appended to SETUP.TXT beside the program, and
// nothing at all when it is off or the file cannot be written.
#include <gtest/gtest.h>

#include <string>

#include "app/CLogFile.h"
#include "app/Trace.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/MachineState.h"
#include "tests/support/TraceLog.h"

namespace
{
class TraceLogFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = TraceLogPath();
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
        ::RemoveDirectoryA(path.c_str());
    }
    void TearDown() override { SetUp(); }

    void WriteFile(const std::string& bytes)
    {
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
        ::CloseHandle(file);
    }

    bool FileExists() { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string path;
};

void SwitchOn(CLogFile& log)
{
    log.Enable();
    log.SetFileName("SETUP.TXT");
}

TEST_F(TraceLogFile, OffWritesNothingAndLeavesAFileAlone)
{
    CLogFile log;
    log.SetFileName("SETUP.TXT");
    log.WriteLine("abc\n");
    EXPECT_FALSE(FileExists());
    EXPECT_FALSE(log.OpenForAppend());

    WriteFile("earlier\r\n");
    log.WriteLine("abc\n");
    EXPECT_EQ("earlier\r\n", ReadTraceLogBytes());
}

TEST_F(TraceLogFile, OnWithoutAFileNameWritesNothing)
{
    CLogFile log;
    log.Enable();
    log.WriteLine("abc\n");
    log.SetFileName(NULL);
    log.WriteLine("abc\n");
    EXPECT_STREQ("", log.pathLogFile);
    EXPECT_FALSE(FileExists());
}

TEST_F(TraceLogFile, LivesBesideTheProgramWhateverTheCurrentDirectory)
{
    char previous[MAX_PATH];
    ::GetCurrentDirectoryA(sizeof(previous), previous);
    ::SetCurrentDirectoryA("C:\\windows");
    CLogFile log;
    SwitchOn(log);
    log.WriteLine("abc\n");
    ::SetCurrentDirectoryA(previous);
    EXPECT_EQ(path, std::string(log.pathLogFile));
    EXPECT_FALSE(::GetFileAttributesA("C:\\windows\\SETUP.TXT") != INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ("abc\r\n", ReadTraceLogBytes());
}

TEST_F(TraceLogFile, CreatesThenAppendsAcrossRuns)
{
    {
        CLogFile firstRun;
        SwitchOn(firstRun);
        firstRun.WriteLine("abc\n");
        EXPECT_EQ(std::string("abc\r\n"), ReadTraceLogBytes());
        firstRun.WriteLine("line two\n");
    }
    CLogFile secondRun;
    SwitchOn(secondRun);
    secondRun.WriteLine("second run\n");
    EXPECT_EQ("abc\r\nline two\r\nsecond run\r\n", ReadTraceLogBytes());
}

TEST_F(TraceLogFile, HoldsNoHandleBetweenLines)
{
    CLogFile log;
    SwitchOn(log);
    DWORD handlesBefore = 0, handlesAfter = 0;
    log.WriteLine("first\n");
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore);
    for (int i = 0; i < 20; i++)
        log.WriteLine("again\n");
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesBefore, handlesAfter);
    EXPECT_FALSE(log.openLogFile);

    // Nobody holds it: it opens without sharing and can be deleted.
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    ::CloseHandle(file);
    EXPECT_TRUE(::DeleteFileA(path.c_str()));
}

TEST_F(TraceLogFile, AFileDeletedBetweenLinesIsMadeAnew)
{
    CLogFile log;
    SwitchOn(log);
    log.WriteLine("before\n");
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    log.WriteLine("after\n");
    log.WriteLine("and on\n");
    EXPECT_EQ("after\r\nand on\r\n", ReadTraceLogBytes());
}

decltype(&CreateFileA) g_realCreateFileA = NULL;

// Windows refuses to open a read-only file for writing; Wine, run as root, writes it anyway.
HANDLE WINAPI RefuseWritingReadOnlyFiles(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                         DWORD creation, DWORD flags, HANDLE templateFile)
{
    DWORD attributes = ::GetFileAttributesA(name);
    if ((access & GENERIC_WRITE) && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    return g_realCreateFileA(name, access, share, security, creation, flags, templateFile);
}

// A file that cannot be opened loses the line, leaks nothing, and the next line tries again.
TEST_F(TraceLogFile, LinesThatCannotBeWrittenAreLost)
{
    CLogFile log;
    SwitchOn(log);
    DWORD handlesBefore = 0, handlesAfter = 0;

    WriteFile("kept\r\n");
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        ImportSwap<decltype(&CreateFileA)> readOnly("kernel32.dll", "CreateFileA", RefuseWritingReadOnlyFiles);
        g_realCreateFileA = readOnly.Original();
        ::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore);
        log.WriteLine("read-only\n");
        ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    }
    EXPECT_EQ(handlesBefore, handlesAfter);
    EXPECT_FALSE(log.openLogFile);
    EXPECT_EQ("kept\r\n", ReadTraceLogBytes());
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Held open without sharing.
    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    log.WriteLine("held\n");
    ::CloseHandle(holder);
    log.WriteLine("released\n");
    EXPECT_EQ("kept\r\nreleased\r\n", ReadTraceLogBytes());

    // A directory of that name.
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), NULL));
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesBefore);
    log.WriteLine("directory\n");
    ::GetProcessHandleCount(::GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesBefore, handlesAfter);
    EXPECT_FALSE(log.openLogFile);
    EXPECT_TRUE(::RemoveDirectoryA(path.c_str()));
}

// The log path is built in 260-character buffers: a program path that leaves no room
// for the name gives no log file rather than a cut one.
TEST_F(TraceLogFile, ProgramPathsTooLongForTheBuffersGiveNoLogFile)
{
    struct
    {
        size_t directoryLength;
        const char* expected;
    } cases[] = { { 240, "fits" }, { 250, "fits" }, { 251, "" }, { 259, "" }, { 260, "" }, { 600, "" } };
    ImportSwap<decltype(&GetModuleFileNameA)> swap("kernel32.dll", "GetModuleFileNameA", FakeGetModuleFileNameA);
    for (const auto& c : cases)
    {
        std::string directory = "C:\\" + std::string(c.directoryLength - 4, 'd') + "\\";
        SetFakeModulePath(directory + "A.EXE");
        SCOPED_TRACE("directory of " + std::to_string(directory.size()) + " characters");
        CLogFile log;
        SwitchOn(log);
        // directory + "SETUP.TXT" must stay below 260 characters.
        if (std::string(c.expected) == "fits")
            EXPECT_EQ(directory + "SETUP.TXT", std::string(log.pathLogFile));
        else
            EXPECT_STREQ("", log.pathLogFile);
        log.WriteLine("abc\n");
    }
}

// Trace formats into 256 characters: a longer line is cut, and still ends the line.
TEST_F(TraceLogFile, TraceCutsLongLinesSafely)
{
    StartTraceLog();
    std::string fits(254, 'a');
    std::string tooLong(255, 'b');
    std::string muchTooLong(5000, 'c');
    Trace("%s\n", fits.c_str());
    Trace("%s\n", tooLong.c_str());
    Trace("%s exit with uRet %u\n", muchTooLong.c_str(), 7u);
    Trace("short %x %X\n", 0xabu, 0u);
    std::vector<std::string> lines = ReadTraceLogLines();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(fits, lines[0]);
    EXPECT_EQ(std::string(254, 'b'), lines[1]);
    EXPECT_EQ(std::string(254, 'c'), lines[2]);
    EXPECT_EQ("short ab 0", lines[3]);
}
}
