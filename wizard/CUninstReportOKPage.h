// The uninstall success page. Only the page itself so far: its texts, buttons and
// the removal at Finish come with the uninstall wizard, and no sheet creates it yet.
#pragma once

#include "framework/CPropertyPage.h"

class CUninstReportOKPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CUninstReportOKPage)

public:
    CUninstReportOKPage();
    ~CUninstReportOKPage() override;

    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
