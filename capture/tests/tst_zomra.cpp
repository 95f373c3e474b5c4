// The capture program: its reading of its configuration, its counting of the
// frames that arrive, and how it ends when it cannot start. (What it writes
// and what it leaves the unit with is tested with the operator's program, in
// tests/tst_capture.cpp.)

#include "zomra/config.h"
#include "zomra/tally.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace zomra;

namespace {

QString writeConfig(const QTemporaryDir& dir, const QString& address, int frames) {
    const QString path = dir.filePath(QStringLiteral("Zomra.cfg"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral("SET IPADDR %1\r\nSET FPS %2\r\nSET BFILENAME %3\r\n")
                       .arg(address)
                       .arg(frames)
                       .arg(dir.filePath(QStringLiteral("run.csv")))
                       .toLatin1());
    return path;
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void framesAreCountedByTheirNumbers_data() {
        QTest::addColumn<qint64>("framesPerScan");
        QTest::addColumn<QList<int>>("arrivals");
        // received, lost, duplicated, reordered, stray, complete (1 or 0)
        QTest::addColumn<QList<qint64>>("counts");
        QTest::newRow("in order") << qint64(4) << QList<int>{0, 1, 2, 3}
                                  << QList<qint64>{4, 0, 0, 0, 0, 1};
        QTest::newRow("a gap") << qint64(6) << QList<int>{0, 1, 4, 5}
                               << QList<qint64>{4, 2, 0, 0, 0, 0};
        QTest::newRow("a duplicate")
            << qint64(3) << QList<int>{0, 1, 1, 2} << QList<qint64>{3, 0, 1, 0, 0, 1};
        QTest::newRow("a reordering")
            << qint64(4) << QList<int>{0, 2, 1, 3} << QList<qint64>{4, 0, 0, 1, 0, 1};
        QTest::newRow("late frames split a wide gap")
            << qint64(7) << QList<int>{0, 6, 3, 1, 5} << QList<qint64>{5, 2, 0, 3, 0, 0};
        QTest::newRow("a late frame that comes again")
            << qint64(3) << QList<int>{0, 2, 1, 1, 2} << QList<qint64>{3, 0, 2, 1, 0, 1};
        QTest::newRow("the first frames lost")
            << qint64(5) << QList<int>{3, 4} << QList<qint64>{2, 3, 0, 0, 0, 0};
        QTest::newRow("the last frames lost")
            << qint64(5) << QList<int>{0, 1} << QList<qint64>{2, 3, 0, 0, 0, 0};
        QTest::newRow("a number beyond the scan")
            << qint64(2) << QList<int>{0, 7, 1} << QList<qint64>{2, 0, 0, 0, 1, 1};
        QTest::newRow("a scan without end loses only gaps")
            << qint64(0) << QList<int>{0, 1, 3, 9, 2} << QList<qint64>{5, 5, 0, 1, 0, 0};
    }

    void framesAreCountedByTheirNumbers() {
        QFETCH(qint64, framesPerScan);
        QFETCH(QList<int>, arrivals);
        QFETCH(QList<qint64>, counts);
        FrameTally tally(framesPerScan);
        qint64 kept = 0;
        for (int frame : arrivals) {
            const FrameTally::Arrival a = tally.add(quint32(frame));
            kept += a == FrameTally::Arrival::InOrder || a == FrameTally::Arrival::Late;
        }
        QCOMPARE(QList<qint64>({tally.received(), tally.lost(), tally.duplicated(),
                                tally.reordered(), tally.stray(), qint64(tally.complete())}),
                 counts);
        QCOMPARE(kept, tally.received()); // each frame is written once
    }

    void configurationIsReadOrRejectedWithTheReason_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");    // empty: read
        QTest::addColumn<QStringList>("read"); // host, port, frames, file
        // The file as the operator's program writes it: tests/tst_capture.cpp.
        QTest::newRow("LF, any order, host:port, blanks kept in the name")
            << QByteArray("SET BFILENAME  run 1.csv\nSET FPS 0\n\nSET IPADDR unit7:2323\n")
            << QString() << QStringList{"unit7", "2323", "0", " run 1.csv"};
        QTest::newRow("no file line") << QByteArray("SET IPADDR a\r\nSET FPS 1\r\n")
                                      << "there is no SET BFILENAME line" << QStringList();
        QTest::newRow("frames not a number")
            << QByteArray("SET IPADDR a\r\nSET FPS 12x\r\nSET BFILENAME f\r\n")
            << "SET FPS on line 2 needs a whole number of frames from 0 to 2147483647, not '12x'"
            << QStringList();
        QTest::newRow("another setting")
            << QByteArray("SET IPADDR a\nSET PERIOD 5\n")
            << "line 2 is not \"SET IPADDR\", \"SET FPS\" or \"SET BFILENAME\"" << QStringList();
        QTest::newRow("a setting twice")
            << QByteArray("SET FPS 1\nSET IPADDR a\nSET FPS 2\nSET BFILENAME f\n")
            << "SET FPS is given twice, on lines 1 and 3" << QStringList();
    }

    void configurationIsReadOrRejectedWithTheReason() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QFETCH(QStringList, read);
        Config c;
        QString said;
        QCOMPARE(parseConfig(text, &c, &said), error.isEmpty());
        QVERIFY2(said.contains(error), qPrintable(said));
        if (error.isEmpty())
            QCOMPARE(QStringList({c.host, QString::number(c.port), QString::number(c.framesPerScan),
                                  c.dataFile}),
                     read);
    }

    void problemsBeforeTheScanAreReportedAndLeaveNoFile_data() {
        QTest::addColumn<bool>("withConfig");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("no configuration file")
            << false << QStringList() << 2 << "Zomra: cannot read the configuration file";
        QTest::newRow("a UDP port in use") << true << QStringList{"--udp-port", "taken"} << 2
                                           << "Zomra: cannot receive frames on UDP port";
        QTest::newRow("no unit at the address") << true << QStringList{"--udp-port", "0"} << 1
                                                << "Zomra: cannot reach the unit at 127.0.0.1:";
    }

    void problemsBeforeTheScanAreReportedAndLeaveNoFile() {
        QFETCH(bool, withConfig);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QTcpServer closed; // a port where nothing listens
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        QUdpSocket taken;
        QVERIFY(taken.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        options.replaceInStrings(QStringLiteral("taken"), QString::number(taken.localPort()));
        const QString config = withConfig
                                   ? writeConfig(dir, QStringLiteral("127.0.0.1:%1").arg(port), 10)
                                   : dir.filePath(QStringLiteral("Zomra.cfg"));
        QProcess capture; // killed at the end if it runs on
        capture.start(QStringLiteral(ZOMRA_BINARY), QStringList{"--config", config} + options);
        QVERIFY(capture.waitForFinished(60000) && capture.exitStatus() == QProcess::NormalExit);
        QCOMPARE(capture.exitCode(), code);
        const QString said = QString::fromLocal8Bit(capture.readAllStandardError());
        QVERIFY2(said.startsWith(message), qPrintable(said));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("run.csv"))));
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "tst_zomra.moc"
