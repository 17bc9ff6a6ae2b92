// The uninstall intro page: shows the driver that will be removed and runs the driver
// removal when the user presses Next. Its registry clean-up routines read none of the
// page's state.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CUninstIntroPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CUninstIntroPage)

public:
    CUninstIntroPage();
    ~CUninstIntroPage() override;

    void SetPageData(CWizPropSheet* sheet, HINSTANCE instance, UINT titleId, CDriverSetup* driverSetup);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    LRESULT OnWizardNext() override;

    // Stops and removes the first driver and clears the registry traces it leaves.
    SETUP_STATUS UninstallDrivers(HWND owner);

    // The legacy device key Enum\Root\LEGACY_<SERVICE>, the driver's entries in the
    // device tree's AttachedComponents, and its event-log source key.
    static BOOLEAN RemoveEnumRootDriverKey(LPCSTR serviceName);
    static BOOLEAN RemoveEnumHtreeDriverString(LPCSTR serviceName);
    static BOOLEAN RemoveEventLogDriverKey(LPCSTR serviceName);

    CDriverSetup* driversetupUninstIntro;
    HINSTANCE hinstanceUninstIntro;
    CWizPropSheet* propsheetUninstIntro;
    UINT titleidUninstIntro;

    DECLARE_MESSAGE_MAP()
};
