#pragma once
// The unit's command interpreter: takes one command (the text before its
// CR) and gives the lines the unit answers with, plus what the rest of the
// simulator has to do about it (start or stop a scan, calibrate, reboot).
// It knows nothing of sockets or time.

#include "qelsim/model.h"
#include "qelsim/state.h"

#include <QByteArray>
#include <QStringList>

namespace qelsim {

enum class UnitStatus { Ready, Scanning, Calibrating };

enum class Action { None, StartScan, StopScan, Calibrate, Reboot };

struct Outcome {
    QByteArray text; // the lines to send, each ended by CR LF
    Action action = Action::None;
};

class Unit {
public:
    static constexpr int kMaxErrors = 50;
    static constexpr int kMaxCommandLength = 1024;
    // The number of status answers after which a module-style unit adds a
    // "Module" line.
    static constexpr int kModuleLineEvery = 5;

    Unit(const Model& model, quint64 seed);

    // Carries out one command. localAddress is the unit's own address on
    // the connection the command came in on (listed as IPADDR).
    Outcome execute(const QByteArray& command, const QString& localAddress = QString());
    // The answer to a command longer than kMaxCommandLength.
    Outcome commandTooLong();

    UnitStatus status() const { return status_; }
    void setStatus(UnitStatus status) { status_ = status; }
    // A restart: the saved settings come back, the error list is emptied.
    void reboot();

    UnitState& state() { return state_; }
    const UnitState& state() const { return state_; }
    const UnitState& saved() const { return saved_; }
    const QStringList& errors() const { return errors_; }
    const Model& model() const { return model_; }
    quint64 seed() const { return seed_; }
    QString serialNumber() const;

private:
    void fail(Outcome& out, const QString& text);
    void status(Outcome& out);
    void set(Outcome& out, const QStringList& words);
    void setTemp(Outcome& out, const QStringList& words);
    void list(Outcome& out, const QStringList& words, const QString& localAddress);
    void listPoints(Outcome& out, const QStringList& words, bool mastersOnly);
    void insert(Outcome& out, const QStringList& words);
    void erase(Outcome& out, const QStringList& words);
    void fill(Outcome& out, const QStringList& words);
    // Reads "first last [channel]" of a point command.
    bool pointRange(Outcome& out, const QString& command, const QStringList& args, int* first,
                    int* last, int* channelFrom, int* channelTo);
    void calibrateZero();

    Model model_;
    quint64 seed_;
    UnitState state_;
    UnitState saved_;
    QStringList errors_;
    UnitStatus status_ = UnitStatus::Ready;
    int statusAnswers_ = 0;
};

// A word of received text made safe to echo in an error line: printable
// ASCII only, at most 24 characters.
QString echoable(const QString& word);

} // namespace qelsim
