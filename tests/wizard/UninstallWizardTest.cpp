// The uninstall wizard as the user meets it: a real sheet under Xvfb, driven from a
// second thread that reads each page and presses the sheet's buttons, with the driver
// removal, the responses key and the modem device removal replaced by test doubles and
// the self-deletion helper by a stand-in.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <setupapi.h>

#include "resources/resource.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/LabService.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/wizard/FailingStrings.h"
#include "tests/wizard/HelperBench.h"
#include "tests/wizard/UninstallDoubles.h"
#include "tests/wizard/WizardDriver.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/WizardRun.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";
const char c_id[] = "VEN_1234&DEV_5678&SUBSYS_00000000&REV_00";

const char c_title[] = "Modem Board Uninstallation Wizard";
const char c_introTop[] = "The wizard will un-install the modem driver shown below.";
const char c_introBottom[] = "To un-install the modem driver, click Next.";
const char c_okTop[] = "The modem driver was un-installed successfully:";
const char c_failedTop[] = "The modem driver could not be un-installed.";
const char c_okBottom[] = "To return to Windows NT, click Finish.";
const char c_noControl[] = "(none)";

// A setup INF whose first driver's service does not exist (the removal is a double):
// the finish-time removal finds the service gone.
std::string SetupInf(const std::string& serviceName, const char* id)
{
    return "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Models]\r\nModem Board 56K = BoardInstall"
           + std::string(id[0] != '\0' ? ", " : "") + id
           + "\r\nSecond Board = SecondInstall\r\n\r\n[BoardInstall]\r\n\r\n[BoardInstall.Services]\r\n"
             "AddService = " + serviceName + ", 0x2, BoardService\r\n\r\n[BoardService]\r\nServiceType = 16\r\n";
}

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

const Expected c_intro = { IDD_UN_DRV, c_introTop, "Modem Board 56K", c_introBottom, "Next Cancel", c_title };
const Expected c_report = { IDD_UN_ROK, c_okTop, c_noControl, c_okBottom, "Finish", c_title };

Expected With(Expected page, const std::string& top, const std::string& buttons)
{
    page.top = top;
    page.buttons = buttons;
    return page;
}

std::string LoadText(UINT id)
{
    char text[256] = "";
    ::LoadStringA(::GetModuleHandleA(NULL), id, text, sizeof(text));
    return text;
}

// The restart prompt. Wine's SetupPromptReboot asks nothing and returns 0: the test
// takes its place, records its arguments and answers No (0) in the same way.
struct PromptCall
{
    HSPFILEQ queue;
    HWND owner;
    BOOL scanOnly;
};
std::vector<PromptCall> g_prompts;

INT WINAPI DeclineTheRestart(HSPFILEQ queue, HWND owner, BOOL scanOnly)
{
    g_prompts.push_back({ queue, owner, scanOnly });
    return 0;
}

int DriveWizard(const std::function<void(WizardDriver&)>& script, const std::function<int()>& run)
{
    WizardDriver driver(script);
    return run();
}

class UninstallWizard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_service = UniqueName("Gone");
        WriteTextFile(c_inf, SetupInf(m_service, c_id));
        StartTraceLog();
        PlanUninstall({});
    }
    void TearDown() override { RemovePath(c_inf); }

    static SETUP_SETTINGS Settings(bool silent, bool dryRun)
    {
        SETUP_SETTINGS settings;
        settings.installFlag = false;
        settings.hInstance = ::GetModuleHandleA(NULL);
        settings.titleId = IDS_UN_WIZ_TITLE;
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

    // What the self-deletion logs when it finds the service gone and starts the helper.
    Lines SelfDeletionLines(HANDLE event) const
    {
        std::string self = Hex(::GetCurrentProcessId());
        std::string helper = HelperBesideSystemDirectory();
        std::string commandLine = helper + " " + self + " " + ProgramPath() + " " + ProgramPath();
        return { "GetDriverServiceName calling SetupOpenInfFile for " + std::string(c_inf),
                 "GetDriverServiceName looking for BoardInstall.Services",
                 "GetDriverServiceName got " + m_service,
                 "GetDriverServiceName exit with uRet 0",
                 "open_service 20 (ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST)",
                 "open_service exit with uRet 20",
                 "GetInfo state 0 (DRV_S_NONE)",
                 "GetInfo exit with uRet 0",
                 "CUninstReportOKPage::ScheduleSelfDeletionTask CreateEvent ok for push-me" + self,
                 "CUninstReportOKPage::ScheduleSelfDeletionTask CreateFile ok for " + helper,
                 "allocated command line of " + std::to_string(commandLine.size()) + " bytes",
                 "waiting for " + Hex((unsigned long)(UINT_PTR)event) };
    }

    std::string m_service;
};

// Next removes the driver, the report page says so and offers only Finish; Finish
// removes the responses key and the modem device, starts the helper, waits for it and
// asks to restart, which the user declines.
TEST_F(UninstallWizard, ASuccessfulUninstallEndsWithTheHelperAndTheRestartPrompt)
{
    StandInHelper helper(HelperBesideSystemDirectory(), "signal");
    EventRecorder events;
    g_prompts.clear();
    ImportSwap<decltype(&SetupPromptReboot)> prompt("setupapi.dll", "SetupPromptReboot", DeclineTheRestart);
    ASSERT_TRUE(prompt.IsActive());
    HWND sheet = NULL;
    HWND reportPage = NULL;
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            ExpectView(c_intro, user.WaitForPage(IDD_UN_DRV));
            sheet = user.sheet();
            user.Press(PSBTN_NEXT);
            ExpectView(c_report, user.WaitForPage(IDD_UN_ROK));   // Cancel is disabled
            reportPage = (HWND)::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));

    ASSERT_EQ(1u, UninstallDriversOwners().size());
    EXPECT_EQ(sheet, UninstallDriversOwners()[0]);
    ASSERT_EQ(1u, g_prompts.size());
    EXPECT_EQ(nullptr, g_prompts[0].queue);
    EXPECT_EQ(reportPage, g_prompts[0].owner);
    EXPECT_NE(nullptr, reportPage);
    EXPECT_FALSE(g_prompts[0].scanOnly);
    EXPECT_EQ(std::vector<std::string>({ std::string("FetchOurModemResponses(") + c_id + ")",
                                         "RemoveUnimodemResponses(Responses0000)",
                                         std::string("UnInstallClassDevice(Modem, ") + c_id + ")" }),
              FinishCalls());
    EXPECT_TRUE(helper.Vanishes());
    EXPECT_NE("", helper.Record());
    ASSERT_EQ(1u, events.Events().size());
    Lines lines = { "GetName exit with Modem Board 56K", "test double UninstallDrivers returning 0",
                    std::string("GetPnPEnumID exit with ") + c_id,
                    "test double FetchOurModemResponses returning 1", "test double RemoveUnimodemResponses returning 1",
                    "test double UnInstallClassDevice returning 1" };
    for (const std::string& line : SelfDeletionLines(events.Events()[0].handle))
        lines.push_back(line);
    EXPECT_EQ(lines, ReadTraceLogLines());
}

// A removal that fails shows its message, and the report page says that the driver
// could not be removed; Finish still runs the finish-time removal, which stops where
// the modem device cannot be removed: no helper, no prompt.
TEST_F(UninstallWizard, AFailedRemovalIsReportedAsSuchAndFinishStillRunsTheFinishTimeRemoval)
{
    UninstallPlan plan;
    plan.removals = { ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED };
    plan.responsesFound = false;
    plan.deviceRemoved = FALSE;
    PlanUninstall(plan);
    StandInHelper helper(HelperBesideSystemDirectory(), "signal");
    g_prompts.clear();
    ImportSwap<decltype(&SetupPromptReboot)> prompt("setupapi.dll", "SetupPromptReboot", DeclineTheRestart);
    EXPECT_EQ((int)ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED, DriveWizard(
        [&](WizardDriver& user) {
            user.WaitForPage(IDD_UN_DRV);
            user.Press(PSBTN_NEXT);
            ShownBox box = {};
            ASSERT_TRUE(user.WaitForMessageBox(box));
            EXPECT_EQ(user.sheet(), box.owner);
            EXPECT_EQ("Installation Error", box.caption);
            EXPECT_EQ(LoadText(IDS_WIZ_ERR_NO_ACCESS), box.text);
            ExpectView(c_intro, user.View());   // still the intro page while the box is up
            user.AnswerMessageBox();
            ExpectView(With(c_report, c_failedTop, "Finish"), user.WaitForPage(IDD_UN_ROK));
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));

    EXPECT_EQ(std::vector<std::string>({ std::string("FetchOurModemResponses(") + c_id + ")",
                                         std::string("UnInstallClassDevice(Modem, ") + c_id + ")" }),
              FinishCalls());
    EXPECT_TRUE(helper.Exists());
    EXPECT_EQ(0u, g_prompts.size());
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K", "test double UninstallDrivers returning 29",
                      "CUninstIntroPage::OnWizardNext UninstallDrivers returned UINT 29",
                      std::string("GetPnPEnumID exit with ") + c_id, "test double FetchOurModemResponses returning 0",
                      "test double UnInstallClassDevice returning 0" }),
              ReadTraceLogLines());
}

// A dry run removes nothing on Next; the report page offers Back and Finish, Back
// shows the intro page with its name again. Finish runs the finish-time removal all
// the same, which an enumerator ID that does not convert (none in the setup INF) ends.
TEST_F(UninstallWizard, ADryRunRemovesNothingOnNextAndKeepsBack)
{
    WriteTextFile(c_inf, SetupInf(m_service, ""));
    StartTraceLog();
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            ExpectView(c_intro, user.WaitForPage(IDD_UN_DRV));
            user.Press(PSBTN_NEXT);
            ExpectView(With(c_report, c_okTop, "Back Finish"), user.WaitForPage(IDD_UN_ROK));
            user.Press(PSBTN_BACK);
            ExpectView(With(c_intro, c_introTop, "Next"), user.WaitForPage(IDD_UN_DRV));   // Cancel stays disabled
            user.Press(PSBTN_NEXT);
            user.WaitForPage(IDD_UN_ROK);
            user.Press(PSBTN_FINISH);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, true)); }));

    EXPECT_EQ(0u, UninstallDriversOwners().size());
    EXPECT_EQ(0u, FinishCalls().size());
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K", "GetName exit with Modem Board 56K",
                      "GetPnPEnumID exit with ",
                      "CUninstReportOKPage::OnWizardFinish MultiByteToWideChar cannot convert  " }),
              ReadTraceLogLines());
}

TEST_F(UninstallWizard, CancelOnTheIntroPageRemovesNothing)
{
    EXPECT_EQ(0, DriveWizard(
        [&](WizardDriver& user) {
            user.WaitForPage(IDD_UN_DRV);
            user.Press(PSBTN_CANCEL);
            EXPECT_TRUE(user.WaitForSheetToClose());
        },
        [&] { return PerformWizardRun(Settings(false, false)); }));
    EXPECT_EQ(0u, UninstallDriversOwners().size());
    EXPECT_EQ(0u, FinishCalls().size());
    EXPECT_EQ(Lines({ "GetName exit with Modem Board 56K" }), ReadTraceLogLines());
}

// Texts that do not load leave their controls empty, are logged once, and the
// wizard goes on; after a failed removal the missing text is string 128.
TEST_F(UninstallWizard, TextsThatDoNotLoadLeaveTheirControlsEmptyAndAreLogged)
{
    for (bool failed : { false, true })
    {
        SCOPED_TRACE(failed ? "failed removal" : "successful removal");
        UninstallPlan plan;
        plan.removals = { failed ? ST_SCM_CANT_OPEN_SERVICE_DOES_NOT_EXIST : ST_SUCCESS };   // 20 has no message
        plan.deviceRemoved = FALSE;
        PlanUninstall(plan);
        StartTraceLog();
        FailingStrings missing({ IDS_UN_WIZ_TITLE, IDS_UN_DRV_TOP_TITLE, IDS_UN_DRV_BOTTOM_TITLE,
                                 IDS_UN_ROK_TOP_TITLE, IDS_UN_ROK_BOTTOM_TITLE, IDS_UN_RNG_TOP_TITLE });
        DriveWizard(
            [&](WizardDriver& user) {
                ExpectView({ IDD_UN_DRV, "", "Modem Board 56K", "", "Next Cancel", "" }, user.WaitForPage(IDD_UN_DRV));
                user.Press(PSBTN_NEXT);
                ExpectView({ IDD_UN_ROK, "", c_noControl, "", "Finish", "" }, user.WaitForPage(IDD_UN_ROK));
                user.Press(PSBTN_FINISH);
                EXPECT_TRUE(user.WaitForSheetToClose());
            },
            [&] { return PerformWizardRun(Settings(false, false)); });

        Lines lines = {
            "CUninstIntroPage::OnInitDialog no translated string for titleidUninstIntro (F)",
            "CUninstIntroPage::OnInitDialog no translated string for IDS_UN_DRV_TOP_TITLE (7A)",
            "CUninstIntroPage::OnInitDialog no translated string for IDS_UN_DRV_BOTTOM_TITLE (7C)",
            "GetName exit with Modem Board 56K",
            "test double UninstallDrivers returning " + std::string(failed ? "20" : "0"),
        };
        if (failed)
        {
            lines.push_back("CUninstIntroPage::OnWizardNext UninstallDrivers returned UINT 20");
            lines.push_back("CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_RNG_TOP_TITLE (80)");
        }
        else
            lines.push_back("CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_ROK_TOP_TITLE (7D)");
        for (const char* line : { "CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_ROK_BOTTOM_TITLE (7F)",
                                  "GetPnPEnumID exit with VEN_1234&DEV_5678&SUBSYS_00000000&REV_00",
                                  "test double FetchOurModemResponses returning 1",
                                  "test double RemoveUnimodemResponses returning 1",
                                  "test double UnInstallClassDevice returning 0" })
            lines.push_back(line);
        EXPECT_EQ(lines, ReadTraceLogLines());
    }
}

// Silent: no window; the driver removal runs once with no owner and its status is the
// exit code; nothing of the finish-time removal runs. The dry-run flag belongs to the
// pages and changes nothing here.
TEST_F(UninstallWizard, ASilentUninstallOnlyRemovesTheDriverWithoutAnyWindow)
{
    for (bool dryRun : { false, true })
    {
        SCOPED_TRACE(dryRun ? "dry run" : "no dry run");
        UninstallPlan plan;
        plan.removals = { ST_INF_CANT_UNINSTALL_SERVICE };
        PlanUninstall(plan);
        MessageBoxRecorder boxes;
        StandInHelper helper(HelperBesideSystemDirectory(), "signal");
        EXPECT_EQ((int)ST_INF_CANT_UNINSTALL_SERVICE, DriveWizard(
            [&](WizardDriver& user) { EXPECT_TRUE(user.NoSheetFor(300)); },
            [&] { return PerformWizardRun(Settings(true, dryRun)); }));
        EXPECT_EQ(std::vector<HWND>({ NULL }), UninstallDriversOwners());
        EXPECT_EQ(0u, FinishCalls().size());
        EXPECT_EQ(0u, boxes.Boxes().size());
        EXPECT_TRUE(helper.Exists());
    }
}
}
