#include "tests/modem/HeapAndSidCounter.h"

#include <gtest/gtest.h>

namespace
{
HeapAndSidCounter* s_counter = NULL;
int s_allocs = 0;
int s_sids = 0;
int s_failAlloc = 0;
int s_failSid = 0;
std::set<void*> s_blocks;
std::set<PSID> s_sidsOut;
decltype(&HeapAlloc) s_originalAlloc = NULL;
decltype(&HeapFree) s_originalFree = NULL;
decltype(&AllocateAndInitializeSid) s_originalSid = NULL;
decltype(&FreeSid) s_originalFreeSid = NULL;

LPVOID WINAPI CountingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size)
{
    if (s_counter == NULL)
        return s_originalAlloc(heap, flags, size);
    if (++s_allocs == s_failAlloc)
        return NULL;
    LPVOID block = s_originalAlloc(heap, flags, size);
    if (block != NULL)
        s_blocks.insert(block);
    return block;
}

BOOL WINAPI CountingHeapFree(HANDLE heap, DWORD flags, LPVOID block)
{
    if (s_counter != NULL)
        s_blocks.erase(block);
    return s_originalFree(heap, flags, block);
}

BOOL WINAPI CountingAllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a0, DWORD a1, DWORD a2,
                                             DWORD a3, DWORD a4, DWORD a5, DWORD a6, DWORD a7, PSID* sid)
{
    if (s_counter != NULL && ++s_sids == s_failSid)
    {
        *sid = NULL;
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    BOOL ok = s_originalSid(authority, count, a0, a1, a2, a3, a4, a5, a6, a7, sid);
    if (ok && s_counter != NULL)
        s_sidsOut.insert(*sid);
    return ok;
}

PVOID WINAPI CountingFreeSid(PSID sid)
{
    if (s_counter != NULL)
        s_sidsOut.erase(sid);
    return s_originalFreeSid(sid);
}
}   // namespace

HeapAndSidCounter::HeapAndSidCounter()
    : m_alloc("kernel32.dll", "HeapAlloc", CountingHeapAlloc),
      m_free("kernel32.dll", "HeapFree", CountingHeapFree),
      m_sid("advapi32.dll", "AllocateAndInitializeSid", CountingAllocateAndInitializeSid),
      m_freeSid("advapi32.dll", "FreeSid", CountingFreeSid)
{
    EXPECT_EQ(NULL, s_counter) << "one counter at a time";
    EXPECT_TRUE(m_alloc.IsActive() && m_free.IsActive() && m_sid.IsActive() && m_freeSid.IsActive());
    s_originalAlloc = m_alloc.Original();
    s_originalFree = m_free.Original();
    s_originalSid = m_sid.Original();
    s_originalFreeSid = m_freeSid.Original();
    s_allocs = 0;
    s_sids = 0;
    s_failAlloc = 0;
    s_failSid = 0;
    s_blocks.clear();
    s_sidsOut.clear();
    s_counter = this;
}

HeapAndSidCounter::~HeapAndSidCounter()
{
    s_counter = NULL;
}

void HeapAndSidCounter::FailHeapAlloc(int occurrence)
{
    s_failAlloc = occurrence;
}

void HeapAndSidCounter::FailSid(int occurrence)
{
    s_failSid = occurrence;
}

int HeapAndSidCounter::HeapAllocs() const
{
    return s_allocs;
}

int HeapAndSidCounter::Sids() const
{
    return s_sids;
}

const std::set<void*>& HeapAndSidCounter::OutstandingBlocks() const
{
    return s_blocks;
}

const std::set<PSID>& HeapAndSidCounter::OutstandingSids() const
{
    return s_sidsOut;
}
