// A 1 GB command file handed to Upload File To QEL: how long choosing it
// takes (the program counts its lines), what the program's memory does while
// it is counted and sent, and what reaches the unit. Two files: 1 GB of
// command lines, and a sparse 1 GB file (all NUL bytes, one endless line).
//
//   bench_upload_file [seconds of sending, default 3]

#include "core/registry.h"
#include "fakeunit.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "mainwin/upload.h"
#include "session/state.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr qint64 FileSize = qint64(1) << 30;

long CurrentRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool MakeFile(const QString& path, bool sparse) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    if (sparse)
        return file.resize(FileSize);
    const QByteArray line("SET PERIOD 500\r\n");
    QByteArray block;
    while (block.size() < (1 << 20))
        block += line;
    for (qint64 written = 0; written < FileSize; written += block.size())
        if (file.write(block) != block.size())
            return false;
    return true;
}

void Run(const char* name, bool sparse, int seconds) {
    ProgramFixture fx;
    fx.startProgram();
    const QString path = fx.dir() + QStringLiteral("/big.txt");
    if (!MakeFile(path, sparse)) {
        std::printf("%s: cannot write a 1 GB file in %s\n", name, qPrintable(fx.dir()));
        return;
    }
    FakeUnit unit;
    if (!ConnectAndSettle(unit)) {
        std::printf("%s: no session\n", name);
        return;
    }
    const long before = CurrentRssKb();
    Global::UploadDwell = QStringLiteral("1");
    fx.prompt->fileAnswers.enqueue(path);
    QElapsedTimer clock;
    clock.start();
    Registry::get<MDIMain>().mnuUploadFileToQel->trigger();
    const qint64 chooseMs = clock.elapsed();
    const long afterChoose = CurrentRssKb();
    QTest::qWait(seconds * 1000);
    Upload* window = Registry::peek<Upload>();
    std::printf("%-6s choosing (counting lines) %6lld ms; RSS %ld MB before, %ld MB after "
                "choosing, %ld MB after %d s of sending; %lld bytes received by the unit; "
                "%s\n",
                name, static_cast<long long>(chooseMs), before / 1024, afterChoose / 1024,
                CurrentRssKb() / 1024, seconds, static_cast<long long>(unit.received().size()),
                window ? qPrintable(window->labProgress->text()) : "no upload window");
    if (window)
        window->cmdCancel->click();
    QFile::remove(path);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    Run("lines", false, seconds);
    Run("sparse", true, seconds);
    std::printf("peak RSS of the whole run: %ld MB\n", PeakRssKb() / 1024);
    return 0;
}
