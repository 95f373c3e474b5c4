#include "mainwin/logfile.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void OpenLogFile() {}
void CloseLogFile() {}
} // namespace Global
