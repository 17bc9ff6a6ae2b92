#include "framework/CPtrList.h"

#include <cstdlib>

CPtrList::CPtrList(INT_PTR nBlockSize)
    : m_pNodeHead(NULL), m_pNodeTail(NULL), m_nCount(0), m_pNodeFree(NULL), m_pBlocks(NULL),
      m_nBlockSize(nBlockSize > 0 ? nBlockSize : 1)
{
}

CPtrList::~CPtrList()
{
    RemoveAll();
}

POSITION CPtrList::AddTail(void* newElement)
{
    CNode* pNewNode = NewNode();
    if (pNewNode == NULL)
        return NULL;
    pNewNode->data = newElement;
    pNewNode->pNext = NULL;
    pNewNode->pPrev = m_pNodeTail;
    if (m_pNodeTail != NULL)
        m_pNodeTail->pNext = pNewNode;
    else
        m_pNodeHead = pNewNode;
    m_pNodeTail = pNewNode;
    m_nCount++;
    return (POSITION)pNewNode;
}

void*& CPtrList::GetNext(POSITION& rPosition) const
{
    CNode* pNode = (CNode*)rPosition;
    rPosition = (POSITION)pNode->pNext;
    return pNode->data;
}

void* CPtrList::GetAt(POSITION position) const
{
    return ((CNode*)position)->data;
}

void CPtrList::RemoveAll()
{
    while (m_pBlocks != NULL)
    {
        CBlock* pNext = m_pBlocks->pNext;
        free(m_pBlocks);
        m_pBlocks = pNext;
    }
    m_pNodeHead = m_pNodeTail = m_pNodeFree = NULL;
    m_nCount = 0;
}

CPtrList::CNode* CPtrList::NewNode()
{
    if (m_pNodeFree == NULL)
    {
        CBlock* pBlock = (CBlock*)malloc(sizeof(CBlock) + (size_t)m_nBlockSize * sizeof(CNode));
        if (pBlock == NULL)
            return NULL;
        pBlock->pNext = m_pBlocks;
        m_pBlocks = pBlock;
        // Chain the block's nodes into the free list.
        CNode* pNode = (CNode*)(pBlock + 1);
        for (INT_PTR i = 0; i < m_nBlockSize; i++, pNode++)
        {
            pNode->pNext = m_pNodeFree;
            m_pNodeFree = pNode;
        }
    }
    CNode* pNode = m_pNodeFree;
    m_pNodeFree = pNode->pNext;
    return pNode;
}
