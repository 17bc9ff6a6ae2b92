// A page of a property sheet in wizard mode, built on a dialog template of the
// program's resources. The sheet's PSN_* notifications arrive as the virtual calls
// below; nothing else of the page's dialog is handled here.
#pragma once

#include "framework/CWnd.h"

// After windows.h, which the framework's headers bring in.
#include <commctrl.h>

class CDataExchange;
class CPropertySheet;

class CPropertyPage : public CWnd
{
    DECLARE_DYNAMIC(CPropertyPage)

public:
    // The page shows dialog template nIDTemplate of the program's module; nIDCaption,
    // when not 0, is the string ID of the page's own title. The page has a Help button
    // (PSP_HASHELP) unless the derived class clears the flag.
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CPropertyPage() override;

    // The exchange of data between the page's members and its controls. This
    // framework has no exchange routines and never calls it.
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
    // The sheet that the page was added to; NULL before AddPage.
    CPropertySheet* m_pSheet;

private:
    static INT_PTR CALLBACK PageDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnNotify(const NMHDR* pHeader);
};
