// Drives the wizard as a user would, from a second thread: the test's own thread
// shows the real sheet (PerformWizardRun or DoModal) while the script given here
// finds the sheet, reads its pages and presses its buttons.
//
//     WizardDriver driver([](WizardDriver& user) {
//         PageView intro = user.WaitForPage(IDD_IN_TRO);
//         user.Press(PSBTN_NEXT);
//         ...
//     });
//     int exitCode = PerformWizardRun(settings);
//
// Whatever the script did, once it has returned the driver closes every window it
// left open (message boxes with OK, the sheet with Cancel), so a failing test never
// leaves the wizard up. Every wait gives up after a few seconds and fails the test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

// What the user sees of the sheet and its current page.
struct PageView
{
    UINT templateId;      // 0 when there is no current page
    bool pageVisible;
    std::string top;      // the texts of controls 1000, 1002 and 1001; "(none)" for a
    std::string middle;   // control that the page does not have
    std::string bottom;
    bool pictureShown;    // the picture control holds a bitmap
    std::string buttons;  // the sheet's buttons that can be pressed, in their order
                          // on the sheet: "Help", "Back", "Next", "Finish", "Cancel"
    std::string title;    // the sheet window's text
};

struct ShownBox
{
    HWND owner;
    std::string caption;
    std::string text;
};

class WizardDriver
{
public:
    // Starts the script on a thread of its own. It drives the windows of the thread
    // that constructs the driver.
    explicit WizardDriver(std::function<void(WizardDriver&)> script);
    // Waits for the script and the clean-up to end.
    ~WizardDriver();

    // For the script.
    // The sheet's window, once it is visible; NULL (and a failure) after a timeout.
    HWND WaitForSheet();
    // The view once the current page is the page of that template.
    PageView WaitForPage(UINT templateId);
    PageView View();
    // Presses a button of the sheet, as PSM_PRESSBUTTON does: PSBTN_BACK, ...
    void Press(int button);
    // A message box of the wizard's thread (not the sheet), read but not answered.
    bool WaitForMessageBox(ShownBox& box);
    // Presses OK on the message box that is up.
    void AnswerMessageBox();
    // TRUE when the sheet went away within the time.
    bool WaitForSheetToClose();
    // TRUE when no sheet of the wizard's thread shows up for that long.
    bool NoSheetFor(DWORD milliseconds);

    HWND sheet() const { return m_sheet; }

private:
    void Run(std::function<void(WizardDriver&)> script);
    void CloseEverything();
    HWND FindTopLevel(bool wantSheet) const;

    DWORD m_guiThread;
    HWND m_sheet;
    HWND m_box;
    std::thread m_thread;
};

// A window's text, read with a bounded wait.
std::string WindowText(HWND window);
