// The C runtime's heap as the tests see it, for the length of a scope: allocations
// made through operator new can be made to fail by size, and the blocks that the
// calling thread allocates and does not free are counted.
#pragma once

#include <cstddef>

#include "tests/support/ImportSwap.h"

class HeapWatch
{
public:
    HeapWatch();
    ~HeapWatch();

    // The occurrence-th (from 1) allocation of an object of that size through
    // operator new fails, and only that one.
    void FailNew(size_t size, int occurrence = 1);
    // Blocks allocated by the calling thread since the watch began and not freed.
    size_t Outstanding() const;

private:
    // The C++ runtime allocates a thread's exception state, for good, at the first
    // exception that the thread meets; a failing operator new throws one inside.
    static bool PrepareExceptionState();

    bool m_prepared;
    ImportSwap<void* (*)(size_t)> m_malloc;
    ImportSwap<void (*)(void*)> m_free;
};
