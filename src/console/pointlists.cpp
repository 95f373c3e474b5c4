#include "console/pointlists.h"

#include "core/numbers.h"
#include "session/send.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>

namespace {

QListWidget* NewList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

void Fill(QListWidget* list, int count) {
    for (int n = 0; n < count; ++n)
        list->addItem(FormatGeneralBlank(float(n)));
}

// The selected entry without its blanks; empty when nothing is selected.
QString Selection(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? QString() : TrimBlanks(items.first()->text());
}

} // namespace

PointListDialog::PointListDialog(const QString& caption, const QString& commandWord)
    : commandWord_(commandWord) {
    setWindowTitle(caption);

    Label1 = new QLabel(QStringLiteral("Channel:"), this);
    cmbChannel = NewList(this, "cmbChannel");
    Label2 = new QLabel(QStringLiteral("Starting Temp:"), this);
    cmbStartTemp = NewList(this, "cmbStartTemp");
    Label3 = new QLabel(QStringLiteral("Ending Temp:"), this);
    cmbEndingTemp = NewList(this, "cmbEndingTemp");
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(cmbChannel, 1, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(cmbStartTemp, 1, 1);
    grid->addWidget(Label3, 0, 2);
    grid->addWidget(cmbEndingTemp, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    resize(360, 300);

    connect(cmdOk, &QPushButton::clicked, this, &PointListDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, [this] { unload(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);
}

void PointListDialog::onLoad() {
    Fill(cmbChannel, ChannelCount);
    Fill(cmbStartTemp, PointCount);
    Fill(cmbEndingTemp, PointCount);
}

void PointListDialog::cmdOk_Click() {
    // Sent as chosen: an end before the start or a missing choice is the
    // unit's to answer.
    Global::SendToQel(commandWord_ + QLatin1Char(' ') + Selection(cmbStartTemp) + QLatin1Char(' ') +
                      Selection(cmbEndingTemp) + QLatin1Char(' ') + Selection(cmbChannel) +
                      QLatin1Char('\r'));
    unload();
}

MasterList::MasterList()
    : PointListDialog(QStringLiteral("List Master Points"), QStringLiteral("List M")) {
    setObjectName(QStringLiteral("MasterList"));
}

AllList::AllList() : PointListDialog(QStringLiteral("List All Points"), QStringLiteral("List A")) {
    setObjectName(QStringLiteral("AllList"));
}
