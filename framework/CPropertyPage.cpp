#include "framework/CPropertyPage.h"

#include "framework/CPropertySheet.h"
#include "framework/CWinApp.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CWnd)

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : m_pSheet(NULL)
{
    ZeroMemory(&m_psp, sizeof(m_psp));
    // Only the first version's fields are used: every comctl32 takes that size.
    m_psp.dwSize = PROPSHEETPAGEA_V1_SIZE;
    m_psp.dwFlags = PSP_HASHELP;
    m_psp.hInstance = AfxGetInstanceHandle();
    m_psp.pszTemplate = MAKEINTRESOURCEA(nIDTemplate);
    if (nIDCaption != 0)
    {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = MAKEINTRESOURCEA(nIDCaption);
    }
    m_psp.pfnDlgProc = PageDialogProc;
    m_psp.lParam = (LPARAM)this;
}

CPropertyPage::~CPropertyPage()
{
}

void CPropertyPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CPropertyPage::OnInitDialog()
{
    return TRUE;
}

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

LRESULT CPropertyPage::OnWizardNext()
{
    return 0;
}

LRESULT CPropertyPage::OnWizardBack()
{
    return 0;
}

BOOL CPropertyPage::OnWizardFinish()
{
    return TRUE;
}

// The sheet's notifications, turned into the virtual calls; every other
// notification keeps the system's default answer.
INT_PTR CPropertyPage::OnNotify(const NMHDR* pHeader)
{
    LRESULT result;
    switch (pHeader->code)
    {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        break;
    case PSN_WIZNEXT:
        result = OnWizardNext();
        break;
    case PSN_WIZBACK:
        result = OnWizardBack();
        break;
    case PSN_WIZFINISH:
        result = OnWizardFinish() ? FALSE : TRUE;
        break;
    default:
        return FALSE;
    }
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        // lParam is the sheet's copy of m_psp, whose lParam is the page.
        const PROPSHEETPAGEA* pPsp = (const PROPSHEETPAGEA*)lParam;
        CPropertyPage* pPage = pPsp != NULL ? (CPropertyPage*)pPsp->lParam : NULL;
        if (pPage == NULL)
            return FALSE;
        ::SetWindowLongPtrA(hDlg, DWLP_USER, (LONG_PTR)pPage);
        pPage->m_hWnd = hDlg;
        return pPage->OnInitDialog();
    }

    CPropertyPage* pPage = (CPropertyPage*)::GetWindowLongPtrA(hDlg, DWLP_USER);
    if (pPage == NULL)
        return FALSE;
    switch (message)
    {
    case WM_NOTIFY:
    {
        const NMHDR* pHeader = (const NMHDR*)lParam;
        if (pHeader->hwndFrom != ::GetParent(hDlg))
            return FALSE;
        return pPage->OnNotify(pHeader);
    }
    case WM_SHOWWINDOW:
        // A page is shown each time it becomes the current page, after the sheet has
        // set its title bar for the change: some comctl32 versions put the page's own
        // title there, or none when the page has none. A page without a title of its
        // own puts the sheet's title back up.
        if (wParam && pPage->m_pSheet != NULL && (pPage->m_psp.dwFlags & PSP_USETITLE) == 0)
            pPage->m_pSheet->ShowTitle();
        return FALSE;
    case WM_DESTROY:
        ::SetWindowLongPtrA(hDlg, DWLP_USER, 0);
        pPage->m_hWnd = NULL;
        return FALSE;
    default:
        return FALSE;
    }
}
