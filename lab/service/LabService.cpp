// LABSVC.EXE: a Win32 own-process service that stands in for the board's driver on the
// test bench. How it behaves is read when it starts from the REG_SZ value Behaviour of
// HKLM\SYSTEM\CurrentControlSet\Services\<its name>\Parameters:
//
//   run          (also a missing or unknown value) runs and accepts STOP
//   pausable     accepts PAUSE and CONTINUE as well
//   refuse-stop  runs without accepting STOP, so the SCM refuses the stop control
//   slow-stop    on STOP stays STOP_PENDING for StopDelayMs (DWORD) before it stops
//   slow-start   stays START_PENDING for StartDelayMs (DWORD) before it runs
//
// Whatever the behaviour, the user-defined control 128 ends it at once, so that the
// bench can remove a service that refuses STOP.
//
// Like the board's driver, it publishes the board before the Service Control Manager
// learns that it has started: the PCI values in its parameters key and its serial port
// in the serial-port map (BoardDescription.h); it withdraws the port when it stops.
// It also leaves the traces that NT keeps of a started legacy driver
// (LegacyDriverTraces.h), which stay when it stops, as NT's do.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "BoardDescription.h"
#include "LegacyDriverTraces.h"

namespace
{
const DWORD LAB_CONTROL_END = 128;
const DWORD DEFAULT_DELAY_MS = 3000;

struct Behaviour
{
    DWORD controlsAccepted = SERVICE_ACCEPT_STOP;
    DWORD startDelayMs = 0;   // time spent START_PENDING
    DWORD stopDelayMs = 0;    // time spent STOP_PENDING after a STOP
};

Behaviour g_behaviour;
SERVICE_STATUS_HANDLE g_statusHandle;
CRITICAL_SECTION g_statusLock;
SERVICE_STATUS g_status;
HANDLE g_endEvent;           // set by the handler when the service is to end
volatile LONG g_endAtOnce;   // the end skips the stop delay
bool g_boardPublished;       // the board's values and port are listed

DWORD ReadDword(HKEY key, LPCSTR name, DWORD fallback)
{
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key, name, NULL, &type, (BYTE*)&value, &size) != ERROR_SUCCESS || type != REG_DWORD)
        return fallback;
    return value;
}

// The one place where the word of the registry becomes a behaviour.
Behaviour ReadBehaviour(LPCSTR serviceName)
{
    char word[64] = "run";
    DWORD startDelayMs = DEFAULT_DELAY_MS;
    DWORD stopDelayMs = DEFAULT_DELAY_MS;

    char keyPath[512];
    snprintf(keyPath, sizeof(keyPath), "SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters", serviceName);
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
    {
        DWORD type = 0;
        DWORD size = sizeof(word) - 1;
        if (::RegQueryValueExA(key, "Behaviour", NULL, &type, (BYTE*)word, &size) != ERROR_SUCCESS || type != REG_SZ)
            strcpy(word, "run");
        word[sizeof(word) - 1] = '\0';
        startDelayMs = ReadDword(key, "StartDelayMs", startDelayMs);
        stopDelayMs = ReadDword(key, "StopDelayMs", stopDelayMs);
        ::RegCloseKey(key);
    }

    Behaviour behaviour;
    if (strcmp(word, "pausable") == 0)
        behaviour.controlsAccepted |= SERVICE_ACCEPT_PAUSE_CONTINUE;
    else if (strcmp(word, "refuse-stop") == 0)
        behaviour.controlsAccepted &= ~SERVICE_ACCEPT_STOP;
    else if (strcmp(word, "slow-stop") == 0)
        behaviour.stopDelayMs = stopDelayMs;
    else if (strcmp(word, "slow-start") == 0)
        behaviour.startDelayMs = startDelayMs;
    return behaviour;
}

void ReportState(DWORD state, DWORD waitHintMs = 0)
{
    ::EnterCriticalSection(&g_statusLock);
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = (state == SERVICE_RUNNING || state == SERVICE_PAUSED) ? g_behaviour.controlsAccepted : 0;
    g_status.dwWin32ExitCode = NO_ERROR;
    g_status.dwServiceSpecificExitCode = 0;
    g_status.dwCheckPoint = (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING) ? g_status.dwCheckPoint + 1 : 0;
    g_status.dwWaitHint = waitHintMs;
    ::SetServiceStatus(g_statusHandle, &g_status);
    ::LeaveCriticalSection(&g_statusLock);
}

// Runs in the dispatcher's thread; the stop itself is done by ServiceMain's thread.
DWORD WINAPI HandleControl(DWORD control, DWORD, LPVOID, LPVOID)
{
    switch (control)
    {
    case SERVICE_CONTROL_STOP:
        ReportState(SERVICE_STOP_PENDING, g_behaviour.stopDelayMs + 1000);
        ::SetEvent(g_endEvent);
        return NO_ERROR;
    case LAB_CONTROL_END:
        ::InterlockedExchange(&g_endAtOnce, 1);
        ReportState(SERVICE_STOP_PENDING, 1000);
        ::SetEvent(g_endEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
        ReportState(SERVICE_PAUSED);
        return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
        ReportState(SERVICE_RUNNING);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv)
{
    LPCSTR serviceName = argc > 0 ? argv[0] : "";
    g_statusHandle = ::RegisterServiceCtrlHandlerExA(serviceName, HandleControl, NULL);
    if (g_statusHandle == NULL)
        return;
    g_behaviour = ReadBehaviour(serviceName);

    ReportState(SERVICE_START_PENDING, g_behaviour.startDelayMs + 1000);
    ::Sleep(g_behaviour.startDelayMs);
    ReportState(SERVICE_RUNNING);

    while (::WaitForSingleObject(g_endEvent, 50) == WAIT_TIMEOUT)
    {
        if (g_boardPublished)
            PublishThePort(serviceName);
    }
    if (!g_endAtOnce)
        ::Sleep(g_behaviour.stopDelayMs);
    if (g_boardPublished)
        WithdrawThePort(serviceName);
    ReportState(SERVICE_STOPPED);
}
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::InitializeCriticalSection(&g_statusLock);
    g_endEvent = ::CreateEventA(NULL, TRUE, FALSE, NULL);
    if (g_endEvent == NULL)
        return 1;

    // Published before the dispatcher connects, so that the values are there when the
    // start request returns to whoever started the service.
    char serviceName[257];
    if (FindTheStartingService(serviceName, sizeof(serviceName)))
    {
        LeaveTheLegacyDriverTraces(serviceName);
        g_boardPublished = PublishTheBoard(serviceName);
    }

    // An own-process service: the name in the table is not looked at.
    char anyName[] = "";
    SERVICE_TABLE_ENTRYA services[] = { { anyName, ServiceMain }, { NULL, NULL } };
    // Returns once the service has reported SERVICE_STOPPED; fails when not started by the SCM.
    BOOL dispatched = ::StartServiceCtrlDispatcherA(services);

    ::CloseHandle(g_endEvent);
    ::DeleteCriticalSection(&g_statusLock);
    return dispatched ? 0 : 1;
}
