// The blocks of the process heap that the program takes through HeapAlloc and gives
// back through HeapFree, and the SIDs of AllocateAndInitializeSid and FreeSid, while
// the counter lives; the imports are swapped for forwarders to the real functions.
// A failure can be injected: the occurrence-th HeapAlloc, or AllocateAndInitializeSid,
// from 1, fails.
#pragma once

#include <windows.h>

#include <set>

#include "tests/support/ImportSwap.h"

class HeapAndSidCounter
{
public:
    HeapAndSidCounter();
    ~HeapAndSidCounter();

    void FailHeapAlloc(int occurrence);
    void FailSid(int occurrence);

    int HeapAllocs() const;
    int Sids() const;
    // Blocks and SIDs taken and not given back.
    const std::set<void*>& OutstandingBlocks() const;
    const std::set<PSID>& OutstandingSids() const;

private:
    HeapAndSidCounter(const HeapAndSidCounter&) = delete;
    HeapAndSidCounter& operator=(const HeapAndSidCounter&) = delete;
    ImportSwap<decltype(&HeapAlloc)> m_alloc;
    ImportSwap<decltype(&HeapFree)> m_free;
    ImportSwap<decltype(&AllocateAndInitializeSid)> m_sid;
    ImportSwap<decltype(&FreeSid)> m_freeSid;
};
