// The helper's own steps, appended to SETUP.TXT in the directory of the program file it
// deletes, beside what the setup program logged there. One line at a time: the file is
// opened, the line appended ("\n" stored as "\r\n") and the file closed again, so that it
// is complete after every line. Nothing depends on whether a line was written.
#pragma once

#include <string>

class CIsDelLog
{
public:
    // Off: every Line does nothing.
    CIsDelLog(const std::string& programPath, bool enabled);

    // Formats printf-style into a buffer sized for the line, whatever its length.
    void Line(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

    const std::string& Path() const { return pathIsDelLog; }

private:
    void Append(const std::string& bytes);

    std::string pathIsDelLog;
    bool enabledIsDelLog;
};
