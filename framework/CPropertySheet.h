// A property sheet in wizard mode on comctl32's PropertySheetA: a header and the
// pages added to it.
#pragma once

#include <commctrl.h>

#include "framework/CPropertyPage.h"
#include "framework/CPtrList.h"

class CPropertySheet : public CWnd
{
public:
    // The caption is string nIDCaption of the program's module.
    CPropertySheet(UINT nIDCaption, HWND hParentWnd = NULL, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage* pPage);
    // Shows the sheet modally; its result as PropertySheetA gives it.
    virtual INT_PTR DoModal();
    // The caption shown in the sheet's title bar.
    void SetTitle(LPCSTR lpszText, UINT nStyle = 0);

    PROPSHEETHEADERA m_psh;

protected:
    CPtrList m_pages;
    CString m_strCaption;
};
