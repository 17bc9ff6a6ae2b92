// A window of the program: its handle and the few operations that the pages use.
// Run-time class information comes from CObject; command routing from CCmdTarget.
#pragma once

#include "framework/CCmdTarget.h"
#include "framework/CObject.h"

class CWnd : public CCmdTarget, public CObject
{
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() : m_hWnd(NULL) { }
    ~CWnd() override { }

    // The window's handle; null while the object has no window.
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The parent window's handle; null when there is no window or no parent.
    HWND GetParent() const { return m_hWnd != NULL ? ::GetParent(m_hWnd) : NULL; }
    // The child control with that ID; null when there is none.
    HWND GetDlgItem(int nID) const { return m_hWnd != NULL ? ::GetDlgItem(m_hWnd, nID) : NULL; }
    void SetWindowText(LPCSTR lpszString)
    {
        if (m_hWnd != NULL)
            ::SetWindowTextA(m_hWnd, lpszString);
    }
    // The text of the child control with that ID.
    void SetDlgItemText(int nID, LPCSTR lpszString)
    {
        HWND hControl = GetDlgItem(nID);
        if (hControl != NULL)
            ::SetWindowTextA(hControl, lpszString);
    }

    HWND m_hWnd;
};
