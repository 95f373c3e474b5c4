#include "core/program.h"
#include "core/registry.h"
#include "core/steps.h"
#include "mainwin/mdimain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramName());
    QApplication::setApplicationVersion(ProgramVersion());
    // Lets the desktop match the windows with the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(ORVIK_APP_ID));
    // The frame window runs its start-up order when it is created; closing
    // it (Exit or the window frame) runs the shut-down order and ends the
    // program.
    MDIMain& frame = Registry::get<MDIMain>();
    QApplication::setWindowIcon(frame.windowIcon());
    QObject::connect(&frame, &QObject::destroyed, &app, &QCoreApplication::quit);
    frame.show();
    // Only scripts/screenshots sets this: steps that show the windows in a
    // known state and save pictures of them.
    if (qEnvironmentVariableIsSet("ORVIK_STEPS"))
        RunSteps(qEnvironmentVariable("ORVIK_STEPS"));
    return app.exec();
}
