// The wizard sheet without its window: construction, the page set of each mode, the
// messages of the status codes, allocation failures and what the sheet frees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/wizard/FailingStrings.h"
#include "tests/wizard/HeapWatch.h"
#include "tests/wizard/InstallDriversDouble.h"
#include "wizard/CInstDriverPage.h"
#include "wizard/CInstIntroPage.h"
#include "wizard/CInstReportFailPage.h"
#include "wizard/CInstReportOKPage.h"
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

std::string LoadText(UINT id)
{
    char text[256] = "";
    ::LoadStringA(Self(), id, text, sizeof(text));
    return text;
}

class WizardSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteTextFile(c_inf, c_oneDriver);
        StartTraceLog();
        PlanInstallDrivers({});
    }
    void TearDown() override { RemovePath(c_inf); }

    static BOOL Make(CWizPropSheet& sheet)
    {
        CString dir = c_dir, inf = c_inf, section = "Models";
        return sheet.MakeNewPropertySheet(dir, inf, section);
    }
};

TEST_F(WizardSheet, KeepsTheSettingsAndHasNoHelpButtonNorWindow)
{
    // The framework's sheet has a Help button unless told otherwise; the wizard's has none.
    CPropertySheet plain(IDS_IN_WIZ_TITLE);
    EXPECT_EQ((DWORD)PSH_HASHELP, plain.m_psh.dwFlags);

    CWizPropSheet sheet(true, Self(), IDS_IN_WIZ_TITLE, true, true, 4, true, false);
    EXPECT_EQ(0u, sheet.m_psh.dwFlags);
    EXPECT_STREQ("Modem Board Installation Wizard", sheet.m_psh.pszCaption);
    EXPECT_EQ(nullptr, sheet.m_psh.hwndParent);
    EXPECT_EQ(0u, sheet.m_psh.nStartPage);
    EXPECT_EQ(nullptr, sheet.GetSafeHwnd());
    EXPECT_TRUE(sheet.installPropSheet);
    EXPECT_EQ(Self(), sheet.hinstancePropSheet);
    EXPECT_EQ((UINT)IDS_IN_WIZ_TITLE, sheet.titleidPropSheet);
    EXPECT_TRUE(sheet.silentPropSheet);
    EXPECT_TRUE(sheet.countryflagPropSheet);
    EXPECT_EQ(4, sheet.countrycodePropSheet);
    EXPECT_TRUE(sheet.logPropSheet);
    EXPECT_FALSE(sheet.dryrunPropSheet);
    EXPECT_EQ(0u, sheet.exitcodePropSheet);
    for (void* member : { (void*)sheet.instintroPropSheet, (void*)sheet.instdriverPropSheet,
                          (void*)sheet.instreportokPropSheet, (void*)sheet.instreportfailPropSheet,
                          (void*)sheet.uninstintroPropSheet, (void*)sheet.uninstreportokPropSheet,
                          (void*)sheet.driversetupPropSheet })
        EXPECT_EQ(nullptr, member);
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}

TEST_F(WizardSheet, IsADynamicClassThatCannotBeCreatedByClass)
{
    CWizPropSheet sheet(true, Self(), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    const CRuntimeClass* info = sheet.GetRuntimeClass();
    EXPECT_EQ(RUNTIME_CLASS(CWizPropSheet), info);
    EXPECT_STREQ("CWizPropSheet", info->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CPropertySheet), info->m_pBaseClass);
    EXPECT_EQ(nullptr, info->CreateObject());
    EXPECT_TRUE(sheet.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(sheet.IsKindOf(RUNTIME_CLASS(CPropertyPage)));
}

// Install mode: the four install pages, each with its data, added in the order the
// user meets them; the sheet becomes a wizard.
TEST_F(WizardSheet, MakesTheFourInstallPagesInOrder)
{
    CWizPropSheet sheet(true, Self(), IDS_IN_WIZ_TITLE, false, true, 61, false, false);
    ASSERT_TRUE(Make(sheet));
    EXPECT_EQ((DWORD)PSH_WIZARD, sheet.m_psh.dwFlags);
    ASSERT_NE(nullptr, sheet.driversetupPropSheet);
    POSITION pos = NULL;
    EXPECT_TRUE(sheet.driversetupPropSheet->GetFirstDriver(pos));

    ASSERT_EQ(4, sheet.GetPageCount());
    CPropertyPage* pages[] = { (CPropertyPage*)sheet.instintroPropSheet, (CPropertyPage*)sheet.instdriverPropSheet,
                               (CPropertyPage*)sheet.instreportokPropSheet,
                               (CPropertyPage*)sheet.instreportfailPropSheet };
    const UINT templates[] = { IDD_IN_TRO, IDD_IN_DRV, IDD_IN_ROK, IDD_IN_RNG };
    for (int i = 0; i < 4; i++)
    {
        SCOPED_TRACE(templates[i]);
        ASSERT_NE(nullptr, pages[i]);
        EXPECT_EQ(&sheet, (CWizPropSheet*)pages[i]->m_pSheet);   // added to this sheet
        EXPECT_EQ(MAKEINTRESOURCEA(templates[i]), pages[i]->m_psp.pszTemplate);
        EXPECT_EQ(0u, pages[i]->m_psp.dwFlags & PSP_HASHELP);
    }
    EXPECT_EQ(nullptr, sheet.uninstintroPropSheet);
    EXPECT_EQ(nullptr, sheet.uninstreportokPropSheet);

    EXPECT_EQ(&sheet, sheet.instintroPropSheet->propsheetInstIntro);
    EXPECT_EQ(Self(), sheet.instintroPropSheet->hinstanceInstIntro);
    EXPECT_EQ((UINT)IDS_IN_WIZ_TITLE, sheet.instintroPropSheet->titleidInstIntro);
    EXPECT_EQ(&sheet, sheet.instdriverPropSheet->propsheetInstDriver);
    EXPECT_EQ(sheet.driversetupPropSheet, sheet.instdriverPropSheet->driversetupInstDriver);
    EXPECT_TRUE(sheet.instdriverPropSheet->countryflagInstDriver);
    EXPECT_EQ(61, sheet.instdriverPropSheet->countrycodeInstDriver);
    EXPECT_EQ(&sheet, sheet.instreportokPropSheet->propsheetInstReportOK);
    EXPECT_EQ(sheet.driversetupPropSheet, sheet.instreportokPropSheet->driversetupInstReportOK);
    EXPECT_EQ(&sheet, sheet.instreportfailPropSheet->propsheetInstReportFail);
    EXPECT_EQ(sheet.driversetupPropSheet, sheet.instreportfailPropSheet->driversetupInstReportFail);
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}

// Allocation failures: the driver list's is logged, a page's is not; either way no
// page is added, the sheet does not become a wizard, what was created goes with the
// sheet, and nothing stays allocated once the sheet is deleted.
TEST_F(WizardSheet, AnAllocationFailureLeavesASheetWithoutPagesThatFreesEverything)
{
    const size_t okSize = sizeof(CInstReportOKPage);
    const struct
    {
        const char* what;
        size_t size;
        int occurrence;
        Lines lines;
        bool pagesCreated[4];
    } cases[] = {
        { "the driver list", sizeof(CDriverSetup), 1,
          { "CWizPropSheet::MakeNewPropertySheet driversetupPropSheet NULL (0)" }, { false, false, false, false } },
        { "the intro page", sizeof(CInstIntroPage), 1, {}, { false, true, true, true } },
        { "the driver page", sizeof(CInstDriverPage), 1, {}, { true, false, true, true } },
        { "the success page", okSize, 1, {}, { true, true, false, true } },
        { "the failure page", sizeof(CInstReportFailPage), sizeof(CInstReportFailPage) == okSize ? 2 : 1, {},
          { true, true, true, false } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        MessageBoxRecorder boxes;
        HeapWatch heap;
        CWizPropSheet* sheet = new CWizPropSheet(true, Self(), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
        heap.FailNew(c.size, c.occurrence);
        EXPECT_FALSE(Make(*sheet));
        heap.FailNew(0, 0);

        EXPECT_EQ(0, sheet->GetPageCount());
        EXPECT_EQ(0u, sheet->m_psh.dwFlags & PSH_WIZARD);
        const void* pages[] = { sheet->instintroPropSheet, sheet->instdriverPropSheet, sheet->instreportokPropSheet,
                                sheet->instreportfailPropSheet };
        for (int i = 0; i < 4; i++)
            EXPECT_EQ(c.pagesCreated[i], pages[i] != nullptr) << "page " << i;
        EXPECT_EQ(0u, boxes.Boxes().size());
        EXPECT_EQ(0u, sheet->exitcodePropSheet);
        delete sheet;
        EXPECT_EQ(0u, heap.Outstanding());
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}

// The wizard run ends quietly, with 0, when it cannot allocate what it needs.
TEST_F(WizardSheet, AWizardRunWithoutMemoryShowsNothingAndEndsWithZero)
{
    SETUP_SETTINGS settings;
    settings.installFlag = true;
    settings.hInstance = Self();
    settings.titleId = IDS_IN_WIZ_TITLE;
    settings.silentFlag = true;
    settings.countryFlag = false;
    settings.countryCode = 256;
    settings.logFlag = true;
    settings.dryRunFlag = false;
    settings.setupDirectory = c_dir;
    settings.setupInfPath = c_inf;
    settings.driverSection = "Models";
    for (size_t size : { sizeof(CWizPropSheet), sizeof(CDriverSetup), sizeof(CInstDriverPage) })
    {
        SCOPED_TRACE(size);
        MessageBoxRecorder boxes;
        HeapWatch heap;
        heap.FailNew(size);
        EXPECT_EQ(0, PerformWizardRun(settings));
        EXPECT_EQ(0u, heap.Outstanding());
        EXPECT_EQ(0u, boxes.Boxes().size());
        EXPECT_EQ(0u, InstallDriversCalls().size());
    }
}

TEST_F(WizardSheet, DeletingAFullSheetFreesItsPagesAndItsDriverList)
{
    HeapWatch heap;
    CWizPropSheet* sheet = new CWizPropSheet(true, Self(), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    ASSERT_TRUE(Make(*sheet));
    EXPECT_LT(0u, heap.Outstanding());
    delete sheet;
    EXPECT_EQ(0u, heap.Outstanding());
}

// Each status code with its message, none for the others: the box has the sheet's
// window as owner, none before the sheet has one, and the caller's type.
TEST_F(WizardSheet, MsgBoxShowsTheMessageOfEachStatus)
{
    std::vector<UINT> messageOf(37, 0);
    for (UINT status : { 1, 24 })
        messageOf[status] = IDS_WIZ_ERR_ALREADY_INSTALLED;
    for (UINT status : { 3, 4, 5, 6, 7, 8, 9, 10, 13 })
        messageOf[status] = IDS_WIZ_ERR_SETUP_INF;
    for (UINT status : { 11, 12, 14, 15 })
        messageOf[status] = IDS_WIZ_ERR_MODEM_INF;
    for (UINT status : { 16, 17, 19, 29 })
        messageOf[status] = IDS_WIZ_ERR_NO_ACCESS;

    CWizPropSheet sheet(true, Self(), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    std::vector<UINT> statuses;
    for (UINT status = 0; status <= 36; status++)
        statuses.push_back(status);
    statuses.push_back(0xFFFFFFFF);
    for (UINT status : statuses)
    {
        SCOPED_TRACE(status);
        UINT message = status < messageOf.size() ? messageOf[status] : 0;
        MessageBoxRecorder boxes;
        EXPECT_EQ(message != 0 ? IDOK : 0, sheet.MsgBox(status, MB_OK | MB_ICONEXCLAMATION));
        if (message == 0)
        {
            EXPECT_EQ(0u, boxes.Boxes().size());
            continue;
        }
        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ(nullptr, boxes.Boxes()[0].owner);
        EXPECT_EQ(LoadText(message), boxes.Boxes()[0].text);
        EXPECT_EQ("Installation Error", boxes.Boxes()[0].caption);
        EXPECT_EQ((UINT)(MB_OK | MB_ICONEXCLAMATION), boxes.Boxes()[0].type);
    }
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}

// A caption or message that does not load: no box and one line; the message's line
// names the string it could not load.
TEST_F(WizardSheet, MsgBoxWithoutItsStringsShowsNothingAndLogsWhy)
{
    const struct
    {
        UINT failing;
        UINT status;
        const char* line;
    } cases[] = {
        { IDS_WIZ_ERR_TITLE, ST_MODEM_INF_NOT_FOUND, "CWizPropSheet::MsgBox cannot LoadString IDS_WIZ_ERR_TITLE (0)" },
        { IDS_WIZ_ERR_MODEM_INF, ST_MODEM_INF_NOT_FOUND, "CWizPropSheet::MsgBox cannot LoadString IdsCode (12)" },
        { IDS_WIZ_ERR_NO_ACCESS, ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED,
          "CWizPropSheet::MsgBox cannot LoadString IdsCode (14)" },
    };
    CWizPropSheet sheet(true, Self(), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        StartTraceLog();
        FailingStrings missing({ c.failing });
        MessageBoxRecorder boxes;
        EXPECT_EQ(0, sheet.MsgBox(c.status, MB_OK));
        EXPECT_EQ(0u, boxes.Boxes().size());
        EXPECT_EQ(Lines({ c.line }), ReadTraceLogLines());
    }
}
}
