#include "mainwin/upload.h"

#include "console/linebox.h"
#include "core/lines.h"
#include "core/numbers.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "session/connection.h"
#include "session/send.h"
#include "session/state.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The upload source: the file being sent (from the menu until the window
// closes, or until its end), its number of lines and the lines read so far.
struct UploadSource {
    LineReader file;
    int lines = 0;
    int taken = 0;
};

UploadSource& Source() {
    static UploadSource source;
    return source;
}

int CountLines(const QString& path) {
    LineReader reader;
    int lines = 0;
    if (reader.open(path))
        for (; !reader.atEnd(); ++lines)
            reader.readLine();
    return lines;
}

} // namespace

Upload::Upload() {
    setWindowTitle(QStringLiteral("Upload"));
    setObjectName(QStringLiteral("Upload"));

    Label1 = new QLabel(QStringLiteral("Uploading file"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    labUploadFileName = new QLabel(this);
    labUploadFileName->setObjectName(QStringLiteral("labUploadFileName"));
    labUploadFileName->setTextFormat(Qt::PlainText);
    txtUploadData = new QPlainTextEdit(this);
    txtUploadData->setObjectName(QStringLiteral("txtUploadData"));
    txtUploadData->setReadOnly(true);
    txtUploadData->setLineWrapMode(QPlainTextEdit::NoWrap);
    sent_ = new LineBox(txtUploadData, true);
    prgUpload = new QProgressBar(this);
    prgUpload->setObjectName(QStringLiteral("prgUpload"));
    prgUpload->setRange(0, 1);
    prgUpload->setValue(0);
    labProgress = new QLabel(this);
    labProgress->setObjectName(QStringLiteral("labProgress"));
    labProgress->setWordWrap(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    TimerUpload = new QTimer(this);
    TimerUpload->setObjectName(QStringLiteral("TimerUpload"));
    // The dwell is the least time between two lines: the timer may not fire
    // early, and each tick starts the next wait afresh.
    TimerUpload->setTimerType(Qt::PreciseTimer);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(labUploadFileName);
    layout->addWidget(txtUploadData, 1);
    layout->addWidget(prgUpload);
    layout->addWidget(labProgress);
    layout->addLayout(buttons);
    resize(480, 340);

    connect(TimerUpload, &QTimer::timeout, this, &Upload::TimerUpload_Timer);
    connect(cmdCancel, &QPushButton::clicked, this, &Upload::cmdCancel_Click);
    connect(cmdClose, &QPushButton::clicked, this, &Upload::cmdClose_Click);
}

Upload::~Upload() {
    // Destroyed without its unload handler (the registry's unloadAll): the
    // source goes too. An unloaded window is destroyed later, when a new
    // upload may already hold the source.
    if (!isUnloading())
        Source().file.close();
}

int Upload::DwellInterval(const QString& dwell) {
    return ToInt16(LeadingNumber(dwell));
}

QString Upload::SentText() const {
    return sent_->text();
}

void Upload::onActivate() {
    Global::DisableConnectButton();
    if (!Global::UploadActive)
        return;
    labUploadFileName->setText(Global::UploadFileName);
    stopReason_.clear();
    const int interval = DwellInterval(Global::UploadDwell);
    if (interval > 0) {
        TimerUpload->setInterval(interval);
        TimerUpload->start();
    } else {
        TimerUpload->stop(); // an interval of 0 would fire without pause
    }
    cmdClose->setEnabled(false);
    ShowProgress();
}

void Upload::TimerUpload_Timer() {
    if (!Global::UploadActive) {
        TimerUpload->stop();
        return;
    }
    UploadSource& source = Source();
    if (Global::ConnectState != 2) {
        // Nothing sent now would reach the unit.
        cmdCancel_Click();
        stopReason_ = QStringLiteral("The connection was lost: the lines after line %1 were "
                                     "not sent.")
                          .arg(source.taken);
        ShowProgress();
        return;
    }
    if (source.file.atEnd()) {
        TimerUpload->stop();
        Global::UploadActive = false;
        source.file.close();
        labUploadFileName->setText(QStringLiteral("End of file reached"));
        cmdClose->setEnabled(true);
        ShowProgress();
        return;
    }
    const QString line = source.file.readLine();
    ++source.taken;
    if (!line.isEmpty()) {
        sent_->appendLine(line);
        Global::SendToQel(line + QLatin1Char('\r'));
    }
    ShowProgress();
    TimerUpload->start();
}

void Upload::cmdCancel_Click() {
    TimerUpload->stop();
    Global::UploadActive = false;
    labUploadFileName->setText(QStringLiteral("Upload canceled"));
    cmdClose->setEnabled(true);
    ShowProgress();
}

void Upload::cmdClose_Click() {
    Global::UploadActive = false;
    Source().file.close();
    unload();
}

void Upload::onUnload() {
    Global::EnableConnectButton();
    Global::UploadActive = false;
    Source().file.close();
    Global::UploadFileName.clear();
    TimerUpload->stop();
}

void Upload::ShowProgress() {
    const UploadSource& source = Source();
    // An empty file is all done at its end.
    prgUpload->setRange(0, std::max(source.lines, 1));
    prgUpload->setValue(source.lines == 0 && !Global::UploadActive ? 1 : source.taken);
    QString text = QStringLiteral("Line %1 of %2").arg(source.taken).arg(source.lines);
    if (!stopReason_.isEmpty()) {
        text = stopReason_;
    } else if (Global::UploadActive && !TimerUpload->isActive()) {
        text = QStringLiteral("Nothing is sent: an upload dwell of \"%1\" ms stops the timer. "
                              "Cancel; the Upload Dwell (1 ms or more) is set in the Orvik "
                              "Settings while not connected.")
                   .arg(Global::UploadDwell);
    } else if (Global::UploadActive) {
        // The lines still to read and the tick that finds the end.
        const double seconds =
            std::ceil((source.lines - source.taken + 1) * double(TimerUpload->interval()) / 1000);
        text += QStringLiteral(", about %1 s left").arg(seconds);
    }
    labProgress->setText(text);
}

namespace Global {

void UploadFileToQel() {
    const QString name = AskOpenFile(QStringLiteral("All Files (*.*)|*.*"));
    if (name.isEmpty())
        return;
    UploadSource& source = Source();
    if (source.file.isOpen()) {
        // The running upload holds the source and goes on under its name.
        MsgBox(QStringLiteral("Error opening upload file ") + name);
        return;
    }
    UploadFileName = name;
    if (!source.file.open(name)) {
        MsgBox(QStringLiteral("Error opening upload file ") + UploadFileName);
        UploadFileName.clear();
        return;
    }
    source.lines = CountLines(name);
    source.taken = 0;
    UploadActive = true;
    Registry::get<Upload>().showForm();
}

} // namespace Global
