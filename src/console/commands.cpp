#include "console/commands.h"
#include <QPlainTextEdit>
#include <QPushButton>
// PLACEHOLDER: replaced by the console work.
Commands::Commands() {
    txtCommand = new QPlainTextEdit(this);
    txtResult = new QPlainTextEdit(this);
}
void Commands::EchoLine(const QString&) {}
QString Commands::ResultText() const { return QString(); }
