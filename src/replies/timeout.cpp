#include "replies/timeout.h"
#include <QProgressBar>
#include <QTimer>
// PLACEHOLDER: replaced by the session work.
Timeout::Timeout() {
    Timer1 = new QTimer(this);
    ProgressBar1 = new QProgressBar(this);
}
