#include "replies/settings.h"

#include "core/numbers.h"
#include "replies/effects.h"
#include "session/send.h"
#include "session/state.h"

#include <cmath>

namespace {

// The pressure units by code: the list index of lstUnitScan equals the code.
const char* const PressureUnits[] = {
    "PSI",   "ATM",  "BAR",  "CMHG",  "CMH2O", "DECIBAR", "FTH2O", "GCM2", "INHG",
    "INH2O", "KNM2", "KGM2", "KGCM2", "KPA",   "KIPIN2",  "MPA",   "MBAR", "MH2O",
    "MMHG",  "NM2",  "NCM2", "OZIN2", "OZFT2", "PA",      "PSF",   "TORR", "USER"};
constexpr int PressureUnitCount = int(sizeof PressureUnits / sizeof PressureUnits[0]);
static_assert(PressureUnitCount == 27, "the unit table has 27 codes");

// Seconds per frame: each frame samples the 16 channels `averages` times for
// `period` microseconds each.
double FrameSeconds(double averages, double period) {
    return averages * period * Global::ChannelCount * 0.000001;
}

// A unit's on/off setting is on exactly when its value is "1".
bool IsOn(const QString& value) {
    return value == QLatin1String("1");
}

// The number of a name "MAX0" to "MAX15" (exactly those spellings), else -1.
int ChannelMaxIndex(const QString& name) {
    if (!name.startsWith(QLatin1String("MAX")))
        return -1;
    for (int n = 0; n < Global::ChannelCount; ++n)
        if (name == QStringLiteral("MAX%1").arg(n))
            return n;
    return -1;
}

void ContinueSendList() {
    Global::SendList(QString(), false);
}

// PMAXL and PMAXH set the ranges of their bank of eight channels unless the
// model has a range per channel.
void SetBankRange(bool low, const QString& value) {
    (low ? Global::PMaxL : Global::PMaxH) = value;
    if (!Global::PerChannelMax) {
        const int first = low ? 0 : Global::ChannelCount / 2;
        for (int channel = first; channel < first + Global::ChannelCount / 2; ++channel)
            Global::ChannelRange[channel] = value;
    }
    Global::BarSetXScale();
}

} // namespace

namespace Global {

void HandleSettingLine(const QStringList& tokens) {
    const QString name = tokens.value(1);
    const QString value = tokens.value(2);

    // The dialog's field first, then what else the setting changes.
    ShowSettingInDialog(name, value);

    if (name == QLatin1String("FPS")) {
        FramesPerScan = LeadingSingle(value);
    } else if (name == QLatin1String("XSCANTRIG")) {
        ExtTrigger = IsOn(value);
    } else if (name == QLatin1String("EU")) {
        BarSetXScale();
    } else if (name == QLatin1String("CVTUNIT")) {
        CvtUnit = value;
        BarSetXScale();
    } else if (name == QLatin1String("UNITSCAN")) {
        UnitScan = value;
    } else if (name == QLatin1String("PAGE") || name == QLatin1String("NEGPTSH")) {
        ContinueSendList(); // the last line of the S and C groups
    } else if (name == QLatin1String("PMAXL") || name == QLatin1String("PMAXH")) {
        SetBankRange(name == QLatin1String("PMAXL"), value);
    } else if (const int channel = ChannelMaxIndex(name); channel >= 0) {
        ChannelMaxSetting[channel] = value;
        if (channel == ChannelCount - 1) {
            // The channel ranges change together, when the last one is known.
            if (PerChannelMax)
                for (int c = 0; c < ChannelCount; ++c)
                    ChannelRange[c] = ChannelMaxSetting[c];
            BarSetXScale();
            ContinueSendList();
        }
    }
    // Any other name (MODEL and HOST have their own handler) changes nothing
    // beyond the dialog.
}

void InitUnitNames() {
    for (int code = 0; code < UnitTableSize; ++code)
        UnitNames[code] =
            code < PressureUnitCount ? QString::fromLatin1(PressureUnits[code]) : QString();
    UnitCount = PressureUnitCount;
    FillUnitList();
}

float CalcFrameRate(qint16 averages, float period) {
    if (averages < 1 || period < 50.0f)
        return 0;
    const float interval = ToSingle(FrameSeconds(averages, period));
    if (!std::isfinite(interval))
        return 0; // a period beyond the single range gives no rate
    FrameInterval = interval;
    return ToSingle(1.0 / interval);
}

float FrameRateOf(qint16 averages, float period) {
    if (averages < 1 || period == 0.0f)
        return 0;
    return ToSingle(1.0 / FrameSeconds(averages, period));
}

qint16 AveragesForRate(float period, float rate) {
    if (period < 50.0f || rate == 0.0f)
        return 0;
    return ToInt16(1.0 / FrameSeconds(period, rate)); // clamped to 16 bits
}

QString DecimalPlacesFormat(int places) {
    return places <= 0 ? QStringLiteral("0")
                       : QStringLiteral("0.") + QString(places, QLatin1Char('0'));
}

void UpdateBarFormat() {
    QString format = QStringLiteral("0.00"); // when no decimal-places item is checked
    const DisplayItem items[] = {DisplayItem::Places0, DisplayItem::Places1, DisplayItem::Places2,
                                 DisplayItem::Places3, DisplayItem::Places4, DisplayItem::Places5};
    for (int places = 0; places < 6; ++places) {
        if (DisplayItemChecked(items[places])) {
            format = DecimalPlacesFormat(places);
            break;
        }
    }
    // Raw counts have no decimals.
    if (!EuChecked())
        format = QStringLiteral("0");
    BarFormat = format;
}

} // namespace Global
