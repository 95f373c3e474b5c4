#include "fixture.h"

#include "core/activation.h"
#include "core/registry.h"
#include "fakeunit.h"
#include "mainwin/capture.h"
#include "mainwin/logfile.h"
#include "mainwin/mdimain.h"
#include "session/log.h"
#include "session/mainform.h"
#include "session/send.h"
#include "session/state.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

void ScriptedPrompt::message(const QString& text, const QString& title) {
    shown.append({QStringLiteral("message"), title, text});
    if (whileOpen)
        whileOpen();
}

bool ScriptedPrompt::askYesNo(const QString& text, const QString& title) {
    shown.append({QStringLiteral("yesno"), title, text});
    return !yesNoAnswers.isEmpty() && yesNoAnswers.dequeue();
}

QString ScriptedPrompt::file(const char* kind, const QString& filter) {
    shown.append({QLatin1String(kind), QString(), filter});
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QStringList ScriptedPrompt::messages() const {
    QStringList list;
    for (const ShownPrompt& p : shown)
        if (p.kind == QLatin1String("message"))
            list << p.text;
    return list;
}

ProgramFixture::ProgramFixture() : oldCwd_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
    // The settings store lives under XDG_CONFIG_HOME; point it into the
    // test's own directory so that no test sees another's settings.
    const QString config = dir_.path() + QStringLiteral("/config");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    Registry::unloadAll();
    Activation::reset();
    Global::Reset();
    auto scripted = std::make_unique<ScriptedPrompt>();
    prompt = scripted.get();
    installPrompt(std::move(scripted));
}

ProgramFixture::~ProgramFixture() {
    Registry::unloadAll();
    Activation::reset();
    Global::Reset();
    Global::PauseScale = 1.0;
    Global::ProgramDirectoryOverride.clear();
    QDir::setCurrent(oldCwd_);
}

void ProgramFixture::startProgram() {
    Registry::get<MDIMain>().show();
}

QString ProgramFixture::openLog(const QString& name) {
    const QString path = dir() + QLatin1Char('/') + name;
    prompt->fileAnswers.enqueue(path);
    Global::OpenLogFile();
    return path;
}

QByteArray FileContents(const QString& path) {
    Global::FlushLog();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString WriteFile(const QString& path, const QByteArray& content, bool executable) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    if (executable)
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    return path;
}

void StartConnecting(const QString& address) {
    Main& main = Registry::get<Main>();
    main.showForm();
    main.txtIpAdd->setText(address);
    main.Command1->click();
}

bool ConnectToUnit(FakeUnit& unit) {
    StartConnecting(unit.address());
    return QTest::qWaitFor([&] { return unit.isConnected() && Global::ConnectState == 2; });
}

bool ConnectAndSettle(FakeUnit& unit) {
    unit.answerStandardLists();
    Main& main = Registry::get<Main>();
    if (!ConnectToUnit(unit) || !unit.waitForReceived("List S\r") ||
        !QTest::qWaitFor([&] { return !main.tmrResponse->isActive(); }))
        return false;
    main.tmrStatus->stop();
    SentSinceLastLook(unit);
    return true;
}

QByteArray SentSinceLastLook(FakeUnit& unit) {
    const QByteArray mark = QByteArrayLiteral("#look#\r");
    Global::SendToQel(QString::fromLatin1(mark));
    if (!unit.waitForReceived(mark))
        return QByteArrayLiteral("<mark never arrived>");
    const QByteArray all = unit.received();
    unit.clearReceived();
    const qsizetype at = all.indexOf(mark);
    if (at + mark.size() < all.size())
        return "<bytes after the mark: " + all.mid(at + mark.size()) + '>';
    return all.left(at);
}

bool WaitForActivation(QWidget* window) {
    return QTest::qWaitFor([&] { return Activation::lastProgramWindow() == window; });
}
