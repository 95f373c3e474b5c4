#include "mainwin/about.h"
#include <QLabel>
#include <QPushButton>
// PLACEHOLDER: replaced by the foundation work.
About::About() {
    labAbout = new QLabel(this);
    cmdOk = new QPushButton(this);
}
