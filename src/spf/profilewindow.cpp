#include "spf/profilewindow.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "session/send.h"
#include "session/session.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

const QString ProfileWindow::ProfileFilter = QStringLiteral("All Files (*.spf)|*.spf");

ProfileWindow::ProfileWindow(const QString& caption) {
    setWindowTitle(caption);
    labSensorPosition = new QLabel(QStringLiteral("Sensor Position 1 to 16:"), this);
    labSensorPosition->setObjectName(QStringLiteral("labSensorPosition"));
    txtSensorPosition = new QLineEdit(this);
    txtSensorPosition->setObjectName(QStringLiteral("txtSensorPosition"));
    txtSensorPosition->setMaximumWidth(60);
    labSensorPosition->setBuddy(txtSensorPosition);
    btnStart = new QPushButton(QStringLiteral("Start"), this);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    btnExit = new QPushButton(QStringLiteral("Close"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    labStatusText = new QLabel(this);
    labStatusText->setObjectName(QStringLiteral("labStatusText"));
    labStatusText->setTextFormat(Qt::PlainText);
    labStatusText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    labStatusText->setMinimumWidth(360);

    // The position at the top left, Start at the top right, Close in the
    // middle and the progress text across the bottom.
    grid = new QGridLayout(this);
    grid->addWidget(labSensorPosition, 0, 0);
    grid->addWidget(txtSensorPosition, 0, 1);
    grid->addWidget(btnStart, 0, 2);
    grid->addWidget(btnExit, 2, 1, 1, 2, Qt::AlignLeft);
    grid->addWidget(labStatusText, 3, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(txtSensorPosition, &QLineEdit::textChanged, this,
            [this](const QString& text) { channel = ChannelOfPosition(text); });
    connect(btnExit, &QPushButton::clicked, this, [this] { unload(); });
}

int ProfileWindow::ChannelOfPosition(const QString& position) {
    return std::clamp<int>(ToInt16(LeadingNumber(position) - 1), 0, 15);
}

void ProfileWindow::onActivate() {
    // The file dialog opens once the activation has been handled, not from
    // inside the window system's activation event.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!isUnloading())
                SelectFile();
        },
        Qt::QueuedConnection);
}

void ProfileWindow::ResetForFile() {
    txtSensorPosition->setText(QStringLiteral("1"));
    step = 0;
    running = false;
    btnStart->setEnabled(true);
    channel = 0;
    Global::StartStatusPoll();
}

void ProfileWindow::SendCommand(const QString& command) {
    Global::SendToQel(command + QLatin1Char('\r'));
    labStatusText->setText(QStringLiteral("Sent: ") + command);
}

void ProfileWindow::FileFailed(const QString& message) {
    if (!message.isEmpty())
        MsgBox(message);
    unload();
}

void ProfileWindow::onUnload() {
    running = false;
    Global::RestoreStatusPoll();
}
