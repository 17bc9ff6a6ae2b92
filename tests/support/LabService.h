// Real services and real INF files for the tests of the service operations.
//
// A LabService is a service of LABSVC.EXE (C:\bench\LABSVC.EXE, beside the test
// program), installed from a setup INF that it writes to disk, and removed again when
// it goes away: stopped, deleted, its INF deleted. Each one has a name of its own, so
// tests never see each other's services.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "tests/support/ImportSwap.h"

// What LabService writes into its INF.
struct LabServiceOptions
{
    const char* behaviour = "run";          // LABSVC.EXE's word: run, pausable, refuse-stop, slow-stop, slow-start
    DWORD startType = SERVICE_DEMAND_START;  // SERVICE_DISABLED (4) for a disabled service
    DWORD delayMs = 1000;                    // StartDelayMs and StopDelayMs of the slow behaviours
    const char* binary = "C:\\bench\\LABSVC.EXE";
    // The INF's whole text, made from the service's name; when empty, LabServiceInfText.
    // The tests of a driver's own installation write a whole driver package this way.
    std::function<std::string(const std::string& serviceName)> infText;
    // false: the INF is written and the service is left for the test to install; whatever
    // it installed under the name is removed at the end all the same.
    bool installNow = true;
};

class LabService
{
public:
    // Writes the INF and installs the service from it. Failures are test failures
    // (check IsInstalled() before going on; with installNow false it tells that the INF
    // was written).
    explicit LabService(const LabServiceOptions& options = LabServiceOptions());
    ~LabService();

    const std::string& Name() const { return m_name; }
    const std::string& InfPath() const { return m_infPath; }
    bool IsInstalled() const { return m_installed; }

    // StartServiceA; returns its error, NO_ERROR when it was accepted.
    DWORD Start();
    // Start, then wait for SERVICE_RUNNING.
    bool StartAndWait();
    // ControlService with control; returns its error, NO_ERROR when accepted.
    DWORD Control(DWORD control);
    // Pause, then wait for SERVICE_PAUSED.
    bool PauseAndWait();
    // dwCurrentState, or 0 when the service cannot be queried.
    DWORD State() const;
    // Polls for the state for at most timeoutMs.
    bool WaitForState(DWORD state, DWORD timeoutMs = 5000) const;
    // Stops the service by whatever means it accepts (STOP, else the lab's end control),
    // deletes it and its INF. Done by the destructor unless done before.
    void Remove();

private:
    LabService(const LabService&) = delete;
    LabService& operator=(const LabService&) = delete;

    std::string m_name;
    std::string m_infPath;
    bool m_installed = false;
};

// The text of a setup INF whose BoardInstall.Services section adds serviceName with
// the service-install section BoardService; the rest as LabService writes it.
std::string LabServiceInfText(const std::string& serviceName, const LabServiceOptions& options = LabServiceOptions());

// A file of the test's own (an INF, mostly), written at construction and deleted
// again at destruction.
class FileOnDisk
{
public:
    // name: a file name, created in the directory of the test program.
    FileOnDisk(const std::string& name, const std::string& bytes);
    ~FileOnDisk();
    const std::string& Path() const { return m_path; }
    void Delete();

private:
    FileOnDisk(const FileOnDisk&) = delete;
    FileOnDisk& operator=(const FileOnDisk&) = delete;
    std::string m_path;
};

// The directory of the test program, with a trailing backslash (C:\bench\).
std::string BenchDirectory();
// A name nobody else in this test program uses: prefix, the current test's name and a counter.
std::string UniqueName(const char* prefix);

// Counts the service handles that the program opens (OpenSCManagerA and OpenServiceA
// that succeed) and closes (CloseServiceHandle) while it lives, by swapping those
// imports for forwarders to the real functions. Swaps made later stack on top of it.
class ServiceHandleCounter
{
public:
    ServiceHandleCounter();
    ~ServiceHandleCounter();
    int Opened() const;
    int Closed() const;

private:
    ImportSwap<decltype(&OpenSCManagerA)> m_openManager;
    ImportSwap<decltype(&OpenServiceA)> m_openService;
    ImportSwap<decltype(&CloseServiceHandle)> m_close;
};
