// The install driver page: shows the driver that will be installed and runs the
// installation when the user presses Next. Its modem registration routines read none
// of the page's state.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CInstDriverPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CInstDriverPage)

public:
    CInstDriverPage();
    ~CInstDriverPage() override;

    // Also copies the sheet's country flag and country code into the page.
    void SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    // Runs the installation (not in a dry run) and goes to the success page, or, after
    // the message of a failed installation, to the failure page.
    LRESULT OnWizardNext() override;

    // The installation, as one ordered sequence; the first failure's status.
    SETUP_STATUS InstallDrivers(HWND owner);

    // The key of the first Models line of an INF beside the program whose hardware
    // identifier is the board's identifier.
    static BOOLEAN GetTheInfFileDescription(LPCSTR identifier, CString& description);
    // The modem's class key, opened with KEY_ALL_ACCESS, or NULL; the caller closes it.
    static HKEY FindOurControlClass(LPCSTR identifier);
    static BOOLEAN FetchAttachedTo(LPCSTR serviceName, CString& port);
    static BOOLEAN AddAttachedToStringToRegistry(HKEY key, LPCSTR port);
    static BOOLEAN AddCurrentCountryStringToRegistry(HKEY key, bool countryFlag, WORD countryCode);

    bool countryflagInstDriver;
    CDriverSetup* driversetupInstDriver;
    CWizPropSheet* propsheetInstDriver;
    WORD countrycodeInstDriver;

    DECLARE_MESSAGE_MAP()
};
