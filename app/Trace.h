// One line of the trace log, formatted printf-style into a buffer of 256 characters.
// A line that does not fit is cut to 254 characters and still ends with "\n".
#pragma once

void Trace(const char* lpszFormat, ...) __attribute__((format(gnu_printf, 1, 2)));
