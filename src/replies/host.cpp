#include "replies/host.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void HandleModelLine(const QStringList&) {}
void HandleHostLine(const QStringList&) {}
void SaveAndReboot() {}
} // namespace Global
