// The uninstall sheet without its window: its page set, the data of each page, the
// allocation failures, and the pages' answers to missing members.
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
#include "tests/wizard/HeapWatch.h"
#include "tests/wizard/UninstallDoubles.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/WizardRun.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";
const std::string c_oneDriver =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n[Models]\r\nModem Board 56K = BoardInstall\r\n";

HINSTANCE Self()
{
    return ::GetModuleHandleA(NULL);
}

class UninstallSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteTextFile(c_inf, c_oneDriver);
        StartTraceLog();
        PlanUninstall({});
    }
    void TearDown() override { RemovePath(c_inf); }

    static BOOL Make(CWizPropSheet& sheet)
    {
        CString dir = c_dir, inf = c_inf, section = "Models";
        return sheet.MakeNewPropertySheet(dir, inf, section);
    }
};

// Uninstall mode: the intro page and then the report page, each with its data; the
// install pages stay null and the sheet becomes a wizard.
TEST_F(UninstallSheet, MakesTheTwoUninstallPagesInOrder)
{
    CWizPropSheet sheet(false, Self(), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
    ASSERT_TRUE(Make(sheet));
    EXPECT_EQ((DWORD)PSH_WIZARD, sheet.m_psh.dwFlags);
    EXPECT_FALSE(sheet.removalfailedPropSheet);
    ASSERT_EQ(2, sheet.GetPageCount());
    ASSERT_NE(nullptr, sheet.uninstintroPropSheet);
    ASSERT_NE(nullptr, sheet.uninstreportokPropSheet);
    CPropertyPage* pages[] = { sheet.uninstintroPropSheet, sheet.uninstreportokPropSheet };
    const UINT templates[] = { IDD_UN_DRV, IDD_UN_ROK };
    for (int i = 0; i < 2; i++)
    {
        SCOPED_TRACE(templates[i]);
        EXPECT_EQ(&sheet, (CWizPropSheet*)pages[i]->m_pSheet);
        EXPECT_EQ(MAKEINTRESOURCEA(templates[i]), pages[i]->m_psp.pszTemplate);
        EXPECT_EQ(0u, pages[i]->m_psp.dwFlags & PSP_HASHELP);
    }
    for (void* member : { (void*)sheet.instintroPropSheet, (void*)sheet.instdriverPropSheet,
                          (void*)sheet.instreportokPropSheet, (void*)sheet.instreportfailPropSheet })
        EXPECT_EQ(nullptr, member);

    EXPECT_EQ(&sheet, sheet.uninstintroPropSheet->propsheetUninstIntro);
    EXPECT_EQ(Self(), sheet.uninstintroPropSheet->hinstanceUninstIntro);
    EXPECT_EQ((UINT)IDS_UN_WIZ_TITLE, sheet.uninstintroPropSheet->titleidUninstIntro);
    EXPECT_EQ(sheet.driversetupPropSheet, sheet.uninstintroPropSheet->driversetupUninstIntro);
    EXPECT_EQ(&sheet, sheet.uninstreportokPropSheet->propsheetUninstReportOK);
    EXPECT_EQ(sheet.driversetupPropSheet, sheet.uninstreportokPropSheet->driversetupUninstReportOK);
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}

// A page that cannot be allocated: no page is added, the sheet does not become a
// wizard, what was created goes with the sheet and nothing stays allocated; a run
// with such a sheet shows nothing and removes nothing.
TEST_F(UninstallSheet, AnAllocationFailureLeavesASheetWithoutPagesThatFreesEverything)
{
    ASSERT_NE(sizeof(CUninstIntroPage), sizeof(CUninstReportOKPage));
    const struct
    {
        const char* what;
        size_t size;
        bool introCreated, reportCreated;
    } cases[] = {
        { "the intro page", sizeof(CUninstIntroPage), false, true },
        { "the report page", sizeof(CUninstReportOKPage), true, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        MessageBoxRecorder boxes;
        HeapWatch heap;
        CWizPropSheet* sheet = new CWizPropSheet(false, Self(), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
        heap.FailNew(c.size);
        EXPECT_FALSE(Make(*sheet));
        heap.FailNew(0, 0);
        EXPECT_EQ(0, sheet->GetPageCount());
        EXPECT_EQ(0u, sheet->m_psh.dwFlags & PSH_WIZARD);
        EXPECT_EQ(c.introCreated, sheet->uninstintroPropSheet != nullptr);
        EXPECT_EQ(c.reportCreated, sheet->uninstreportokPropSheet != nullptr);
        delete sheet;
        EXPECT_EQ(0u, heap.Outstanding());
        EXPECT_EQ(0u, boxes.Boxes().size());
        EXPECT_EQ(Lines(), ReadTraceLogLines());

        SETUP_SETTINGS settings;
        settings.installFlag = false;
        settings.hInstance = Self();
        settings.titleId = IDS_UN_WIZ_TITLE;
        settings.silentFlag = true;
        settings.countryFlag = false;
        settings.countryCode = 256;
        settings.logFlag = true;
        settings.dryRunFlag = false;
        settings.setupDirectory = c_dir;
        settings.setupInfPath = c_inf;
        settings.driverSection = "Models";
        HeapWatch runHeap;
        runHeap.FailNew(c.size);
        EXPECT_EQ(0, PerformWizardRun(settings));
        EXPECT_EQ(0u, runHeap.Outstanding());
        EXPECT_EQ(0u, UninstallDriversOwners().size());
    }
}

TEST(UninstallPages, StartWithoutSheetOrDriverList)
{
    CUninstIntroPage intro;
    EXPECT_EQ(nullptr, intro.driversetupUninstIntro);
    EXPECT_EQ(nullptr, intro.hinstanceUninstIntro);
    EXPECT_EQ(nullptr, intro.propsheetUninstIntro);
    EXPECT_EQ(0u, intro.titleidUninstIntro);
    CUninstReportOKPage report;
    EXPECT_EQ(nullptr, report.driversetupUninstReportOK);
    EXPECT_EQ(nullptr, report.propsheetUninstReportOK);
}

// A page whose sheet or driver list is missing logs it and carries on: Next still
// leads to the report page, without removing anything, and Finish closes the wizard.
TEST(UninstallPages, AMissingSheetOrDriverListIsLoggedAndThePageCarriesOn)
{
    CWizPropSheet sheet(false, Self(), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
    const struct
    {
        const char* what;
        std::function<LRESULT()> call;
        LRESULT result;
        Lines lines;
    } cases[] = {
        { "intro, OnInitDialog", [] { CUninstIntroPage page; return (LRESULT)page.OnInitDialog(); }, TRUE,
          { "CUninstIntroPage::OnInitDialog propsheetUninstIntro NULL (0)" } },
        { "intro, OnSetActive", [] { CUninstIntroPage page; return (LRESULT)page.OnSetActive(); }, TRUE,
          { "CUninstIntroPage::OnSetActive driversetupUninstIntro NULL (0)",
            "CUninstIntroPage::OnSetActive propsheetUninstIntro NULL (0)" } },
        { "intro, OnWizardNext", [] { CUninstIntroPage page; return page.OnWizardNext(); }, IDD_UN_ROK,
          { "CUninstIntroPage::OnWizardNext propsheetUninstIntro NULL (0)" } },
        { "report, OnSetActive", [] { CUninstReportOKPage page; return (LRESULT)page.OnSetActive(); }, TRUE,
          { "CUninstReportOKPage::OnSetActive propsheetUninstReportOK NULL (0)" } },
        { "report, OnWizardFinish",
          [&] { CUninstReportOKPage page; page.SetPageData(&sheet, NULL); return (LRESULT)page.OnWizardFinish(); },
          TRUE, { "CUninstReportOKPage::OnWizardFinish driversetupUninstReportOK NULL (0)" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        PlanUninstall({});
        EXPECT_EQ(c.result, c.call());
        EXPECT_EQ(c.lines, ReadTraceLogLines());
        EXPECT_EQ(0u, UninstallDriversOwners().size());
        EXPECT_EQ(0u, FinishCalls().size());
    }
}

// An empty driver list: the intro page's name stays as it was, Finish does nothing.
TEST(UninstallPages, AnEmptyDriverListRemovesNothingAtFinish)
{
    RemovePath(c_inf);
    CDriverSetup drivers(c_dir, c_inf, "Models");
    CWizPropSheet sheet(false, Self(), IDS_UN_WIZ_TITLE, false, false, 256, false, false);
    CUninstReportOKPage page;
    page.SetPageData(&sheet, &drivers);
    PlanUninstall({});
    StartTraceLog();
    EXPECT_TRUE(page.OnWizardFinish());
    EXPECT_EQ(0u, FinishCalls().size());
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}
}
