#include "mainwin/capture.h"

#include "config/qelconfig.h"
#include "core/prompt.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "session/connection.h"
#include "session/effects.h"
#include "session/linkconfig.h"
#include "session/mainform.h"
#include "session/session.h"
#include "session/state.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QSaveFile>

namespace Global {

QString ProgramDirectoryOverride;

QString ProgramDirectory() {
    return ProgramDirectoryOverride.isEmpty() ? QCoreApplication::applicationDirPath()
                                              : ProgramDirectoryOverride;
}

QByteArray ZomraCfgText(const QString& address, const QString& framesPerScan,
                        const QString& fileName) {
    return "SET IPADDR " + address.toLatin1() + "\r\n" + "SET FPS " + framesPerScan.toLatin1() +
           "\r\n" + "SET BFILENAME " + fileName.toLatin1() + "\r\n";
}

bool WriteZomraCfg() {
    const QString path = ProgramDirectory() + QStringLiteral("/Zomra.cfg");
    // The file is replaced as a whole, so the capture program never reads a
    // half-written one.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(ZomraCfgText(Registry::get<Main>().txtIpAdd->text(),
                                Registry::get<QelConfig>().medFps->text(),
                                Registry::get<LinkConfig>().txtHssFileName->text()));
        if (file.commit())
            return true;
    }
    // The file only matters to a high-speed capture: the operator hears of
    // a directory that cannot be written when the switch is on.
    if (HssEnabled)
        MsgBox(QStringLiteral("Could not write the capture configuration file ") + path +
               QStringLiteral(": ") + file.errorString() +
               QStringLiteral(". The high-speed capture cannot start."));
    return false;
}

void HighSpeedStart() {
    if (!WriteZomraCfg())
        return; // the capture program is not started; the session goes on
    Main& main = Registry::get<Main>();
    main.CloseSocket();
    EndSession();
    QString cmdline = ProgramDirectory() + QStringLiteral("/Zomra.exe");
    Registry::get<MDIMain>().ExecCmd(cmdline);
    ShowConnecting();
    main.ConnectToUnit(IpAddress);
}

} // namespace Global

int MDIMain::ExecCmd(QString& cmdline) {
    // The command line names the program; it takes no arguments. Its output
    // goes where this program's goes. The wait blocks this thread on
    // purpose: no window repaints and no event is handled until it ends.
    QProcess process;
    process.setProgram(cmdline);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QIODevice::NotOpen);
    if (!process.waitForStarted(-1)) {
        MsgBox(QStringLiteral("Could not open Zomra.exe"));
        return -1;
    }
    process.waitForFinished(-1);
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
