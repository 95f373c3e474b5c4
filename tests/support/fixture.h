#pragma once
// A clean program for each test, and the steps tests share. The fixture
// gives a fresh working directory (for "IpHist.cfg"), an empty settings
// store, Global reset, no windows, and a scripted prompt; the waits scaled
// by a test and the program directory it chose are reset afterwards.

#include "core/prompt.h"

#include <QQueue>
#include <QTemporaryDir>
#include <functional>

class FakeUnit;
class QWidget;

struct ShownPrompt {
    QString kind; // "message", "yesno", "open", "save"
    QString title;
    QString text; // message text, or the filter of a file dialog
};

// Answers from queues (No and "cancelled" when empty) and records every box.
class ScriptedPrompt : public Prompt {
public:
    void message(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString openFile(const QString& filter, bool) override { return file("open", filter); }
    QString saveFile(const QString& filter) override { return file("save", filter); }
    QStringList messages() const; // texts of the message boxes, in order

    QQueue<bool> yesNoAnswers;
    QQueue<QString> fileAnswers;
    QList<ShownPrompt> shown;
    std::function<void()> whileOpen; // runs while a message box is "open"

private:
    QString file(const char* kind, const QString& filter);
};

class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();
    // Starts the program as main() does: creates the frame window (running
    // its start-up order) and shows it.
    void startProgram();
    QString settingsFile() const { return dir() + QStringLiteral("/config/OrvikXp.ini"); }
    QString dir() const { return dir_.path(); }
    // Opens the data log `name` in the test's directory through Open Log
    // File, as the operator does; returns its path.
    QString openLog(const QString& name);

    ScriptedPrompt* prompt = nullptr;

private:
    QTemporaryDir dir_;
    QString oldCwd_;
};

// What the file holds, once the data log has written out its buffer.
QByteArray FileContents(const QString& path);
// Writes the file (its folder made first, an executable one runnable); the
// path, or "" when it cannot be written.
QString WriteFile(const QString& path, const QByteArray& content, bool executable = false);
// Shows the connection window, types the address and presses Connect.
void StartConnecting(const QString& address);
// The same with the unit's address; true once the session has started.
bool ConnectToUnit(FakeUnit& unit);
// Connects to a unit answering the settings lists, waits until the
// session's list has ended, stops the status poll and takes a first look.
bool ConnectAndSettle(FakeUnit& unit);
// Everything the unit received since the last look, and nothing else: the
// program sends a mark and the unit waits for it. Shows that an action sent
// nothing without waiting for a time.
QByteArray SentSinceLastLook(FakeUnit& unit);
// Waits until the program has seen the window become its active window.
bool WaitForActivation(QWidget* window);
