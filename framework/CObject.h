// Run-time class information: every class that carries it can name itself and its
// base class, and the classes declared creatable can be created by class.
//
//     class CMyPage : public CPropertyPage { DECLARE_DYNCREATE(CMyPage) ... };
//     IMPLEMENT_DYNCREATE(CMyPage, CPropertyPage)                 // in CMyPage.cpp
//     CObject* page = RUNTIME_CLASS(CMyPage)->CreateObject();      // NULL when out of memory
#pragma once

#include <new>

#include "framework/Afx.h"

class CObject;

struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();   // NULL: the class cannot be created by class
    const CRuntimeClass* m_pBaseClass;   // NULL for CObject itself

    // A new object of the class; NULL when the class cannot be created by class or
    // there is no memory for it.
    CObject* CreateObject() const;
    // TRUE when this is pBaseClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class CObject
{
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() { }

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() { }

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

#define DECLARE_DYNAMIC(theClass)                             \
public:                                                       \
    static const CRuntimeClass class##theClass;               \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(theClass) \
    DECLARE_DYNAMIC(theClass)       \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(theClass, baseClass, pfnNew)                                                  \
    const CRuntimeClass theClass::class##theClass = { #theClass, (int)sizeof(theClass), pfnNew,              \
                                                      RUNTIME_CLASS(baseClass) };                            \
    const CRuntimeClass* theClass::GetRuntimeClass() const { return RUNTIME_CLASS(theClass); }

#define IMPLEMENT_DYNAMIC(theClass, baseClass) IMPLEMENT_RUNTIMECLASS(theClass, baseClass, NULL)

#define IMPLEMENT_DYNCREATE(theClass, baseClass)                                 \
    CObject* theClass::CreateObject() { return new (std::nothrow) theClass; }    \
    IMPLEMENT_RUNTIMECLASS(theClass, baseClass, &theClass::CreateObject)
