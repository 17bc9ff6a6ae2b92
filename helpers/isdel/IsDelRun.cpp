#include "helpers/isdel/IsDelRun.h"

#include "helpers/isdel/IsDelLog.h"

#include <cstdio>

namespace
{
// The setup program's process, opened only to wait for it. NULL with *error set when it
// cannot be opened; ERROR_INVALID_PARAMETER says that no process has that number.
HANDLE OpenTheSetupProcess(DWORD processId, CIsDelLog& log, DWORD& error)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    error = process != NULL ? ERROR_SUCCESS : ::GetLastError();
    if (process != NULL)
        log.Line("ISDEL waiting for process %lx\n", processId);
    else
        log.Line("ISDEL cannot open process %lx (%lx)\n", processId, error);
    return process;
}

// The setup program waits on its event "push-me<its number in hex>" until we set it.
// The line goes first: once the event is set the setup program logs again itself.
// Without the event the work goes on all the same: the file is still deleted once the
// process has ended.
void SetTheSetupEvent(DWORD processId, CIsDelLog& log)
{
    char eventName[32];
    snprintf(eventName, sizeof(eventName), "push-me%lx", processId);
    HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName);
    if (event == NULL)
    {
        log.Line("ISDEL no event %s (%lx)\n", eventName, ::GetLastError());
        return;
    }
    log.Line("ISDEL setting event %s\n", eventName);
    if (!::SetEvent(event))
        log.Line("ISDEL cannot set event %s (%lx)\n", eventName, ::GetLastError());
    ::CloseHandle(event);
}

// ERROR_SUCCESS once the process has ended; WAIT_TIMEOUT when it still runs at the end
// of the wait. Closes the process handle.
DWORD WaitForTheSetupProcessToEnd(HANDLE process, DWORD processId, DWORD waitMs, CIsDelLog& log)
{
    DWORD waited = ::WaitForSingleObject(process, waitMs);
    DWORD result = ERROR_SUCCESS;
    if (waited == WAIT_TIMEOUT)
        result = WAIT_TIMEOUT;
    else if (waited != WAIT_OBJECT_0)
        result = ::GetLastError();
    ::CloseHandle(process);

    if (result == ERROR_SUCCESS)
        log.Line("ISDEL process %lx ended\n", processId);
    else if (result == WAIT_TIMEOUT)
        log.Line("ISDEL process %lx still running, giving up\n", processId);
    else
        log.Line("ISDEL cannot wait for process %lx (%lx)\n", processId, result);
    return result;
}

bool IsLockedError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Deletes the file, trying again while something still holds it. A read-only file (as a
// copy from a CD is) is made writable first. ERROR_SUCCESS or the last error.
DWORD DeleteTheProgramFile(const std::string& path, const IsDelLimits& limits, CIsDelLog& log)
{
    DWORD result = ERROR_SUCCESS;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        result = ::GetLastError();
    else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        result = ERROR_ACCESS_DENIED;
    else
    {
        if (attributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        DWORD started = ::GetTickCount();
        while (!::DeleteFileA(path.c_str()))
        {
            result = ::GetLastError();
            if (!IsLockedError(result) || ::GetTickCount() - started >= limits.deleteRetryMs)
                break;
            ::Sleep(limits.deleteRetryStepMs);
            result = ERROR_SUCCESS;
        }
    }

    if (result == ERROR_SUCCESS)
        log.Line("ISDEL deleted %s\n", path.c_str());
    else
        log.Line("ISDEL cannot delete %s (%lx)\n", path.c_str(), result);
    return result;
}

// Removes the directory of the deleted file when nothing else is left in it; otherwise
// RemoveDirectoryA fails and the directory stays. Never a drive's root.
void RemoveTheProgramDirectory(const std::string& path)
{
    size_t separator = path.find_last_of('\\');
    if (separator == std::string::npos || separator == 0 || path[separator - 1] == ':' || path[separator - 1] == '\\')
        return;
    ::RemoveDirectoryA(path.substr(0, separator).c_str());
}
}

DWORD RunIsDel(const IsDelRequest& request, const IsDelLimits& limits)
{
    CIsDelLog log(request.programPath, !request.logOff);

    DWORD result = ERROR_SUCCESS;
    HANDLE process = OpenTheSetupProcess(request.processId, log, result);
    SetTheSetupEvent(request.processId, log);

    if (process != NULL)
        result = WaitForTheSetupProcessToEnd(process, request.processId, limits.waitForProcessMs, log);
    else if (result == ERROR_INVALID_PARAMETER)
        // No process has that number: the setup program has ended already (or was never
        // there), so nothing holds its file any more and it goes at once.
        result = ERROR_SUCCESS;
    if (result != ERROR_SUCCESS)
        return result;

    result = DeleteTheProgramFile(request.programPath, limits, log);
    // With the log on, SETUP.TXT lies in the directory and keeps it; with it off, the
    // directory goes when the program was the last file in it.
    if (result == ERROR_SUCCESS && request.logOff)
        RemoveTheProgramDirectory(request.programPath);
    return result;
}
