// Swaps one entry of the test program's import address table for the length of a
// scope. The program's code is linked into the test program, so its calls of that
// function (and the test's own) go to the replacement until the swap ends.
//
//     ImportSwap<decltype(&RegOpenKeyExA)> swap("advapi32.dll", "RegOpenKeyExA", RefuseWriteDac);
//     ... swap.Original() reaches the real function ...
#pragma once

#include <windows.h>

// Replaces the entry; returns the address it held, or NULL when the program does not
// import that function from that module.
void* SwapImport(const char* moduleName, const char* functionName, void* replacement);

template <typename Function>
class ImportSwap
{
public:
    ImportSwap(const char* moduleName, const char* functionName, Function replacement)
        : m_moduleName(moduleName), m_functionName(functionName)
    {
        m_original = (Function)SwapImport(moduleName, functionName, (void*)replacement);
    }
    ~ImportSwap()
    {
        if (m_original != NULL)
            SwapImport(m_moduleName, m_functionName, (void*)m_original);
    }
    bool IsActive() const { return m_original != NULL; }
    Function Original() const { return m_original; }

private:
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;

    const char* m_moduleName;
    const char* m_functionName;
    Function m_original;
};
