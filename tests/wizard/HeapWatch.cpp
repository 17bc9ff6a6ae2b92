#include "tests/wizard/HeapWatch.h"

#include <new>
#include <set>

namespace
{
DWORD g_thread = 0;
// Known before the swaps, for a call that comes in while they are being made.
void* (*const g_originalMalloc)(size_t) = (void* (*)(size_t))(void*)::GetProcAddress(::GetModuleHandleA("msvcrt.dll"), "malloc");
void (*const g_originalFree)(void*) = (void (*)(void*))(void*)::GetProcAddress(::GetModuleHandleA("msvcrt.dll"), "free");
size_t g_failSize = 0;
int g_failCountdown = 0;
bool g_inside = false;   // the watch's own bookkeeping allocates too
std::set<void*>* g_live = NULL;

// operator new(size_t) calls malloc from within its first few instructions.
bool CalledByOperatorNew(void* returnAddress)
{
    void* (*newFunction)(size_t) = &::operator new;
    ptrdiff_t offset = (char*)returnAddress - (char*)newFunction;
    return offset > 0 && offset < 128;
}

void* WatchedMalloc(size_t size)
{
    void* caller = __builtin_return_address(0);
    if (::GetCurrentThreadId() != g_thread || g_inside)
        return g_originalMalloc(size);
    if (size == g_failSize && g_failCountdown > 0 && CalledByOperatorNew(caller) && --g_failCountdown == 0)
        return NULL;
    void* block = g_originalMalloc(size);
    if (block != NULL)
    {
        g_inside = true;
        g_live->insert(block);
        g_inside = false;
    }
    return block;
}

void WatchedFree(void* block)
{
    if (::GetCurrentThreadId() == g_thread && !g_inside && block != NULL)
    {
        g_inside = true;
        g_live->erase(block);
        g_inside = false;
    }
    g_originalFree(block);
}
}

bool HeapWatch::PrepareExceptionState()
{
    void* never = ::operator new((size_t)-1 / 2, std::nothrow);
    return never == NULL;
}

HeapWatch::HeapWatch()
    : m_prepared(PrepareExceptionState()), m_malloc("msvcrt.dll", "malloc", WatchedMalloc), m_free("msvcrt.dll", "free", WatchedFree)
{
    g_thread = ::GetCurrentThreadId();
    g_failSize = 0;
    g_failCountdown = 0;
    g_inside = true;
    g_live = new std::set<void*>;
    g_inside = false;
}

HeapWatch::~HeapWatch()
{
    g_thread = 0;
    g_inside = true;
    delete g_live;
    g_live = NULL;
    g_inside = false;
}

void HeapWatch::FailNew(size_t size, int occurrence)
{
    g_failSize = size;
    g_failCountdown = occurrence;
}

size_t HeapWatch::Outstanding() const
{
    return g_live->size();
}
