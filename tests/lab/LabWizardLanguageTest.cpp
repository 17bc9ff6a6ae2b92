// The shipped SETUP.EXE in each language of its string table: with the user's language
// set, every page of the install and the uninstall wizard, the sheet's title and an
// error's message box show that language's texts.
//
// Wine takes the user's language and the ANSI code page from the Unix locale of the
// process (LC_ALL=ja_JP.UTF-8 gives 0x411 and code page 932); a program started by
// CreateProcess keeps its parent's, whatever LC_ALL its environment block holds. So
// CTest runs this program once per row of the table below, with LC_ALL set to the
// row's locale (tests/lab/CMakeLists.txt reads the locales from this table), and the
// row's tests start SETUP.EXE, which inherits that locale.
//
// The expected texts are the string blocks of the row's language in the shipped
// SETUP.EXE, read as UTF-16, and the windows' texts are read as UTF-16 too: a text
// that the program's ANSI calls damaged in the code page shows as a difference.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "resources/resource.h"
#include "tests/support/LabMachine.h"
#include "tests/support/StringResource.h"

namespace
{
struct Language
{
    const char* locale;   // the Unix locale, without ".UTF-8": also the name of the row
    LANGID lang;          // the string table that the wizard should show
    UINT ansiCodePage;    // the code page that the program's ANSI calls then use
};

// One row per string table of resources/strings. CMake reads the locales from here:
// keep one row per line, in this shape.
const Language c_languages[] = {
    { "da_DK", MAKELANGID(LANG_DANISH, SUBLANG_NEUTRAL), 1252 },
    { "de_DE", MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), 1252 },
    { "en_US", MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL), 1252 },
    { "es_ES", MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), 1252 },
    { "fi_FI", MAKELANGID(LANG_FINNISH, SUBLANG_NEUTRAL), 1252 },
    { "fr_FR", MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), 1252 },
    { "it_IT", MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), 1252 },
    { "ja_JP", MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL), 932 },
    { "nl_NL", MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), 1252 },
    { "nb_NO", MAKELANGID(LANG_NORWEGIAN, SUBLANG_NEUTRAL), 1252 },
    { "pt_PT", MAKELANGID(LANG_PORTUGUESE, SUBLANG_NEUTRAL), 1252 },
    { "sv_SE", MAKELANGID(LANG_SWEDISH, SUBLANG_NEUTRAL), 1252 },
    { "zh_TW", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), 950 },
    { "zh_CN", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), 936 },
};

void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.locale;
}

const char c_package[] = "C:\\Setup dir\\";
const char c_noInfDirectory[] = "C:\\setup run\\";
const DWORD c_timeout = 10000;
const DWORD c_poll = 20;

// The name of the first driver of the setup INF's Models section, as the INF gives it.
std::wstring FirstDriverName(const std::string& infPath)
{
    std::wstring path(infPath.begin(), infPath.end());
    HINF inf = ::SetupOpenInfFileW(path.c_str(), NULL, INF_STYLE_WIN4, NULL);
    if (inf == INVALID_HANDLE_VALUE)
        return L"(no INF)";
    INFCONTEXT context;
    WCHAR name[256] = L"(no driver)";
    if (::SetupFindFirstLineW(inf, L"Models", NULL, &context))
        ::SetupGetStringFieldW(&context, 0, name, ARRAYSIZE(name), NULL);
    ::SetupCloseInfFile(inf);
    return name;
}

// A window's text as UTF-16, from whatever process owns it.
std::wstring TextOf(HWND window)
{
    WCHAR text[1024] = L"";
    DWORD_PTR length = 0;
    if (window == NULL
        || !::SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), (LPARAM)text, SMTO_NORMAL, c_timeout, &length))
        return L"(no window)";
    return text;
}

// What the user sees of the sheet: its title and the current page's three texts.
struct View
{
    UINT templateId;
    std::wstring title;
    std::wstring top;      // controls 1000, 1002 and 1001; "(none)" for a control
    std::wstring middle;   // that the page does not have
    std::wstring bottom;

    bool operator==(const View& other) const
    {
        return templateId == other.templateId && title == other.title && top == other.top && middle == other.middle
            && bottom == other.bottom;
    }
};

void PrintTo(const View& view, std::ostream* out)
{
    *out << "page " << view.templateId << ", title " << ::testing::PrintToString(view.title) << ", top "
         << ::testing::PrintToString(view.top) << ", middle " << ::testing::PrintToString(view.middle) << ", bottom "
         << ::testing::PrintToString(view.bottom);
}

std::wstring ControlText(HWND page, int id)
{
    HWND control = ::GetDlgItem(page, id);
    return control != NULL ? TextOf(control) : L"(none)";
}

View ViewOf(HWND sheet)
{
    View view = {};
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, c_timeout, &result);
    HWND page = (HWND)result;
    if (page == NULL)
        return view;
    DWORD_PTR index = 0;
    ::SendMessageTimeoutW(sheet, PSM_HWNDTOINDEX, (WPARAM)page, 0, SMTO_NORMAL, c_timeout, &index);
    ::SendMessageTimeoutW(sheet, PSM_INDEXTOID, index, 0, SMTO_NORMAL, c_timeout, &result);
    view.templateId = (UINT)result;
    view.title = TextOf(sheet);
    view.top = ControlText(page, IDC_TOP_TITLE);
    view.middle = ControlText(page, IDC_MIDDLE_TITLE);
    view.bottom = ControlText(page, IDC_BOTTOM_TITLE);
    return view;
}

// The visible top-level dialog of the process that holds a page (sheet) or not (box).
HWND FindDialog(DWORD processId, bool wantSheet)
{
    for (HWND window = ::FindWindowExW(NULL, NULL, L"#32770", NULL); window != NULL;
         window = ::FindWindowExW(NULL, window, L"#32770", NULL))
    {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != processId || !::IsWindowVisible(window))
            continue;
        DWORD_PTR page = 0;
        ::SendMessageTimeoutW(window, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, c_timeout, &page);
        if ((page != 0) == wantSheet)
            return window;
    }
    return NULL;
}

HWND WaitForDialog(DWORD processId, bool wantSheet)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        HWND found = FindDialog(processId, wantSheet);
        if (found != NULL)
            return found;
    }
    return NULL;
}

// Waits until the sheet shows exactly that view; the last view seen otherwise.
View WaitForView(HWND sheet, const View& expected)
{
    View seen = {};
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        seen = ViewOf(sheet);
        if (seen == expected)
            break;
    }
    return seen;
}

class WizardLanguage : public ::testing::TestWithParam<Language>
{
protected:
    void SetUp() override
    {
        const Language& language = GetParam();
        const char* localeSet = ::getenv("LC_ALL");
        std::string wanted = std::string(language.locale) + ".UTF-8";
        if (localeSet == NULL || wanted != localeSet)
        {
            GTEST_SKIP() << "runs with LC_ALL=" << wanted;
        }
        // What Wine made of the locale, for this program and so for SETUP.EXE.
        ASSERT_EQ(PRIMARYLANGID(language.lang), PRIMARYLANGID(::GetUserDefaultUILanguage()));
        if (SUBLANGID(language.lang) != SUBLANG_NEUTRAL)
        {
            ASSERT_EQ(language.lang, ::GetUserDefaultUILanguage());
        }
        ASSERT_EQ(language.ansiCodePage, ::GetACP());

        ASSERT_TRUE(LayOutSamplePackage(c_package));
        program = std::string(c_package) + "SETUP.EXE";
        setup = ::LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, setup) << ::GetLastError();
        driverName = FirstDriverName(std::string(c_package) + "DRV_QVX.INF");
    }
    void TearDown() override
    {
        if (setup != NULL)
            ::FreeLibrary(setup);
    }

    // The text of that ID in the row's table of the shipped program.
    std::wstring Text(UINT id)
    {
        std::optional<std::wstring> text = ReadString(setup, id, GetParam().lang);
        EXPECT_TRUE(text.has_value()) << "string " << id << " is not in the table";
        return text.value_or(L"(missing)");
    }

    // Starts the program from C:\ with the options, as an administrator would.
    PROCESS_INFORMATION Start(const std::string& programPath, const std::string& options)
    {
        std::string cmdLine = "\"" + programPath + "\" " + options;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!::CreateProcessA(programPath.c_str(), &cmdLine[0], NULL, NULL, FALSE, 0, NULL, "C:\\", &startup,
                              &process))
            ADD_FAILURE() << "CreateProcess: " << ::GetLastError();
        return process;
    }

    DWORD WaitForExit(PROCESS_INFORMATION& process)
    {
        DWORD exitCode = 0xDEAD;
        if (::WaitForSingleObject(process.hProcess, c_timeout) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(process.hProcess, &exitCode);
        else
        {
            ADD_FAILURE() << "the program did not end";
            ::TerminateProcess(process.hProcess, exitCode);
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return exitCode;
    }

    HMODULE setup = NULL;
    std::string program;
    std::wstring driverName;
};

// A dry run of each wizard, page by page: intro, driver, success and, with Next from
// the success page of a dry run, the failure page; then the uninstall intro and report.
TEST_P(WizardLanguage, EveryPageShowsTheTextsOfItsTable)
{
    const std::wstring none = L"(none)";
    const struct
    {
        const char* options;
        View pages[4];
        int leave;   // the button that ends the wizard from the last page
    } wizards[] = {
        { "-d",
          { { IDD_IN_TRO, Text(IDS_IN_WIZ_TITLE), Text(IDS_IN_TRO_TOP_TITLE), Text(IDS_IN_TRO_MIDDLE_TITLE),
              Text(IDS_IN_TRO_BOTTOM_TITLE) },
            { IDD_IN_DRV, Text(IDS_IN_WIZ_TITLE), Text(IDS_IN_DRV_TOP_TITLE), driverName,
              Text(IDS_IN_DRV_BOTTOM_TITLE) },
            { IDD_IN_ROK, Text(IDS_IN_WIZ_TITLE), Text(IDS_IN_ROK_TOP_TITLE), none, Text(IDS_IN_ROK_BOTTOM_TITLE) },
            { IDD_IN_RNG, Text(IDS_IN_WIZ_TITLE), Text(IDS_IN_RNG_TOP_TITLE), none,
              Text(IDS_IN_RNG_BOTTOM_TITLE) } },
          PSBTN_FINISH },
        // The uninstall leaves through Back and Cancel: Finish would run the removal.
        { "-u -d",
          { { IDD_UN_DRV, Text(IDS_UN_WIZ_TITLE), Text(IDS_UN_DRV_TOP_TITLE), driverName,
              Text(IDS_UN_DRV_BOTTOM_TITLE) },
            { IDD_UN_ROK, Text(IDS_UN_WIZ_TITLE), Text(IDS_UN_ROK_TOP_TITLE), none, Text(IDS_UN_ROK_BOTTOM_TITLE) },
            { IDD_UN_DRV, Text(IDS_UN_WIZ_TITLE), Text(IDS_UN_DRV_TOP_TITLE), driverName,
              Text(IDS_UN_DRV_BOTTOM_TITLE) } },
          PSBTN_CANCEL },
    };
    for (const auto& wizard : wizards)
    {
        SCOPED_TRACE(wizard.options);
        PROCESS_INFORMATION process = Start(program, wizard.options);
        ASSERT_NE(nullptr, process.hProcess);
        HWND sheet = WaitForDialog(process.dwProcessId, true);
        EXPECT_NE(nullptr, sheet) << "no wizard showed up";
        for (size_t i = 0; sheet != NULL && i < ARRAYSIZE(wizard.pages) && wizard.pages[i].templateId != 0; i++)
        {
            const View& page = wizard.pages[i];
            EXPECT_EQ(page, WaitForView(sheet, page)) << "page " << i + 1;
            bool last = i + 1 == ARRAYSIZE(wizard.pages) || wizard.pages[i + 1].templateId == 0;
            int button = last ? wizard.leave
                       : wizard.pages[i + 1].templateId < page.templateId ? PSBTN_BACK
                                                                          : PSBTN_NEXT;
            ::PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
        }
        EXPECT_EQ(0u, WaitForExit(process));
    }
}

// Without its setup INF the program says so in the user's language, and ends with 8.
TEST_P(WizardLanguage, TheMessageBoxOfAnErrorShowsTheTextsOfItsTable)
{
    ::CreateDirectoryA(c_noInfDirectory, NULL);
    std::string lonely = std::string(c_noInfDirectory) + "SETUP.EXE";
    ASSERT_TRUE(::CopyFileA(program.c_str(), lonely.c_str(), FALSE)) << ::GetLastError();
    PROCESS_INFORMATION process = Start(lonely, "-s");
    ASSERT_NE(nullptr, process.hProcess);
    HWND box = WaitForDialog(process.dwProcessId, false);
    EXPECT_NE(nullptr, box) << "no message box showed up";
    if (box != NULL)
    {
        EXPECT_EQ(Text(IDS_WIZ_ERR_TITLE), TextOf(box));
        EXPECT_EQ(Text(IDS_WIZ_ERR_SETUP_INF), TextOf(::GetDlgItem(box, 0xFFFF)));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_EQ(8u, WaitForExit(process));
    ::DeleteFileA(lonely.c_str());
    ::RemoveDirectoryA(c_noInfDirectory);
}

INSTANTIATE_TEST_SUITE_P(Languages, WizardLanguage, ::testing::ValuesIn(c_languages),
                         [](const ::testing::TestParamInfo<Language>& info) { return std::string(info.param.locale); });
}
