// bargraph_picture: a picture of the bar graph window during a scan.
//
// Runs the simulated unit in-process, connects the real program to it,
// opens the bar graph, starts a scan and, once some frames have arrived,
// grabs the bar graph's window (title bar included) into a PNG file.
//
// Usage: bargraph_picture [OUTPUT.png]   (default: docs/bargraph.png)
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "bargraph/bar.h"
#include "core/registry.h"
#include "fixture.h"
#include "mainwin/mdimain.h"
#include "qelsim/simulator.h"
#include "session/mainform.h"
#include "session/state.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    // Resolved before the fixture moves into its own working directory.
    const QString output =
        QFileInfo(args.value(1, QStringLiteral("docs/bargraph.png"))).absoluteFilePath();

    ProgramFixture fx;
    qelsim::SimOptions options;
    options.port = 0;
    options.bind = QHostAddress(QHostAddress::LocalHost);
    options.seed = 11;
    qelsim::Simulator sim(options);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "bargraph_picture: %s\n", qPrintable(error));
        return 1;
    }

    fx.startProgram();
    MDIMain& frame = Registry::get<MDIMain>();
    frame.resize(1200, 900);
    Main& main = Registry::get<Main>();
    main.txtIpAdd->setText(QStringLiteral("127.0.0.1:%1").arg(sim.port()));
    main.Command1->click();
    if (!QTest::qWaitFor([] { return Global::ConnectState == 2 && Global::FrameInterval > 0; },
                         10000)) {
        std::fprintf(stderr, "bargraph_picture: no session with the simulator\n");
        return 1;
    }
    QTest::qWait(300);

    frame.mnuBarGraph2Places->trigger();
    frame.mnuBarGraphOpen->trigger();
    Bar& bar = Registry::get<Bar>();
    QMdiSubWindow* sub = bar.subWindow();
    if (sub) {
        sub->move(0, 0);
        sub->resize(sub->size() - bar.size() + QSize(960, 560));
    }
    frame.mnuStartScan->trigger();
    if (!QTest::qWaitFor([&] { return bar.LabelText("labFrameData").toInt() >= 40; }, 20000)) {
        std::fprintf(stderr, "bargraph_picture: the scan did not reach frame 40\n");
        return 1;
    }
    QWidget* window = sub ? static_cast<QWidget*>(sub) : static_cast<QWidget*>(&bar);
    const QImage image = window->grab().toImage();
    frame.mnuStop->trigger();

    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "bargraph_picture: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("bargraph_picture: wrote %s (%dx%d, frame %s)\n", qPrintable(output), image.width(),
                image.height(), qPrintable(bar.LabelText("labFrameData")));
    return 0;
}
