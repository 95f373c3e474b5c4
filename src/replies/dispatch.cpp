#include "replies/dispatch.h"
// PLACEHOLDER: replaced by the session work.
namespace Global {
void HandleQelLine(const QString&) {}
} // namespace Global
QString ConsoleEchoText(const QString& oldText, const QString& line) {
    return oldText + line + QStringLiteral("\r\n");
}
