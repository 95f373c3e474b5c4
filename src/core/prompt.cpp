#include "core/prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {
std::unique_ptr<Prompt>& current() {
    static std::unique_ptr<Prompt> p;
    return p;
}
} // namespace

Prompt& prompt() {
    if (!current())
        current() = std::make_unique<QtPrompt>();
    return *current();
}

std::unique_ptr<Prompt> installPrompt(std::unique_ptr<Prompt> p) {
    std::unique_ptr<Prompt> old = std::move(current());
    current() = std::move(p);
    return old;
}

void MsgBox(const QString& text, const QString& title) {
    prompt().message(text, title);
}

bool AskYesNo(const QString& text, const QString& title) {
    return prompt().askYesNo(text, title);
}

QString AskOpenFile(const QString& filter, bool mustExist) {
    return prompt().openFile(filter, mustExist);
}

QString AskSaveFile(const QString& filter) {
    return prompt().saveFile(filter);
}

QString QtFilterFromProgramFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses; add them when the
        // description does not already show exactly these.
        if (!description.contains(QLatin1Char('(') + patterns + QLatin1Char(')')))
            description += QLatin1String(" (") + patterns + QLatin1Char(')');
        out << description;
    }
    if (out.isEmpty() && !filter.isEmpty())
        out << filter;
    return out.join(QLatin1String(";;"));
}

void QtPrompt::message(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtPrompt::askYesNo(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

QString QtPrompt::openFile(const QString& filter, bool mustExist) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilterFromProgramFilter(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

QString QtPrompt::saveFile(const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtFilterFromProgramFilter(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
