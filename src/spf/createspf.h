#pragma once
// CreateSPF: copies one sensor's profile out of the unit into a sensor
// profile file, caption "Create SPF" ("Creating " and the file's name once
// one is chosen).
//
// Start runs seven steps of list commands. In steps 1 to 6 a reply line is
// recorded when its channel field holds the window's channel and it begins
// with the step's prefix, and the next list is asked for when the channel
// field reads 15, whatever the prefix. Step 7 asks for the channel's master
// points, records every "INSERT" line and ends with the third line that
// contains "READY" (the unit's status replies count).
//
// A profile file holds the recorded lines exactly as the unit sent them, each
// ended by CR LF. The file stays open until the window is unloaded; Start
// again appends another copy of the profile.

#include "spf/profilewindow.h"

#include <QFile>

class CreateSPF : public ProfileWindow {
    Q_OBJECT
public:
    CreateSPF();

    void HandleLineFromQel(const QString& line) override;

    // The channel field: the number in the two characters of the line that
    // begin at the 1-based column (fewer at the line's end), 0 without one.
    static int ChannelField(const QString& line, int column);
    // The request for one channel's master points, by the kind of unit.
    static QString PointListRequest(int channel);

protected:
    void SelectFile() override;
    void onUnload() override;

private:
    void btnStart_Click();
    void Record(const QString& line);

    QFile file_;
};
