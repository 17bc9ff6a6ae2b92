// String resources that do not load, for the length of a scope: LoadStringA (and so
// CString::LoadString) fails for the listed IDs and works for every other.
#pragma once

#include <set>

#include "tests/support/ImportSwap.h"

class FailingStrings
{
public:
    explicit FailingStrings(const std::set<UINT>& ids);
    ~FailingStrings();

private:
    ImportSwap<decltype(&LoadStringA)> m_swap;
};
