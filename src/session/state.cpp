#include "session/state.h"

#include "session/log.h"

namespace Global {

QString IpAddress;
qint16 ConnectState = 0;
QString IpHistory[HistoryCount];
QString ListLetters;
qint16 ListIndex = 0;
bool SavePending = false;
qint16 RebootSeconds = 0;
bool SleepDone = false;
bool StatusPollAlways = false;
bool StatusPollOff = false;
QString StatusPollInterval;
bool LogScanData = false;
bool LogListData = false;
bool LogErrors = false;
bool LogStatusData = false;
bool LogOutgoing = false;
QString UploadDwell;
QString HssFileName;
bool HssEnabled = false;
QString HssFileText;

bool LogFileOpen = false;
QString LogFileName;
bool LogIsCsv = false;

QString UploadFileName;
bool UploadActive = false;

QString UnitNames[UnitTableSize];
qint16 UnitCount = 0;
QString UnitScan;
QString CvtUnit;
QString PMaxL;
QString PMaxH;
QString ChannelMaxSetting[ChannelCount];
QString ChannelRange[ChannelCount];
float FramesPerScan = 0;
float FrameInterval = 0;
bool ExtTrigger = false;
QString BarFormat;

bool ModuleModel = false;
bool PerChannelMax = false;

BarRect BarGeom[ChannelCount];
float ChannelFullScale[ChannelCount];
QString ScaleText[ChannelCount];

void Reset() {
    IpAddress.clear();
    ConnectState = 0;
    for (QString& s : IpHistory)
        s.clear();
    ListLetters.clear();
    ListIndex = 0;
    SavePending = false;
    RebootSeconds = 0;
    SleepDone = false;
    StatusPollAlways = false;
    StatusPollOff = false;
    StatusPollInterval.clear();
    LogScanData = LogListData = LogErrors = LogStatusData = LogOutgoing = false;
    UploadDwell.clear();
    HssFileName.clear();
    HssEnabled = false;
    HssFileText.clear();

    CloseLogWriter();
    LogFileOpen = false;
    LogFileName.clear();
    LogIsCsv = false;

    UploadFileName.clear();
    UploadActive = false;

    for (QString& s : UnitNames)
        s.clear();
    UnitCount = 0;
    UnitScan.clear();
    CvtUnit.clear();
    PMaxL.clear();
    PMaxH.clear();
    for (int i = 0; i < ChannelCount; ++i) {
        ChannelMaxSetting[i].clear();
        ChannelRange[i].clear();
        BarGeom[i] = BarRect();
        ChannelFullScale[i] = 0;
        ScaleText[i].clear();
    }
    FramesPerScan = 0;
    FrameInterval = 0;
    ExtTrigger = false;
    BarFormat.clear();
    ModuleModel = false;
    PerChannelMax = false;
}

} // namespace Global
