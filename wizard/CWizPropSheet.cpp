#include "wizard/CWizPropSheet.h"

#include <new>

#include "app/Trace.h"
#include "resources/resource.h"
#include "wizard/CInstDriverPage.h"
#include "wizard/CInstIntroPage.h"
#include "wizard/CInstReportFailPage.h"
#include "wizard/CInstReportOKPage.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"

namespace
{
// The message that tells the user about a status; 0 for a status without one.
UINT MessageOfStatus(UINT status)
{
    switch (status)
    {
    case ST_DRV_CANT_INSTALL_ALREADY_INSTALLED:
    case ST_SCM_CANT_START_SERVICE_ALREADY_RUNNING:
        return IDS_WIZ_ERR_ALREADY_INSTALLED;
    case ST_INF_CANT_INSTALL_FILES:
    case ST_INF_CANT_INSTALL_SERVICE:
    case ST_INF_CANT_OPEN_INF_FILE:
    case ST_INF_CANT_UNINSTALL_FILES:
    case ST_INF_CANT_UNINSTALL_SERVICE:
    case ST_INF_FILE_NOT_FOUND:
    case ST_INF_NO_ADDSERVICE_KEY:
    case ST_INF_NO_ADDSERVICE_NAME:
    case ST_MODEM_CANT_FETCH_ATTACHED_TO:
        return IDS_WIZ_ERR_SETUP_INF;
    case ST_MODEM_INF_NOT_FOUND:
    case ST_MODEM_CANT_ADD_ATTACHED_TO:
    case ST_MODEM_CANT_FIND_CONTROL_CLASS:
    case ST_MODEM_CANT_INSTALL_CLASS_DEVICE:
        return IDS_WIZ_ERR_MODEM_INF;
    case ST_REG_CANT_CREATE_SERVICE_ROOT_KEY:
    case ST_REG_CANT_OPEN_SERVICES_KEY:
    case ST_SCM_CANT_OPEN_SERVICE_ACCESS_DENIED:
    case ST_SCM_CANT_STOP_SERVICE_ACCESS_DENIED:
        return IDS_WIZ_ERR_NO_ACCESS;
    default:
        return 0;
    }
}
}

IMPLEMENT_DYNAMIC(CWizPropSheet, CPropertySheet)

BEGIN_MESSAGE_MAP(CWizPropSheet, CPropertySheet)
END_MESSAGE_MAP()

CWizPropSheet::CWizPropSheet(bool install, HINSTANCE hinstance, UINT titleid, bool silent, bool countryflag,
                             WORD countrycode, bool log, bool dryrun)
    : CPropertySheet(titleid, NULL, 0), dryrunPropSheet(dryrun), countryflagPropSheet(countryflag),
      installPropSheet(install), logPropSheet(log), silentPropSheet(silent), countrycodePropSheet(countrycode),
      hinstancePropSheet(hinstance), titleidPropSheet(titleid), exitcodePropSheet(ST_SUCCESS),
      removalfailedPropSheet(false)
{
    m_psh.dwFlags &= ~PSH_HASHELP;
    instintroPropSheet = NULL;
    instdriverPropSheet = NULL;
    instreportokPropSheet = NULL;
    instreportfailPropSheet = NULL;
    uninstintroPropSheet = NULL;
    uninstreportokPropSheet = NULL;
    driversetupPropSheet = NULL;
}

CWizPropSheet::~CWizPropSheet()
{
    delete instintroPropSheet;
    delete instdriverPropSheet;
    delete instreportokPropSheet;
    delete instreportfailPropSheet;
    delete uninstintroPropSheet;
    delete uninstreportokPropSheet;
    delete driversetupPropSheet;
    instintroPropSheet = NULL;
    instdriverPropSheet = NULL;
    instreportokPropSheet = NULL;
    instreportfailPropSheet = NULL;
    uninstintroPropSheet = NULL;
    uninstreportokPropSheet = NULL;
    driversetupPropSheet = NULL;
}

BOOL CWizPropSheet::MakeNewPropertySheet(CString& setupDirectory, CString& setupInfPath, CString& driverSection)
{
    driversetupPropSheet = new (std::nothrow) CDriverSetup(setupDirectory, setupInfPath, driverSection);
    if (driversetupPropSheet == NULL)
    {
        Trace("CWizPropSheet::MakeNewPropertySheet driversetupPropSheet NULL (%X)\n", 0u);
        return FALSE;
    }

    POSITION pos = NULL;
    if (!driversetupPropSheet->GetFirstDriver(pos))
    {
        exitcodePropSheet = ST_INF_FILE_NOT_FOUND;
        MsgBox(ST_INF_FILE_NOT_FOUND, MB_OK);
        return FALSE;
    }

    if (!(installPropSheet ? MakeInstallPages() : MakeUninstallPages()))
        return FALSE;

    m_psh.dwFlags |= PSH_WIZARD;
    return TRUE;
}

// The four install pages, given their data and added in the order the user meets
// them. A page that cannot be allocated leaves the set without any page added; the
// pages already created go with the sheet.
BOOL CWizPropSheet::MakeInstallPages()
{
    instintroPropSheet = new (std::nothrow) CInstIntroPage;
    instdriverPropSheet = new (std::nothrow) CInstDriverPage;
    instreportokPropSheet = new (std::nothrow) CInstReportOKPage;
    instreportfailPropSheet = new (std::nothrow) CInstReportFailPage;
    if (instintroPropSheet == NULL || instdriverPropSheet == NULL || instreportokPropSheet == NULL
        || instreportfailPropSheet == NULL)
        return FALSE;

    instintroPropSheet->SetPageData(this, hinstancePropSheet, titleidPropSheet);
    instdriverPropSheet->SetPageData(this, driversetupPropSheet);
    instreportokPropSheet->SetPageData(this, driversetupPropSheet);
    instreportfailPropSheet->SetPageData(this, driversetupPropSheet);

    AddPage(instintroPropSheet);
    AddPage(instdriverPropSheet);
    AddPage(instreportokPropSheet);
    AddPage(instreportfailPropSheet);
    return TRUE;
}

// The two uninstall pages, in the same way.
BOOL CWizPropSheet::MakeUninstallPages()
{
    uninstintroPropSheet = new (std::nothrow) CUninstIntroPage;
    uninstreportokPropSheet = new (std::nothrow) CUninstReportOKPage;
    if (uninstintroPropSheet == NULL || uninstreportokPropSheet == NULL)
        return FALSE;

    uninstintroPropSheet->SetPageData(this, hinstancePropSheet, titleidPropSheet, driversetupPropSheet);
    uninstreportokPropSheet->SetPageData(this, driversetupPropSheet);

    AddPage(uninstintroPropSheet);
    AddPage(uninstreportokPropSheet);
    return TRUE;
}

int CWizPropSheet::MsgBox(UINT status, UINT type)
{
    UINT idsCode = MessageOfStatus(status);
    if (idsCode == 0)
        return 0;

    char szCaption[256];
    char szText[256];
    int nCaption = ::LoadStringA(hinstancePropSheet, IDS_WIZ_ERR_TITLE, szCaption, sizeof(szCaption));
    int nText = ::LoadStringA(hinstancePropSheet, idsCode, szText, sizeof(szText));
    if (nCaption <= 0)
    {
        Trace("CWizPropSheet::MsgBox cannot LoadString IDS_WIZ_ERR_TITLE (%d)\n", nCaption);
        return 0;
    }
    if (nText <= 0)
    {
        Trace("CWizPropSheet::MsgBox cannot LoadString IdsCode (%d)\n", (int)idsCode);
        return 0;
    }
    return ::MessageBoxA(GetSafeHwnd(), szText, szCaption, type);
}
