#include "qelsim/state.h"

#include "qelsim/units.h"

#include <QHostAddress>
#include <cmath>

namespace qelsim {

namespace {

enum class Kind { Integer, Real, Flag, UnitName, Host };

struct Rule {
    Kind kind;
    double lo = 0;
    double hi = 0;
};

// "MAX3" gives prefix "MAX" and channel 3; false for any other form.
bool channelSetting(const QString& name, QString* prefix, int* channel) {
    static const char* const kPrefixes[] = {"NEGPTS", "MAX", "MIN", "ABS"};
    for (const char* p : kPrefixes) {
        const QLatin1String pre(p);
        if (!name.startsWith(pre) || name.size() == pre.size() || name.size() > pre.size() + 2)
            continue;
        const QString digits = name.mid(pre.size());
        if (digits.size() == 2 && digits[0] == QLatin1Char('0'))
            return false;
        bool ok = false;
        const int n = digits.toInt(&ok);
        if (!ok || n < 0 || n >= kChannels || !digits[0].isDigit())
            return false;
        *prefix = pre;
        *channel = n;
        return true;
    }
    return false;
}

bool ruleFor(const QString& name, const Model& model, Rule* rule) {
    const double points = model.pointCount();
    const QMap<QString, Rule> fixed = {
        {QStringLiteral("PERIOD"), {Kind::Integer, 1, 65535}},
        {QStringLiteral("AVG"), {Kind::Integer, 1, 65535}},
        {QStringLiteral("FPS"), {Kind::Integer, 0, 2147483647.0}},
        {QStringLiteral("XSCANTRIG"), {Kind::Flag}},
        {QStringLiteral("EU"), {Kind::Flag}},
        {QStringLiteral("ZC"), {Kind::Flag}},
        {QStringLiteral("QPKTS"), {Kind::Flag}},
        {QStringLiteral("UNITSCAN"), {Kind::UnitName}},
        {QStringLiteral("CVTUNIT"), {Kind::Real, 1e-9, 1e9}},
        {QStringLiteral("BIN"), {Kind::Flag}},
        {QStringLiteral("FORMAT"), {Kind::Integer, 0, 0}},
        {QStringLiteral("PAGE"), {Kind::Integer, 0, 255}},
        {QStringLiteral("PMAXL"), {Kind::Real, 1e-6, 100000}},
        {QStringLiteral("PMAXH"), {Kind::Real, 1e-6, 100000}},
        {QStringLiteral("PMINL"), {Kind::Real, -100000, 100000}},
        {QStringLiteral("PMINH"), {Kind::Real, -100000, 100000}},
        {QStringLiteral("NEGPTSL"), {Kind::Integer, 0, points}},
        {QStringLiteral("NEGPTSH"), {Kind::Integer, 0, points}},
        {QStringLiteral("HOST"), {Kind::Host}},
    };
    const auto it = fixed.constFind(name);
    if (it != fixed.constEnd()) {
        *rule = *it;
        return true;
    }
    QString prefix;
    int channel = 0;
    if (!channelSetting(name, &prefix, &channel))
        return false;
    if (prefix == QLatin1String("MAX"))
        *rule = {Kind::Real, 1e-6, 100000};
    else if (prefix == QLatin1String("MIN"))
        *rule = {Kind::Real, -100000, 100000};
    else if (prefix == QLatin1String("ABS"))
        *rule = {Kind::Flag};
    else
        *rule = {Kind::Integer, 0, points};
    return true;
}

// Reads a number written in plain decimal or exponent form; no junk.
bool readNumber(const QString& text, double* value) {
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

QString hostValue(const QStringList& words, QString* error) {
    if (words.size() != 3) {
        *error = QStringLiteral("HOST NEEDS ADDRESS PORT AND U OR T");
        return {};
    }
    const QString address = words[0];
    QHostAddress parsed;
    // A dotted address as the unit lists it again, and nothing else: the
    // parser also takes short forms ("10.1") and stops at a NUL.
    if (address != QLatin1String("0") &&
        (!parsed.setAddress(address) || parsed.protocol() != QAbstractSocket::IPv4Protocol ||
         parsed.toString() != address)) {
        *error = QStringLiteral("BAD HOST ADDRESS");
        return {};
    }
    bool ok = false;
    const uint port = words[1].toUInt(&ok);
    if (!ok || port > 65535) {
        *error = QStringLiteral("BAD HOST PORT");
        return {};
    }
    const QString transport = words[2].toUpper();
    if (transport != QLatin1String("U") && transport != QLatin1String("T")) {
        *error = QStringLiteral("BAD HOST TRANSPORT");
        return {};
    }
    return address + QLatin1Char(' ') + QString::number(port) + QLatin1Char(' ') + transport;
}

} // namespace

QStringList UnitState::scanGroup() {
    return {QStringLiteral("PERIOD"),    QStringLiteral("AVG"),      QStringLiteral("FPS"),
            QStringLiteral("XSCANTRIG"), QStringLiteral("EU"),       QStringLiteral("ZC"),
            QStringLiteral("QPKTS"),     QStringLiteral("UNITSCAN"), QStringLiteral("CVTUNIT"),
            QStringLiteral("BIN"),       QStringLiteral("FORMAT"),   QStringLiteral("PAGE")};
}

QStringList UnitState::calibrationGroup() {
    return {QStringLiteral("PMAXL"), QStringLiteral("PMAXH"),   QStringLiteral("PMINL"),
            QStringLiteral("PMINH"), QStringLiteral("NEGPTSL"), QStringLiteral("NEGPTSH")};
}

UnitState::UnitState(const Model& m, quint64 seed) : model(m) {
    const char* const defaults[][2] = {
        {"PERIOD", "500"}, {"AVG", "8"},     {"FPS", "100"},    {"XSCANTRIG", "0"},
        {"EU", "1"},       {"ZC", "1"},      {"QPKTS", "0"},    {"UNITSCAN", "PSI"},
        {"CVTUNIT", "1"},  {"BIN", "0"},     {"FORMAT", "0"},   {"PAGE", "0"},
        {"PMAXL", "15"},   {"PMAXH", "15"},  {"PMINL", "-15"},  {"PMINH", "-15"},
        {"NEGPTSL", "0"},  {"NEGPTSH", "0"}, {"HOST", "0 0 T"},
    };
    for (const auto& d : defaults)
        settings_.insert(QLatin1String(d[0]), QLatin1String(d[1]));

    // Units with per-channel ranges come with sensors of four sizes, so
    // that a program reading the bank ranges instead shows wrong scales.
    static const double kPerChannelMax[kChannels] = {5,  5,  5,  5,  15, 15, 15, 15,
                                                     30, 30, 30, 30, 50, 50, 50, 50};
    const int points = model.pointCount();
    for (int ch = 0; ch < kChannels; ++ch) {
        const double max = model.perChannelRanges ? kPerChannelMax[ch] : 15.0;
        const QString n = QString::number(ch);
        settings_.insert(QStringLiteral("MAX") + n, numberText(max));
        settings_.insert(QStringLiteral("MIN") + n, numberText(-max));
        settings_.insert(QStringLiteral("ABS") + n, QStringLiteral("0"));

        ChannelData& data = channels[ch];
        const quint64 key = (quint64(2) << 40) | quint64(ch);
        for (int i = 0; i < 3; ++i) {
            const double scale = std::pow(10.0, -2 * i - 2);
            data.tempOffset[i] = numberText(roundTo(scale * noise(seed, key, 10 + i), 9));
            data.tempGain[i] = numberText(
                roundTo((i == 0 ? 1.0 : 0.0) + 0.1 * scale * noise(seed, key, 20 + i), 9));
        }
        data.points.assign(points, PointSlot());
        int negative = 0;
        for (int p = 0; p < points; ++p) {
            const double pressure = roundTo(-max + 2.0 * max * p / (points - 1), 4);
            if (pressure < 0)
                ++negative;
            if (p % 5 != 0 && p != points - 1)
                continue;
            const int counts = pressureCounts(pressure, {-max, max}) +
                               int(std::lround(40.0 * noise(seed, key, 100 + p)));
            PointSlot& slot = data.points[p];
            slot.kind = PointSlot::Master;
            slot.values = {numberText(roundTo(25.0 + 0.5 * noise(seed, key, 200 + p), 2)),
                           numberText(pressure), QString::number(counts)};
        }
        settings_.insert(QStringLiteral("NEGPTS") + n, QString::number(negative));
        fillPoints(data);
    }
}

QString UnitState::set(const QString& name, const QStringList& words) {
    Rule rule;
    if (!ruleFor(name, model, &rule))
        return QStringLiteral("UNKNOWN SETTING ") + name;
    if (rule.kind == Kind::Host) {
        QString error;
        const QString host = hostValue(words, &error);
        if (!error.isEmpty())
            return error;
        settings_.insert(name, host);
        return {};
    }
    if (words.isEmpty())
        return QStringLiteral("MISSING VALUE FOR ") + name;
    if (words.size() > 1)
        return QStringLiteral("TOO MANY VALUES FOR ") + name;
    if (name == QLatin1String("CVTUNIT") &&
        value(QStringLiteral("UNITSCAN")) != QLatin1String("USER"))
        return QStringLiteral("CVTUNIT IS SET BY UNITSCAN UNLESS IT IS USER");
    const QString word = words[0];
    const QString bad = QStringLiteral("BAD VALUE %1 FOR %2").arg(word, name);
    QString text;
    switch (rule.kind) {
    case Kind::Flag:
        if (word != QLatin1String("0") && word != QLatin1String("1"))
            return bad;
        text = word;
        break;
    case Kind::UnitName: {
        const int index = pressureUnitIndex(word);
        if (index < 0)
            return bad;
        text = QLatin1String(pressureUnit(index).name);
        if (index != kUserUnit)
            settings_.insert(QStringLiteral("CVTUNIT"), numberText(pressureUnit(index).perPsi));
        break;
    }
    case Kind::Integer:
    case Kind::Real: {
        double number = 0;
        if (!readNumber(word, &number) || number < rule.lo || number > rule.hi)
            return bad;
        if (rule.kind == Kind::Integer) {
            if (number != std::floor(number))
                return bad;
            text = QString::number(qint64(number));
        } else {
            text = numberText(number);
        }
        break;
    }
    case Kind::Host:
        break;
    }
    settings_.insert(name, text);
    return {};
}

long long UnitState::integer(const QString& name) const {
    return value(name).toLongLong();
}

double UnitState::real(const QString& name) const {
    return value(name).toDouble();
}

RangePsi UnitState::range(int channel) const {
    RangePsi r;
    if (model.perChannelRanges) {
        r.min = real(QStringLiteral("MIN%1").arg(channel));
        r.max = real(QStringLiteral("MAX%1").arg(channel));
    } else if (channel < 8) {
        r.min = real(QStringLiteral("PMINL"));
        r.max = real(QStringLiteral("PMAXL"));
    } else {
        r.min = real(QStringLiteral("PMINH"));
        r.max = real(QStringLiteral("PMAXH"));
    }
    return r;
}

double UnitState::unitFactor() const {
    const int index = pressureUnitIndex(value(QStringLiteral("UNITSCAN")));
    if (index < 0 || index == kUserUnit)
        return real(QStringLiteral("CVTUNIT"));
    return pressureUnit(index).perPsi;
}

void fillPoints(ChannelData& channel) {
    std::vector<int> masters;
    for (int p = 0; p < int(channel.points.size()); ++p) {
        if (channel.points[p].kind == PointSlot::Master)
            masters.push_back(p);
    }
    static const int kDecimals[3] = {2, 4, 0};
    for (int p = 0; p < int(channel.points.size()); ++p) {
        PointSlot& slot = channel.points[p];
        if (slot.kind == PointSlot::Master)
            continue;
        if (masters.empty()) {
            slot = PointSlot();
            continue;
        }
        int before = -1;
        int after = -1;
        for (int m : masters) {
            if (m < p)
                before = m;
            else if (after < 0)
                after = m;
        }
        slot.kind = PointSlot::Filled;
        if (before < 0 || after < 0) {
            slot.values = channel.points[before < 0 ? after : before].values;
            continue;
        }
        const double t = double(p - before) / double(after - before);
        for (int i = 0; i < 3; ++i) {
            const double a = channel.points[before].values[i].toDouble();
            const double b = channel.points[after].values[i].toDouble();
            slot.values[i] = numberText(roundTo(a + t * (b - a), kDecimals[i]));
        }
    }
}

} // namespace qelsim
