// Files to and from the unit: the command file upload against a scripted
// fake unit, the sensor profile windows fed through the reply dispatcher, and
// all three windows against the simulated unit.

#include "program.h"
#include "qelsim/simulator.h"

namespace {

// A unit's listing of one kind of line for channels 0 to 15.
QStringList Listing(const char* format) {
    QStringList lines;
    for (int ch = 0; ch < 16; ++ch)
        lines << QString::fromLatin1(format).arg(ch);
    return lines;
}
const QStringList Lists = Listing("SET TEMP %1 OFFSET .1 0 0") + Listing("SET TEMP %1 GAIN 1 0 0") +
                          Listing("SET ABS%1 1") + Listing("SET MIN%1 -5") +
                          Listing("SET MAX%1 5") + Listing("SET NEGPTS%1 7");
const QStringList Channel2 = QString("SET TEMP 2 OFFSET .1 0 0|SET TEMP 2 GAIN 1 0 0|SET ABS2 1|"
                                     "SET MIN2 -5|SET MAX2 5|SET NEGPTS2 7|INSERT 0 2 25 -5 2768")
                                 .split('|');
const QStringList Ready = {"READY", "STATUS: READY", "READY"};

} // namespace

class TestFiles : public ProgramTest {
    Q_OBJECT
private slots:
    void uploadSendsALinePerDwellUntilTheEnd_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("dwell");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("lines");
        QTest::newRow("A, empty, B at 300")
            << QByteArray("A\r\n\r\nB\r\n") << 300 << QByteArray("A\rB\r") << 3;
        QTest::newRow("LF, no end") << QByteArray("A\nB") << 20 << QByteArray("A\rB\r") << 2;
    }
    void uploadSendsALinePerDwellUntilTheEnd() {
        QFETCH(QByteArray, content);
        QFETCH(int, dwell);
        QFETCH(QByteArray, sent);
        QFETCH(int, lines);
        QVERIFY(ConnectAndSettle(*unit));
        QElapsedTimer clock;
        clock.start();
        Upload* window = upload(content, QString::number(dwell));
        QVERIFY(window && !window->cmdClose->isEnabled() &&
                !Registry::get<Main>().Command1->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(window->labUploadFileName->text(), QString("End of file reached"),
                                  4000);
        // A tick per line and one that finds the end, each a whole dwell apart.
        QVERIFY2(clock.elapsed() >= (lines + 1) * dwell,
                 qPrintable(QString::number(clock.elapsed())));
        QVERIFY(window->cmdClose->isEnabled());
        QCOMPARE(SentSinceLastLook(*unit), sent);
        QCOMPARE(window->SentText().toLatin1(), QByteArray(sent).replace("\r", "\r\n"));
    }
    void cancelOrClosingStopsTheUploadAndOneRunsAtATime() {
        QVERIFY(ConnectAndSettle(*unit));
        Upload* window = upload("A\nB\n", "1500");
        QVERIFY(window && unit->waitForReceived("A\r"));
        window->cmdCancel->click();
        QCOMPARE(window->labUploadFileName->text(), QString("Upload canceled"));
        Registry::get<MDIMain>().activateWindow();
        QVERIFY(WaitForActivation(&Registry::get<MDIMain>()));
        window->showForm();
        QVERIFY(WaitForActivation(window));
        QTest::qWait(250);
        window->close();
        QVERIFY(Registry::get<Main>().Command1->isEnabled());
        window = upload("Y\nZ\n", "1500");
        QVERIFY(window && unit->waitForReceived("Y\r"));
        window->close(); // by its frame, during the upload
        window = upload("Q\n", "100");
        fx->prompt->fileAnswers << fx->dir() + "/none";
        Registry::get<MDIMain>().mnuUploadFileToQel->trigger();
        QCOMPARE(fx->prompt->messages(),
                 QStringList("Error opening upload file " + fx->dir() + "/none"));
        QTRY_COMPARE(window->labUploadFileName->text(), QString("End of file reached"));
        QCOMPARE(SentSinceLastLook(*unit), QByteArray("A\rY\rQ\r"));
    }
    void creationRecordsItsChannelAndAdvancesOnChannel15_data() {
        QTest::addColumn<QString>("position");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("recorded");
        QTest::addColumn<QString>("status");
        const QStringList all = Lists + Channel2.mid(6) + Ready;
        const QStringList temp15 = {"SET TEMP 14 OFFSET 1 0 0", "SET TEMP 15 OFFSET 2 0 0"};
        const QString done = "Done creating file";
        QTest::newRow("3: channel 2 in order") << "3" << 1 << all << Channel2 << done;
        QTest::newRow("Start twice") << "3" << 2 << all << Channel2 + Channel2 << done;
        QTest::newRow("2 READY lines")
            << "3" << 1 << all.mid(0, 98) << Channel2 << "Rcvd: " + Channel2[6];
        for (const char* position : {"16", "20"})
            QTest::newRow(position) << position << 1 << temp15 << temp15.mid(1) << "Sent: LIST G";
        for (const char* position : {"0", "x"})
            QTest::newRow(position)
                << position << 1 << Lists.mid(0, 2) << Lists.mid(0, 1) << "Rcvd: " + Lists[0];
        QTest::newRow("ABS15 in step 3")
            << "3" << 1 << Lists.mid(0, 32) + temp15 + QStringList("SET ABS15 0")
            << Channel2.mid(0, 2) << "Sent: LIST L";
        // A module-style unit is asked for points 0 to 59 (with the simulated
        // units: everyKindOfSimulatedUnitStartsItsSessionAndTakesAMovedProfile).
        QTest::newRow("points 0 to 69")
            << "3" << 1 << Lists << Channel2.mid(0, 6) << "Sent: LIST M 0 69 2";
    }
    void creationRecordsItsChannelAndAdvancesOnChannel15() {
        QFETCH(QString, position);
        QFETCH(int, runs);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, recorded);
        QFETCH(QString, status);
        const QString path = fx->dir() + "/p.spf";
        CreateSPF& window = profileWindow<CreateSPF>(path);
        QTRY_COMPARE(window.windowTitle(), "Creating " + path);
        window.txtSensorPosition->setText(position);
        for (int run = 0; run < runs; ++run) {
            window.btnStart->click();
            for (const QString& line : lines)
                Global::HandleQelLine(line);
        }
        QCOMPARE(window.labStatusText->text(), status);
        window.btnExit->click();
        QCOMPARE(QString(FileContents(path)),
                 recorded.isEmpty() ? QString() : recorded.join("\r\n") + "\r\n");
    }
    void modLineRewritesTheChannelKeepingTheLinesOwnPrefix_data() {
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("sent");
        const char* const cases[][4] = {
            {"TEMP 3 to 7", "7", "SET TEMP 2 1.0 2.0", "SET TEMP 6 1.0 2.0"},
            {"NEGPTS to 12", "12", "SET NEGPTS2 3", "SET NEGPTS11 3"},
            {"MIN 16 to 12", "12", "SET MIN15 0", "SET MIN11 0"},
            {"INSERT 16 to 3", "3", "INSERT 12 15 25 1 2", "INSERT 12 2 25 1 2"},
            {"lower case", "12", "set abs2 5", "set abs11 5"},
            {"INSERT, 2 fields", "7", "INSERT 4", ""},
            {"INSERT, no values", "7", "INSERT 4 2", ""},
            {"another line", "7", "SET PERIOD 500", ""}};
        for (const auto& c : cases)
            QTest::newRow(c[0]) << QString(c[1]) << QString(c[2]) << QString(c[3]);
    }
    void modLineRewritesTheChannelKeepingTheLinesOwnPrefix() {
        QFETCH(QString, position);
        QFETCH(QString, line);
        QFETCH(QString, sent);
        QCOMPARE(UploadSPF::ModLine(line, ProfileWindow::ChannelOfPosition(position)), sent);
    }
    void uploadWaitsForTheSecondReadyAndACancelledDialogClosesQuietly() {
        profileWindow<CreateSPF>("");
        QTRY_VERIFY(!Registry::peek<CreateSPF>());
        UploadSPF& window =
            profileWindow<UploadSPF>(WriteFile(fx->dir() + "/p.spf", "SET ABS2 1\n"));
        QTRY_VERIFY(window.windowTitle().startsWith("Uploading "));
        window.tmrUpload->setInterval(1);
        window.btnStart->click();
        const auto after = [&](const char* line) {
            Global::HandleQelLine(line);
            return window.labStatusText->text();
        };
        QCOMPARE(after("STATUS: READY"), QString("Sent: DELETE 0 69 0"));
        QVERIFY(!window.tmrUpload->isActive());
        after("READY");
        QTRY_VERIFY(!window.tmrUpload->isActive() && after("") == "Sent: SET ABS0 1");
        QCOMPARE(after("FILLED 3"), QString("Sent: FILL"));
        QCOMPARE(after("READY"), QString("Sent: FILL"));
        QCOMPARE(after("READY"), QString("Done with upload, push SAVE to save in QEL"));
        QCOMPARE(fx->prompt->messages(), QStringList());
    }
    void everyKindOfSimulatedUnitStartsItsSessionAndTakesAMovedProfile_data() {
        QTest::addColumn<QString>("model");
        for (const QString& code : qelsim::modelCodes())
            QTest::newRow(qPrintable(code)) << code;
    }
    void everyKindOfSimulatedUnitStartsItsSessionAndTakesAMovedProfile() {
        QFETCH(QString, model);
        qelsim::SimOptions options;
        options.port = 0;
        options.bind = QHostAddress(QHostAddress::LocalHost);
        QVERIFY(qelsim::modelFromCode(model, &options.model));
        qelsim::Simulator sim(options);
        QVERIFY(sim.start(nullptr));
        StartConnecting(QStringLiteral("127.0.0.1:%1").arg(sim.port()));
        Main& main = Registry::get<Main>();
        QTRY_VERIFY_WITH_TIMEOUT(Global::ConnectState == 2 && !main.tmrResponse->isActive(), 10000);
        main.tmrStatus->setInterval(100);
        // The session started without a time-out; the model's kind reached the
        // program, and with it the source of the ranges (50 psi on channel 15
        // of the simulated per-channel units).
        QCOMPARE(PanelText(1),
                 QStringLiteral("Connected to 127.0.0.1:%1 (Model %2)").arg(sim.port()).arg(model));
        const qelsim::Model& m = sim.unit().model();
        QVERIFY(Global::ModuleModel == m.moduleStyle &&
                Global::PerChannelMax == m.perChannelRanges);
        QCOMPARE(Global::ChannelRange[15], m.perChannelRanges ? "50" : "15");
        QVERIFY(fx->prompt->messages().isEmpty());

        // A command file first: the profile then holds what it set.
        QVERIFY(upload("SET ABS2 1\r\n\r\nset max2 9", "20"));
        QTRY_COMPARE(Registry::get<Upload>().labUploadFileName->text(),
                     QString("End of file reached"));
        Registry::get<Upload>().cmdClose->click();
        const QString from3 = fx->dir() + "/from3.spf";
        const QString profile = createProfile(from3, "3");
        QVERIFY2(profile.contains("\r\nSET ABS2 1\r\n") && profile.contains("\r\nSET MAX2 9\r\n") &&
                     profile.count("\r\nINSERT ") >= 10,
                 qPrintable(profile));

        fx->prompt->fileAnswers << from3;
        Registry::get<MDIMain>().mnuUploadSensorProfileFile->trigger();
        UploadSPF& upload = Registry::get<UploadSPF>();
        QTRY_COMPARE(upload.windowTitle(), "Uploading " + from3);
        upload.txtSensorPosition->setText("7");
        upload.tmrUpload->setInterval(10);
        upload.btnStart->click();
        QCOMPARE(upload.labStatusText->text(),
                 QString("Sent: DELETE 0 %1 6").arg(Global::ModuleModel ? 59 : 69));
        QTRY_COMPARE(upload.labStatusText->text(),
                     QString("Done with upload, push SAVE to save in QEL"));
        upload.btnSave->click();
        QTRY_VERIFY(sim.unit().saved().channels[6].tempGain ==
                    sim.unit().state().channels[2].tempGain);

        QString moved = profile;
        moved.replace(QRegularExpression("^(SET TEMP |SET [A-Z]+|INSERT \\d+ )2 ",
                                         QRegularExpression::MultilineOption),
                      "\\16 ");
        QCOMPARE(createProfile(fx->dir() + "/from7.spf", "7"), moved);
    }

private:
    // Chooses a file of this content from the menu; the window once active.
    Upload* upload(const QByteArray& content, const QString& dwell) {
        Global::UploadDwell = dwell;
        fx->prompt->fileAnswers << WriteFile(fx->dir() + "/c" + QString::number(++files), content);
        Registry::get<MDIMain>().mnuUploadFileToQel->trigger();
        Upload* window = Registry::peek<Upload>();
        return window && WaitForActivation(window) ? window : nullptr;
    }
    template <class W> W& profileWindow(const QString& path) {
        fx->prompt->fileAnswers << path;
        Registry::get<W>().showForm();
        return Registry::get<W>();
    }
    // A profile created from the position through the Sensor menu.
    QString createProfile(const QString& path, const QString& position) {
        fx->prompt->fileAnswers << path;
        Registry::get<MDIMain>().mnuCreateSensorProfileFile->trigger();
        CreateSPF& window = Registry::get<CreateSPF>();
        if (!QTest::qWaitFor([&] { return window.windowTitle() == "Creating " + path; }))
            return "<no file>";
        window.txtSensorPosition->setText(position);
        window.btnStart->click();
        if (!QTest::qWaitFor([&] { return window.labStatusText->text() == "Done creating file"; }))
            return "<not done: " + window.labStatusText->text() + ">";
        window.btnExit->click();
        return FileContents(path);
    }
    int files = 0;
};

QTEST_MAIN(TestFiles)
#include "tst_files.moc"
