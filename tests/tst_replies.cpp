// What the unit's lines do: status and model lines, the settings mirror in
// the configuration dialog and the session variables, scan frames in the bar
// graph and the menus, and what the data log holds; the data log's own life.

#include "program.h"

#include <QThread>

namespace {

QelConfig& Config() {
    return Registry::get<QelConfig>();
}

// A frame as the unit sends it: the header, then channels 0 to 15 with
// pressures from 1.1 in steps of 0.1, joined by "|".
QString FrameLines(int number) {
    QString lines = QStringLiteral("FRAME 0 %1").arg(number);
    for (int c = 0; c < 16; ++c)
        lines += QStringLiteral("|%1 %2 21.5").arg(c).arg(1.1 + 0.1 * c, 0, 'f', 1);
    return lines;
}

const QByteArray Pressures = "1.1,1.2,1.3,1.4,1.5,1.6,1.7,1.8,1.9,2.0,2.1,2.2,2.3,2.4,2.5,2.6";

} // namespace

class TestReplies : public ProgramTest {
    Q_OBJECT

private slots:
    void init() {
        ProgramTest::init();
        OpenBarGraph();
        Config().chkEu->setChecked(true);
        Frame().mnuBarGraph3Places->trigger();
        for (QString& range : Global::ChannelRange)
            range = QStringLiteral("100");
        Global::CvtUnit = QStringLiteral("1");
        Frame().mnuBarGraphPress->trigger();
        Global::FramesPerScan = 1000;
        Global::IpAddress = QStringLiteral("10.0.0.7");
        Global::SetPanelText(2, QStringLiteral("(kept)"));
    }

    void linesShowWhereTheyBelong_data() {
        QTest::addColumn<QString>("look"); // what the test reads afterwards
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("shown");
        const QString frame3 = FrameLines(3), plainFrame = QString(frame3).replace('|', "\r\n");
        const QString csvFrame3 = ',' + QString::number(3) + ',' + Pressures + "\r\n";
        const QString rows[][3] = {
            // Status lines by the kind of unit; "(kept)": not a status line.
            {"panel2", "STATUS: READY NOW", "Qel Status: READY"},
            {"panel2", "STATUS:  READY", "Qel Status: "},
            {"panel2", "Status->SCANNING", "(kept)"},
            {"panel2", "status: READY", "(kept)"},
            {"panel2", "SET MODEL QM1600|Status->SCANNING", "Qel Status: SCANNING"},
            {"panel2", "SET MODEL QM1600|Status-> SCANNING", "Qel Status: "},
            {"panel2", "SET MODEL QM1600|STATUS: READY", "(kept)"},
            // The model line: panel 1, then the module and per-channel flags.
            {"model", "SET MODEL QM1600", "Connected to 10.0.0.7 (Model QM1600) 10"},
            {"model", "SET MODEL QM1600PC", "Connected to 10.0.0.7 (Model QM1600PC) 11"},
            {"model", "SET MODEL QM1600PC|SET MODEL", "Connected to 10.0.0.7 (Model ) 00"},
            {"model", "SET MODEL QM1600PC|SET MODEL qm1600pc",
             "Connected to 10.0.0.7 (Model qm1600pc) 00"},
            // A plain log (of the lines as they came, one byte a character) with
            // every switch on, and with every switch off.
            {"log",
             "SET  PERIOD 500|set PERIOD 500| SET PERIOD 1|ERROR: 12 b\u00e4d|STATUS: READY||hi|"
             "SET MODEL QM1600|Status->SCANNING|STATUS: READY",
             "SET  PERIOD 500\r\nERROR: 12 b\u00e4d\r\nSTATUS: READY\r\nSET MODEL QM1600\r\n"
             "Status->SCANNING\r\n"},
            {"log", frame3, plainFrame + "\r\n"},
            {"nolog", "SET  PERIOD 500|ERROR: 12 bad|STATUS: READY|" + frame3, ""},
            // A comma-separated log of scans and errors: time, frame, pressures.
            {"csv", "SET PERIOD 500|SET AVG 8|" + frame3, ".192" + csvFrame3},
            {"csv", "SET PERIOD 1000|SET AVG 6|" + frame3, ".288" + csvFrame3},
            {"csv", "SET XSCANTRIG 1|" + frame3, "XTRIG" + csvFrame3},
            {"csv", frame3, "0" + csvFrame3}, // no interval known
            // Malformed lines read as zero; another record finishes an open row,
            // each of its blanks a comma.
            {"csv", "FRAME|3|4 abc|16 1.0 2.0|15 1e999 x", "0,,,abc,1e999\r\n"},
            {"csv", "FRAME 0 2|0 4.5 20|ERROR:  12 bad|15 9 20", "0,2,4.5,ERROR:,,12,bad\r\n9\r\n"},
            // The frame on the bar graph: number, channel 15, its bar.
            {"bar", frame3, "3 2.600 0.00693407"},
            {"bar", "FRAME|4 abc|15 abc", " 0.000 0"},
            {"idle", "SET FPS 10|FRAME 0 0|FRAME 0 5|FRAME 0 8", "scanning"},
            {"idle", "SET FPS 10|FRAME 0 8|FRAME 0 9", "idle"},
            {"idle", "SET FPS 0|FRAME 0 0", "idle"},
            // The rate box, FrameInterval and the average box.
            {"rate", "SET PERIOD 500|SET AVG 8", " 15.625 0.064 8"},
            {"rate", "SET PERIOD 500|SET AVG 8|SET PERIOD |SET AVG 4", " 0 0.064 4"},
            {"rate", "SET PERIOD 500|SET AVG 40000", " .003814814 262.136 40000"},
            {"rate", "SET PERIOD 500|SET AVG 8|SET AVG -40000", " 0 0.064 -40000"},
            // Values go in as they are; unknown names and odd lines change nothing.
            {"boxes", "SET FPS 100x|SET CVTUNIT 6.894757 extra|SET PMINL -15|SET NEGPTSL 3",
             "100x 100 6.894757 6.894757 -15 3 "},
            {"boxes", "SET CVTUNIT 6.8|SET CVTUNIT  6.8|SET PERIOD 500", " 1000     500"},
            {"boxes", "SET PERIOD 500|SET period 7|SET  PERIOD 8|SET|SET FOO 1| SET PERIOD 9",
             " 1000 1    500"},
            // Check boxes take exactly "1"; XSCANTRIG sets the trigger too.
            {"switches", "SET XSCANTRIG 1|SET EU 1|SET ZC 1|SET QPKTS 1", "11111"},
            {"switches", "SET XSCANTRIG 1|SET XSCANTRIG true", "00100"},
            {"switches", "SET XSCANTRIG 1|SET XSCANTRIG 01|SET EU 0|SET ZC  1|SET QPKTS 1.0",
             "00000"},
            // The unit list selects an exactly spelled name; a refill selects none.
            {"unit", "SET UNITSCAN KPA", "13 KPA 27"},
            {"unit", "SET UNITSCAN kpa", "-1 kpa 27"},
            {"unit", "SET UNITSCAN KPA|SET UNITSCAN FURLONG", "13 FURLONG 27"},
            {"unit", "SET UNITSCAN KPA|(refill)|(refill)", "-1 KPA 27"},
            // Ranges by banks, or by channels once MAX15 has come.
            {"ranges", "SET PMAXL 15|SET MAX15 115", "15,15,15,15,15,15,15,15,,,,,,,,"},
            {"ranges", "SET MAX16 9|SET MAX01 9|SET max15 9", ",,,,,,,,,,,,,,,"},
            {"ranges", "SET MODEL Q1600PC|SET PMAXL 15|SET PMAXH 30|SET MAX0 100|SET MAX14 114",
             ",,,,,,,,,,,,,,,"},
            {"ranges", "SET MODEL Q1600PC|SET PMAXH 30|SET MAX0 100|SET MAX14 114|SET MAX15 2.5",
             "100,,,,,,,,,,,,,,114,2.5"}};
        for (const auto& [look, lines, shown] : rows)
            QTest::addRow("%s: %s", qPrintable(look), qPrintable(lines.left(40)))
                << look << lines << shown;
    }
    void linesShowWhereTheyBelong() {
        QFETCH(QString, look);
        QFETCH(QString, lines);
        QFETCH(QString, shown);
        using namespace Global;
        for (QString& range : ChannelRange)
            range.clear();
        QString log;
        if (look.contains(QLatin1String("log")) || look == QLatin1String("csv")) {
            log = fx->openLog(look == QLatin1String("csv") ? "t.csv" : "t.log");
            LogScanData = LogErrors = look != QLatin1String("nolog");
            LogListData = LogStatusData = look == QLatin1String("log");
        }
        SetScanMenus();
        for (const QString& line : lines.split(QLatin1Char('|')))
            line == QLatin1String("(refill)") ? InitUnitNames() : HandleQelLine(line);

        QelConfig& d = Config();
        Bar& bar = Registry::get<Bar>();
        const auto on = [](bool b) { return b ? '1' : '0'; };
        QString seen;
        if (look == QLatin1String("panel2"))
            seen = PanelText(2);
        else if (look == QLatin1String("model"))
            seen = PanelText(1) + ' ' + on(ModuleModel) + on(PerChannelMax);
        else if (!log.isEmpty())
            seen = QString::fromLatin1(FileContents(log));
        else if (look == QLatin1String("bar"))
            seen = bar.LabelText("labFrameData") + ' ' + bar.LabelText("labPress", 15) + ' ' +
                   QString::number(BarGeom[15].Width);
        else if (look == QLatin1String("idle"))
            seen = Frame().mnuStartScan->isEnabled() ? "idle" : "scanning";
        else if (look == QLatin1String("rate"))
            seen = d.medRate->text() + ' ' + QString::number(FrameInterval) + ' ' +
                   d.medAverage->text();
        else if (look == QLatin1String("boxes"))
            seen = QStringList({d.medFps->text(), QString::number(FramesPerScan), CvtUnit,
                                d.medCvtUnits->text(), d.medPMinL->text(), d.medNegPtsL->text(),
                                d.medPeriod->text()})
                       .join(' ');
        else if (look == QLatin1String("switches"))
            seen = QString() + on(d.chkXScanTrig->isChecked()) + on(ExtTrigger) +
                   on(d.chkEu->isChecked()) + on(d.chkZc->isChecked()) +
                   on(d.chkQPkts->isChecked());
        else if (look == QLatin1String("unit"))
            seen = QStringLiteral("%1 %2 %3")
                       .arg(d.lstUnitScan->currentIndex())
                       .arg(UnitScan)
                       .arg(d.lstUnitScan->count());
        else if (look == QLatin1String("ranges"))
            seen = QStringList(ChannelRange, ChannelRange + ChannelCount).join(',');
        QCOMPARE(seen, shown);
        QVERIFY(fx->prompt->messages().isEmpty());
    }

    void temperatureDisplayShowsTemperatureButLogsPressure() {
        const QString log = fx->openLog(QStringLiteral("temp.csv"));
        Global::LogScanData = true;
        Frame().mnuBarGraph1Places->trigger();
        Frame().mnuBarGraphTemp->trigger(); // EU on: full scale 70
        for (const QString& line : FrameLines(0).replace("7 1.8 21.5", "7 12.345 23.1").split('|'))
            Global::HandleQelLine(line);
        QCOMPARE(Registry::get<Bar>().LabelText("labPress", 7), QStringLiteral("23.1"));
        QCOMPARE(Global::BarGeom[7].Width, float(0.266695 * double(23.1f) / 70));
        QCOMPARE(FileContents(log).split(',').value(9), QByteArray("12.345"));
    }

    void aFrameReachesTheScreenWhenItsLastChannelArrives() {
        Bar& bar = Registry::get<Bar>();
        QTest::qWait(50); // let the window's first paints settle
        int paints = 0;
        EventTap tap(&bar, [&](QEvent* e) { paints += e->type() == QEvent::Paint; });
        QStringList lines = FrameLines(1).split('|');
        const QString last = lines.takeLast();
        for (const QString& line : lines)
            Global::HandleQelLine(line);
        QTest::qWait(40);
        QCOMPARE(paints, 0); // nothing of a half-received frame is shown
        Global::HandleQelLine(last);
        QCOMPARE(paints, 1); // the whole frame in one paint
        // A frame whose last channel never comes is shown after a while.
        Global::HandleQelLine(QStringLiteral("FRAME 0 2"));
        Global::HandleQelLine(QStringLiteral("0 7 20"));
        QTRY_COMPARE(paints, 2);
        QCOMPARE(bar.LabelText("labFrameData"), QStringLiteral("2"));
    }

    void outgoingCommandsAreLoggedBeforeTheyAreSent() {
        const QString csv = fx->openLog(QStringLiteral("out.csv"));
        Global::LogOutgoing = true;
        QVERIFY(ConnectToUnit(*unit));
        QVERIFY(unit->waitForReceived("List I\r"));
        // With the connection gone a command is still logged (one byte a
        // character), and nothing fails.
        unit->closeClient();
        QTRY_COMPARE(Global::ConnectState, qint16(0));
        Global::SendToQel(QString::fromLatin1("caf\xe9 \xb0\r"));
        QCOMPARE(FileContents(csv), QByteArray("SET,BIN,0\r\r\nSET,FORMAT,0\r\r\nList,I\r\r\n"
                                               "caf\xe9,\xb0\r\r\n"));
        QCOMPARE(fx->prompt->shown.size(), 1); // only the file dialog
    }

    void rowsReachTheFileWithinAFractionOfASecondWhileTheLogStaysOpen() {
        const QString log = fx->openLog(QStringLiteral("rows.log"));
        const auto onDisk = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : -1;
        };
        Global::WriteLog(0, QStringLiteral("alone"));
        QCOMPARE(onDisk(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(onDisk(), 1, 1000); // by the timer
        // Rows that stream in are written by the rows themselves, even while
        // the event loop is held up.
        for (int row = 0; row < 12; ++row) {
            Global::WriteLog(0, QStringLiteral("row"));
            QThread::msleep(40);
        }
        QVERIFY(onDisk() >= 1 + 12 - 5);
    }

    void openLogFileTruncatesAndReplacesTheOpenLogOnlyOnceOpened() {
        Global::OpenLogFile(); // cancelled: nothing changes
        QVERIFY(!Global::LogFileOpen && PanelText(3) == QLatin1String("No Log File"));
        // A name that does not end in "csv" is a plain log; the file is emptied.
        const QString first = WriteFile(fx->dir() + "/first.csv.log", "old content that must go");
        fx->openLog(QStringLiteral("first.csv.log"));
        QCOMPARE(FileContents(first), QByteArray());
        Global::WriteLog(0, QStringLiteral("one 1"));
        Global::OpenLogFile(); // cancelled: the first log goes on
        const QString bad = fx->dir() + QStringLiteral("/no/such/dir/x.csv");
        fx->prompt->fileAnswers.enqueue(bad);
        Global::OpenLogFile(); // fails: the first log goes on as well
        QCOMPARE(fx->prompt->messages(), QStringList{"Error opening log file " + bad});
        QVERIFY(Global::LogFileOpen && Global::LogFileName == first);
        QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + first);
        Global::WriteLog(0, QStringLiteral("two"));
        // One ending in "csv" in any letter case, blanks after it, is comma-separated.
        const QString second = fx->openLog(QStringLiteral("secondCsV  "));
        Global::WriteLog(0, QStringLiteral("three 3"));
        QVERIFY(Global::LogFileName == second && Global::LogIsCsv);
        QCOMPARE(PanelText(3), QStringLiteral("Logging to ") + second);
        Global::CloseLogFile();
        QVERIFY(!Global::LogFileOpen && Global::LogFileName.isEmpty());
        QCOMPARE(PanelText(3), QStringLiteral("No Log File"));
        QCOMPARE(FileContents(first) + FileContents(second), "one 1\r\ntwo\r\nthree,3\r\n");
    }
};

QTEST_MAIN(TestReplies)
#include "tst_replies.moc"
