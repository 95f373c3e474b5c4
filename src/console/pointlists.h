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

private:
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
