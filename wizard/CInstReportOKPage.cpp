#include "wizard/CInstReportOKPage.h"

#include "app/Trace.h"
#include "driver/DisableTheCancelButton.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

IMPLEMENT_DYNCREATE(CInstReportOKPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CInstReportOKPage, CPropertyPage)
END_MESSAGE_MAP()

CInstReportOKPage::CInstReportOKPage()
    : CPropertyPage(IDD_IN_ROK), driversetupInstReportOK(NULL), propsheetInstReportOK(NULL)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CInstReportOKPage::~CInstReportOKPage()
{
}

void CInstReportOKPage::SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup)
{
    propsheetInstReportOK = propsheet;
    driversetupInstReportOK = driversetup;
}

void CInstReportOKPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CInstReportOKPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (!PutPageText(*this, IDC_TOP_TITLE, IDS_IN_ROK_TOP_TITLE))
        Trace("CInstReportOKPage::OnInitDialog no translated string for IDS_IN_ROK_TOP_TITLE (%X)\n",
              (UINT)IDS_IN_ROK_TOP_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_IN_ROK_BOTTOM_TITLE))
        Trace("CInstReportOKPage::OnInitDialog no translated string for IDS_IN_ROK_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_IN_ROK_BOTTOM_TITLE);
    return TRUE;
}

BOOL CInstReportOKPage::OnSetActive()
{
    BOOL bActive = CPropertyPage::OnSetActive();
    if (!bActive)
        return bActive;
    if (propsheetInstReportOK == NULL)
    {
        Trace("CInstReportOKPage::OnSetActive propsheetInstReportOK NULL (%X)\n", 0u);
        return bActive;
    }
    propsheetInstReportOK->SetWizardButtons(propsheetInstReportOK->dryrunPropSheet ? PSWIZB_BACK | PSWIZB_NEXT
                                                                                  : PSWIZB_FINISH);
    // Whatever was installed stays: from here on the wizard can only be finished.
    HWND hSheet = propsheetInstReportOK->GetSafeHwnd();
    if (hSheet != NULL)
        ::EnumChildWindows(hSheet, DisableTheCancelButton, 0);
    return bActive;
}
