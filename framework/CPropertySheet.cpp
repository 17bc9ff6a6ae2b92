#include "framework/CPropertySheet.h"

#include <cstdlib>
#include <cstring>

#include "framework/CWinApp.h"

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

CPropertySheet* CPropertySheet::s_pSheetShowing = NULL;

namespace
{
// The common controls are registered once, before the first sheet is shown.
void InitCommonControlsOnce()
{
    static bool s_bDone = false;
    if (s_bDone)
        return;
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    s_bDone = true;
}
}

CPropertySheet::CPropertySheet(UINT nIDCaption, HWND hParentWnd, UINT iSelectPage) : m_pages(10), m_nTitleStyle(0)
{
    m_strCaption.LoadString(nIDCaption);
    ZeroMemory(&m_psh, sizeof(m_psh));
    // Only the first version's fields are used: every comctl32 takes that size.
    m_psh.dwSize = PROPSHEETHEADERA_V1_SIZE;
    m_psh.dwFlags = PSH_HASHELP;
    m_psh.hwndParent = hParentWnd;
    m_psh.hInstance = AfxGetInstanceHandle();
    m_psh.pszCaption = m_strCaption;
    m_psh.nStartPage = iSelectPage;
}

CPropertySheet::~CPropertySheet()
{
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    if (pPage == NULL || m_pages.AddTail(pPage) == NULL)
        return;
    pPage->m_pSheet = this;
}

INT_PTR CPropertySheet::DoModal()
{
    INT_PTR nPages = m_pages.GetCount();
    if (nPages == 0)
        return -1;
    // PropertySheetA takes the pages' headers one after the other, each as long as
    // its dwSize says.
    size_t nBytes = 0;
    for (POSITION pos = m_pages.GetHeadPosition(); pos != NULL;)
        nBytes += ((CPropertyPage*)m_pages.GetNext(pos))->m_psp.dwSize;
    BYTE* pPages = (BYTE*)calloc(1, nBytes);
    if (pPages == NULL)
        return -1;
    BYTE* pNext = pPages;
    for (POSITION pos = m_pages.GetHeadPosition(); pos != NULL;)
    {
        const PROPSHEETPAGEA& psp = ((CPropertyPage*)m_pages.GetNext(pos))->m_psp;
        memcpy(pNext, &psp, psp.dwSize);
        pNext += psp.dwSize;
    }

    InitCommonControlsOnce();
    // The pages go in as headers; the callback tells the sheet its window.
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.pfnCallback = SheetCallback;
    m_psh.nPages = (UINT)nPages;
    m_psh.ppsp = (LPCPROPSHEETPAGEA)pPages;
    m_psh.pszCaption = m_strCaption;

    CPropertySheet* pPrevious = s_pSheetShowing;
    s_pSheetShowing = this;
    INT_PTR nResult = ::PropertySheetA(&m_psh);
    s_pSheetShowing = pPrevious;
    m_hWnd = NULL;

    m_psh.ppsp = NULL;
    m_psh.nPages = 0;
    free(pPages);
    return nResult;
}

void CPropertySheet::SetTitle(LPCSTR lpszText, UINT nStyle)
{
    if (lpszText != (LPCSTR)m_strCaption)
        m_strCaption = lpszText != NULL ? lpszText : "";
    m_nTitleStyle = nStyle & PSH_PROPTITLE;
    m_psh.pszCaption = m_strCaption;
    if (m_nTitleStyle != 0)
        m_psh.dwFlags |= PSH_PROPTITLE;
    else
        m_psh.dwFlags &= ~PSH_PROPTITLE;
    ShowTitle();
}

void CPropertySheet::ShowTitle()
{
    if (m_hWnd != NULL)
        ::SendMessageA(m_hWnd, PSM_SETTITLEA, m_nTitleStyle, (LPARAM)(LPCSTR)m_strCaption);
}

void CPropertySheet::SetWizardButtons(DWORD dwFlags)
{
    if (m_hWnd != NULL)
        ::SendMessageA(m_hWnd, PSM_SETWIZBUTTONS, 0, (LPARAM)dwFlags);
}

// The sheet's window is known from the moment it is initialised, before its first
// page is created.
int CALLBACK CPropertySheet::SheetCallback(HWND hDlg, UINT message, LPARAM /*lParam*/)
{
    if (message == PSCB_INITIALIZED && s_pSheetShowing != NULL)
        s_pSheetShowing->m_hWnd = hDlg;
    return 0;
}
