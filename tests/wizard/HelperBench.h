// The self-deletion helper's side of the uninstall tests: the stand-in helper
// (ISDELSTANDIN.EXE on the bench, C:\bench) laid where the setup program looks for
// its helper, what it recorded, and the event handles that the program creates.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/ImportSwap.h"

// The stand-in, copied to path for the length of a scope and told how to behave
// ("signal" or "die"); its record is read from a file of its own. Whatever is left at
// path goes at the end.
class StandInHelper
{
public:
    StandInHelper(const std::string& path, const char* mode);
    ~StandInHelper();

    const std::string& Path() const { return m_path; }
    bool Exists() const;
    // Whether the file is gone within the time: a helper deleted on close goes once the
    // stand-in's process, which runs from it, has ended.
    bool Vanishes(DWORD timeoutMs = 5000) const;
    // What the stand-in wrote, once it has written it (a few seconds at most); empty
    // when it was not started.
    std::string Record(DWORD timeoutMs = 5000) const;

private:
    StandInHelper(const StandInHelper&) = delete;
    StandInHelper& operator=(const StandInHelper&) = delete;

    std::string m_path;
    std::string m_record;
};

// C:\windows\ISDEL.EXE: the helper's place beside the system directory C:\windows\system32.
std::string HelperBesideSystemDirectory();
// This test program's own path.
std::string ProgramPath();
// The helper's events ("push-me...") that the program creates while it lives: their
// arguments and handles, through a swap of CreateEventA that forwards to the real
// function.
struct CreatedEvent
{
    bool manualReset;
    bool initialState;
    bool defaultSecurity;
    std::string name;
    HANDLE handle;
};

class EventRecorder
{
public:
    EventRecorder();
    ~EventRecorder();
    const std::vector<CreatedEvent>& Events() const;

private:
    ImportSwap<decltype(&CreateEventA)> m_swap;
};

std::string Hex(unsigned long value);
