// A page of a property sheet in wizard mode, built on a dialog template of the
// program's resources. The sheet's PSN_* notifications arrive as the virtual calls
// below.
#pragma once

#include <commctrl.h>

#include "framework/CWnd.h"

class CDataExchange;

class CPropertyPage : public CWnd
{
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CPropertyPage() override;

    virtual void DoDataExchange(CDataExchange* pDX);
    // Once, when the page's window has been created.
    virtual BOOL OnInitDialog();
    // Each time the page becomes the current page; FALSE keeps it from becoming current.
    virtual BOOL OnSetActive();
    // Next and Back: the template ID of the page to go to, 0 for the next or previous page.
    virtual LRESULT OnWizardNext();
    virtual LRESULT OnWizardBack();
    // Finish: FALSE keeps the wizard open.
    virtual BOOL OnWizardFinish();

    PROPSHEETPAGEA m_psp;
};
