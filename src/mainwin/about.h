#pragma once
#include "core/form.h"

class QLabel;
class QPushButton;

// About: caption "About Orvik 3", three lines ending in "Version 3.03", and a
// Close button that unloads the window.
class About : public Form {
    Q_OBJECT
public:
    About();
    QLabel* labAbout = nullptr;
    QPushButton* cmdOk = nullptr;

protected:
    void onLoad() override;
};
