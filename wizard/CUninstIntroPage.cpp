#include "wizard/CUninstIntroPage.h"

#include "app/Trace.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

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
    CPropertyPage::OnInitDialog();

    if (propsheetUninstIntro == NULL)
    {
        Trace("CUninstIntroPage::OnInitDialog propsheetUninstIntro NULL (%X)\n", 0u);
    }
    else
    {
        char szTitle[256];
        if (::LoadStringA(hinstanceUninstIntro, titleidUninstIntro, szTitle, sizeof(szTitle)) > 0)
            propsheetUninstIntro->SetTitle(szTitle, 0);
        else
            Trace("CUninstIntroPage::OnInitDialog no translated string for titleidUninstIntro (%X)\n",
                  titleidUninstIntro);
    }

    if (!PutPageText(*this, IDC_TOP_TITLE, IDS_UN_DRV_TOP_TITLE))
        Trace("CUninstIntroPage::OnInitDialog no translated string for IDS_UN_DRV_TOP_TITLE (%X)\n",
              (UINT)IDS_UN_DRV_TOP_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_UN_DRV_BOTTOM_TITLE))
        Trace("CUninstIntroPage::OnInitDialog no translated string for IDS_UN_DRV_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_UN_DRV_BOTTOM_TITLE);
    return TRUE;
}

BOOL CUninstIntroPage::OnSetActive()
{
    if (driversetupUninstIntro == NULL)
    {
        Trace("CUninstIntroPage::OnSetActive driversetupUninstIntro NULL (%X)\n", 0u);
    }
    else
    {
        POSITION pos = NULL;
        if (driversetupUninstIntro->GetFirstDriver(pos) && driversetupUninstIntro->GetNextDriver(pos))
        {
            CString name;
            driversetupUninstIntro->GetName(pos, name);
            SetDlgItemText(IDC_MIDDLE_TITLE, name);
        }
    }

    if (propsheetUninstIntro == NULL)
        Trace("CUninstIntroPage::OnSetActive propsheetUninstIntro NULL (%X)\n", 0u);
    else
        propsheetUninstIntro->SetWizardButtons(PSWIZB_NEXT);
    return CPropertyPage::OnSetActive();
}

// The driver removal, unless this is a dry run; whatever its outcome the report page
// follows, and it tells the user whether the driver went.
LRESULT CUninstIntroPage::OnWizardNext()
{
    if (propsheetUninstIntro == NULL)
    {
        Trace("CUninstIntroPage::OnWizardNext propsheetUninstIntro NULL (%X)\n", 0u);
        return IDD_UN_ROK;
    }
    if (!propsheetUninstIntro->dryrunPropSheet)
    {
        SETUP_STATUS status = UninstallDrivers(GetParent());
        propsheetUninstIntro->exitcodePropSheet = status;
        propsheetUninstIntro->removalfailedPropSheet = status != ST_SUCCESS;
        if (status != ST_SUCCESS)
        {
            Trace("CUninstIntroPage::OnWizardNext UninstallDrivers returned UINT %u\n", status);
            propsheetUninstIntro->MsgBox(status, MB_OK);
        }
    }
    return IDD_UN_ROK;
}
