#include "mainwin/about.h"

#include "core/program.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

About::About() {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About ") + ProgramName());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    labAbout = new QLabel(this);
    labAbout->setObjectName(QStringLiteral("labAbout"));
    labAbout->setTextFormat(Qt::PlainText);
    labAbout->setAlignment(Qt::AlignCenter);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    labAbout->setFont(font);

    cmdOk = new QPushButton(QStringLiteral("Close"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &About::unload);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(16);
    layout->addWidget(labAbout);
    layout->addWidget(cmdOk, 0, Qt::AlignHCenter);
    setMinimumWidth(300);
}

void About::onLoad() {
    labAbout->setText(ProgramName() + QStringLiteral("\r\n") +
                      QStringLiteral("Operator program for the Qel pressure scanner") +
                      QStringLiteral("\r\n") + QStringLiteral("Version ") + ProgramVersion());
}
