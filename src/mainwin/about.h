#pragma once
#include "core/form.h"

class QLabel;
class QPushButton;

// About: caption "About Orvik 3", three lines ending in "Version 3.03".
class About : public Form {
    Q_OBJECT
public:
    About();
    QLabel* labAbout = nullptr;
    QPushButton* cmdOk = nullptr;
};
