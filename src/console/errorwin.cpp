#include "console/errorwin.h"
#include <QPlainTextEdit>
#include <QPushButton>
// PLACEHOLDER: replaced by the console work.
Error::Error() {
    txtError = new QPlainTextEdit(this);
}
void Error::AppendError(const QString&) {}
QString Error::ErrorText() const { return QString(); }
