// LABPILOT.EXE [--shots DIR] [--first N] [--country NUMBER] [--timeout SECONDS] --run "COMMAND LINE"
//
// Runs the command line (the lab's launcher with SETUP.EXE and its options, given as one
// argument) and drives
// the windows of that process and of every process it starts, as a user would: each
// page of the wizard is read, photographed and moved on with Next, or Finish where
// there is no Next; each message box is read, photographed and answered with its
// default button; the country applet gets the country of that NUMBER (as the setup
// program's country table numbers them: 4 is Germany) chosen, is photographed and
// closed with OK. With --country the install's success page waits for the applet
// before its Finish is pressed.
//
// The photographs are PNG files in DIR, numbered from N (default 1) and named by the
// step: 01-install-intro.png, 02-install-driver.png, ... Every step prints one line on
// stdout, in UTF-8. The pilot ends when every process of the run has ended; its last
// line is "pilot: the run exited with N", N the command line's exit code. It exits with
// 0 when every step went as a user's would, 1 when one did not (a photograph that could
// not be taken, no applet, no such country), ERROR_TIMEOUT (1460) when the run was still
// going after the time limit (default 180 s), whose processes it then ends.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "lab/pilot/PngFile.h"

namespace
{
const int c_idBack = 0x3023;
const int c_idNext = 0x3024;
const int c_idFinish = 0x3025;
const int c_idMessageText = 0xFFFF;
const DWORD c_poll = 100;
const DWORD c_settle = 400;          // a page or box that just came up gets this long to paint
const DWORD c_appletWait = 30000;    // how long the last page waits for the country applet

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string result(length, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &result[0], length, NULL, NULL);
    return result;
}

void Say(const std::string& line)
{
    std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), (DWORD)text.size(), &written, NULL);
}

// A window's own text; for a window of another process this reads what the window
// holds without sending it a message, so a busy program does not hold us up.
std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = L"";
    if (window != NULL)
        ::GetWindowTextW(window, text, sizeof(text) / sizeof(text[0]));
    return text;
}

// Line breaks of a multi-line text shown as " / ", so a step stays one line.
std::string OneLine(const std::wstring& text)
{
    std::wstring result;
    for (size_t i = 0; i < text.size(); i++)
    {
        if (text[i] == L'\r')
            continue;
        if (text[i] == L'\n')
            result += L" / ";
        else
            result += text[i];
    }
    return "\"" + Utf8(result) + "\"";
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    ::GetClassNameW(window, name, sizeof(name) / sizeof(name[0]));
    return name;
}

bool Responds(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = NULL)
{
    DWORD_PTR result = 0;
    bool ok = ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 2000, &result) != 0;
    if (answered != NULL)
        *answered = ok;
    return ok ? (LRESULT)result : 0;
}

bool Usable(HWND button)
{
    return button != NULL && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

// The photograph of a window as the screen shows it, into a PNG file. The window is
// brought to the top and made the active one first, as the window that a user works
// in is (another window of the run may lie over it), and given the time to paint.
bool Photograph(HWND window, const std::wstring& path)
{
    if (Responds(window, 2000))
    {
        ::SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetForegroundWindow(window);
    }
    ::Sleep(c_settle);
    Responds(window, 2000);

    RECT rect;
    if (!::GetWindowRect(window, &rect))
        return false;
    RECT screen = { 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN) };
    if (!::IntersectRect(&rect, &rect, &screen))
        return false;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;

    bool done = false;
    HDC screenDc = ::GetDC(NULL);
    HDC memoryDc = screenDc != NULL ? ::CreateCompatibleDC(screenDc) : NULL;
    if (memoryDc != NULL)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;   // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = NULL;
        HBITMAP picture = ::CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (picture != NULL)
        {
            HGDIOBJ old = ::SelectObject(memoryDc, picture);
            if (::BitBlt(memoryDc, 0, 0, width, height, screenDc, rect.left, rect.top, SRCCOPY | CAPTUREBLT))
            {
                ::GdiFlush();
                size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
                std::vector<unsigned char> png = MakePngFile(width, height, (const unsigned char*)bits, stride);
                done = !png.empty() && WriteWholeFile(path, png);
            }
            ::SelectObject(memoryDc, old);
            ::DeleteObject(picture);
        }
        ::DeleteDC(memoryDc);
    }
    if (screenDc != NULL)
        ::ReleaseDC(NULL, screenDc);
    return done;
}

struct FoundChild
{
    const wchar_t* classes[4];
    HWND found;
};

BOOL CALLBACK FindChildOfClass(HWND child, LPARAM param)
{
    FoundChild* data = (FoundChild*)param;
    std::wstring name = ClassOf(child);
    for (const wchar_t* wanted : data->classes)
    {
        if (wanted != NULL && _wcsicmp(name.c_str(), wanted) == 0 && ::IsWindowVisible(child))
        {
            data->found = child;
            return FALSE;
        }
    }
    return TRUE;
}

// The country list of the applet's dialog: its list box.
HWND CountryList(HWND dialog)
{
    FoundChild data = { { L"ListBox", NULL, NULL, NULL }, NULL };
    ::EnumChildWindows(dialog, FindChildOfClass, (LPARAM)&data);
    return data.found;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    ((std::vector<HWND>*)param)->push_back(window);
    return TRUE;
}

class Pilot
{
public:
    Pilot(const std::wstring& shots, int first, int country)
        : m_shots(shots), m_step(first), m_country(country), m_root(NULL), m_rootId(0), m_shotPage(NULL), m_press(-1), m_waitingSince(0),
          m_appletDone(false), m_mode("install"), m_failures(0)
    {
    }

    bool Start(const std::wstring& commandLine);
    // The run's exit code once all its processes have ended; ERROR_TIMEOUT after the limit.
    DWORD Drive(DWORD timeoutMs);
    int failures() const { return m_failures; }

private:
    void UpdateProcesses();
    bool AnyProcessLeft() const;
    void EndTheRun();
    void Look();
    bool IsSheet(HWND window);
    bool SheetShown(const std::vector<HWND>& windows);
    void HandleSheet(HWND sheet);
    void ShowPage(HWND sheet, HWND page);
    void HandleApplet(HWND applet, HWND list);
    void HandleMessageBox(HWND box);
    std::wstring NextShot(const std::string& name, std::string& shown);

    std::wstring m_shots;
    int m_step;
    int m_country;               // the country number to choose; -1: no applet expected
    HANDLE m_root;
    DWORD m_rootId;
    std::set<DWORD> m_processes;      // the run: the started process and all it started
    std::set<DWORD> m_live;
    std::set<HWND> m_handled;         // boxes and applets already answered
    HWND m_shotPage;                  // the current page, once photographed
    int m_press;                      // the button to press on it; -1 once pressed
    DWORD m_waitingSince;             // when the last page began to wait for the applet
    bool m_appletDone;
    std::string m_mode;               // "install" or "uninstall", from the pages seen
    int m_failures;
};

bool Pilot::Start(const std::wstring& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    if (!::CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
    {
        Say("pilot: cannot start " + Utf8(commandLine) + ": error " + std::to_string(::GetLastError()));
        return false;
    }
    ::CloseHandle(process.hThread);
    m_root = process.hProcess;
    m_rootId = process.dwProcessId;
    m_processes.insert(m_rootId);
    return true;
}

// Adds every process whose parent is one of the run's, and notes which are alive.
void Pilot::UpdateProcesses()
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    std::vector<PROCESSENTRY32W> entries;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry))
        entries.push_back(entry);
    ::CloseHandle(snapshot);

    bool grew = true;
    while (grew)
    {
        grew = false;
        for (const PROCESSENTRY32W& e : entries)
        {
            if (m_processes.count(e.th32ParentProcessID) && !m_processes.count(e.th32ProcessID)
                && e.th32ProcessID != ::GetCurrentProcessId())
            {
                m_processes.insert(e.th32ProcessID);
                grew = true;
            }
        }
    }
    m_live.clear();
    for (const PROCESSENTRY32W& e : entries)
    {
        if (m_processes.count(e.th32ProcessID))
            m_live.insert(e.th32ProcessID);
    }
    if (::WaitForSingleObject(m_root, 0) == WAIT_OBJECT_0)
        m_live.erase(m_rootId);
}

bool Pilot::AnyProcessLeft() const
{
    return !m_live.empty();
}

void Pilot::EndTheRun()
{
    for (DWORD id : m_live)
    {
        HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (process != NULL)
        {
            ::TerminateProcess(process, ERROR_TIMEOUT);
            ::CloseHandle(process);
        }
    }
}

DWORD Pilot::Drive(DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;)
    {
        UpdateProcesses();
        if (!AnyProcessLeft())
            break;
        if (::GetTickCount() - start > timeoutMs)
        {
            Say("pilot: the run is still going after " + std::to_string(timeoutMs / 1000) + " s; ending it");
            EndTheRun();
            return ERROR_TIMEOUT;
        }
        Look();
        ::Sleep(c_poll);
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(m_root, &exitCode);
    ::CloseHandle(m_root);
    return exitCode;
}

// One look at the screen: every visible top-level window of the run, handled once.
void Pilot::Look()
{
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, (LPARAM)&windows);
    for (HWND window : windows)
    {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (!m_processes.count(owner) || !::IsWindowVisible(window) || m_handled.count(window))
            continue;
        if (ClassOf(window) != L"#32770")
            continue;
        if (IsSheet(window))
        {
            HandleSheet(window);
            continue;
        }
        HWND list = CountryList(window);
        if (list != NULL)
        {
            // The applet is dealt with once the wizard's last page has been seen, or
            // when there is no wizard (any more).
            if (m_waitingSince != 0 || !SheetShown(windows))
                HandleApplet(window, list);
        }
        else if (::GetDlgItem(window, c_idMessageText) != NULL || ::GetWindow(window, GW_OWNER) != NULL)
            HandleMessageBox(window);
    }
}

bool Pilot::SheetShown(const std::vector<HWND>& windows)
{
    for (HWND window : windows)
    {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (m_processes.count(owner) && ::IsWindowVisible(window) && IsSheet(window))
            return true;
    }
    return false;
}

bool Pilot::IsSheet(HWND window)
{
    return ::GetDlgItem(window, c_idNext) != NULL && ::GetDlgItem(window, c_idFinish) != NULL;
}

std::wstring Pilot::NextShot(const std::string& name, std::string& shown)
{
    char number[16];
    snprintf(number, sizeof(number), "%02d-", m_step++);
    shown = number + name + ".png";
    return m_shots + L"\\" + std::wstring(shown.begin(), shown.end());
}

void Pilot::HandleSheet(HWND sheet)
{
    bool answered = false;
    HWND page = (HWND)SendBounded(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, &answered);
    if (!answered || page == NULL)
        return;   // busy with the job of the last Next
    if (page != m_shotPage)
        ShowPage(sheet, page);
    if (page != m_shotPage || m_press < 0)
        return;
    if (m_waitingSince != 0 && !m_appletDone)
    {
        // The applet starts on its own once the install is done; the user deals with it
        // before leaving the wizard.
        if (::GetTickCount() - m_waitingSince < c_appletWait)
            return;
        Say("pilot: no country applet showed up in " + std::to_string(c_appletWait / 1000) + " s");
        m_failures++;
        m_appletDone = true;
    }
    ::PostMessageW(sheet, PSM_PRESSBUTTON, m_press, 0);
    m_press = -1;
    m_waitingSince = 0;
}

// A page that has just come up: read, photographed, and the button to press chosen.
void Pilot::ShowPage(HWND sheet, HWND page)
{
    ::Sleep(c_settle);
    if ((HWND)SendBounded(sheet, PSM_GETCURRENTPAGEHWND, 0, 0) != page)
        return;
    LRESULT index = SendBounded(sheet, PSM_HWNDTOINDEX, (WPARAM)page, 0);
    UINT templateId = (UINT)SendBounded(sheet, PSM_INDEXTOID, (WPARAM)index, 0);

    std::string name;
    switch (templateId)
    {
    case 101: m_mode = "install"; name = "intro"; break;
    case 102: m_mode = "install"; name = "driver"; break;
    case 103: m_mode = "install"; name = "success"; break;
    case 104: m_mode = "install"; name = "failure"; break;
    case 105: m_mode = "uninstall"; name = "intro"; break;
    case 106: m_mode = "uninstall"; name = "report"; break;
    default: name = "page" + std::to_string(templateId); break;
    }

    std::string buttons;
    const struct
    {
        int id;
        const char* label;
    } all[] = { { IDHELP, "Help" }, { c_idBack, "Back" }, { c_idNext, "Next" }, { c_idFinish, "Finish" },
                { IDCANCEL, "Cancel" } };
    for (const auto& button : all)
    {
        if (Usable(::GetDlgItem(sheet, button.id)))
            buttons += std::string(buttons.empty() ? "" : " ") + button.label;
    }
    m_press = Usable(::GetDlgItem(sheet, c_idNext)) ? PSBTN_NEXT
              : Usable(::GetDlgItem(sheet, c_idFinish)) ? PSBTN_FINISH
                                                          : -1;
    std::string pressing = m_press == PSBTN_NEXT ? "Next" : m_press == PSBTN_FINISH ? "Finish" : "nothing";
    if (templateId == 103 && m_press == PSBTN_FINISH && m_country >= 0 && !m_appletDone)
    {
        m_waitingSince = ::GetTickCount();
        pressing += " once the country applet is done";
    }

    std::string shown;
    std::wstring path = NextShot(m_mode + "-" + name, shown);
    if (!Photograph(sheet, path))
    {
        Say("pilot: cannot photograph the page into " + Utf8(path));
        m_failures++;
    }
    Say(shown + "  page " + std::to_string(templateId) + " " + OneLine(TextOf(sheet)) + ": "
        + OneLine(TextOf(::GetDlgItem(page, 1000))) + " | " + OneLine(TextOf(::GetDlgItem(page, 1002))) + " | "
        + OneLine(TextOf(::GetDlgItem(page, 1001))) + "; buttons: " + buttons + "; pressing " + pressing);
    m_shotPage = page;
}

void Pilot::HandleApplet(HWND applet, HWND list)
{
    int count = 0;
    for (int i = 0; i < 50 && (count = (int)SendBounded(list, LB_GETCOUNT, 0, 0)) <= 0; i++)
        ::Sleep(c_poll);

    // The list's items carry their country numbers.
    int chosen = -1;
    for (int i = 0; i < count && chosen < 0; i++)
    {
        if (SendBounded(list, LB_GETITEMDATA, i, 0) == m_country)
            chosen = i;
    }
    std::string what;
    if (m_country < 0)
    {
        chosen = (int)SendBounded(list, LB_GETCURSEL, 0, 0);
        wchar_t item[256] = L"";
        if (chosen >= 0 && SendBounded(list, LB_GETTEXTLEN, chosen, 0) < 256)
            SendBounded(list, LB_GETTEXT, chosen, (LPARAM)item);
        what = "kept " + OneLine(item);
    }
    else if (chosen >= 0)
    {
        wchar_t item[256] = L"";
        if (SendBounded(list, LB_GETTEXTLEN, chosen, 0) < 256)
            SendBounded(list, LB_GETTEXT, chosen, (LPARAM)item);
        SendBounded(list, LB_SETCURSEL, chosen, 0);
        SendBounded(list, LB_SETTOPINDEX, chosen > 3 ? chosen - 3 : 0, 0);
        // The dialog learns of the choice as from a click.
        SendBounded(applet, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_SELCHANGE), (LPARAM)list);
        what = "chose " + OneLine(item) + " (country " + std::to_string(m_country) + ") of " + std::to_string(count)
               + " countries";
    }
    else
    {
        what = "found no country " + std::to_string(m_country) + " among " + std::to_string(count) + " countries";
        m_failures++;
    }

    std::string shown;
    std::wstring path = NextShot("install-country", shown);
    if (!Photograph(applet, path))
    {
        Say("pilot: cannot photograph the applet into " + Utf8(path));
        m_failures++;
    }
    Say(shown + "  applet " + OneLine(TextOf(applet)) + ": " + what + "; pressing OK");
    m_handled.insert(applet);
    m_appletDone = true;
    ::PostMessageW(applet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)::GetDlgItem(applet, IDOK));
}

void Pilot::HandleMessageBox(HWND box)
{
    std::string shown;
    std::wstring path = NextShot(m_mode + "-message", shown);
    if (!Photograph(box, path))
    {
        Say("pilot: cannot photograph the message box into " + Utf8(path));
        m_failures++;
    }
    LRESULT defaultId = SendBounded(box, DM_GETDEFID, 0, 0);
    int id = HIWORD(defaultId) == DC_HASDEFID ? LOWORD(defaultId) : IDOK;
    HWND button = ::GetDlgItem(box, id);
    Say(shown + "  message box " + OneLine(TextOf(box)) + ": " + OneLine(TextOf(::GetDlgItem(box, c_idMessageText)))
        + "; pressing " + OneLine(TextOf(button)));
    m_handled.insert(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

int Usage()
{
    Say("usage: LABPILOT.EXE [--shots DIR] [--first N] [--country NUMBER] [--timeout SECONDS] --run \"COMMAND LINE\"");
    return ERROR_BAD_ARGUMENTS;
}
}

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == NULL)
        return Usage();
    std::wstring command;

    wchar_t here[MAX_PATH] = L".";
    ::GetCurrentDirectoryW(MAX_PATH, here);
    std::wstring shots = here;
    int first = 1;
    int country = -1;
    DWORD timeoutMs = 180000;
    for (int i = 1; i < argc; i++)
    {
        std::wstring option = argv[i];
        if (i + 1 >= argc)
            return Usage();
        std::wstring value = argv[++i];
        if (option == L"--shots")
            shots = value;
        else if (option == L"--first")
            first = _wtoi(value.c_str());
        else if (option == L"--country")
            country = _wtoi(value.c_str());
        else if (option == L"--timeout")
            timeoutMs = (DWORD)_wtoi(value.c_str()) * 1000;
        else if (option == L"--run")
            command = value;
        else
            return Usage();
    }
    ::LocalFree(argv);
    if (command.empty())
        return Usage();

    Pilot pilot(shots, first, country);
    if (!pilot.Start(command))
        return ERROR_FILE_NOT_FOUND;
    DWORD exitCode = pilot.Drive(timeoutMs);
    if (exitCode == ERROR_TIMEOUT)
        return ERROR_TIMEOUT;
    if (pilot.failures() > 0)
        Say("pilot: " + std::to_string(pilot.failures()) + " step(s) did not go as a user's would");
    Say("pilot: the run exited with " + std::to_string(exitCode));
    return pilot.failures() > 0 ? 1 : 0;
}
