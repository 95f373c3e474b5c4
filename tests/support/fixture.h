#pragma once
// A clean program for each test, and the steps tests share. The fixture
// gives a fresh working directory (for "IpHist.cfg"), an empty settings
// store, Global reset, no windows, and a scripted prompt that answers from
// queues and records every box shown.

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

class ScriptedPrompt : public Prompt {
public:
    void message(const QString& text, const QString& title) override;
    bool askYesNo(const QString& text, const QString& title) override;
    QString openFile(const QString& filter, bool mustExist) override;
    QString saveFile(const QString& filter) override;

    QQueue<bool> yesNoAnswers;   // default when empty: No
    QQueue<QString> fileAnswers; // default when empty: "" (cancelled)
    QList<ShownPrompt> shown;
    // Runs while a message box is "open", standing for the operator's time.
    std::function<void()> whileOpen;
    QStringList messages() const; // texts of the message boxes, in order
};

class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();

    // Starts the program as main() does: creates the frame window (running
    // its start-up order) and shows it.
    void startProgram();
    QString settingsFile() const;
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

// Shows the connection window, types the address into txtIpAdd and presses
// Connect, as an operator would; the connection completes later.
void StartConnecting(const QString& address);
// The same with the unit's address; true once the unit holds the connection
// and the session has started.
bool ConnectToUnit(FakeUnit& unit);
// Connects to a unit answering the settings lists, waits until the
// session's list has ended, stops the status poll and forgets what the unit
// received so far.
bool ConnectAndSettle(FakeUnit& unit);
// Everything the unit received since the last look, and nothing else: the
// program sends a mark after it and the unit waits for the mark. Shows that
// an action sent nothing without waiting for a time.
QByteArray SentSinceLastLook(FakeUnit& unit);
// Waits until the program has seen the window become its active window.
bool WaitForActivation(QWidget* window);
