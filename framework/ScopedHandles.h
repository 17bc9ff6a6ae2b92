// Holders that release a Win32 handle when they go out of scope, so that a handle is
// given back on every path out of the routine that acquired it.
#pragma once

#include <windows.h>
#include <setupapi.h>

class CInfHandle
{
public:
    explicit CInfHandle(HINF hInf) : m_hInf(hInf) { }
    ~CInfHandle() { Close(); }
    bool IsValid() const { return m_hInf != INVALID_HANDLE_VALUE && m_hInf != NULL; }
    operator HINF() const { return m_hInf; }
    void Close()
    {
        if (IsValid())
            ::SetupCloseInfFile(m_hInf);
        m_hInf = INVALID_HANDLE_VALUE;
    }

private:
    CInfHandle(const CInfHandle&) = delete;
    CInfHandle& operator=(const CInfHandle&) = delete;
    HINF m_hInf;
};

class CServiceHandle
{
public:
    explicit CServiceHandle(SC_HANDLE hService = NULL) : m_hService(hService) { }
    ~CServiceHandle() { Close(); }
    SC_HANDLE* operator&() { return &m_hService; }
    operator SC_HANDLE() const { return m_hService; }
    void Close()
    {
        if (m_hService != NULL)
            ::CloseServiceHandle(m_hService);
        m_hService = NULL;
    }

private:
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE m_hService;
};

class CRegKeyHandle
{
public:
    explicit CRegKeyHandle(HKEY hKey = NULL) : m_hKey(hKey) { }
    ~CRegKeyHandle() { Close(); }
    HKEY* operator&() { return &m_hKey; }
    operator HKEY() const { return m_hKey; }
    void Close()
    {
        if (m_hKey != NULL)
            ::RegCloseKey(m_hKey);
        m_hKey = NULL;
    }

private:
    CRegKeyHandle(const CRegKeyHandle&) = delete;
    CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;
    HKEY m_hKey;
};
