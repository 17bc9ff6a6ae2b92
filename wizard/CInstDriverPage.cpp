// The page behaviour of the install driver page. The installation itself and the
// modem registration routines live with the procedures and the modem library.
#include "wizard/CInstDriverPage.h"

#include "app/Trace.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

IMPLEMENT_DYNCREATE(CInstDriverPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CInstDriverPage, CPropertyPage)
END_MESSAGE_MAP()

CInstDriverPage::CInstDriverPage()
    : CPropertyPage(IDD_IN_DRV), countryflagInstDriver(false), driversetupInstDriver(NULL), propsheetInstDriver(NULL),
      countrycodeInstDriver(255)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CInstDriverPage::~CInstDriverPage()
{
}

void CInstDriverPage::SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup)
{
    propsheetInstDriver = propsheet;
    driversetupInstDriver = driversetup;
    if (propsheet != NULL)
    {
        countryflagInstDriver = propsheet->countryflagPropSheet;
        countrycodeInstDriver = propsheet->countrycodePropSheet;
    }
}

void CInstDriverPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CInstDriverPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (!PutPageText(*this, IDC_TOP_TITLE, IDS_IN_DRV_TOP_TITLE))
        Trace("CInstDriverPage::OnInitDialog no translated string for IDS_IN_DRV_TOP_TITLE (%X)\n",
              (UINT)IDS_IN_DRV_TOP_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_IN_DRV_BOTTOM_TITLE))
        Trace("CInstDriverPage::OnInitDialog no translated string for IDS_IN_DRV_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_IN_DRV_BOTTOM_TITLE);
    // The middle box gets the driver's name each time the page is shown.
    return TRUE;
}

BOOL CInstDriverPage::OnSetActive()
{
    if (propsheetInstDriver == NULL)
    {
        Trace("CInstDriverPage::OnSetActive propsheetInstDriver NULL (%X)\n", 0u);
        return FALSE;
    }
    propsheetInstDriver->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    if (!CPropertyPage::OnSetActive())
        return FALSE;
    if (driversetupInstDriver == NULL)
    {
        Trace("CInstDriverPage::OnSetActive driversetupInstDriver NULL (%X)\n", 0u);
        return TRUE;
    }

    POSITION pos = NULL;
    if (!driversetupInstDriver->GetFirstDriver(pos))
        return FALSE;
    if (!driversetupInstDriver->GetNextDriver(pos))
        return TRUE;
    CString name;
    driversetupInstDriver->GetName(pos, name);
    SetDlgItemText(IDC_MIDDLE_TITLE, name);
    return TRUE;
}

LRESULT CInstDriverPage::OnWizardNext()
{
    if (propsheetInstDriver == NULL)
    {
        Trace("CInstDriverPage::OnWizardNext propsheetInstDriver NULL (%X)\n", 0u);
        return IDD_IN_ROK;
    }
    if (propsheetInstDriver->dryrunPropSheet)
        return IDD_IN_ROK;

    // The installation runs to its end in here; its dialogs belong to the sheet.
    SETUP_STATUS status = InstallDrivers(GetParent());
    propsheetInstDriver->exitcodePropSheet = status;
    if (status != ST_SUCCESS)
    {
        propsheetInstDriver->MsgBox(status, MB_OK);
        return IDD_IN_RNG;
    }
    return IDD_IN_ROK;
}
