#include "wizard/CUninstIntroPage.h"

#include "resources/resource.h"

IMPLEMENT_DYNCREATE(CUninstIntroPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CUninstIntroPage, CPropertyPage)
END_MESSAGE_MAP()

CUninstIntroPage::CUninstIntroPage() : CPropertyPage(IDD_UN_DRV)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CUninstIntroPage::~CUninstIntroPage()
{
}

void CUninstIntroPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}
