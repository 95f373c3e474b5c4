// The simulated unit's command parser: what a client sends, cut into
// commands and carried out one after the other on one unit (of the model the
// first byte picks). Beyond not failing: no command is longer than the unit
// takes; every answer is whole lines of printable text, whatever the client
// sent; the error list keeps at most its 50 newest entries and "ERROR" lists
// exactly them.

#include "check.h"
#include "qelsim/cutter.h"
#include "qelsim/unit.h"

namespace {

void CheckAnswer(const QByteArray& text) {
    Check(text.isEmpty() || text.endsWith("\r\n"), "answers are whole lines");
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray body = line.endsWith('\r') ? line.chopped(1) : line;
        for (const char c : body)
            Check(c >= 0x20 && c < 0x7F, "answers are printable text");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QList<qelsim::Unit> fresh = [] { // a unit as it comes from the factory
        QList<qelsim::Unit> units;
        for (const QString& code : qelsim::modelCodes()) {
            qelsim::Model model;
            qelsim::modelFromCode(code, &model);
            units.append(qelsim::Unit(model, 1));
        }
        return units;
    }();
    qelsim::Unit unit = fresh[size ? data[0] % fresh.size() : 0];
    qelsim::CommandCutter cutter;
    for (size_t i = 1; i < size; ++i) {
        qelsim::CutPiece piece;
        if (!cutter.take(char(data[i]), &piece) || piece.kind != qelsim::CutPiece::Command)
            continue;
        Check(piece.command.size() <= qelsim::Unit::kMaxCommandLength, "commands are cut");
        const qelsim::Outcome out = piece.tooLong
                                        ? unit.commandTooLong()
                                        : unit.execute(piece.command, QStringLiteral("10.0.0.2"));
        CheckAnswer(out.text);
        Check(unit.errors().size() <= qelsim::Unit::kMaxErrors, "error list bounded");
        switch (out.action) {
        case qelsim::Action::StopScan:
        case qelsim::Action::Calibrate:
            unit.setStatus(qelsim::UnitStatus::Ready); // the scan or the calibration ends
            break;
        case qelsim::Action::Reboot:
            unit.reboot();
            break;
        default:
            break;
        }
    }
    QByteArray listed;
    for (const QString& e : unit.errors())
        listed += e.toLatin1() + "\r\n";
    Check(unit.execute("ERROR").text == listed, "ERROR lists the error list");
    return 0;
}
