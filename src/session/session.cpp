#include "session/session.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void StartSession() {}
void EndSession() {}
void SetScanMenus() {}
void SetIdleMenus() {}
} // namespace Global
