// The uninstall success page: reports the removal and, at Finish, removes the modem's
// responses key and device, hands the deletion of the setup program to its helper and
// offers a restart.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CUninstReportOKPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CUninstReportOKPage)

public:
    CUninstReportOKPage();
    ~CUninstReportOKPage() override;

    void SetPageData(CWizPropSheet* sheet, CDriverSetup* driverSetup);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;

    // The self-deletion: due only once the driver's service is gone.
    void PrepareSelfDeletion(CDriverSetup* driverSetup);
    void ScheduleSelfDeletionTask(LPCSTR helperPath, LPCSTR secondArgument);

    // The name of the modem's Unimodem responses key, and its removal.
    static BOOLEAN FetchOurModemResponses(CString& responsesKeyName, LPCSTR pnpEnumId);
    static BOOLEAN RemoveUnimodemResponses(LPCSTR responsesKeyName);

    CDriverSetup* driversetupUninstReportOK;
    CWizPropSheet* propsheetUninstReportOK;

    DECLARE_MESSAGE_MAP()
};
