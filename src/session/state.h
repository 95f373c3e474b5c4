#pragma once
// Global: the shared state of the program's one device session. Plain
// variables read and written directly by every part of the program, under
// the names the program uses. Reset() returns each to its start value.

#include <QString>

namespace Global {

// The unit's channels, 0 to 15.
constexpr int ChannelCount = 16;
// Entries of the address history: 0 (most recent) to 10.
constexpr int HistoryCount = 11;

// --- connection and link settings ---------------------------------------
extern QString IpAddress;               // address last typed in the connection window
extern qint16 ConnectState;             // 0 not connected, 1 connecting, 2 connected
extern QString IpHistory[HistoryCount]; // earlier addresses, most recent at 0
extern QString ListLetters;             // letters of the send list being worked off
extern qint16 ListIndex;                // 1-based position of the next letter to request
extern bool SavePending;                // host corrected: save and reboot at end of list
extern qint16 RebootSeconds;            // seconds counted by the reboot progress window
extern bool SleepDone;                  // the pause timer has ticked
extern bool StatusPollAlways;           // periodic status polling is on
extern bool StatusPollOff;              // the other option of the pair (kept, not acted on)
extern QString StatusPollInterval;      // poll interval in seconds, as text
extern bool LogScanData;                // log frame and channel lines
extern bool LogListData;                // log "SET" lines
extern bool LogErrors;                  // log "ERROR:" lines
extern bool LogStatusData;              // log status lines
extern bool LogOutgoing;                // log every command sent
extern QString UploadDwell;             // upload pace in ms, as text
extern QString HssFileName;             // file name last chosen with Browse
// The link settings dialog's high-speed switch (chkHSS) and data file box
// (txtHssFileName) keep their values here, so that they survive the dialog
// being destroyed and created again. The dialog reads them when it is created
// and writes them whenever its controls change.
extern bool HssEnabled;
extern QString HssFileText;

// --- data log (file #100) -------------------------------------------------
extern bool LogFileOpen;
extern QString LogFileName;
extern bool LogIsCsv;

// --- file upload ----------------------------------------------------------
extern QString UploadFileName;
extern bool UploadActive;

// --- unit settings mirror ---------------------------------------------------
constexpr int UnitTableSize = 51;
extern QString UnitNames[UnitTableSize]; // pressure unit names by code; 27 used
extern qint16 UnitCount;
extern QString UnitScan;                        // unit name last reported for UNITSCAN
extern QString CvtUnit;                         // conversion factor last reported for CVTUNIT
extern QString PMaxL;                           // maximum pressure of the low bank (channels 0-7)
extern QString PMaxH;                           // maximum pressure of the high bank (channels 8-15)
extern QString ChannelMaxSetting[ChannelCount]; // MAX0..MAX15 as received
extern QString ChannelRange[ChannelCount];      // each channel's maximum pressure as text
extern float FramesPerScan;                     // from FPS
extern float FrameInterval;                     // seconds per frame, stored by CalcFrameRate
extern bool ExtTrigger;                         // external scan trigger on (XSCANTRIG "1")
extern QString BarFormat;                       // "0" .. "0.00000"

// --- model flags ------------------------------------------------------------
extern bool ModuleModel;   // model code begins with ModuleFamilyPrefix
extern bool PerChannelMax; // model code ends with PerChannelRangeSuffix
inline const QString ModuleFamilyPrefix = QStringLiteral("QM");
inline const QString PerChannelRangeSuffix = QStringLiteral("PC");

// --- bar graph --------------------------------------------------------------
struct BarRect {
    float Top = 0;
    float Left = 0;
    float Width = 0;
    float Height = 0;
};
extern BarRect BarGeom[ChannelCount];        // each channel's bar, in fractions of the area
extern float ChannelFullScale[ChannelCount]; // each channel's full scale in display units
extern QString ScaleText[ChannelCount];      // each channel's full scale as text

// Every variable back to its start value (tests). Closes and forgets an open
// log file.
void Reset();

} // namespace Global
