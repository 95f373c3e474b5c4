#include "replies/settings.h"

#include "bargraph/bar.h"
#include "config/qelconfig.h"
#include "core/numbers.h"
#include "core/registry.h"
#include "mainwin/mdimain.h"
#include "session/send.h"
#include "session/state.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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
    return averages * period * 16 * 0.000001;
}

// A unit's on/off setting is on exactly when its value is "1".
bool IsOn(const QString& value) {
    return value == QLatin1String("1");
}

// The number of a name "MAX0" to "MAX15" (exactly those spellings), else -1.
int ChannelMaxIndex(const QString& name) {
    for (int n = 0; n < 16; ++n)
        if (name == QStringLiteral("MAX%1").arg(n))
            return n;
    return -1;
}

void ContinueSendList() {
    Global::SendList(QString(), false);
}

void RescaleBarGraph() {
    Registry::get<Bar>().SetXScale();
}

void SelectUnit(const QString& value) {
    QComboBox* list = Registry::get<QelConfig>().lstUnitScan;
    const QString wanted = TrimBlanks(value);
    for (int code = 0; code < Global::UnitCount; ++code) {
        if (TrimBlanks(Global::UnitNames[code]) == wanted) {
            if (code < list->count())
                list->setCurrentIndex(code);
            return;
        }
    }
}

} // namespace

namespace Global {

void HandleSettingLine(const QStringList& tokens) {
    const QString name = tokens.value(1);
    const QString value = tokens.value(2);

    if (name == QLatin1String("PERIOD")) {
        Registry::get<QelConfig>().medPeriod->setText(value);
    } else if (name == QLatin1String("AVG")) {
        QelConfig& dialog = Registry::get<QelConfig>();
        dialog.medAverage->setText(value);
        dialog.ShowRate();
    } else if (name == QLatin1String("FPS")) {
        Registry::get<QelConfig>().medFps->setText(value);
        FramesPerScan = LeadingSingle(value);
    } else if (name == QLatin1String("XSCANTRIG")) {
        Registry::get<QelConfig>().chkXScanTrig->setChecked(IsOn(value));
        ExtTrigger = IsOn(value);
    } else if (name == QLatin1String("EU")) {
        Registry::get<QelConfig>().chkEu->setChecked(IsOn(value));
        RescaleBarGraph();
    } else if (name == QLatin1String("ZC")) {
        Registry::get<QelConfig>().chkZc->setChecked(IsOn(value));
    } else if (name == QLatin1String("QPKTS")) {
        Registry::get<QelConfig>().chkQPkts->setChecked(IsOn(value));
    } else if (name == QLatin1String("CVTUNIT")) {
        Registry::get<QelConfig>().medCvtUnits->setText(value);
        CvtUnit = value;
        RescaleBarGraph();
    } else if (name == QLatin1String("UNITSCAN")) {
        SelectUnit(value);
        UnitScan = value;
    } else if (name == QLatin1String("PAGE")) {
        ContinueSendList();
    } else if (name == QLatin1String("PMAXL") || name == QLatin1String("PMAXH")) {
        const bool low = name == QLatin1String("PMAXL");
        QelConfig& dialog = Registry::get<QelConfig>();
        (low ? dialog.medPMaxL : dialog.medPMaxH)->setText(value);
        (low ? PMaxL : PMaxH) = value;
        if (!PerChannelMax) {
            const int first = low ? 0 : 8;
            for (int channel = first; channel < first + 8; ++channel)
                ChannelRange[channel] = value;
        }
        RescaleBarGraph();
    } else if (name == QLatin1String("PMINL")) {
        Registry::get<QelConfig>().medPMinL->setText(value);
    } else if (name == QLatin1String("PMINH")) {
        Registry::get<QelConfig>().medPMinH->setText(value);
    } else if (name == QLatin1String("NEGPTSL")) {
        Registry::get<QelConfig>().medNegPtsL->setText(value);
    } else if (name == QLatin1String("NEGPTSH")) {
        Registry::get<QelConfig>().medNegPtsH->setText(value);
        ContinueSendList();
    } else if (const int channel = ChannelMaxIndex(name); channel >= 0) {
        ChannelMaxSetting[channel] = value;
        if (channel == 15) {
            // The channel ranges change together, when the last one is known.
            if (PerChannelMax)
                for (int c = 0; c < 16; ++c)
                    ChannelRange[c] = ChannelMaxSetting[c];
            RescaleBarGraph();
            ContinueSendList();
        }
    }
    // Any other name (MODEL and HOST have their own handler) changes nothing.
}

void InitUnitNames() {
    for (int code = 0; code < UnitTableSize; ++code)
        UnitNames[code] =
            code < PressureUnitCount ? QString::fromLatin1(PressureUnits[code]) : QString();
    UnitCount = PressureUnitCount;
    Registry::get<QelConfig>().FillUnitList();
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

void UpdateBarFormat() {
    QString format = QStringLiteral("0.00"); // when no decimal-places item is checked
    if (MDIMain* frame = Registry::peek<MDIMain>()) {
        const QAction* const items[] = {frame->mnuBarGraph0Places, frame->mnuBarGraph1Places,
                                        frame->mnuBarGraph2Places, frame->mnuBarGraph3Places,
                                        frame->mnuBarGraph4Places, frame->mnuBarGraph5Places};
        const char* const formats[] = {"0", "0.0", "0.00", "0.000", "0.0000", "0.00000"};
        for (int places = 0; places < 6; ++places) {
            if (items[places] && items[places]->isChecked()) {
                format = QString::fromLatin1(formats[places]);
                break;
            }
        }
    }
    // Raw counts have no decimals.
    if (Registry::get<QelConfig>().chkEu->checkState() != Qt::Checked)
        format = QStringLiteral("0");
    BarFormat = format;
}

} // namespace Global
