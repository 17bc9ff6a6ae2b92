// The uninstall intro page: shows the driver that will be removed. Only the page
// itself so far: its texts, buttons and the uninstallation come with the uninstall
// wizard, and no sheet creates it yet.
#pragma once

#include "framework/CPropertyPage.h"

class CUninstIntroPage : public CPropertyPage
{
    DECLARE_DYNCREATE(CUninstIntroPage)

public:
    CUninstIntroPage();
    ~CUninstIntroPage() override;

    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
