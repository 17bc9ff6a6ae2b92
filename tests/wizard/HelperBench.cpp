#include "tests/wizard/HelperBench.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/support/TextFile.h"

namespace
{
std::vector<CreatedEvent> g_events;
decltype(&CreateEventA) g_originalCreateEvent = NULL;

HANDLE WINAPI RecordingCreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name)
{
    HANDLE handle = g_originalCreateEvent(security, manualReset, initialState, name);
    // The C++ runtime's threads make unnamed events of their own.
    if (name != NULL && strncmp(name, "push-me", 7) == 0)
        g_events.push_back({ manualReset != FALSE, initialState != FALSE, security == NULL, name != NULL ? name : "",
                         handle });
    return handle;
}

int g_helperCount = 0;
// The bench, where the stand-in lies beside the test program; also for a run of the
// test program from another directory.
const char c_bench[] = "C:\\bench\\";
}

StandInHelper::StandInHelper(const std::string& path, const char* mode) : m_path(path)
{
    m_record = std::string(c_bench) + "helper-record-" + std::to_string(++g_helperCount) + ".txt";
    RemovePath(m_record);
    std::string source = std::string(c_bench) + "ISDELSTANDIN.EXE";
    EXPECT_TRUE(::CopyFileA(source.c_str(), path.c_str(), FALSE)) << "cannot copy " << source << " to " << path
                                                                   << ": " << ::GetLastError();
    ::SetEnvironmentVariableA("SETUP_TEST_HELPER_MODE", mode);
    ::SetEnvironmentVariableA("SETUP_TEST_HELPER_RECORD", m_record.c_str());
}

StandInHelper::~StandInHelper()
{
    ::SetEnvironmentVariableA("SETUP_TEST_HELPER_MODE", NULL);
    ::SetEnvironmentVariableA("SETUP_TEST_HELPER_RECORD", NULL);
    RemovePath(m_path);
    RemovePath(m_record);
}

bool StandInHelper::Exists() const
{
    return ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool StandInHelper::Vanishes(DWORD timeoutMs) const
{
    for (DWORD start = ::GetTickCount(); Exists(); ::Sleep(20))
    {
        if (::GetTickCount() - start > timeoutMs)
            return false;
    }
    return true;
}

std::string StandInHelper::Record(DWORD timeoutMs) const
{
    for (DWORD start = ::GetTickCount();; ::Sleep(20))
    {
        FILE* file = fopen(m_record.c_str(), "rb");
        if (file != NULL)
        {
            std::string text;
            char buffer[1024];
            size_t got;
            while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
                text.append(buffer, got);
            fclose(file);
            return text;
        }
        if (::GetTickCount() - start >= timeoutMs)
            return "";
    }
}

std::string HelperBesideSystemDirectory()
{
    return "C:\\windows\\ISDEL.EXE";
}

std::string ProgramPath()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, path, sizeof(path));
    return path;
}

EventRecorder::EventRecorder() : m_swap("kernel32.dll", "CreateEventA", RecordingCreateEventA)
{
    g_originalCreateEvent = m_swap.Original();
    g_events.clear();
}

EventRecorder::~EventRecorder()
{
    g_events.clear();
}

const std::vector<CreatedEvent>& EventRecorder::Events() const
{
    return g_events;
}

std::string Hex(unsigned long value)
{
    char text[32];
    snprintf(text, sizeof(text), "%lx", value);
    return text;
}
