#include "wizard/CInstReportFailPage.h"

#include "app/Trace.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

IMPLEMENT_DYNCREATE(CInstReportFailPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CInstReportFailPage, CPropertyPage)
END_MESSAGE_MAP()

CInstReportFailPage::CInstReportFailPage()
    : CPropertyPage(IDD_IN_RNG), driversetupInstReportFail(NULL), propsheetInstReportFail(NULL)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CInstReportFailPage::~CInstReportFailPage()
{
}

void CInstReportFailPage::SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup)
{
    propsheetInstReportFail = propsheet;
    driversetupInstReportFail = driversetup;
}

void CInstReportFailPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CInstReportFailPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (!PutPageText(*this, IDC_TOP_TITLE, IDS_IN_RNG_TOP_TITLE))
        Trace("CInstReportFailPage::OnInitDialog no translated string for IDS_IN_RNG_TOP_TITLE (%X)\n",
              (UINT)IDS_IN_RNG_TOP_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_IN_RNG_BOTTOM_TITLE))
        Trace("CInstReportFailPage::OnInitDialog no translated string for IDS_IN_RNG_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_IN_RNG_BOTTOM_TITLE);
    return TRUE;
}

BOOL CInstReportFailPage::OnSetActive()
{
    if (propsheetInstReportFail == NULL)
        Trace("CInstReportFailPage::OnSetActive propsheetInstReportFail NULL (%X)\n", 0u);
    else
        propsheetInstReportFail->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    return CPropertyPage::OnSetActive();
}

LRESULT CInstReportFailPage::OnWizardBack()
{
    return IDD_IN_DRV;
}
