#include "replies/timeout.h"

#include "session/state.h"

#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

Timeout::Timeout() {
    setWindowTitle(QStringLiteral("Reboot Progress"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 35);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Timeout::Timer1_Timer);

    resize(320, 60);
}

void Timeout::Timer1_Timer() {
    if (isUnloading())
        return;
    Global::RebootSeconds = Global::RebootSeconds + 1;
    ProgressBar1->setValue(std::min<int>(Global::RebootSeconds, ProgressBar1->maximum()));
    if (Global::RebootSeconds > 35) {
        Timer1->stop();
        Global::RebootSeconds = 0;
        unload();
    }
}
