// The install wizard as the user meets it: a real sheet under Xvfb, driven from a
// second thread that reads each page and presses the sheet's buttons, with the
// installation replaced by a test double.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/wizard/FailingStrings.h"
#include "tests/wizard/InstallDriversDouble.h"
#include "tests/wizard/WizardDriver.h"
#include "wizard/CInstIntroPage.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/WizardRun.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";
const std::string c_twoDrivers =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n"
    "[Models]\r\nModem Board 56K = BoardInstall, PCI\\VEN_1234&DEV_5678\r\nSecond Board = SecondInstall\r\n";

const char c_title[] = "Modem Board Installation Wizard";
const char c_introTop[] = "Welcome to the modem board installation wizard.";
const char c_introMiddle[] = "This wizard will install a new modem driver on your computer.";
const char c_introBottom[] = "To begin installing the modem driver, click Next.";
const char c_driverTop[] = "The wizard will install the modem driver shown below.";
const char c_driverBottom[] = "To install the modem driver, click Next.";
const char c_okTop[] = "The modem driver was installed successfully:";
const char c_okBottom[] = "To return to Windows NT, click Finish.";
const char c_failTop[] = "The driver could not be installed";
const char c_failBottom[] = "If you would like to try again, click Back.";
const char c_noControl[] = "(none)";

// What a page should show: its texts and the buttons that can be pressed.
struct Expected
{
    UINT templateId;
    std::string top, middle, bottom;
    std::string buttons;
    std::string title;
};

std::string Describe(UINT templateId, bool visible, bool picture, const std::string& top, const std::string& middle,
                     const std::string& bottom, const std::string& buttons, const std::string& title)
{
    return "page " + std::to_string(templateId) + (visible ? "" : " (hidden)") + (picture ? "" : " (no picture)")
           + "\n top: " + top + "\n middle: " + middle + "\n bottom: " + bottom + "\n buttons: " + buttons
           + "\n title: " + title;
}

void ExpectView(const Expected& expected, const PageView& seen)
{
    EXPECT_EQ(Describe(expected.templateId, true, true, expected.top, expected.middle, expected.bottom,
                       expected.buttons, expected.title),
              Describe(seen.templateId, seen.pageVisible, seen.pictureShown, seen.top, seen.middle, seen.bottom,
                       seen.buttons, seen.title));
}

const Expected c_intro = { IDD_IN_TRO, c_introTop, c_introMiddle, c_introBottom, "Next Cancel", c_title };
const Expected c_driver = { IDD_IN_DRV, c_driverTop, "Modem Board 56K", c_driverBottom, "Back Next Cancel", c_title };
const Expected c_success = { IDD_IN_ROK, c_okTop, c_noControl, c_okBottom, "Finish", c_title };
const Expected c_failure = { IDD_IN_RNG, c_failTop, c_noControl, c_failBottom, "Back Finish Cancel", c_title };

Expected With(Expected page, const std::string& buttons)
{
    page.buttons = buttons;
    return page;
}

std::string LoadText(UINT id)
{
    char text[256] = "";
    ::LoadStringA(::GetModuleHandleA(NULL), id, text, sizeof(text));
    return text;
}

// Shows the wizard with run() on this thread while script() drives it; returns run()'s
// result once the script and its clean-up are over.
int DriveWizard(const std::function<void(WizardDriver&)>& script, const std::function<int()>& run)
{
    WizardDriver driver(script);
    return run();
}

class InstallWizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteTextFile(c_inf, c_twoDrivers);
        StartTraceLog();
        PlanInstallDrivers({});
    }
    void TearDown() override { RemovePath(c_inf); }

    static SETUP_SETTINGS Settings(bool silent, bool dryRun)
    {
        SETUP_SETTINGS settings;
        settings.installFlag = true;
        settings.hInstance = ::GetModuleHandleA(NULL);
        settings.titleId = IDS_IN_WIZ_TITLE;
        settings.silentFlag = silent;
        settings.countryFlag = false;
        settings.countryCode = 256;
        settings.logFlag = true;
        settings.dryRunFlag = dryRun;
        settings.setupDirectory = c_dir;
        settings.setupInfPath = c_inf;
        settings.driverSection = "Models";
        return settings;
    }
};

TEST_F(InstallWizard, ASuccessfulInstallationEndsOnTheSuccessPageWithOnlyFinish)
{
    HWND sheet = NULL;
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            ExpectView(c_intro, user.WaitForPage(IDD_IN_TRO));
            sheet = user.sheet();
            user.Press(PSBTN_NEXT);
            ExpectView(c_driver, user.WaitForPage(IDD_IN_DRV));
            user.Press(PSBTN_NEXT);
            ExpectView(c_success, user.WaitForPage(IDD_IN_ROK));   // Cancel is disabled
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));

    // The installation ran once, inside Next, with the sheet as owner and nothing else up.
    ASSERT_EQ(1u, InstallDriversCalls().size());
    EXPECT_EQ(sheet, InstallDriversCalls()[0].owner);
    EXPECT_NE(nullptr, sheet);
    EXPECT_EQ(1, InstallDriversCalls()[0].visibleWindows);
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K", "test double InstallDrivers returning 0" }),
              ReadTraceLogLines());
}

// A failed installation shows its message over the driver page, then the failure
// page; Back returns to the driver page and Next installs again from the start. A
// status without a message goes to the failure page without a box. The exit code is
// the status of the last attempt.
TEST_F(InstallWizard, AFailedInstallationShowsItsMessageThenTheFailurePageFromWhichBackTriesAgain)
{
    PlanInstallDrivers({ ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING, ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST });
    EXPECT_EQ((int)ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST, DriveWizard(
        [&](WizardDriver& user) {
            user.WaitForPage(IDD_IN_TRO);
            user.Press(PSBTN_NEXT);
            user.WaitForPage(IDD_IN_DRV);
            user.Press(PSBTN_NEXT);

            ShownBox box = {};
            ASSERT_TRUE(user.WaitForMessageBox(box));
            EXPECT_EQ(user.sheet(), box.owner);
            EXPECT_EQ("Installation Error", box.caption);
            EXPECT_EQ(LoadText(IDS_WIZ_ERR_ALREADY_INSTALLED), box.text);
            ExpectView(c_driver, user.View());   // still the driver page while the box is up
            user.AnswerMessageBox();

            ExpectView(c_failure, user.WaitForPage(IDD_IN_RNG));
            user.Press(PSBTN_BACK);
            ExpectView(c_driver, user.WaitForPage(IDD_IN_DRV));
            user.Press(PSBTN_NEXT);
            ExpectView(c_failure, user.WaitForPage(IDD_IN_RNG));   // reached without a box to answer
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));

    EXPECT_EQ(2u, InstallDriversCalls().size());
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K", "test double InstallDrivers returning 24",
                      "GetName exit with Modem Board 56K", "test double InstallDrivers returning 20" }),
              ReadTraceLogLines());
}

// A dry run never installs: the success page keeps Back and Next, Next leads on to
// the failure page, and Cancel stays disabled from the success page on.
TEST_F(InstallWizard, ADryRunGoesToTheSuccessPageWithoutInstallingAndKeepsBackAndNext)
{
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            user.WaitForPage(IDD_IN_TRO);
            user.Press(PSBTN_NEXT);
            ExpectView(c_driver, user.WaitForPage(IDD_IN_DRV));
            user.Press(PSBTN_NEXT);
            ExpectView(With(c_success, "Back Next"), user.WaitForPage(IDD_IN_ROK));
            user.Press(PSBTN_BACK);
            ExpectView(With(c_driver, "Back Next"), user.WaitForPage(IDD_IN_DRV));
            user.Press(PSBTN_NEXT);
            user.WaitForPage(IDD_IN_ROK);
            user.Press(PSBTN_NEXT);
            ExpectView(With(c_failure, "Back Finish"), user.WaitForPage(IDD_IN_RNG));
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, true)); }));

    EXPECT_EQ(0u, InstallDriversCalls().size());
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K", "GetName exit with Modem Board 56K" }), ReadTraceLogLines());
}

TEST_F(InstallWizard, CancelEndsTheWizardWithoutInstalling)
{
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            user.WaitForPage(IDD_IN_TRO);
            user.Press(PSBTN_NEXT);
            user.WaitForPage(IDD_IN_DRV);
            user.Press(PSBTN_CANCEL);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));
    EXPECT_EQ(0u, InstallDriversCalls().size());
}

// The title that the intro page gives the sheet stays in the title bar on every page,
// also where comctl32 puts a page's own title there on each change.
TEST_F(InstallWizard, TheTitleThatTheIntroPageSetsStaysUpOnEveryPage)
{
    // The sheet's own caption is string 13; the intro page is made to load another one.
    CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), IDS_IN_WIZ_TITLE, false, false, 256, true, true);
    CString dir = c_dir, inf = c_inf, section = "Models";
    ASSERT_TRUE(sheet.MakeNewPropertySheet(dir, inf, section));
    sheet.instintroPropSheet->titleidInstIntro = IDS_UN_WIZ_TITLE;

    std::vector<std::string> titles;
    DriveWizard(
        [&](WizardDriver& user) {
            for (UINT page : { IDD_IN_TRO, IDD_IN_DRV, IDD_IN_ROK, IDD_IN_RNG })
            {
                titles.push_back(user.WaitForPage(page).title);
                user.Press(page == IDD_IN_RNG ? PSBTN_FINISH : PSBTN_NEXT);
            }
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return (int)sheet.DoModal(); });

    EXPECT_EQ(std::vector<std::string>(4, LoadText(IDS_UN_WIZ_TITLE)), titles);
    EXPECT_EQ(nullptr, sheet.GetSafeHwnd());   // no window once DoModal is over
}

// Texts that do not load leave their controls empty; each is logged once, when its
// page is created, and the wizard goes on.
TEST_F(InstallWizard, TextsThatDoNotLoadLeaveTheirControlsEmptyAndAreLogged)
{
    FailingStrings missing({ IDS_IN_WIZ_TITLE, IDS_IN_TRO_TOP_TITLE, IDS_IN_TRO_MIDDLE_TITLE, IDS_IN_TRO_BOTTOM_TITLE,
                             IDS_IN_DRV_TOP_TITLE, IDS_IN_DRV_BOTTOM_TITLE, IDS_IN_ROK_TOP_TITLE,
                             IDS_IN_ROK_BOTTOM_TITLE, IDS_IN_RNG_TOP_TITLE, IDS_IN_RNG_BOTTOM_TITLE });
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            ExpectView({ IDD_IN_TRO, "", "", "", "Next Cancel", "" }, user.WaitForPage(IDD_IN_TRO));
            user.Press(PSBTN_NEXT);
            ExpectView({ IDD_IN_DRV, "", "Modem Board 56K", "", "Back Next Cancel", "" }, user.WaitForPage(IDD_IN_DRV));
            user.Press(PSBTN_NEXT);
            ExpectView({ IDD_IN_ROK, "", c_noControl, "", "Back Next", "" }, user.WaitForPage(IDD_IN_ROK));
            user.Press(PSBTN_NEXT);
            ExpectView({ IDD_IN_RNG, "", c_noControl, "", "Back Finish", "" }, user.WaitForPage(IDD_IN_RNG));
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, true)); }));

    EXPECT_EQ(Lines({
                  "CInstIntroPage::OnInitDialog no translated string for titleidInstIntro (D)",
                  "CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_TOP_TITLE (6F)",
                  "CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_MIDDLE_TITLE (70)",
                  "CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_BOTTOM_TITLE (71)",
                  "CInstDriverPage::OnInitDialog no translated string for IDS_IN_DRV_TOP_TITLE (72)",
                  "CInstDriverPage::OnInitDialog no translated string for IDS_IN_DRV_BOTTOM_TITLE (74)",
                  "GetName exit with Modem Board 56K",
                  "CInstReportOKPage::OnInitDialog no translated string for IDS_IN_ROK_TOP_TITLE (75)",
                  "CInstReportOKPage::OnInitDialog no translated string for IDS_IN_ROK_BOTTOM_TITLE (77)",
                  "CInstReportFailPage::OnInitDialog no translated string for IDS_IN_RNG_TOP_TITLE (78)",
                  "CInstReportFailPage::OnInitDialog no translated string for IDS_IN_RNG_BOTTOM_TITLE (79)",
              }),
              ReadTraceLogLines());
}

// Silent: no window at all; the installation runs once with no owner and the run
// shows nothing of its own for the status, which becomes the exit code. The dry-run
// flag changes nothing here: it belongs to the pages, and no page runs.
TEST_F(InstallWizard, ASilentRunInstallsOnceWithoutAnyWindowAndEndsWithItsStatus)
{
    for (bool dryRun : { false, true })
    {
        SCOPED_TRACE(dryRun ? "dry run" : "no dry run");
        PlanInstallDrivers({ ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING });
        MessageBoxRecorder boxes;
        EXPECT_EQ((int)ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING, PerformWizardRun(Settings(true, dryRun)));
        ASSERT_EQ(1u, InstallDriversCalls().size());
        EXPECT_EQ(nullptr, InstallDriversCalls()[0].owner);
        EXPECT_EQ(0, InstallDriversCalls()[0].visibleWindows);
        EXPECT_EQ(0u, boxes.Boxes().size());
    }
}

// A setup INF without drivers: the message of string 11, captioned by string 16,
// with no owner (also in silent mode), and the program ends without the wizard.
TEST_F(InstallWizard, ASetupInfWithoutDriversShowsItsMessageAndEndsWithEight)
{
    const std::string emptyList = "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Models]\r\n";
    const struct
    {
        const char* what;
        const std::string* contents;   // NULL: no setup INF
        bool silent;
        Lines lines;
    } cases[] = {
        { "an empty Models section", &emptyList, false, {} },
        { "an empty Models section, silent", &emptyList, true, {} },
        { "no setup INF", NULL, false, { "CDriverSetup SetupOpenInfFile error at line 0" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        if (c.contents != NULL)
            WriteTextFile(c_inf, *c.contents);
        else
            RemovePath(c_inf);
        StartTraceLog();
        ShownBox box = { (HWND)1, "", "" };
        EXPECT_EQ((int)ST_INF_FILE_NOT_FOUND, DriveWizard(
            [&](WizardDriver& user) {
                if (user.WaitForMessageBox(box))
                    user.AnswerMessageBox();
                EXPECT_TRUE(user.NoSheetFor(300));
            },
            [&] { return PerformWizardRun(Settings(c.silent, false)); }));
        EXPECT_EQ(nullptr, box.owner);
        EXPECT_EQ("Installation Error", box.caption);
        EXPECT_EQ(LoadText(IDS_WIZ_ERR_SETUP_INF), box.text);
        EXPECT_EQ(0u, InstallDriversCalls().size());
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}
}
