// Command routing by table: a class's message map lists the command IDs it handles
// and the member function that handles each. A class without an entry for an ID
// hands it to its base class's map.
#pragma once

#include "framework/Afx.h"

class CCmdTarget;
typedef void (CCmdTarget::*AFX_PMSG)();

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;   // WM_COMMAND, or 0 at the end of the table
    UINT nID;
    AFX_PMSG pfn;
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                              \
protected:                                                 \
    static const AFX_MSGMAP* GetThisMessageMap();          \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                         \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                    \
    {                                                                                  \
        typedef theClass ThisClass __attribute__((unused));                            \
        typedef baseClass TheBaseClass;                                                \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define ON_COMMAND(id, memberFxn) \
    { WM_COMMAND, (UINT)(id), static_cast<AFX_PMSG>(&ThisClass::memberFxn) },

#define END_MESSAGE_MAP()                                                          \
            { 0, 0, NULL }                                                         \
        };                                                                         \
        static const AFX_MSGMAP messageMap = { &TheBaseClass::GetThisMessageMap,  \
                                               &_messageEntries[0] };              \
        return &messageMap;                                                        \
    }
