#include "spf/createspf.h"

#include "core/numbers.h"
#include "core/prompt.h"
#include "session/state.h"

#include <QLabel>
#include <QPushButton>

namespace {

// Steps 1 to 6: the prefix recorded, the 1-based column of the channel field
// and the list asked for when that field reads 15.
struct ListStep {
    const char* prefix;
    int column;
    const char* next; // null: the point list request
};
const ListStep ListSteps[6] = {
    {"SET TEMP", 10, "LIST G"}, {"SET TEMP", 10, "LIST B"}, {"SET ABS", 8, "LIST L"},
    {"SET MIN", 8, "LIST H"},   {"SET MAX", 8, "LIST N"},   {"SET NEGPTS", 11, nullptr},
};
const QString FirstList = QStringLiteral("LIST O");
constexpr int PointListStep = 7;
constexpr int ReadyLines = 3;

} // namespace

CreateSPF::CreateSPF() : ProfileWindow(QStringLiteral("Create SPF")) {
    setObjectName(QStringLiteral("CreateSPF"));
    connect(btnStart, &QPushButton::clicked, this, &CreateSPF::btnStart_Click);
}

int CreateSPF::ChannelField(const QString& line, int column) {
    return ToInt16(LeadingNumber(line.mid(column - 1, 2)));
}

QString CreateSPF::PointListRequest(int channel) {
    return (Global::ModuleModel ? QStringLiteral("LIST M 0 59 ") : QStringLiteral("LIST M 0 69 ")) +
           QString::number(channel);
}

void CreateSPF::SelectFile() {
    const QString name = AskSaveFile(ProfileFilter);
    if (name.isEmpty())
        return FileFailed(QString());
    // The window holds one file at a time.
    if (file_.isOpen())
        return FileFailed(QStringLiteral("Error creating ") + name);
    file_.setFileName(name);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return FileFailed(QStringLiteral("Error creating ") + name);
    setWindowTitle(QStringLiteral("Creating ") + name);
    ResetForFile();
}

void CreateSPF::btnStart_Click() {
    running = true;
    step = 0;
    SendCommand(FirstList);
    step = 1;
    btnStart->setEnabled(false);
}

void CreateSPF::Record(const QString& line) {
    file_.write(line.toLatin1() + "\r\n");
    labStatusText->setText(QStringLiteral("Rcvd: ") + line);
}

void CreateSPF::HandleLineFromQel(const QString& line) {
    if (!running)
        return;
    if (step >= 1 && step < PointListStep) {
        const ListStep& s = ListSteps[step - 1];
        const int n = ChannelField(line, s.column);
        if (n == channel && line.startsWith(QLatin1String(s.prefix)))
            Record(line);
        if (n == 15) {
            if (s.next) {
                SendCommand(QLatin1String(s.next));
            } else {
                SendCommand(PointListRequest(channel));
                readyCount = ReadyLines;
            }
            ++step;
        }
        return;
    }
    if (step != PointListStep)
        return;
    if (line.startsWith(QLatin1String("INSERT")))
        Record(line);
    if (line.contains(QLatin1String("READY")) && --readyCount == 0) {
        step = 0;
        running = false;
        btnStart->setEnabled(true);
        labStatusText->setText(QStringLiteral("Done creating file"));
        // Complete on disk once the window closes; a finished run is
        // written out now so that nothing of it waits in memory.
        file_.flush();
    }
}

void CreateSPF::onUnload() {
    file_.close();
    ProfileWindow::onUnload();
}
