#pragma once
// A clean program for each test: a fresh working directory (for
// "IpHist.cfg"), an empty settings store, Global reset, every window
// destroyed, and a scripted prompt installed.

#include "scriptedprompt.h"

#include <QTemporaryDir>
#include <memory>

class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();

    // Starts the program as main() does: creates the frame window (running
    // its start-up order) and shows it.
    void startProgram();
    // The settings file the program reads and writes.
    QString settingsFile() const;
    QString dir() const { return dir_.path(); }

    ScriptedPrompt* prompt = nullptr;

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};
