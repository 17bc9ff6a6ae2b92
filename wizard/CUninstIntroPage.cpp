#include "wizard/CUninstIntroPage.h"

#include "resources/resource.h"

IMPLEMENT_DYNCREATE(CUninstIntroPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CUninstIntroPage, CPropertyPage)
END_MESSAGE_MAP()

CUninstIntroPage::CUninstIntroPage()
    : CPropertyPage(IDD_UN_DRV), driversetupUninstIntro(NULL), hinstanceUninstIntro(NULL),
      propsheetUninstIntro(NULL), titleidUninstIntro(0)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CUninstIntroPage::~CUninstIntroPage()
{
}

void CUninstIntroPage::SetPageData(CWizPropSheet* sheet, HINSTANCE instance, UINT titleId, CDriverSetup* driverSetup)
{
    propsheetUninstIntro = sheet;
    hinstanceUninstIntro = instance;
    titleidUninstIntro = titleId;
    driversetupUninstIntro = driverSetup;
}

void CUninstIntroPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CUninstIntroPage::OnInitDialog()
{
    return CPropertyPage::OnInitDialog();
}

BOOL CUninstIntroPage::OnSetActive()
{
    return CPropertyPage::OnSetActive();
}

LRESULT CUninstIntroPage::OnWizardNext()
{
    return CPropertyPage::OnWizardNext();
}
