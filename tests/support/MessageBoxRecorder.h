// Records every MessageBoxA of the program for the length of a scope and answers
// each with IDOK, without showing anything.
#pragma once

#include <string>
#include <vector>

#include "tests/support/ImportSwap.h"

struct RecordedMessageBox
{
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();

    const std::vector<RecordedMessageBox>& Boxes() const;

private:
    ImportSwap<decltype(&MessageBoxA)> m_swap;
};
