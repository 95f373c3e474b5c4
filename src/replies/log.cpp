#include "replies/log.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void WriteLog(qint16, const QString&) {}
} // namespace Global
