// The root of the classes that handle commands through a message map.
#pragma once

#include "framework/MessageMap.h"

class CCmdTarget
{
public:
    CCmdTarget() { }
    virtual ~CCmdTarget() { }

    // Calls the handler that the maps of this class and its bases give for command nID;
    // FALSE when none handles it.
    BOOL OnCmdMsg(UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
};
