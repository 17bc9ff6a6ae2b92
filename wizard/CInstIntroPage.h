// The install intro page: welcomes the user, gives the sheet its title and offers Next.
#pragma once

#include "framework/CPropertyPage.h"

class CWizPropSheet;

class CInstIntroPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CInstIntroPage)

public:
    CInstIntroPage();
    ~CInstIntroPage() override;

    void SetPageData(CWizPropSheet* propsheet, HINSTANCE hinstance, UINT titleid);

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;

    HINSTANCE hinstanceInstIntro;
    CWizPropSheet* propsheetInstIntro;
    UINT titleidInstIntro;

    DECLARE_MESSAGE_MAP()
};
