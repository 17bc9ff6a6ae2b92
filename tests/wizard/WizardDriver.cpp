#include "tests/wizard/WizardDriver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace
{
const DWORD c_timeout = 5000;
const DWORD c_poll = 20;

const int c_idBack = 0x3023;
const int c_idNext = 0x3024;
const int c_idFinish = 0x3025;

struct FindData
{
    bool wantSheet;
    HWND found;
};

BOOL CALLBACK FindWindowOfThread(HWND window, LPARAM param)
{
    FindData* data = (FindData*)param;
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (strcmp(className, "#32770") != 0 || !::IsWindowVisible(window))
        return TRUE;
    bool isSheet = ::GetDlgItem(window, c_idNext) != NULL;
    if (isSheet == data->wantSheet)
    {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, c_timeout, &result))
        return 0;
    return (LRESULT)result;
}

bool Usable(HWND button)
{
    return button != NULL && ::IsWindowVisible(button) && ::IsWindowEnabled(button);
}

std::string ControlText(HWND page, int id)
{
    HWND control = ::GetDlgItem(page, id);
    return control != NULL ? WindowText(control) : "(none)";
}
}

std::string WindowText(HWND window)
{
    char text[512] = "";
    SendBounded(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

WizardDriver::WizardDriver(std::function<void(WizardDriver&)> script)
    : m_guiThread(::GetCurrentThreadId()), m_sheet(NULL), m_box(NULL)
{
    m_thread = std::thread(&WizardDriver::Run, this, script);
}

WizardDriver::~WizardDriver()
{
    m_thread.join();
}

void WizardDriver::Run(std::function<void(WizardDriver&)> script)
{
    script(*this);
    CloseEverything();
}

// The watchdog: whatever the script left up goes, boxes first.
void WizardDriver::CloseEverything()
{
    DWORD start = ::GetTickCount();
    bool closedSomething = false;
    while (::GetTickCount() - start < c_timeout)
    {
        HWND box = FindTopLevel(false);
        HWND sheet = FindTopLevel(true);
        if (box == NULL && sheet == NULL)
            break;
        closedSomething = true;
        if (box != NULL)
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        else
            ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ::Sleep(100);
    }
    EXPECT_FALSE(closedSomething) << "the script left windows up";
}

HWND WizardDriver::FindTopLevel(bool wantSheet) const
{
    FindData data = { wantSheet, NULL };
    ::EnumThreadWindows(m_guiThread, FindWindowOfThread, (LPARAM)&data);
    return data.found;
}

HWND WizardDriver::WaitForSheet()
{
    if (m_sheet != NULL && ::IsWindow(m_sheet))
        return m_sheet;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        m_sheet = FindTopLevel(true);
        if (m_sheet != NULL)
            return m_sheet;
    }
    ADD_FAILURE() << "no wizard sheet showed up";
    return NULL;
}

PageView WizardDriver::View()
{
    PageView view = {};
    HWND sheet = m_sheet;
    HWND page = (HWND)SendBounded(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    if (page != NULL)
    {
        LRESULT index = SendBounded(sheet, PSM_HWNDTOINDEX, (WPARAM)page, 0);
        view.templateId = (UINT)SendBounded(sheet, PSM_INDEXTOID, (WPARAM)index, 0);
        view.pageVisible = ::IsWindowVisible(page) != FALSE;
        view.top = ControlText(page, 1000);
        view.middle = ControlText(page, 1002);
        view.bottom = ControlText(page, 1001);
        HWND picture = ::GetDlgItem(page, 0xFFFF);
        view.pictureShown = picture != NULL && SendBounded(picture, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    }
    const struct
    {
        int id;
        const char* name;
    } buttons[] = { { IDHELP, "Help" }, { c_idBack, "Back" }, { c_idNext, "Next" }, { c_idFinish, "Finish" },
                    { IDCANCEL, "Cancel" } };
    for (const auto& button : buttons)
    {
        if (!Usable(::GetDlgItem(sheet, button.id)))
            continue;
        if (!view.buttons.empty())
            view.buttons += " ";
        view.buttons += button.name;
    }
    view.title = WindowText(sheet);
    return view;
}

PageView WizardDriver::WaitForPage(UINT templateId)
{
    PageView view = {};
    if (WaitForSheet() == NULL)
        return view;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        view = View();
        if (view.templateId == templateId)
            return view;
    }
    ADD_FAILURE() << "page " << templateId << " did not show up; the current page is " << view.templateId;
    return view;
}

void WizardDriver::Press(int button)
{
    ::PostMessageA(m_sheet, PSM_PRESSBUTTON, button, 0);
}

bool WizardDriver::WaitForMessageBox(ShownBox& box)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        m_box = FindTopLevel(false);
        if (m_box != NULL)
        {
            box.owner = ::GetWindow(m_box, GW_OWNER);
            box.caption = WindowText(m_box);
            box.text = ControlText(m_box, 0xFFFF);
            return true;
        }
    }
    ADD_FAILURE() << "no message box showed up";
    return false;
}

void WizardDriver::AnswerMessageBox()
{
    if (m_box != NULL)
        ::PostMessageA(m_box, WM_COMMAND, IDOK, 0);
    m_box = NULL;
}

bool WizardDriver::WaitForSheetToClose()
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < c_timeout; ::Sleep(c_poll))
    {
        if (FindTopLevel(true) == NULL)
            return true;
    }
    return false;
}

bool WizardDriver::NoSheetFor(DWORD milliseconds)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < milliseconds; ::Sleep(c_poll))
    {
        if (FindTopLevel(true) != NULL)
            return false;
    }
    return true;
}
