// The install success page: offers only Finish (Back and Next in a dry run) and
// disables the sheet's Cancel button for the rest of the run.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CInstReportOKPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CInstReportOKPage)

public:
    CInstReportOKPage();
    ~CInstReportOKPage() override;

    void SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;

    CDriverSetup* driversetupInstReportOK;
    CWizPropSheet* propsheetInstReportOK;

    DECLARE_MESSAGE_MAP()
};
