#pragma once
// The data log file's life: Open Log File and Close Log File.

#include <QString>

namespace Global {
void OpenLogFile(); // asks for a file, then opens it (truncating)
void CloseLogFile();
} // namespace Global
