#pragma once
// MasterList ("List Master Points") and AllList ("List All Points"): ask the
// unit for part of a point list for one channel and a range of points.

#include "core/form.h"

class QLabel;
class QListWidget;
class QPushButton;

class PointListDialog : public Form {
    Q_OBJECT
public:
    PointListDialog(const QString& caption, const QString& commandWord);

    QLabel* Label1 = nullptr;
    QListWidget* cmbChannel = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* cmbStartTemp = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* cmbEndingTemp = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Channels 0 to 15; points 0 to 69 for every kind of unit.
    static constexpr int ChannelCount = 16;
    static constexpr int PointCount = 70;

protected:
    void onLoad() override;

private:
    void cmdOk_Click();

    QString commandWord_;
};

class MasterList : public PointListDialog {
    Q_OBJECT
public:
    MasterList();
};

class AllList : public PointListDialog {
    Q_OBJECT
public:
    AllList();
};
