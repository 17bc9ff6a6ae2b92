#include "tests/support/MessageBoxRecorder.h"

namespace
{
std::vector<RecordedMessageBox> g_boxes;

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    g_boxes.push_back({ owner, text != NULL ? text : "", caption != NULL ? caption : "", type });
    return IDOK;
}
}

MessageBoxRecorder::MessageBoxRecorder() : m_swap("user32.dll", "MessageBoxA", RecordMessageBox)
{
    g_boxes.clear();
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    g_boxes.clear();
}

const std::vector<RecordedMessageBox>& MessageBoxRecorder::Boxes() const
{
    return g_boxes;
}
