#pragma once
#include "core/form.h"

class QLabel;
class QPushButton;

// About: caption "About " and the program's name, three lines (the name, a
// line about the program, "Version " and the version), and a Close button
// that unloads the window.
class About : public Form {
    Q_OBJECT
public:
    About();
    QLabel* labAbout = nullptr;
    QPushButton* cmdOk = nullptr;

protected:
    void onLoad() override;
};
