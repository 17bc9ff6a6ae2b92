// The framework's common declarations: Win32 itself and the few types of our own
// that every framework class uses.
#pragma once

#include <windows.h>

#ifndef afx_msg
#define afx_msg
#endif

// An opaque place in a list.
struct __POSITION { };
typedef __POSITION* POSITION;
