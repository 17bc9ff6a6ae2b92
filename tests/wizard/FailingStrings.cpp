#include "tests/wizard/FailingStrings.h"

namespace
{
std::set<UINT> g_failing;
// Known before the swap, for a call that comes in while it is being made.
const decltype(&LoadStringA) g_original =
    (decltype(&LoadStringA))(void*)::GetProcAddress(::GetModuleHandleA("user32.dll"), "LoadStringA");

int WINAPI LoadSomeStrings(HINSTANCE instance, UINT id, LPSTR buffer, int size)
{
    if (g_failing.count(id) != 0)
    {
        if (buffer != NULL && size > 0)
            buffer[0] = '\0';
        return 0;
    }
    return g_original(instance, id, buffer, size);
}
}

FailingStrings::FailingStrings(const std::set<UINT>& ids) : m_swap("user32.dll", "LoadStringA", LoadSomeStrings)
{
    g_failing = ids;
}

FailingStrings::~FailingStrings()
{
    g_failing.clear();
}
