#include "framework/CObject.h"

const CRuntimeClass CObject::classCObject = { "CObject", (int)sizeof(CObject), NULL, NULL };

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject != NULL ? m_pfnCreateObject() : NULL;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* pClass = this; pClass != NULL; pClass = pClass->m_pBaseClass)
    {
        if (pClass == pBaseClass)
            return TRUE;
    }
    return FALSE;
}
