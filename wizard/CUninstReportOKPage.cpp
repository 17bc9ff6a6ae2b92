#include "wizard/CUninstReportOKPage.h"

#include "resources/resource.h"

IMPLEMENT_DYNCREATE(CUninstReportOKPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CUninstReportOKPage, CPropertyPage)
END_MESSAGE_MAP()

CUninstReportOKPage::CUninstReportOKPage() : CPropertyPage(IDD_UN_ROK)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CUninstReportOKPage::~CUninstReportOKPage()
{
}

void CUninstReportOKPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}
