#include "session/send.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void SendToQel(const QString&) {}
void SendList(const QString&, bool) {}
void Pause(qint16) {}
} // namespace Global
