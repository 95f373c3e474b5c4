#include "spf/uploadspf.h"

#include "core/prompt.h"
#include "session/state.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

// Steps of an upload.
enum : int { Idle = 0, Deleting = 1, Sending = 2, Sent = 3, Filling = 4 };

// A setting line: the prefix compared (without regard to letter case), how
// many of the line's characters are kept, and the 1-based position where the
// rest begins when the character there is a blank (else one further).
struct SettingKind {
    QLatin1String prefix;
    int kept;
    int rest;
};
const SettingKind SettingKinds[5] = {
    {QLatin1String("SET TEMP"), 9, 11},    {QLatin1String("SET ABS"), 7, 9},
    {QLatin1String("SET MAX"), 7, 9},      {QLatin1String("SET MIN"), 7, 9},
    {QLatin1String("SET NEGPTS"), 10, 12},
};

bool Begins(const QString& line, QLatin1String prefix) {
    return line.startsWith(prefix, Qt::CaseInsensitive);
}

// The 1-based character of the line is a blank.
bool BlankAt(const QString& line, int position) {
    return position <= line.size() && line.at(position - 1) == QLatin1Char(' ');
}

} // namespace

UploadSPF::UploadSPF() : ProfileWindow(QStringLiteral("Upload SPF")) {
    setObjectName(QStringLiteral("UploadSPF"));
    btnSave = new QPushButton(QStringLiteral("Save"), this);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    grid->addWidget(btnSave, 1, 2);
    tmrUpload = new QTimer(this);
    tmrUpload->setObjectName(QStringLiteral("tmrUpload"));
    tmrUpload->setInterval(500);

    connect(btnStart, &QPushButton::clicked, this, &UploadSPF::btnStart_Click);
    connect(btnSave, &QPushButton::clicked, this, &UploadSPF::btnSave_Click);
    connect(tmrUpload, &QTimer::timeout, this, &UploadSPF::tmrUpload_Timer);
}

QString UploadSPF::ModLine(const QString& line, int channel) {
    const QString number = QString::number(channel);
    for (const SettingKind& kind : SettingKinds) {
        if (Begins(line, kind.prefix)) {
            const int rest = BlankAt(line, kind.rest) ? kind.rest : kind.rest + 1;
            return line.left(kind.kept) + number + line.mid(rest - 1);
        }
    }
    if (!Begins(line, QLatin1String("INSERT")))
        return QString();
    // "INSERT point channel values": the third field is the channel.
    const int first = line.indexOf(QLatin1Char(' '), 7); // at or after column 8
    if (first < 0)
        return QString();
    const int second = line.indexOf(QLatin1Char(' '), first + 1);
    if (second < 0)
        return QString();
    return line.left(first + 1) + number + line.mid(second);
}

void UploadSPF::SelectFile() {
    const QString name = AskOpenFile(ProfileFilter);
    if (name.isEmpty())
        return FileFailed(QString());
    // The window holds one file at a time.
    if (file_.isOpen() || !file_.open(name))
        return FileFailed(QStringLiteral("Error opening ") + name);
    setWindowTitle(QStringLiteral("Uploading ") + name);
    ResetForFile();
    btnSave->setEnabled(true);
}

void UploadSPF::EnableButtons(bool enabled) {
    btnStart->setEnabled(enabled);
    btnSave->setEnabled(enabled);
}

void UploadSPF::btnStart_Click() {
    readyCount = 2;
    step = Idle;
    SendCommand(
        (Global::ModuleModel ? QStringLiteral("DELETE 0 59 ") : QStringLiteral("DELETE 0 69 ")) +
        QString::number(channel));
    EnableButtons(false);
    step = Deleting;
    running = true;
}

void UploadSPF::tmrUpload_Timer() {
    if (file_.atEnd()) {
        tmrUpload->stop();
        step = Sent;
        return;
    }
    const QString line = ModLine(file_.readLine());
    if (!line.isEmpty())
        SendCommand(line);
}

void UploadSPF::HandleLineFromQel(const QString& line) {
    if (!running)
        return;
    // The second "READY" after a count of 2 is the signal; a count below 0
    // counts no more.
    bool ready = false;
    if (line.contains(QLatin1String("READY")) && readyCount >= 0)
        ready = readyCount-- == 1;
    switch (step) {
    case Deleting:
        if (ready) {
            readyCount = -1;
            step = Sending;
            tmrUpload->start();
        }
        break;
    case Sent:
        SendCommand(QStringLiteral("FILL"));
        readyCount = 2;
        step = Filling;
        break;
    case Filling:
        if (ready) {
            step = Idle;
            running = false;
            labStatusText->setText(QStringLiteral("Done with upload, push SAVE to save in QEL"));
            EnableButtons(true);
        }
        break;
    default:
        break;
    }
}

void UploadSPF::btnSave_Click() {
    SendCommand(QStringLiteral("SAVE"));
    unload();
}

void UploadSPF::onUnload() {
    tmrUpload->stop();
    file_.close();
    ProfileWindow::onUnload();
}
