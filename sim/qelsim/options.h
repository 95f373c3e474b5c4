#pragma once
// The simulator's command line.

#include "qelsim/model.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace qelsim {

enum class SplitMode {
    None,   // every reply and every batch of frames in one write
    Fixed,  // writes of splitBytes bytes each
    Random, // writes of 1 to 32 bytes, sizes drawn from the seed
    CrLf,   // every write ends between a CR and its LF
};

struct SimOptions {
    quint16 port = 23;
    QHostAddress bind = QHostAddress(QHostAddress::AnyIPv4);
    Model model;
    quint64 seed = 1;
    QString recordFile;       // commands received
    QString recordOutputFile; // bytes sent, exactly
    QString recordFramesFile; // binary frames sent, as text rows
    int rebootMs = 20000;     // refusing connections after "reboot"
    int calibrateMs = 300;    // time "CALZ" keeps the unit busy
    bool maxRate = false;     // scan frames as fast as the connection takes them
    // Fault modes
    int silentAfter = -1;      // answer this many commands, then send nothing
    int closeAfterFrames = -1; // close the connection after this many frames
    SplitMode split = SplitMode::None;
    int splitBytes = 0;
    int splitDelayMs = 2; // pause between split writes
    int slowMs = 0;       // delay before every answer
    int refuseNext = 0;   // connections to refuse (accepted and closed at once)
};

enum class ParseResult { Run, Help, Version, Error };

// Reads the arguments (argv[0] first). On Help or Version, *text holds what
// to print; on Error, the message.
ParseResult parseOptions(const QStringList& arguments, SimOptions* options, QString* text);

} // namespace qelsim
