// The install pages on their own, without a sheet window: what each constructor
// sets, run-time class information, and the pages' answers to missing members.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "tests/wizard/InstallDriversDouble.h"
#include "wizard/CInstDriverPage.h"
#include "wizard/CInstIntroPage.h"
#include "wizard/CInstReportFailPage.h"
#include "wizard/CInstReportOKPage.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"
#include "wizard/CWizPropSheet.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";

TEST(Pages, AreCreatableByClassWithTheirTemplateAndWithoutHelp)
{
    const struct
    {
        const CRuntimeClass* info;
        const char* name;
        UINT templateId;
    } cases[] = {
        { RUNTIME_CLASS(CInstIntroPage), "CInstIntroPage", IDD_IN_TRO },
        { RUNTIME_CLASS(CInstDriverPage), "CInstDriverPage", IDD_IN_DRV },
        { RUNTIME_CLASS(CInstReportOKPage), "CInstReportOKPage", IDD_IN_ROK },
        { RUNTIME_CLASS(CInstReportFailPage), "CInstReportFailPage", IDD_IN_RNG },
        { RUNTIME_CLASS(CUninstIntroPage), "CUninstIntroPage", IDD_UN_DRV },
        { RUNTIME_CLASS(CUninstReportOKPage), "CUninstReportOKPage", IDD_UN_ROK },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.name, c.info->m_lpszClassName);
        EXPECT_EQ(RUNTIME_CLASS(CPropertyPage), c.info->m_pBaseClass);
        CObject* object = c.info->CreateObject();
        ASSERT_NE(nullptr, object);
        EXPECT_EQ(c.info, object->GetRuntimeClass());
        ASSERT_TRUE(object->IsKindOf(RUNTIME_CLASS(CPropertyPage)));
        CPropertyPage* page = static_cast<CPropertyPage*>(object);
        EXPECT_EQ(MAKEINTRESOURCEA(c.templateId), page->m_psp.pszTemplate);
        EXPECT_EQ(0u, page->m_psp.dwFlags & (PSP_HASHELP | PSP_USETITLE));   // no Help button, no title of its own
        EXPECT_EQ(::GetModuleHandleA(NULL), page->m_psp.hInstance);
        EXPECT_EQ(nullptr, page->GetSafeHwnd());
        delete object;
    }

    // The framework's page has a Help button unless told otherwise.
    CPropertyPage plain(IDD_IN_TRO);
    EXPECT_EQ((DWORD)PSP_HASHELP, plain.m_psp.dwFlags);
}

TEST(Pages, StartWithoutSheetOrDriverList)
{
    CInstIntroPage intro;
    EXPECT_EQ(nullptr, intro.propsheetInstIntro);
    EXPECT_EQ(nullptr, intro.hinstanceInstIntro);
    CInstDriverPage driver;
    EXPECT_EQ(nullptr, driver.propsheetInstDriver);
    EXPECT_EQ(nullptr, driver.driversetupInstDriver);
    EXPECT_FALSE(driver.countryflagInstDriver);
    EXPECT_EQ(255, driver.countrycodeInstDriver);
    CInstReportOKPage ok;
    EXPECT_EQ(nullptr, ok.propsheetInstReportOK);
    EXPECT_EQ(nullptr, ok.driversetupInstReportOK);
    CInstReportFailPage fail;
    EXPECT_EQ(nullptr, fail.propsheetInstReportFail);
    EXPECT_EQ(nullptr, fail.driversetupInstReportFail);
}

// A page whose sheet or driver list is missing logs it and carries on: the driver
// page refuses to become current without a sheet, and its Next goes to the success
// page without installing.
TEST(Pages, AMissingSheetOrDriverListIsLoggedAndThePageCarriesOn)
{
    CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    const struct
    {
        const char* what;
        std::function<LRESULT()> call;
        LRESULT result;
        const char* line;
    } cases[] = {
        { "intro, OnInitDialog",
          [] { CInstIntroPage page; return (LRESULT)page.OnInitDialog(); }, TRUE,
          "CInstIntroPage::OnInitDialog propsheetInstIntro NULL (0)" },
        { "intro, OnSetActive",
          [] { CInstIntroPage page; return (LRESULT)page.OnSetActive(); }, TRUE,
          "CInstIntroPage::OnSetActive propsheetInstIntro NULL (0)" },
        { "driver, OnSetActive without sheet",
          [] { CInstDriverPage page; return (LRESULT)page.OnSetActive(); }, FALSE,
          "CInstDriverPage::OnSetActive propsheetInstDriver NULL (0)" },
        { "driver, OnSetActive without driver list",
          [&] { CInstDriverPage page; page.SetPageData(&sheet, NULL); return (LRESULT)page.OnSetActive(); }, TRUE,
          "CInstDriverPage::OnSetActive driversetupInstDriver NULL (0)" },
        { "driver, OnWizardNext",
          [] { CInstDriverPage page; return page.OnWizardNext(); }, IDD_IN_ROK,
          "CInstDriverPage::OnWizardNext propsheetInstDriver NULL (0)" },
        { "success, OnSetActive",
          [] { CInstReportOKPage page; return (LRESULT)page.OnSetActive(); }, TRUE,
          "CInstReportOKPage::OnSetActive propsheetInstReportOK NULL (0)" },
        { "failure, OnSetActive",
          [] { CInstReportFailPage page; return (LRESULT)page.OnSetActive(); }, TRUE,
          "CInstReportFailPage::OnSetActive propsheetInstReportFail NULL (0)" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();
        PlanInstallDrivers({});
        EXPECT_EQ(c.result, c.call());
        EXPECT_EQ(Lines({ c.line }), ReadTraceLogLines());
        EXPECT_EQ(0u, InstallDriversCalls().size());
    }
}

// The driver page does not become current on an empty driver list.
TEST(Pages, TheDriverPageRefusesAnEmptyDriverList)
{
    RemovePath(c_inf);
    CDriverSetup drivers(c_dir, c_inf, "Models");
    CWizPropSheet sheet(true, ::GetModuleHandleA(NULL), IDS_IN_WIZ_TITLE, false, false, 256, false, false);
    CInstDriverPage page;
    page.SetPageData(&sheet, &drivers);
    StartTraceLog();
    EXPECT_FALSE(page.OnSetActive());
    EXPECT_EQ(Lines(), ReadTraceLogLines());
}

TEST(Pages, TheFailurePageGoesBackToTheDriverPage)
{
    CInstReportFailPage page;
    EXPECT_EQ(IDD_IN_DRV, page.OnWizardBack());
}
}
