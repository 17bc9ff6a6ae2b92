#include "wizard/CUninstReportOKPage.h"

#include "resources/resource.h"

IMPLEMENT_DYNCREATE(CUninstReportOKPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CUninstReportOKPage, CPropertyPage)
END_MESSAGE_MAP()

CUninstReportOKPage::CUninstReportOKPage()
    : CPropertyPage(IDD_UN_ROK), driversetupUninstReportOK(NULL), propsheetUninstReportOK(NULL)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CUninstReportOKPage::~CUninstReportOKPage()
{
}

void CUninstReportOKPage::SetPageData(CWizPropSheet* sheet, CDriverSetup* driverSetup)
{
    propsheetUninstReportOK = sheet;
    driversetupUninstReportOK = driverSetup;
}

void CUninstReportOKPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CUninstReportOKPage::OnInitDialog()
{
    return CPropertyPage::OnInitDialog();
}

BOOL CUninstReportOKPage::OnSetActive()
{
    return CPropertyPage::OnSetActive();
}

BOOL CUninstReportOKPage::OnWizardFinish()
{
    return CPropertyPage::OnWizardFinish();
}

void CUninstReportOKPage::PrepareSelfDeletion(CDriverSetup* /*driverSetup*/)
{
}

void CUninstReportOKPage::ScheduleSelfDeletionTask(LPCSTR /*helperPath*/, LPCSTR /*secondArgument*/)
{
}
