#include "wizard/CInstIntroPage.h"

#include "app/Trace.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

IMPLEMENT_DYNCREATE(CInstIntroPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CInstIntroPage, CPropertyPage)
END_MESSAGE_MAP()

CInstIntroPage::CInstIntroPage()
    : CPropertyPage(IDD_IN_TRO), hinstanceInstIntro(NULL), propsheetInstIntro(NULL), titleidInstIntro(0)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CInstIntroPage::~CInstIntroPage()
{
}

void CInstIntroPage::SetPageData(CWizPropSheet* propsheet, HINSTANCE hinstance, UINT titleid)
{
    propsheetInstIntro = propsheet;
    hinstanceInstIntro = hinstance;
    titleidInstIntro = titleid;
}

void CInstIntroPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CInstIntroPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();

    if (propsheetInstIntro == NULL)
    {
        Trace("CInstIntroPage::OnInitDialog propsheetInstIntro NULL (%X)\n", 0u);
    }
    else
    {
        char szTitle[256];
        if (::LoadStringA(hinstanceInstIntro, titleidInstIntro, szTitle, sizeof(szTitle)) > 0)
            propsheetInstIntro->SetTitle(szTitle, 0);
        else
            Trace("CInstIntroPage::OnInitDialog no translated string for titleidInstIntro (%X)\n", titleidInstIntro);
    }

    if (!PutPageText(*this, IDC_TOP_TITLE, IDS_IN_TRO_TOP_TITLE))
        Trace("CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_TOP_TITLE (%X)\n",
              (UINT)IDS_IN_TRO_TOP_TITLE);
    if (!PutPageText(*this, IDC_MIDDLE_TITLE, IDS_IN_TRO_MIDDLE_TITLE))
        Trace("CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_MIDDLE_TITLE (%X)\n",
              (UINT)IDS_IN_TRO_MIDDLE_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_IN_TRO_BOTTOM_TITLE))
        Trace("CInstIntroPage::OnInitDialog no translated string for IDS_IN_TRO_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_IN_TRO_BOTTOM_TITLE);
    return TRUE;
}

BOOL CInstIntroPage::OnSetActive()
{
    BOOL bActive = CPropertyPage::OnSetActive();
    if (bActive)
    {
        if (propsheetInstIntro == NULL)
            Trace("CInstIntroPage::OnSetActive propsheetInstIntro NULL (%X)\n", 0u);
        else
            propsheetInstIntro->SetWizardButtons(PSWIZB_NEXT);
    }
    return bActive;
}
