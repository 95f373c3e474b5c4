#include "console/errorwin.h"

#include "console/linebox.h"
#include "core/registry.h"
#include "replies/effects.h"
#include "session/connection.h"
#include "session/send.h"

#include <QHBoxLayout>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

Error::Error() {
    setWindowTitle(QStringLiteral("Qel Errors"));
    setObjectName(QStringLiteral("Error"));

    // Created first: the error box leads the tab order.
    txtError = new QPlainTextEdit(this);
    txtError->setObjectName(QStringLiteral("txtError"));
    txtError->setReadOnly(true);
    txtError->setTabChangesFocus(true);
    txtError->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = txtError->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    txtError->setPalette(palette);
    errors_ = new LineBox(txtError, false);

    cmdClear = new QPushButton(QStringLiteral("Clear Errors"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* top = new QHBoxLayout;
    top->addWidget(cmdClear);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(txtError, 1);
    layout->addLayout(bottom);
    resize(520, 320);

    connect(cmdClear, &QPushButton::clicked, this, &Error::cmdClear_Click);
    connect(cmdClose, &QPushButton::clicked, this, [this] { unload(); });
}

void Error::onActivate() {
    // Every activation asks again; the answer is added to what is shown.
    Global::DisableConnectButton();
    Global::SendToQel(QStringLiteral("ERROR\r"));
}

void Error::onUnload() {
    Global::EnableConnectButton();
}

void Error::cmdClear_Click() {
    Global::SendToQel(QStringLiteral("CLEAR\r"));
    errors_->clear();
    Global::SendToQel(QStringLiteral("ERROR\r"));
}

void Error::AppendError(const QString& line) {
    errors_->appendLine(line);
}

QString Error::ErrorText() const {
    return errors_->text();
}

namespace Global {

bool ErrorViewerShown() {
    return Registry::isShown<Error>();
}

void EchoToErrorViewer(const QString& line) {
    if (Error* viewer = Registry::peek<Error>())
        viewer->AppendError(line);
}

} // namespace Global
