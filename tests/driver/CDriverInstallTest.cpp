// Installing a driver from the setup INF and removing it again, on real driver packages
// on disk: the Setup API copies a real file from the source directory, writes real
// registry entries below the service's key, and adds and deletes real services of
// LABSVC.EXE. Real top-level windows under the test display stand for an open Control
// Panel. What Wine cannot bring about (a Services key that does not open, a key that
// cannot be created, a section install that fails without a dialog) is injected by
// swapping the test program's imports, on top of counters that show every INF handle,
// registry key, service handle and queue-callback context given back.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "driver/CDriver.h"
#include "driver/CDriverSetup.h"
#include "driver/CloseTheControlPanelWindow.h"
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

std::string Number(unsigned value)
{
    return std::to_string(value);
}

// --- The lines of the service operations that these operations call ---------------

Lines NameFromInf(const std::string& infPath, const std::string& name)
{
    return {
        "GetDriverServiceName calling SetupOpenInfFile for " + infPath,
        "GetDriverServiceName looking for BoardInstall.Services",
        "GetDriverServiceName got " + name,
        "GetDriverServiceName exit with uRet 0",
    };
}

Lines NameFromCache(const std::string& name)
{
    return { "GetDriverServiceName got " + name, "GetDriverServiceName exit with uRet 0" };
}

Lines InfoOpened(const Lines& name, const std::string& stateLine)
{
    return Join({ name, { "open_service exit with uRet 0", stateLine, "GetInfo exit with uRet 0" } });
}

Lines InfoOfNoService(const Lines& name)
{
    return Join({ name,
                  { "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)", "open_service exit with uRet 20",
                    "GetInfo state 0 (DRV_S_NONE)", "GetInfo exit with uRet 0" } });
}

const char* const STARTED = "GetInfo state 2 (DRV_S_STARTED)";
const char* const INSTALLED = "GetInfo state 1 (DRV_S_INSTALLED)";

// --- A driver package on disk -----------------------------------------------------

struct PackageOptions
{
    bool serviceThere = true;         // the lab installs the service (stopped) before the test
    bool serviceSectionThere = true;  // the AddService line's service-install section exists
    bool removalOfServices = true;    // the INF has BoardInstall.Uninstall.Services
    const char* behaviour = "run";
};

std::string SystemDirectory()
{
    char path[MAX_PATH];
    UINT length = ::GetSystemDirectoryA(path, sizeof(path));
    return std::string(path, length) + "\\";
}

// The setup INF of one driver named after its service N: BoardInstall copies N.SYS
// from the source directory into the system directory and writes two entries below the
// service's key (HKR); BoardInstall.Services adds the service N running LABSVC.EXE; the
// Uninstall sections delete the file and the service.
std::string PackageInfText(const std::string& name, const PackageOptions& options)
{
    std::string text =
        "[Version]\r\n"
        "Signature = \"$Windows NT$\"\r\n"
        "\r\n"
        "[SourceDisksNames]\r\n"
        "1 = \"Lab disk\"\r\n"
        "\r\n"
        "[SourceDisksFiles]\r\n"
        + name + ".SYS = 1\r\n"
        "\r\n"
        "[DestinationDirs]\r\n"
        "BoardFiles = 11\r\n"
        "\r\n"
        "[Models]\r\n"
        "Board = BoardInstall\r\n"
        "\r\n"
        "[BoardInstall]\r\n"
        "CopyFiles = BoardFiles\r\n"
        "AddReg = BoardInstall.AddReg\r\n"
        "\r\n"
        "[BoardInstall.AddReg]\r\n"
        "HKR, Parameters, BoardDescription, 0, \"Lab modem board\"\r\n"
        "HKR, , BoardRevision, 0x10001, 3\r\n"
        "\r\n"
        "[BoardFiles]\r\n"
        + name + ".SYS\r\n"
        "\r\n"
        "[BoardInstall.Services]\r\n"
        "AddService = " + name + ", 0x2, " + (options.serviceSectionThere ? "BoardService" : "NoSuchSection") + "\r\n"
        "\r\n"
        "[BoardService]\r\n"
        "ServiceType = 16\r\n"
        "StartType = 3\r\n"
        "ErrorControl = 1\r\n"
        "ServiceBinary = C:\\bench\\LABSVC.EXE\r\n"
        "AddReg = BoardService.AddReg\r\n"
        "\r\n"
        "[BoardService.AddReg]\r\n"
        "HKR, Parameters, Behaviour, 0, \"" + options.behaviour + "\"\r\n"
        "\r\n"
        "[BoardInstall.Uninstall]\r\n"
        "DelFiles = BoardFiles\r\n";
    if (options.removalOfServices)
        text += "\r\n[BoardInstall.Uninstall.Services]\r\nDelService = " + name + "\r\n";
    return text;
}

LabServiceOptions LabOptionsOf(const PackageOptions& options)
{
    LabServiceOptions lab;
    lab.behaviour = options.behaviour;
    lab.installNow = options.serviceThere;
    lab.infText = [options](const std::string& name) { return PackageInfText(name, options); };
    return lab;
}

const char* const FILE_BYTES = "the board's driver";

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(none)";
    char buffer[256];
    DWORD read = 0;
    if (::ReadFile(file, buffer, sizeof(buffer), &read, NULL))
        bytes.assign(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

// The package, its source file, and whatever an install left behind (the service, its
// key, the installed file), removed again at the end.
class DriverPackage
{
public:
    explicit DriverPackage(const PackageOptions& options = PackageOptions())
        : m_service(LabOptionsOf(options)),
          m_sourcePath(BenchDirectory() + m_service.Name() + ".SYS"),
          m_installedPath(SystemDirectory() + m_service.Name() + ".SYS")
    {
        HANDLE file = ::CreateFileA(m_sourcePath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD written = 0;
        m_ready = m_service.IsInstalled() && file != INVALID_HANDLE_VALUE
                  && ::WriteFile(file, FILE_BYTES, (DWORD)strlen(FILE_BYTES), &written, NULL);
        if (file != INVALID_HANDLE_VALUE)
            ::CloseHandle(file);
        EXPECT_TRUE(m_ready) << "cannot lay out the package of " << m_service.Name();
    }
    ~DriverPackage()
    {
        m_service.Remove();
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, ServiceKeyPath().c_str());
        ::DeleteFileA(m_installedPath.c_str());
        ::DeleteFileA(m_sourcePath.c_str());
    }

    bool IsReady() const { return m_ready; }
    const std::string& Name() const { return m_service.Name(); }
    const std::string& InfPath() const { return m_service.InfPath(); }
    LabService& Service() { return m_service; }

    // The driver of the package's Models line, with the bench as its source directory.
    CDriver Driver() const { return CDriver("Board", BenchDirectory().c_str(), InfPath().c_str(), "BoardInstall", ""); }

    // The installed file's bytes, "(none)" when it is not there.
    std::string InstalledFile() const { return ReadFileBytes(m_installedPath); }
    // A value below the service's key as text (a DWORD in decimal), "(none)" when missing.
    std::string ServiceValue(const char* subkey, const char* value) const
    {
        std::string path = ServiceKeyPath();
        if (subkey[0] != '\0')
            path += std::string("\\") + subkey;
        BYTE data[256];
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (::RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), value, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, &type, data, &size)
            != ERROR_SUCCESS)
            return "(none)";
        if (type == REG_DWORD)
            return Number(*(DWORD*)data);
        return (const char*)data;
    }
    bool ServiceKeyExists() const
    {
        HKEY key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }
    // The program of the service as the SCM has it, "(none)" when there is no service.
    std::string ServiceBinary() const
    {
        std::string binary = "(none)";
        SC_HANDLE manager = ::OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
        SC_HANDLE service = manager != NULL ? ::OpenServiceA(manager, Name().c_str(), SERVICE_QUERY_CONFIG) : NULL;
        if (service != NULL)
        {
            union
            {
                QUERY_SERVICE_CONFIGA config;
                BYTE bytes[8192];
            } buffer;
            DWORD needed = 0;
            if (::QueryServiceConfigA(service, &buffer.config, sizeof(buffer), &needed))
                binary = buffer.config.lpBinaryPathName;
            ::CloseServiceHandle(service);
        }
        if (manager != NULL)
            ::CloseServiceHandle(manager);
        return binary;
    }

private:
    std::string ServiceKeyPath() const { return "SYSTEM\\CurrentControlSet\\Services\\" + Name(); }

    LabService m_service;
    std::string m_sourcePath;
    std::string m_installedPath;
    bool m_ready = false;
};

// What a completed install leaves: the file, both HKR entries of the install section
// below the service's key beside those of the service's own section, and the service.
void ExpectInstalled(const DriverPackage& package)
{
    EXPECT_EQ(FILE_BYTES, package.InstalledFile());
    EXPECT_EQ("Lab modem board", package.ServiceValue("Parameters", "BoardDescription"));
    EXPECT_EQ("3", package.ServiceValue("", "BoardRevision"));
    EXPECT_EQ("run", package.ServiceValue("Parameters", "Behaviour"));
    EXPECT_EQ("C:\\bench\\LABSVC.EXE", package.ServiceBinary());
}

// Nothing of the install section was put in place.
void ExpectNoFilesNorEntries(const DriverPackage& package)
{
    EXPECT_EQ("(none)", package.InstalledFile());
    EXPECT_EQ("(none)", package.ServiceValue("Parameters", "BoardDescription"));
    EXPECT_EQ("(none)", package.ServiceValue("", "BoardRevision"));
}

// --- Counting what the program opens and gives back ------------------------------

struct Counts
{
    int infOpened, infClosed;
    int keysOpened, keysClosed;
    int contextsMade, contextsFreed;
    int sectionInstalls, servicesInstalls;
};
Counts g_counts;

decltype(&SetupOpenInfFileA) g_realSetupOpenInfFileA;
decltype(&SetupCloseInfFile) g_realSetupCloseInfFile;
decltype(&RegOpenKeyExA) g_realRegOpenKeyExA;
decltype(&RegCreateKeyExA) g_realRegCreateKeyExA;
decltype(&RegCloseKey) g_realRegCloseKey;
decltype(&SetupInitDefaultQueueCallback) g_realSetupInitDefaultQueueCallback;
decltype(&SetupTermDefaultQueueCallback) g_realSetupTermDefaultQueueCallback;
decltype(&SetupInstallFromInfSectionA) g_realSetupInstallFromInfSectionA;
decltype(&SetupInstallServicesFromInfSectionA) g_realSetupInstallServicesFromInfSectionA;

HINF WINAPI CountingSetupOpenInfFileA(PCSTR file, PCSTR infClass, DWORD style, PUINT errorLine)
{
    HINF inf = g_realSetupOpenInfFileA(file, infClass, style, errorLine);
    if (inf != INVALID_HANDLE_VALUE)
        g_counts.infOpened++;
    return inf;
}

void WINAPI CountingSetupCloseInfFile(HINF inf)
{
    g_counts.infClosed++;
    g_realSetupCloseInfFile(inf);
}

LONG WINAPI CountingRegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    LONG error = g_realRegOpenKeyExA(key, subkey, options, access, result);
    if (error == ERROR_SUCCESS)
        g_counts.keysOpened++;
    return error;
}

LONG WINAPI CountingRegCreateKeyExA(HKEY key, LPCSTR subkey, DWORD reserved, LPSTR keyClass, DWORD options,
    REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    LONG error = g_realRegCreateKeyExA(key, subkey, reserved, keyClass, options, access, security, result, disposition);
    if (error == ERROR_SUCCESS)
        g_counts.keysOpened++;
    return error;
}

LONG WINAPI CountingRegCloseKey(HKEY key)
{
    LONG error = g_realRegCloseKey(key);
    if (error == ERROR_SUCCESS)
        g_counts.keysClosed++;
    return error;
}

PVOID WINAPI CountingSetupInitDefaultQueueCallback(HWND owner)
{
    PVOID context = g_realSetupInitDefaultQueueCallback(owner);
    if (context != NULL)
        g_counts.contextsMade++;
    return context;
}

void WINAPI CountingSetupTermDefaultQueueCallback(PVOID context)
{
    g_counts.contextsFreed++;
    g_realSetupTermDefaultQueueCallback(context);
}

BOOL WINAPI CountingSetupInstallFromInfSectionA(HWND owner, HINF inf, PCSTR section, UINT flags, HKEY relativeKeyRoot,
    PCSTR sourceRoot, UINT copyFlags, PSP_FILE_CALLBACK_A callback, PVOID context, HDEVINFO devices,
    PSP_DEVINFO_DATA device)
{
    g_counts.sectionInstalls++;
    return g_realSetupInstallFromInfSectionA(owner, inf, section, flags, relativeKeyRoot, sourceRoot, copyFlags,
        callback, context, devices, device);
}

BOOL WINAPI CountingSetupInstallServicesFromInfSectionA(HINF inf, PCSTR section, DWORD flags)
{
    g_counts.servicesInstalls++;
    return g_realSetupInstallServicesFromInfSectionA(inf, section, flags);
}

template <typename Function>
std::unique_ptr<ImportSwap<Function>> Swap(const char* module, const char* name, Function replacement, Function& real)
{
    std::unique_ptr<ImportSwap<Function>> swap(new ImportSwap<Function>(module, name, replacement));
    EXPECT_TRUE(swap->IsActive()) << name << " is not imported";
    real = swap->Original();
    return swap;
}

// Counts, for its lifetime, the INF handles, registry keys and queue-callback contexts
// that the program gets and gives back, its service handles, and its section installs.
// Injections made later stack on top of it.
class Counter
{
public:
    Counter()
        : m_open(Swap("setupapi.dll", "SetupOpenInfFileA", CountingSetupOpenInfFileA, g_realSetupOpenInfFileA)),
          m_close(Swap("setupapi.dll", "SetupCloseInfFile", CountingSetupCloseInfFile, g_realSetupCloseInfFile)),
          m_openKey(Swap("advapi32.dll", "RegOpenKeyExA", CountingRegOpenKeyExA, g_realRegOpenKeyExA)),
          m_createKey(Swap("advapi32.dll", "RegCreateKeyExA", CountingRegCreateKeyExA, g_realRegCreateKeyExA)),
          m_closeKey(Swap("advapi32.dll", "RegCloseKey", CountingRegCloseKey, g_realRegCloseKey)),
          m_init(Swap("setupapi.dll", "SetupInitDefaultQueueCallback", CountingSetupInitDefaultQueueCallback,
              g_realSetupInitDefaultQueueCallback)),
          m_term(Swap("setupapi.dll", "SetupTermDefaultQueueCallback", CountingSetupTermDefaultQueueCallback,
              g_realSetupTermDefaultQueueCallback)),
          m_section(Swap("setupapi.dll", "SetupInstallFromInfSectionA", CountingSetupInstallFromInfSectionA,
              g_realSetupInstallFromInfSectionA)),
          m_services(Swap("setupapi.dll", "SetupInstallServicesFromInfSectionA",
              CountingSetupInstallServicesFromInfSectionA, g_realSetupInstallServicesFromInfSectionA))
    {
        g_counts = Counts();
    }
    const Counts& Of() const { return g_counts; }
    // Everything gotten was given back.
    void ExpectAllGivenBack() const
    {
        EXPECT_EQ(g_counts.infOpened, g_counts.infClosed) << "INF handles left open";
        EXPECT_EQ(g_counts.keysOpened, g_counts.keysClosed) << "registry keys left open";
        EXPECT_EQ(g_counts.contextsMade, g_counts.contextsFreed) << "queue-callback contexts not freed";
        EXPECT_EQ(m_serviceHandles.Opened(), m_serviceHandles.Closed()) << "service handles left open";
    }

private:
    ServiceHandleCounter m_serviceHandles;
    std::unique_ptr<ImportSwap<decltype(&SetupOpenInfFileA)>> m_open;
    std::unique_ptr<ImportSwap<decltype(&SetupCloseInfFile)>> m_close;
    std::unique_ptr<ImportSwap<decltype(&RegOpenKeyExA)>> m_openKey;
    std::unique_ptr<ImportSwap<decltype(&RegCreateKeyExA)>> m_createKey;
    std::unique_ptr<ImportSwap<decltype(&RegCloseKey)>> m_closeKey;
    std::unique_ptr<ImportSwap<decltype(&SetupInitDefaultQueueCallback)>> m_init;
    std::unique_ptr<ImportSwap<decltype(&SetupTermDefaultQueueCallback)>> m_term;
    std::unique_ptr<ImportSwap<decltype(&SetupInstallFromInfSectionA)>> m_section;
    std::unique_ptr<ImportSwap<decltype(&SetupInstallServicesFromInfSectionA)>> m_services;
};

// --- Injected failures ---------------------------------------------------------------

const char SERVICES_KEY[] = "SYSTEM\\CurrentControlSet\\Services";
const char CONTROL_PANEL_KEY[] = "CLSID\\{21EC2020-3AEA-1069-A2DD-08002B30309D}";

// The key whose opening is refused; every other opening goes through.
const char* g_refusedKey;
decltype(&RegOpenKeyExA) g_belowRegOpenKeyExA;
decltype(&RegCreateKeyExA) g_belowRegCreateKeyExA;
decltype(&SetupInstallFromInfSectionA) g_belowSetupInstallFromInfSectionA;

LONG WINAPI RefusingRegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    if (subkey != NULL && _stricmp(subkey, g_refusedKey) == 0)
        return ERROR_ACCESS_DENIED;
    return g_belowRegOpenKeyExA(key, subkey, options, access, result);
}

LONG WINAPI RefusingRegCreateKeyExA(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)
{
    return ERROR_ACCESS_DENIED;
}

// As when the user cancels the copy in the default callback's dialog.
BOOL WINAPI FailingSetupInstallFromInfSectionA(HWND, HINF, PCSTR, UINT, HKEY, PCSTR, UINT, PSP_FILE_CALLBACK_A, PVOID,
    HDEVINFO, PSP_DEVINFO_DATA)
{
    ::SetLastError(ERROR_CANCELLED);
    return FALSE;
}

enum Injection { NOTHING, SERVICES_KEY_REFUSED, SERVICE_KEY_NOT_CREATED, SECTION_INSTALL_FAILS, CONTROL_PANEL_KEY_REFUSED };

// One injected failure for the length of a scope.
class Injected
{
public:
    explicit Injected(Injection injection)
    {
        switch (injection)
        {
        case NOTHING:
            break;
        case SERVICES_KEY_REFUSED:
        case CONTROL_PANEL_KEY_REFUSED:
            g_refusedKey = injection == SERVICES_KEY_REFUSED ? SERVICES_KEY : CONTROL_PANEL_KEY;
            m_openKey = Swap("advapi32.dll", "RegOpenKeyExA", RefusingRegOpenKeyExA, g_belowRegOpenKeyExA);
            break;
        case SERVICE_KEY_NOT_CREATED:
            m_createKey = Swap("advapi32.dll", "RegCreateKeyExA", RefusingRegCreateKeyExA, g_belowRegCreateKeyExA);
            break;
        case SECTION_INSTALL_FAILS:
            m_section = Swap("setupapi.dll", "SetupInstallFromInfSectionA", FailingSetupInstallFromInfSectionA,
                g_belowSetupInstallFromInfSectionA);
            break;
        }
    }

private:
    std::unique_ptr<ImportSwap<decltype(&RegOpenKeyExA)>> m_openKey;
    std::unique_ptr<ImportSwap<decltype(&RegCreateKeyExA)>> m_createKey;
    std::unique_ptr<ImportSwap<decltype(&SetupInstallFromInfSectionA)>> m_section;
};

// --- Real top-level windows -----------------------------------------------------------

std::mutex g_eventsLock;
Lines g_events;   // what the recorder and the windows saw, in order

void Happened(const std::string& event)
{
    std::lock_guard<std::mutex> lock(g_eventsLock);
    g_events.push_back(event);
}

LRESULT CALLBACK LabWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        char title[300] = "";
        ::GetWindowTextA(window, title, sizeof(title));
        Happened(std::string("WM_CLOSE to \"") + title + "\"");
        ::DestroyWindow(window);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

const char LAB_WINDOW_CLASS[] = "LabTopLevelWindow";

bool RegisterLabWindowClass()
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = LabWindowProc;
        windowClass.hInstance = ::GetModuleHandleA(NULL);
        windowClass.lpszClassName = LAB_WINDOW_CLASS;
        registered = ::RegisterClassA(&windowClass) != 0;
    }
    return registered;
}

// Visible top-level windows with the given titles, made and served by a thread of their
// own, as another program's windows would be: a message sent to them is handled there.
class OpenWindows
{
public:
    explicit OpenWindows(const Lines& titles) : m_windows(titles.size(), (HWND)NULL)
    {
        HANDLE ready = ::CreateEventA(NULL, TRUE, FALSE, NULL);
        m_thread = std::thread([this, &titles, ready] {
            m_threadId = ::GetCurrentThreadId();
            // Shown without being activated: under Wine without a window manager, taking
            // down a window that was active, or that has a caption, waits 2 s on the X server.
            for (size_t i = 0; i < titles.size(); i++)
            {
                m_windows[i] = ::CreateWindowExA(0, LAB_WINDOW_CLASS, titles[i].c_str(), WS_POPUP, 40 + 20 * (int)i,
                    40 + 20 * (int)i, 300, 200, NULL, NULL, ::GetModuleHandleA(NULL), NULL);
                ::ShowWindow(m_windows[i], SW_SHOWNA);
            }
            MSG message;
            ::PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE);   // the thread's queue, before anyone posts to it
            ::SetEvent(ready);
            while (::GetMessageA(&message, NULL, 0, 0) > 0)
            {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
            for (HWND window : m_windows)
                if (::IsWindow(window))
                    ::DestroyWindow(window);
        });
        ::WaitForSingleObject(ready, 10000);
        ::CloseHandle(ready);
        for (size_t i = 0; i < titles.size(); i++)
            EXPECT_NE((HWND)NULL, m_windows[i]) << "window \"" << titles[i] << "\" not made";
    }
    ~OpenWindows()
    {
        ::PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    // Which windows are still open.
    std::vector<bool> Open() const
    {
        std::vector<bool> open;
        for (HWND window : m_windows)
            open.push_back(::IsWindow(window) != FALSE);
        return open;
    }
    HWND Window(size_t i) const { return m_windows[i]; }

private:
    std::vector<HWND> m_windows;
    std::thread m_thread;
    DWORD m_threadId = 0;
};

// Of the given windows, the one that the system's enumeration of top-level windows
// reaches first.
HWND FirstEnumerated(HWND a, HWND b)
{
    std::pair<HWND, HWND> candidates(a, b);
    HWND first = NULL;
    struct Search
    {
        std::pair<HWND, HWND>* candidates;
        HWND* first;
    } search = { &candidates, &first };
    ::EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            Search* s = (Search*)lParam;
            if (window == s->candidates->first || window == s->candidates->second)
            {
                *s->first = window;
                return FALSE;
            }
            return TRUE;
        },
        (LPARAM)&search);
    return first;
}

// The Control Panel's display name: what Wine has (set when it has none), changed by a
// test at will and put back afterwards.
class ControlPanelName
{
public:
    ControlPanelName()
    {
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CLASSES_ROOT, CONTROL_PANEL_KEY, 0, NULL, 0,
                                     KEY_QUERY_VALUE | KEY_SET_VALUE, NULL, &m_key, NULL));
        DWORD size = sizeof(m_original);
        DWORD type = 0;
        m_hadOne = ::RegQueryValueExA(m_key, NULL, NULL, &type, (BYTE*)m_original, &size) == ERROR_SUCCESS;
        m_originalSize = size;
        m_originalType = type;
        if (!m_hadOne)
            Set("Control Panel");
    }
    ~ControlPanelName()
    {
        if (m_hadOne)
            ::RegSetValueExA(m_key, NULL, 0, m_originalType, (const BYTE*)m_original, m_originalSize);
        else
            ::RegDeleteValueA(m_key, NULL);
        ::RegCloseKey(m_key);
    }
    std::string Read() const
    {
        char name[256] = "";
        DWORD size = sizeof(name) - 1;
        ::RegQueryValueExA(m_key, NULL, NULL, NULL, (BYTE*)name, &size);
        return name;
    }
    // Stores the bytes as given, with no terminating zero unless they hold one.
    void SetBytes(const std::string& bytes, DWORD type = REG_SZ)
    {
        EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExA(m_key, NULL, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size()));
    }
    void Set(const std::string& name) { SetBytes(std::string(name.c_str(), name.size() + 1)); }
    void Delete() { EXPECT_EQ(ERROR_SUCCESS, ::RegDeleteValueA(m_key, NULL)); }

private:
    HKEY m_key = NULL;
    bool m_hadOne = false;
    char m_original[512];
    DWORD m_originalSize = 0;
    DWORD m_originalType = 0;
};

// --- Recording the Setup API calls -------------------------------------------------

std::vector<std::pair<const void*, std::string>> g_labels;

std::string Label(const void* handle)
{
    if (handle == NULL)
        return "NULL";
    for (const auto& label : g_labels)
        if (label.first == handle)
            return label.second;
    return "an unknown handle";
}

void Name(const void* handle, const std::string& label)
{
    g_labels.emplace_back(handle, label);
}

std::string Hex(unsigned value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%x", value);
    return text;
}

std::string Text(const char* text)
{
    return text != NULL ? text : "NULL";
}

PSP_FILE_CALLBACK_A g_defaultCallback;
decltype(&SetupOpenInfFileA) g_recordedSetupOpenInfFileA;
decltype(&SetupCloseInfFile) g_recordedSetupCloseInfFile;
decltype(&SetupInitDefaultQueueCallback) g_recordedSetupInitDefaultQueueCallback;
decltype(&SetupTermDefaultQueueCallback) g_recordedSetupTermDefaultQueueCallback;
decltype(&SetupInstallFromInfSectionA) g_recordedSetupInstallFromInfSectionA;
decltype(&SetupInstallServicesFromInfSectionA) g_recordedSetupInstallServicesFromInfSectionA;
decltype(&RegOpenKeyExA) g_recordedRegOpenKeyExA;
decltype(&RegCreateKeyExA) g_recordedRegCreateKeyExA;
decltype(&RegCloseKey) g_recordedRegCloseKey;

HINF WINAPI RecordingSetupOpenInfFileA(PCSTR file, PCSTR infClass, DWORD style, PUINT errorLine)
{
    HINF inf = g_recordedSetupOpenInfFileA(file, infClass, style, errorLine);
    Name(inf, "the INF");
    Happened("SetupOpenInfFileA(" + Text(file) + ", " + Text(infClass) + ", " + Hex(style) + ")");
    return inf;
}

void WINAPI RecordingSetupCloseInfFile(HINF inf)
{
    Happened("SetupCloseInfFile(" + Label(inf) + ")");
    g_recordedSetupCloseInfFile(inf);
}

PVOID WINAPI RecordingSetupInitDefaultQueueCallback(HWND owner)
{
    PVOID context = g_recordedSetupInitDefaultQueueCallback(owner);
    Name(context, "the context");
    Happened("SetupInitDefaultQueueCallback(" + Label(owner) + ")");
    return context;
}

void WINAPI RecordingSetupTermDefaultQueueCallback(PVOID context)
{
    Happened("SetupTermDefaultQueueCallback(" + Label(context) + ")");
    g_recordedSetupTermDefaultQueueCallback(context);
}

BOOL WINAPI RecordingSetupInstallFromInfSectionA(HWND owner, HINF inf, PCSTR section, UINT flags, HKEY relativeKeyRoot,
    PCSTR sourceRoot, UINT copyFlags, PSP_FILE_CALLBACK_A callback, PVOID context, HDEVINFO devices,
    PSP_DEVINFO_DATA device)
{
    Happened("SetupInstallFromInfSectionA(" + Label(owner) + ", " + Label(inf) + ", " + Text(section) + ", " + Hex(flags)
             + ", " + Label(relativeKeyRoot) + ", " + Text(sourceRoot) + ", " + Hex(copyFlags) + ", "
             + (callback == g_defaultCallback ? "SetupDefaultQueueCallbackA" : "another callback") + ", "
             + Label(context) + ", " + Label(devices) + ", " + Label(device) + ")");
    return g_recordedSetupInstallFromInfSectionA(owner, inf, section, flags, relativeKeyRoot, sourceRoot, copyFlags,
        callback, context, devices, device);
}

BOOL WINAPI RecordingSetupInstallServicesFromInfSectionA(HINF inf, PCSTR section, DWORD flags)
{
    Happened("SetupInstallServicesFromInfSectionA(" + Label(inf) + ", " + Text(section) + ", " + Hex(flags) + ")");
    return g_recordedSetupInstallServicesFromInfSectionA(inf, section, flags);
}

LONG WINAPI RecordingRegOpenKeyExA(HKEY key, LPCSTR subkey, DWORD options, REGSAM access, PHKEY result)
{
    LONG error = g_recordedRegOpenKeyExA(key, subkey, options, access, result);
    if (error == ERROR_SUCCESS)
        Name(*result, "the Services key");
    Happened("RegOpenKeyExA(" + Label(key) + ", " + Text(subkey) + ", " + Hex(options) + ", " + Hex(access) + ")");
    return error;
}

LONG WINAPI RecordingRegCreateKeyExA(HKEY key, LPCSTR subkey, DWORD reserved, LPSTR keyClass, DWORD options,
    REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    LONG error = g_recordedRegCreateKeyExA(key, subkey, reserved, keyClass, options, access, security, result, disposition);
    if (error == ERROR_SUCCESS)
        Name(*result, "the service's key");
    Happened("RegCreateKeyExA(" + Label(key) + ", " + Text(subkey) + ", " + Text(keyClass) + ", " + Hex(options) + ", "
             + Hex(access) + ", " + Label(security) + ")");
    return error;
}

LONG WINAPI RecordingRegCloseKey(HKEY key)
{
    Happened("RegCloseKey(" + Label(key) + ")");
    return g_recordedRegCloseKey(key);
}

// Records, for its lifetime, the Setup API calls of the program and, when asked, its
// registry calls, beside whatever the windows saw (g_events).
class Recorder
{
public:
    Recorder(HWND owner, bool registryToo)
    {
        g_labels.clear();
        Name(HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE");
        Name(owner, "the owner");
        g_defaultCallback = SetupDefaultQueueCallbackA;
        m_open = Swap("setupapi.dll", "SetupOpenInfFileA", RecordingSetupOpenInfFileA, g_recordedSetupOpenInfFileA);
        m_close = Swap("setupapi.dll", "SetupCloseInfFile", RecordingSetupCloseInfFile, g_recordedSetupCloseInfFile);
        m_init = Swap("setupapi.dll", "SetupInitDefaultQueueCallback", RecordingSetupInitDefaultQueueCallback,
            g_recordedSetupInitDefaultQueueCallback);
        m_term = Swap("setupapi.dll", "SetupTermDefaultQueueCallback", RecordingSetupTermDefaultQueueCallback,
            g_recordedSetupTermDefaultQueueCallback);
        m_section = Swap("setupapi.dll", "SetupInstallFromInfSectionA", RecordingSetupInstallFromInfSectionA,
            g_recordedSetupInstallFromInfSectionA);
        m_services = Swap("setupapi.dll", "SetupInstallServicesFromInfSectionA",
            RecordingSetupInstallServicesFromInfSectionA, g_recordedSetupInstallServicesFromInfSectionA);
        if (registryToo)
        {
            m_openKey = Swap("advapi32.dll", "RegOpenKeyExA", RecordingRegOpenKeyExA, g_recordedRegOpenKeyExA);
            m_createKey = Swap("advapi32.dll", "RegCreateKeyExA", RecordingRegCreateKeyExA, g_recordedRegCreateKeyExA);
            m_closeKey = Swap("advapi32.dll", "RegCloseKey", RecordingRegCloseKey, g_recordedRegCloseKey);
        }
        std::lock_guard<std::mutex> lock(g_eventsLock);
        g_events.clear();
    }
    Lines Events() const
    {
        std::lock_guard<std::mutex> lock(g_eventsLock);
        return g_events;
    }

private:
    std::unique_ptr<ImportSwap<decltype(&SetupOpenInfFileA)>> m_open;
    std::unique_ptr<ImportSwap<decltype(&SetupCloseInfFile)>> m_close;
    std::unique_ptr<ImportSwap<decltype(&SetupInitDefaultQueueCallback)>> m_init;
    std::unique_ptr<ImportSwap<decltype(&SetupTermDefaultQueueCallback)>> m_term;
    std::unique_ptr<ImportSwap<decltype(&SetupInstallFromInfSectionA)>> m_section;
    std::unique_ptr<ImportSwap<decltype(&SetupInstallServicesFromInfSectionA)>> m_services;
    std::unique_ptr<ImportSwap<decltype(&RegOpenKeyExA)>> m_openKey;
    std::unique_ptr<ImportSwap<decltype(&RegCreateKeyExA)>> m_createKey;
    std::unique_ptr<ImportSwap<decltype(&RegCloseKey)>> m_closeKey;
};

// A window of the test's own thread to own the Setup API's dialogs.
class OwnerWindow
{
public:
    OwnerWindow()
        : m_window(::CreateWindowExA(0, LAB_WINDOW_CLASS, "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
              ::GetModuleHandleA(NULL), NULL))
    {
        EXPECT_NE((HWND)NULL, m_window);
    }
    ~OwnerWindow() { ::DestroyWindow(m_window); }
    operator HWND() const { return m_window; }

private:
    HWND m_window;
};

class DriverInstall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterLabWindowClass());
        StartTraceLog();
    }
};

// --- Install -------------------------------------------------------------------------

TEST_F(DriverInstall, OverAStoppedServiceEverySectionIsInstalled)
{
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    ASSERT_EQ("(none)", package.ServiceValue("Parameters", "BoardDescription"));
    CDriver driver = package.Driver();
    {
        Counter counter;
        EXPECT_EQ(ST_SUCCESS, driver.Install(NULL));
        counter.ExpectAllGivenBack();
        EXPECT_EQ(1, counter.Of().servicesInstalls);
    }
    EXPECT_EQ(Join({ InfoOpened(NameFromInf(package.InfPath(), package.Name()), INSTALLED), NameFromCache(package.Name()),
                     { "CDriver::Install exit with uRet 0" } }),
              ReadTraceLogLines());
    ExpectInstalled(package);
    EXPECT_EQ((DWORD)SERVICE_STOPPED, package.Service().State());
}

TEST_F(DriverInstall, HandsTheSetupApiItsSectionsInOrder)
{
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    CString name;
    ASSERT_EQ(ST_SUCCESS, driver.GetDriverServiceName(name));
    OwnerWindow owner;
    Lines events;
    {
        Recorder recorder(owner, true);
        EXPECT_EQ(ST_SUCCESS, driver.Install(owner));
        events = recorder.Events();
    }
    EXPECT_EQ((Lines{
                  "SetupOpenInfFileA(" + package.InfPath() + ", NULL, 0x2)",
                  "RegOpenKeyExA(HKEY_LOCAL_MACHINE, SYSTEM\\CurrentControlSet\\Services, 0x0, 0xf0004)",
                  "RegCreateKeyExA(the Services key, " + package.Name() + ", NULL, 0x0, 0xf003f, NULL)",
                  "RegCloseKey(the Services key)",
                  "SetupInitDefaultQueueCallback(the owner)",
                  "SetupInstallFromInfSectionA(the owner, the INF, BoardInstall, 0x1f, the service's key, "
                  + BenchDirectory() + ", 0x404, SetupDefaultQueueCallbackA, the context, NULL, NULL)",
                  "SetupTermDefaultQueueCallback(the context)",
                  "RegCloseKey(the service's key)",
                  "SetupInstallServicesFromInfSectionA(the INF, BoardInstall.Services, 0x0)",
                  "SetupCloseInfFile(the INF)",
              }),
              events);
    ExpectInstalled(package);
}

// The road of an install: a driver whose service is not there yet is installed and
// started; its removal stops the service first and then takes everything away.
TEST_F(DriverInstall, ThroughTheDriverListANewDriverIsInstalledStartedAndRemoved)
{
    PackageOptions options;
    options.serviceThere = false;
    DriverPackage package(options);
    ASSERT_TRUE(package.IsReady());
    CDriverSetup drivers(BenchDirectory().c_str(), package.InfPath().c_str(), "Models");
    POSITION pos = NULL;
    ASSERT_TRUE(drivers.GetFirstDriver(pos));
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    const Lines cached = NameFromCache(package.Name());
    StartTraceLog();
    {
        Counter counter;
        EXPECT_EQ(ST_SUCCESS, drivers.Install(pos, NULL));
        counter.ExpectAllGivenBack();
    }
    EXPECT_EQ(Join({ InfoOfNoService(NameFromInf(package.InfPath(), package.Name())), cached,
                     { "CDriver::Install exit with uRet 0" }, cached,
                     { "open_service exit with uRet 0", "Start exit with uRet 0" } }),
              ReadTraceLogLines());
    ExpectInstalled(package);
    ASSERT_TRUE(package.Service().WaitForState(SERVICE_RUNNING));

    StartTraceLog();
    {
        Counter counter;
        EXPECT_EQ(ST_SUCCESS, drivers.Uninstall(pos, NULL));
        counter.ExpectAllGivenBack();
    }
    // Stopped, the service is at most stop-pending when the removal asks for its state.
    EXPECT_EQ(Join({ InfoOpened(cached, STARTED), cached, { "open_service exit with uRet 0", "Stop exit with uRet 0" },
                     InfoOpened(cached, INSTALLED), { "Uninstall exit with uRet 0" } }),
              ReadTraceLogLines());
    EXPECT_TRUE(package.Service().WaitForState(0)) << "the service is still there";
    EXPECT_EQ("(none)", package.ServiceBinary());
    EXPECT_FALSE(package.ServiceKeyExists());
    EXPECT_EQ("(none)", package.InstalledFile());
}

// CDriverSetup::Install does not start what it could not install.
TEST_F(DriverInstall, WhileTheServiceRunsNothingIsInstalledNorStarted)
{
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    ASSERT_TRUE(package.Service().StartAndWait());
    CDriverSetup drivers(BenchDirectory().c_str(), package.InfPath().c_str(), "Models");
    POSITION pos = NULL;
    ASSERT_TRUE(drivers.GetFirstDriver(pos));
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    StartTraceLog();
    {
        Counter counter;
        EXPECT_EQ(ST_DRV_CANT_INSTALL_ALREADY_INSTALLED, drivers.Install(pos, NULL));
        counter.ExpectAllGivenBack();
        EXPECT_EQ(1, counter.Of().infOpened);   // GetDriverServiceName's; Install opens none
        EXPECT_EQ(0, counter.Of().sectionInstalls + counter.Of().servicesInstalls);
    }
    EXPECT_EQ(Join({ InfoOpened(NameFromInf(package.InfPath(), package.Name()), STARTED),
                     { "CDriver::Install 1 (ST_DRV_CANT_INSTALL_ALREADY_INSTALLED)", "CDriver::Install exit with uRet 1" } }),
              ReadTraceLogLines());
    ExpectNoFilesNorEntries(package);
    EXPECT_EQ((DWORD)SERVICE_RUNNING, package.Service().State());
}

struct InstallFailureCase
{
    const char* name;
    Injection injection;
    SETUP_STATUS status;
    bool nameLookedUp;   // the failure comes after the service name was asked for again
    const char* line;
};

void PrintTo(const InstallFailureCase& c, std::ostream* os)
{
    *os << c.name;
}

const InstallFailureCase c_installFailures[] = {
    { "ServicesKeyRefused", SERVICES_KEY_REFUSED, ST_REG_CANT_OPEN_SERVICES_KEY, false,
      "CDriver::Install 17 (ST_REG_CANT_OPEN_SERVICES_KEY)" },
    { "ServiceKeyNotCreated", SERVICE_KEY_NOT_CREATED, ST_REG_CANT_CREATE_SERVICE_ROOT_KEY, true,
      "CDriver::Install 16 (ST_REG_CANT_CREATE_SERVICE_ROOT_KEY)" },
    { "SectionInstallFails", SECTION_INSTALL_FAILS, ST_INF_CANT_INSTALL_FILES, true,
      "CDriver::Install 3 (ST_INF_CANT_INSTALL_FILES)" },
};

class InstallFailure : public DriverInstall, public ::testing::WithParamInterface<InstallFailureCase>
{
};

// Each stops the install at once, and gives back what it had opened.
TEST_P(InstallFailure, StopsTheInstall)
{
    const InstallFailureCase& c = GetParam();
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    {
        Counter counter;
        Injected injected(c.injection);
        EXPECT_EQ(c.status, driver.Install(NULL));
        counter.ExpectAllGivenBack();
        EXPECT_EQ(2, counter.Of().infOpened);   // the name lookup's, then the install's
        EXPECT_EQ(0, counter.Of().servicesInstalls);
    }
    const Lines nameAgain = c.nameLookedUp ? NameFromCache(package.Name()) : Lines();
    EXPECT_EQ(Join({ InfoOpened(NameFromInf(package.InfPath(), package.Name()), INSTALLED), nameAgain,
                     { c.line, "CDriver::Install exit with uRet " + Number(c.status) } }),
              ReadTraceLogLines());
    ExpectNoFilesNorEntries(package);
}

INSTANTIATE_TEST_SUITE_P(Injected, InstallFailure, ::testing::ValuesIn(c_installFailures),
    [](const ::testing::TestParamInfo<InstallFailureCase>& info) { return std::string(info.param.name); });

// A service section that the Setup API refuses (its AddService line names a missing
// service-install section): what the install section put in place stays.
TEST_F(DriverInstall, AServiceThatCannotBeAddedGives4AndLeavesTheFilesAndEntries)
{
    PackageOptions options;
    options.serviceThere = false;
    options.serviceSectionThere = false;
    DriverPackage package(options);
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    {
        Counter counter;
        EXPECT_EQ(ST_INF_CANT_INSTALL_SERVICE, driver.Install(NULL));
        counter.ExpectAllGivenBack();
    }
    EXPECT_EQ(Join({ InfoOfNoService(NameFromInf(package.InfPath(), package.Name())), NameFromCache(package.Name()),
                     { "CDriver::Install 4 (ST_INF_CANT_INSTALL_SERVICE)", "CDriver::Install exit with uRet 4" } }),
              ReadTraceLogLines());
    EXPECT_EQ(FILE_BYTES, package.InstalledFile());
    EXPECT_EQ("Lab modem board", package.ServiceValue("Parameters", "BoardDescription"));
    EXPECT_EQ("(none)", package.ServiceBinary());
}

// --- The setup INF gone once the service name is known -----------------------------

enum InfNow { DELETED, A_DIRECTORY, GARBAGE };

struct UnreadableInfCase
{
    const char* name;
    InfNow now;
    SETUP_STATUS status;
    Lines installLines;     // after GetInfo's
    Lines uninstallLines;   // after GetInfo's
};

void PrintTo(const UnreadableInfCase& c, std::ostream* os)
{
    *os << c.name;
}

const UnreadableInfCase c_unreadableInfs[] = {
    { "Deleted", DELETED, ST_INF_FILE_NOT_FOUND,
      { "CDriver::Install 8 (ST_INF_FILE_NOT_FOUND)", "CDriver::Install exit with uRet 8" },
      { "Uninstall SetupOpenInfFile error at line 0", "Uninstall 8 (ST_INF_FILE_NOT_FOUND)", "Uninstall exit with uRet 8" } },
    { "NowADirectory", A_DIRECTORY, ST_INF_CANT_OPEN_INF_FILE,
      { "CDriver::Install 5 (ST_INF_CANT_OPEN_INF_FILE)", "CDriver::Install exit with uRet 5" },
      { "Uninstall SetupOpenInfFile error at line 0", "Uninstall 5 (ST_INF_CANT_OPEN_INF_FILE)",
        "Uninstall exit with uRet 5" } },
    { "NowGarbage", GARBAGE, ST_INF_CANT_OPEN_INF_FILE,
      { "CDriver::Install 5 (ST_INF_CANT_OPEN_INF_FILE)", "CDriver::Install exit with uRet 5" },
      { "Uninstall SetupOpenInfFile error at line 1", "Uninstall 5 (ST_INF_CANT_OPEN_INF_FILE)",
        "Uninstall exit with uRet 5" } },
};

class UnreadableInf : public DriverInstall, public ::testing::WithParamInterface<UnreadableInfCase>
{
};

TEST_P(UnreadableInf, FailsBothOperationsAndTouchesNothing)
{
    const UnreadableInfCase& c = GetParam();
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    CString name;
    ASSERT_EQ(ST_SUCCESS, driver.GetDriverServiceName(name));
    ASSERT_TRUE(::DeleteFileA(package.InfPath().c_str()));
    std::unique_ptr<FileOnDisk> garbage;
    if (c.now == A_DIRECTORY)
        ASSERT_TRUE(::CreateDirectoryA(package.InfPath().c_str(), NULL));
    else if (c.now == GARBAGE)
        garbage.reset(new FileOnDisk(package.Name() + ".INF", "\x01\x02\xff garbage\r\n"));
    const Lines info = InfoOpened(NameFromCache(package.Name()), INSTALLED);

    for (bool install : { true, false })
    {
        SCOPED_TRACE(install ? "Install" : "Uninstall");
        StartTraceLog();
        {
            Counter counter;
            EXPECT_EQ(c.status, install ? driver.Install(NULL) : driver.Uninstall(NULL));
            counter.ExpectAllGivenBack();
            EXPECT_EQ(0, counter.Of().sectionInstalls + counter.Of().servicesInstalls);
        }
        EXPECT_EQ(Join({ info, install ? c.installLines : c.uninstallLines }), ReadTraceLogLines());
    }
    ExpectNoFilesNorEntries(package);
    EXPECT_EQ("C:\\bench\\LABSVC.EXE", package.ServiceBinary());
    if (c.now == A_DIRECTORY)
        ::RemoveDirectoryA(package.InfPath().c_str());
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableInf, ::testing::ValuesIn(c_unreadableInfs),
    [](const ::testing::TestParamInfo<UnreadableInfCase>& info) { return std::string(info.param.name); });

// --- Uninstall -----------------------------------------------------------------------

TEST_F(DriverInstall, UninstallOfARunningServiceRemovesNothing)
{
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    ASSERT_EQ(ST_SUCCESS, driver.Install(NULL));
    ASSERT_TRUE(package.Service().StartAndWait());
    ControlPanelName controlPanelName;
    OpenWindows controlPanel({ controlPanelName.Read() });
    StartTraceLog();
    {
        Counter counter;
        EXPECT_EQ(ST_DRV_CANT_UNINSTALL_SERVICE_RUNNING, driver.Uninstall(NULL));
        counter.ExpectAllGivenBack();
        EXPECT_EQ(0, counter.Of().infOpened);
    }
    // The line has no closing parenthesis.
    EXPECT_EQ(Join({ InfoOpened(NameFromCache(package.Name()), STARTED),
                     { "Uninstall 2 (ST_DRV_CANT_UNINSTALL_SERVICE_RUNNING", "Uninstall exit with uRet 2" } }),
              ReadTraceLogLines());
    ExpectInstalled(package);
    EXPECT_EQ((DWORD)SERVICE_RUNNING, package.Service().State());
    EXPECT_EQ(std::vector<bool>{ true }, controlPanel.Open());
}

// The services go first; an open Control Panel is closed before the files are removed.
TEST_F(DriverInstall, UninstallRemovesTheServiceClosesTheControlPanelThenRemovesTheFiles)
{
    ControlPanelName controlPanelName;
    DriverPackage package;
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    ASSERT_EQ(ST_SUCCESS, driver.Install(NULL));
    OpenWindows controlPanel({ controlPanelName.Read() });
    OwnerWindow owner;
    StartTraceLog();
    Lines events;
    {
        Counter counter;
        Recorder recorder(owner, false);
        EXPECT_EQ(ST_SUCCESS, driver.Uninstall(owner));
        events = recorder.Events();
        counter.ExpectAllGivenBack();
    }
    EXPECT_EQ((Lines{
                  "SetupOpenInfFileA(" + package.InfPath() + ", NULL, 0x2)",
                  "SetupInstallServicesFromInfSectionA(the INF, BoardInstall.Uninstall.Services, 0x0)",
                  "WM_CLOSE to \"" + controlPanelName.Read() + "\"",
                  "SetupInitDefaultQueueCallback(the owner)",
                  "SetupInstallFromInfSectionA(the owner, the INF, BoardInstall.Uninstall, 0x1f, NULL, NULL, 0x0, "
                  "SetupDefaultQueueCallbackA, the context, NULL, NULL)",
                  "SetupTermDefaultQueueCallback(the context)",
                  "SetupCloseInfFile(the INF)",
              }),
              events);
    EXPECT_EQ(Join({ InfoOpened(NameFromCache(package.Name()), INSTALLED), { "Uninstall exit with uRet 0" } }),
              ReadTraceLogLines());
    EXPECT_EQ("(none)", package.ServiceBinary());
    EXPECT_FALSE(package.ServiceKeyExists());
    EXPECT_EQ("(none)", package.InstalledFile());
    EXPECT_EQ(std::vector<bool>{ false }, controlPanel.Open());
}

struct RemovalFailureCase
{
    const char* name;
    bool removalOfServices;       // false: the INF lacks the section, a real failure
    bool fileRemovalFails;        // injected
    SETUP_STATUS status;
    const char* line;
    bool serviceGone;
    bool fileGone;
};

void PrintTo(const RemovalFailureCase& c, std::ostream* os)
{
    *os << c.name;
}

const RemovalFailureCase c_removalFailures[] = {
    { "ServiceRemovalFails", false, false, ST_INF_CANT_UNINSTALL_SERVICE, "Uninstall 7 (ST_INF_CANT_UNINSTALL_SERVICE)",
      false, true },
    { "FileRemovalFails", true, true, ST_INF_CANT_UNINSTALL_FILES, "Uninstall 6 (ST_INF_CANT_UNINSTALL_FILES)", true,
      false },
    // Only the service's failure is reported.
    { "BothFail", false, true, ST_INF_CANT_UNINSTALL_SERVICE, "Uninstall 7 (ST_INF_CANT_UNINSTALL_SERVICE)", false,
      false },
};

class RemovalFailure : public DriverInstall, public ::testing::WithParamInterface<RemovalFailureCase>
{
};

// The removal goes on after a failed service removal: the Control Panel is closed and
// the files are removed all the same.
TEST_P(RemovalFailure, IsReportedAndTheRemovalGoesOn)
{
    const RemovalFailureCase& c = GetParam();
    ControlPanelName controlPanelName;
    PackageOptions options;
    options.removalOfServices = c.removalOfServices;
    DriverPackage package(options);
    ASSERT_TRUE(package.IsReady());
    CDriver driver = package.Driver();
    ASSERT_EQ(ST_SUCCESS, driver.Install(NULL));
    OpenWindows controlPanel({ controlPanelName.Read() });
    StartTraceLog();
    {
        Counter counter;
        Injected injected(c.fileRemovalFails ? SECTION_INSTALL_FAILS : NOTHING);
        EXPECT_EQ(c.status, driver.Uninstall(NULL));
        counter.ExpectAllGivenBack();
    }
    EXPECT_EQ(Join({ InfoOpened(NameFromCache(package.Name()), INSTALLED),
                     { c.line, "Uninstall exit with uRet " + Number(c.status) } }),
              ReadTraceLogLines());
    EXPECT_EQ(c.serviceGone ? "(none)" : "C:\\bench\\LABSVC.EXE", package.ServiceBinary());
    EXPECT_EQ(c.fileGone ? "(none)" : FILE_BYTES, package.InstalledFile());
    EXPECT_EQ(std::vector<bool>{ false }, controlPanel.Open());
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalFailure, ::testing::ValuesIn(c_removalFailures),
    [](const ::testing::TestParamInfo<RemovalFailureCase>& info) { return std::string(info.param.name); });

// CDriverSetup::Uninstall does not remove what it could not stop.
TEST_F(DriverInstall, ThroughTheDriverListAServiceThatRefusesToStopIsNotRemoved)
{
    PackageOptions options;
    options.behaviour = "refuse-stop";
    DriverPackage package(options);
    ASSERT_TRUE(package.IsReady());
    CDriverSetup drivers(BenchDirectory().c_str(), package.InfPath().c_str(), "Models");
    POSITION pos = NULL;
    ASSERT_TRUE(drivers.GetFirstDriver(pos));
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    ASSERT_EQ(ST_SUCCESS, drivers.Install(pos, NULL));
    ASSERT_TRUE(package.Service().WaitForState(SERVICE_RUNNING));
    const Lines cached = NameFromCache(package.Name());
    StartTraceLog();
    {
        Counter counter;
        EXPECT_EQ(ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL, drivers.Uninstall(pos, NULL));
        counter.ExpectAllGivenBack();
        EXPECT_EQ(0, counter.Of().infOpened);
    }
    EXPECT_EQ(Join({ InfoOpened(cached, STARTED), cached,
                     { "open_service exit with uRet 0", "Stop 1052 (ST_SCM_CANT_STOP_SERVICE_INVALID_SERVICE_CONTROL)",
                       "Stop exit with uRet 32" } }),
              ReadTraceLogLines());
    EXPECT_EQ((DWORD)SERVICE_RUNNING, package.Service().State());
    EXPECT_EQ(FILE_BYTES, package.InstalledFile());
}

// --- Closing the Control Panel --------------------------------------------------------

class ControlPanelWindow : public DriverInstall
{
protected:
    ControlPanelName name;
};

// One call closes one window: the first that the enumeration reaches whose title is
// the display name, letter case aside.
TEST_F(ControlPanelWindow, OnlyTheFirstWindowFoundIsClosed)
{
    const std::string displayName = name.Read();
    std::string upper = displayName;
    for (char& c : upper)
        c = (char)toupper((unsigned char)c);
    ASSERT_NE(displayName, upper);
    OpenWindows windows({ displayName, upper, displayName + " 2", "" });
    HWND first = FirstEnumerated(windows.Window(0), windows.Window(1));
    ASSERT_NE((HWND)NULL, first);
    const bool exactFirst = first == windows.Window(0);

    Counter counter;
    CloseTheControlPanelWindow();
    EXPECT_EQ((std::vector<bool>{ !exactFirst, exactFirst, true, true }), windows.Open());
    CloseTheControlPanelWindow();
    EXPECT_EQ((std::vector<bool>{ false, false, true, true }), windows.Open());
    CloseTheControlPanelWindow();
    EXPECT_EQ((std::vector<bool>{ false, false, true, true }), windows.Open());
    EXPECT_GT(counter.Of().keysOpened, 0);
    counter.ExpectAllGivenBack();
}

enum NameNow { SET_TO, STORED_AS, STORED_AS_BINARY, DELETED_VALUE, KEY_REFUSED };

struct DisplayNameCase
{
    const char* name;
    NameNow now;
    std::string bytes;   // the name set, or the bytes stored
    Lines titles;        // of the windows opened
    std::vector<bool> openAfter;
};

void PrintTo(const DisplayNameCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string X255(255, 'x');
const std::string X256(256, 'x');

const DisplayNameCase c_displayNames[] = {
    { "IsTheRegistrysNow", SET_TO, "Lab Panel", { "Control Panel", "LAB panel" }, { true, false } },
    // 255 characters and the zero fill the 256 bytes.
    { "Of255Characters", SET_TO, X255, { X255 }, { false } },
    // 256 characters without a zero: no name, not the first 255 of it. (Wine's
    // RegQueryValueExA refuses such a string for 256 bytes; a value of another type,
    // whose type is not looked at, comes back as its 256 bytes.)
    { "Of256CharactersWithoutZero", STORED_AS, X256, { X255, X256 }, { true, true } },
    { "Of256BytesOfAnotherType", STORED_AS_BINARY, X256, { X255, X256 }, { true, true } },
    // Stored without its zero, a short name is whole.
    { "StoredWithoutItsZero", STORED_AS, "Lab Panel", { "lab panel" }, { false } },
    // An empty name would match every window without a title.
    { "Empty", SET_TO, "", { "", "Control Panel" }, { true, true } },
    { "Missing", DELETED_VALUE, "", { "Control Panel", "" }, { true, true } },
    { "KeyRefused", KEY_REFUSED, "", { "Control Panel", "" }, { true, true } },
};

class DisplayName : public ControlPanelWindow, public ::testing::WithParamInterface<DisplayNameCase>
{
};

TEST_P(DisplayName, DecidesWhichWindowIsClosed)
{
    const DisplayNameCase& c = GetParam();
    if (c.now == SET_TO)
        name.Set(c.bytes);
    else if (c.now == STORED_AS)
        name.SetBytes(c.bytes);
    else if (c.now == STORED_AS_BINARY)
        name.SetBytes(c.bytes, REG_BINARY);
    else if (c.now == DELETED_VALUE)
        name.Delete();
    OpenWindows windows(c.titles);
    {
        Counter counter;
        Injected injected(c.now == KEY_REFUSED ? CONTROL_PANEL_KEY_REFUSED : NOTHING);
        CloseTheControlPanelWindow();
        counter.ExpectAllGivenBack();
    }
    EXPECT_EQ(c.openAfter, windows.Open());
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayName, ::testing::ValuesIn(c_displayNames),
    [](const ::testing::TestParamInfo<DisplayNameCase>& info) { return std::string(info.param.name); });
}
