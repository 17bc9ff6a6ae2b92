// A window of the program: its handle and the few operations that the pages use.
#pragma once

#include "framework/CCmdTarget.h"

class CWnd : public CCmdTarget
{
public:
    CWnd() : m_hWnd(NULL) { }
    ~CWnd() override { }

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The parent window's handle; null when there is no window or no parent.
    HWND GetParent() const { return m_hWnd != NULL ? ::GetParent(m_hWnd) : NULL; }
    // The child control with that ID; null when there is none.
    HWND GetDlgItem(int nID) const { return m_hWnd != NULL ? ::GetDlgItem(m_hWnd, nID) : NULL; }
    void SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

    HWND m_hWnd;
};
