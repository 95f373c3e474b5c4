#include "fixture.h"

#include "core/activation.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "session/state.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

ProgramFixture::ProgramFixture() {
    oldCwd_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    // The settings store lives under XDG_CONFIG_HOME; point it into the
    // test's own directory so that no test sees another's settings.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path() + QStringLiteral("/config")));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       dir_.path() + QStringLiteral("/config"));
    Registry::unloadAll();
    Activation::reset();
    Global::Reset();
    prompt = InstallScriptedPrompt();
}

ProgramFixture::~ProgramFixture() {
    Registry::unloadAll();
    Activation::reset();
    Global::Reset();
    QDir::setCurrent(oldCwd_);
}

void ProgramFixture::startProgram() {
    MDIMain& frame = Registry::get<MDIMain>();
    frame.show();
}

QString ProgramFixture::settingsFile() const {
    return dir_.path() + QStringLiteral("/config/OrvikXp.ini");
}
