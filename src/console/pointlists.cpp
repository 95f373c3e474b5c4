#include "console/pointlists.h"
// PLACEHOLDER: replaced by the console work.
PointListDialog::PointListDialog(const QString& caption, const QString& commandWord)
    : commandWord_(commandWord) {
    setWindowTitle(caption);
}
MasterList::MasterList() : PointListDialog(QStringLiteral("List Master Points"), QStringLiteral("List M")) {}
AllList::AllList() : PointListDialog(QStringLiteral("List All Points"), QStringLiteral("List A")) {}
