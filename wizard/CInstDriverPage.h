// The install driver page: shows the driver that will be installed and runs the
// installation when the user presses Next. Its modem registration routines read none
// of the page's state.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CInstDriverPage : public CPropertyPage
{
public:
    CInstDriverPage();
    ~CInstDriverPage() override;

    void SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup);

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
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
};
