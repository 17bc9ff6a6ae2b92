// The install failure page: tells that the installation failed and offers Back to
// the driver page, to try again, and Finish.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CInstReportFailPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CInstReportFailPage)

public:
    CInstReportFailPage();
    ~CInstReportFailPage() override;

    void SetPageData(CWizPropSheet* propsheet, CDriverSetup* driversetup);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    // Back goes to the driver page.
    LRESULT OnWizardBack() override;

    CDriverSetup* driversetupInstReportFail;
    CWizPropSheet* propsheetInstReportFail;

    DECLARE_MESSAGE_MAP()
};
