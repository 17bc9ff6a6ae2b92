// A doubly linked list of untyped pointers. Its nodes are allocated in blocks of
// the size given at construction and given back only when the list is emptied.
#pragma once

#include "framework/Afx.h"

class CPtrList
{
public:
    explicit CPtrList(INT_PTR nBlockSize = 10);
    ~CPtrList();

    INT_PTR GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    // The new element's position; NULL (and the list unchanged) when no node can be allocated.
    POSITION AddTail(void* newElement);

    POSITION GetHeadPosition() const { return (POSITION)m_pNodeHead; }

    // The element at rPosition; rPosition moves on to the next one (NULL after the last).
    void*& GetNext(POSITION& rPosition) const;
    void* GetAt(POSITION position) const;

    void RemoveAll();

private:
    struct CNode
    {
        CNode* pNext;
        CNode* pPrev;
        void* data;
    };
    struct CBlock
    {
        CBlock* pNext;
        // followed by the block's nodes
    };

    CNode* NewNode();

    CPtrList(const CPtrList&) = delete;
    CPtrList& operator=(const CPtrList&) = delete;

    CNode* m_pNodeHead;
    CNode* m_pNodeTail;
    INT_PTR m_nCount;
    CNode* m_pNodeFree;
    CBlock* m_pBlocks;
    INT_PTR m_nBlockSize;
};
