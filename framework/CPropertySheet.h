// A property sheet in wizard mode on comctl32's PropertySheetA: a header and the
// pages added to it. The sheet has a window only while DoModal shows it.
#pragma once

#include "framework/CPropertyPage.h"
#include "framework/CPtrList.h"
#include "framework/CString.h"

class CPropertySheet : public CWnd
{
    DECLARE_DYNAMIC(CPropertySheet)

public:
    // The caption is string nIDCaption of the program's module. The sheet has a Help
    // button (PSH_HASHELP) unless the derived class clears the flag; a wizard sets
    // PSH_WIZARD before DoModal.
    CPropertySheet(UINT nIDCaption, HWND hParentWnd = NULL, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    // Pages are shown in the order they were added. The sheet does not own them.
    void AddPage(CPropertyPage* pPage);
    INT_PTR GetPageCount() const { return m_pages.GetCount(); }
    // Shows the sheet modally and returns when it has been closed: PropertySheetA's
    // result, or -1 when it has no page or no memory for the page array.
    virtual INT_PTR DoModal();
    // The caption of the sheet's title bar; nStyle 0 or PSH_PROPTITLE. It stays up
    // across page changes.
    void SetTitle(LPCSTR lpszText, UINT nStyle = 0);
    // The wizard's buttons: a combination of PSWIZB_BACK, PSWIZB_NEXT, PSWIZB_FINISH.
    void SetWizardButtons(DWORD dwFlags);

    PROPSHEETHEADERA m_psh;

protected:
    CPtrList m_pages;
    CString m_strCaption;
    UINT m_nTitleStyle;

private:
    friend class CPropertyPage;
    // Puts the caption into the title bar of the sheet's window, if it has one.
    void ShowTitle();

    static int CALLBACK SheetCallback(HWND hDlg, UINT message, LPARAM lParam);
    // The sheet whose window PropertySheetA is creating. Sheets are shown from the
    // program's one thread, one at a time.
    static CPropertySheet* s_pSheetShowing;
};
