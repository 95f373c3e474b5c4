#include "qelsim/unit.h"

#include "qelsim/signal.h"

#include <cmath>

namespace qelsim {

namespace {

void line(Outcome& out, const QString& text) {
    out.text += text.toLatin1();
    out.text += "\r\n";
}

// Words are separated by blanks and tabs only: any other control byte
// stays inside its word, so a command run together with the next one by a
// line feed is not taken for two commands.
QStringList words(const QString& command) {
    QStringList result;
    QString word;
    for (QChar c : command) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (!word.isEmpty())
                result << word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.isEmpty())
        result << word;
    return result;
}

bool readInt(const QString& text, int lo, int hi, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= lo && *value <= hi;
}

bool readNumbers(const QStringList& texts, std::array<QString, 3>* values) {
    if (texts.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double v = texts[i].toDouble(&ok);
        if (!ok || !std::isfinite(v))
            return false;
        (*values)[i] = numberText(v);
    }
    return true;
}

QString joined(const std::array<QString, 3>& values) {
    return values[0] + QLatin1Char(' ') + values[1] + QLatin1Char(' ') + values[2];
}

bool isReadOnly(const QString& name) {
    static const QStringList kFixed = {QStringLiteral("MODEL"), QStringLiteral("SERNUM"),
                                       QStringLiteral("VERSION"), QStringLiteral("IPADDR")};
    if (kFixed.contains(name))
        return true;
    for (const char* prefix : {"ZERO", "DELTA"}) {
        const QLatin1String p(prefix);
        if (name.startsWith(p)) {
            int ch = 0;
            if (readInt(name.mid(p.size()), 0, kChannels - 1, &ch))
                return true;
        }
    }
    return false;
}

const char* statusWord(UnitStatus status) {
    switch (status) {
    case UnitStatus::Scanning:
        return "SCANNING";
    case UnitStatus::Calibrating:
        return "CALIBRATING";
    case UnitStatus::Ready:
        break;
    }
    return "READY";
}

} // namespace

QString echoable(const QString& word) {
    QString out;
    for (QChar c : word) {
        if (out.size() == 24) {
            out += QLatin1String("...");
            break;
        }
        const ushort u = c.unicode();
        out += (u >= 0x21 && u < 0x7F) ? c : QLatin1Char('?');
    }
    return out;
}

Unit::Unit(const Model& model, quint64 seed)
    : model_(model), seed_(seed), state_(model, seed), saved_(state_) {}

QString Unit::serialNumber() const {
    return QString::number(16000 + mix64(seed_) % 1000);
}

void Unit::reboot() {
    state_ = saved_;
    errors_.clear();
    status_ = UnitStatus::Ready;
    statusAnswers_ = 0;
}

void Unit::fail(Outcome& out, const QString& text) {
    const QString entry = QStringLiteral("ERROR: ") + text;
    errors_ << entry;
    while (errors_.size() > kMaxErrors)
        errors_.removeFirst();
    line(out, entry);
}

Outcome Unit::commandTooLong() {
    Outcome out;
    fail(out, QStringLiteral("COMMAND TOO LONG"));
    return out;
}

Outcome Unit::execute(const QByteArray& command, const QString& localAddress) {
    Outcome out;
    const QStringList w = words(QString::fromLatin1(command));
    if (w.isEmpty())
        return out;
    const QString verb = w[0].toUpper();
    const QStringList args = w.mid(1);

    static const QStringList kBare = {
        QStringLiteral("STATUS"), QStringLiteral("SCAN"),  QStringLiteral("STOP"),
        QStringLiteral("CALZ"),   QStringLiteral("SAVE"),  QStringLiteral("REBOOT"),
        QStringLiteral("ERROR"),  QStringLiteral("CLEAR"), QStringLiteral("HELP")};
    if (kBare.contains(verb) && !args.isEmpty()) {
        fail(out, QStringLiteral("UNEXPECTED WORDS AFTER ") + verb);
        return out;
    }

    if (verb == QLatin1String("STATUS")) {
        status(out);
    } else if (verb == QLatin1String("SCAN")) {
        if (status_ == UnitStatus::Scanning) {
            fail(out, QStringLiteral("ALREADY SCANNING"));
        } else if (status_ == UnitStatus::Calibrating) {
            fail(out, QStringLiteral("BUSY CALIBRATING"));
        } else {
            status_ = UnitStatus::Scanning;
            out.action = Action::StartScan;
        }
    } else if (verb == QLatin1String("STOP")) {
        if (status_ == UnitStatus::Scanning)
            out.action = Action::StopScan;
    } else if (verb == QLatin1String("CALZ")) {
        if (status_ == UnitStatus::Scanning) {
            fail(out, QStringLiteral("BUSY SCANNING"));
        } else if (status_ == UnitStatus::Ready) {
            calibrateZero();
            status_ = UnitStatus::Calibrating;
            out.action = Action::Calibrate;
        }
    } else if (verb == QLatin1String("SAVE")) {
        saved_ = state_;
    } else if (verb == QLatin1String("REBOOT")) {
        out.action = Action::Reboot;
    } else if (verb == QLatin1String("ERROR")) {
        for (const QString& e : errors_)
            line(out, e);
    } else if (verb == QLatin1String("CLEAR")) {
        errors_.clear();
    } else if (verb == QLatin1String("SET")) {
        set(out, args);
    } else if (verb == QLatin1String("LIST")) {
        list(out, args, localAddress);
    } else if (verb == QLatin1String("INSERT")) {
        insert(out, args);
    } else if (verb == QLatin1String("DELETE")) {
        erase(out, args);
    } else if (verb == QLatin1String("FILL")) {
        fill(out, args);
    } else if (verb == QLatin1String("HELP")) {
        line(out, QStringLiteral("COMMANDS: STATUS SCAN STOP CALZ SAVE REBOOT ERROR CLEAR SET "
                                 "LIST INSERT DELETE FILL HELP"));
        line(out, QStringLiteral("LISTS: I C H S O G B L N D Z M A"));
    } else {
        fail(out, QStringLiteral("UNKNOWN COMMAND ") + echoable(w[0]));
    }
    return out;
}

void Unit::status(Outcome& out) {
    const QLatin1String word(statusWord(status_));
    if (!model_.moduleStyle) {
        line(out, QStringLiteral("STATUS: ") + word);
        return;
    }
    line(out, QStringLiteral("Status->") + word);
    ++statusAnswers_;
    if (statusAnswers_ % kModuleLineEvery == 0) {
        const int module = (statusAnswers_ / kModuleLineEvery - 1) % 4;
        line(out, QStringLiteral("Module %1 ok").arg(module));
    }
}

void Unit::set(Outcome& out, const QStringList& words) {
    if (words.isEmpty()) {
        fail(out, QStringLiteral("MISSING SETTING NAME"));
        return;
    }
    const QString name = words[0].toUpper();
    if (name == QLatin1String("TEMP")) {
        setTemp(out, words.mid(1));
        return;
    }
    if (isReadOnly(name)) {
        fail(out, echoable(name) + QStringLiteral(" IS READ-ONLY")); // as the client spelt it
        return;
    }
    const QString error = state_.set(name, words.mid(1));
    if (!error.isEmpty()) {
        // The name and value come from the client: echo them safely.
        QStringList safe;
        for (const QString& part : error.split(QLatin1Char(' ')))
            safe << echoable(part);
        fail(out, safe.join(QLatin1Char(' ')));
    }
}

void Unit::setTemp(Outcome& out, const QStringList& words) {
    int channel = 0;
    std::array<QString, 3> values;
    if (words.size() != 5 || !readInt(words[0], 0, kChannels - 1, &channel) ||
        !readNumbers(words.mid(2), &values)) {
        fail(out, QStringLiteral("SET TEMP NEEDS CHANNEL, OFFSET OR GAIN AND THREE NUMBERS"));
        return;
    }
    const QString kind = words[1].toUpper();
    if (kind == offsetWord()) {
        state_.channels[channel].tempOffset = values;
    } else if (kind == gainWord()) {
        state_.channels[channel].tempGain = values;
    } else {
        fail(out, QStringLiteral("SET TEMP NEEDS CHANNEL, OFFSET OR GAIN AND THREE NUMBERS"));
    }
}

void Unit::list(Outcome& out, const QStringList& words, const QString& localAddress) {
    if (words.isEmpty()) {
        fail(out, QStringLiteral("MISSING LIST LETTER"));
        return;
    }
    const QString letter = words[0].toUpper();
    if (letter == QLatin1String("M") || letter == QLatin1String("A")) {
        listPoints(out, words.mid(1), letter == QLatin1String("M"));
        return;
    }
    if (words.size() > 1) {
        fail(out, QStringLiteral("UNEXPECTED WORDS AFTER LIST ") + echoable(letter));
        return;
    }
    auto setting = [&](const QString& name) {
        line(out, QStringLiteral("SET ") + name + QLatin1Char(' ') + state_.value(name));
    };
    auto perChannel = [&](const QString& prefix) {
        for (int ch = 0; ch < kChannels; ++ch)
            setting(prefix + QString::number(ch));
    };
    if (letter == QLatin1String("I")) {
        line(out, QStringLiteral("SET MODEL ") + model_.code);
        line(out, QStringLiteral("SET SERNUM ") + serialNumber());
        line(out, QStringLiteral("SET VERSION 1.07"));
        line(out, QStringLiteral("SET IPADDR ") +
                      (localAddress.isEmpty() ? QStringLiteral("0") : localAddress));
        setting(QStringLiteral("HOST"));
    } else if (letter == QLatin1String("C")) {
        for (const QString& name : UnitState::calibrationGroup())
            setting(name);
    } else if (letter == QLatin1String("S")) {
        for (const QString& name : UnitState::scanGroup())
            setting(name);
    } else if (letter == QLatin1String("H")) {
        perChannel(QStringLiteral("MAX"));
    } else if (letter == QLatin1String("L")) {
        perChannel(QStringLiteral("MIN"));
    } else if (letter == QLatin1String("B")) {
        perChannel(QStringLiteral("ABS"));
    } else if (letter == QLatin1String("N")) {
        perChannel(QStringLiteral("NEGPTS"));
    } else if (letter == QLatin1String("O") || letter == QLatin1String("G")) {
        const bool offsets = letter == QLatin1String("O");
        for (int ch = 0; ch < kChannels; ++ch) {
            const ChannelData& data = state_.channels[ch];
            line(out, QStringLiteral("SET TEMP %1 %2 %3")
                          .arg(ch)
                          .arg(offsets ? offsetWord() : gainWord(),
                               joined(offsets ? data.tempOffset : data.tempGain)));
        }
    } else if (letter == QLatin1String("Z") || letter == QLatin1String("D")) {
        const double factor = state_.unitFactor();
        for (int ch = 0; ch < kChannels; ++ch) {
            const double zero = state_.channels[ch].zeroPsi;
            if (letter == QLatin1String("Z")) {
                const RangePsi r = state_.range(ch);
                const double half = r.max > r.min ? (r.max - r.min) / 2.0 : 1.0;
                line(out, QStringLiteral("SET ZERO%1 %2")
                              .arg(ch)
                              .arg(std::llround(zero / half * 30000.0)));
            } else {
                line(out, QStringLiteral("SET DELTA%1 %2").arg(ch).arg(numberText(zero * factor)));
            }
        }
    } else {
        fail(out, QStringLiteral("UNKNOWN LIST ") + echoable(letter));
    }
}

bool Unit::pointRange(Outcome& out, const QString& command, const QStringList& args, int* first,
                      int* last, int* channelFrom, int* channelTo) {
    const int top = model_.lastPoint();
    if (args.size() < 2 || args.size() > 3) {
        fail(out, command + QStringLiteral(" NEEDS FIRST AND LAST POINT AND A CHANNEL"));
        return false;
    }
    if (!readInt(args[0], 0, top, first) || !readInt(args[1], 0, top, last) || *first > *last) {
        fail(out, QStringLiteral("%1 POINTS MUST BE 0 TO %2, FIRST NOT AFTER LAST")
                      .arg(command)
                      .arg(top));
        return false;
    }
    *channelFrom = 0;
    *channelTo = kChannels - 1;
    if (args.size() == 3) {
        if (!readInt(args[2], 0, kChannels - 1, channelFrom)) {
            fail(out, QStringLiteral("BAD CHANNEL ") + echoable(args[2]));
            return false;
        }
        *channelTo = *channelFrom;
    }
    return true;
}

void Unit::listPoints(Outcome& out, const QStringList& args, bool mastersOnly) {
    int first, last, from, to;
    if (!pointRange(out, mastersOnly ? QStringLiteral("LIST M") : QStringLiteral("LIST A"), args,
                    &first, &last, &from, &to))
        return;
    for (int ch = from; ch <= to; ++ch) {
        const ChannelData& data = state_.channels[ch];
        for (int p = first; p <= last; ++p) {
            const PointSlot& slot = data.points[p];
            if (slot.kind == PointSlot::Empty || (mastersOnly && slot.kind != PointSlot::Master))
                continue;
            line(out, QStringLiteral("INSERT %1 %2 %3").arg(p).arg(ch).arg(joined(slot.values)));
        }
    }
    for (int i = 0; i < 3; ++i)
        line(out, QStringLiteral("READY"));
}

void Unit::insert(Outcome& out, const QStringList& args) {
    int point = 0;
    int channel = 0;
    std::array<QString, 3> values;
    if (args.size() != 5 || !readInt(args[0], 0, model_.lastPoint(), &point) ||
        !readInt(args[1], 0, kChannels - 1, &channel) || !readNumbers(args.mid(2), &values)) {
        fail(out, QStringLiteral("INSERT NEEDS POINT 0 TO %1, CHANNEL AND THREE NUMBERS")
                      .arg(model_.lastPoint()));
        return;
    }
    PointSlot& slot = state_.channels[channel].points[point];
    slot.kind = PointSlot::Master;
    slot.values = values;
}

void Unit::erase(Outcome& out, const QStringList& args) {
    int first, last, from, to;
    if (!pointRange(out, QStringLiteral("DELETE"), args, &first, &last, &from, &to))
        return;
    int count = 0;
    for (int ch = from; ch <= to; ++ch) {
        for (int p = first; p <= last; ++p) {
            PointSlot& slot = state_.channels[ch].points[p];
            if (slot.kind != PointSlot::Empty)
                ++count;
            slot = PointSlot();
        }
    }
    line(out, QStringLiteral("DELETED %1 POINTS").arg(count));
    line(out, QStringLiteral("READY"));
    line(out, QStringLiteral("READY"));
}

void Unit::fill(Outcome& out, const QStringList& args) {
    int from = 0;
    int to = kChannels - 1;
    if (args.size() > 1 || (args.size() == 1 && !readInt(args[0], 0, kChannels - 1, &from))) {
        fail(out, QStringLiteral("FILL TAKES NOTHING OR A CHANNEL"));
        return;
    }
    if (args.size() == 1)
        to = from;
    int count = 0;
    for (int ch = from; ch <= to; ++ch) {
        fillPoints(state_.channels[ch]);
        for (const PointSlot& slot : state_.channels[ch].points)
            count += slot.kind == PointSlot::Filled ? 1 : 0;
    }
    line(out, QStringLiteral("FILLED %1 POINTS").arg(count));
    line(out, QStringLiteral("READY"));
    line(out, QStringLiteral("READY"));
}

void Unit::calibrateZero() {
    for (int ch = 0; ch < kChannels; ++ch)
        state_.channels[ch].zeroPsi = offsetPsi(seed_, ch, state_.range(ch));
}

} // namespace qelsim
