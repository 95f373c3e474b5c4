#pragma once
// Timeout: the "Reboot Progress" window shown while the unit restarts.

#include "core/form.h"

class QProgressBar;
class QTimer;

class Timeout : public Form {
    Q_OBJECT
public:
    Timeout();
    QTimer* Timer1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

private:
    // Each tick counts one second of the reboot; the window closes itself on
    // the 36th.
    void Timer1_Timer();
};
