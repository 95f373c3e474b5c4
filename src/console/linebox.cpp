#include "console/linebox.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace {
const QString LineEnd = QStringLiteral("\r\n");
} // namespace

LineBox::LineBox(QPlainTextEdit* view, bool followEnd)
    : QObject(view), view_(view), followEnd_(followEnd) {
    // The box shows what the program put into it; nothing to undo.
    view_->setUndoRedoEnabled(false);
}

void LineBox::appendLine(const QString& line) {
    const QString text = line + LineEnd;
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype pair = text.indexOf(LineEnd, from);
        const qsizetype end = pair + LineEnd.size(); // the text ends with a pair
        lines_.push_back(text.mid(from, end - from));
        length_ += end - from;
        from = end;
    }
    scheduleUpdate();
}

bool LineBox::dropFirstLine() {
    if (lines_.empty())
        return false;
    length_ -= lines_.front().size();
    lines_.pop_front();
    ++droppedSinceView_;
    scheduleUpdate();
    return true;
}

void LineBox::clear() {
    lines_.clear();
    length_ = 0;
    viewLines_ = 0;
    droppedSinceView_ = 0;
    view_->clear();
}

QString LineBox::text() const {
    QString all;
    all.reserve(length_);
    for (const QString& line : lines_)
        all += line;
    return all;
}

QString LineBox::displayText(const QString& lineWithoutEnd) {
    QString shown = lineWithoutEnd;
    for (QChar& c : shown) {
        switch (c.unicode()) {
        case '\r':
            c = QChar(0x240D);
            break;
        case '\n':
            c = QChar(0x240A);
            break;
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // frame marks of the text document
        case 0xFDD1:
            c = QChar::ReplacementCharacter;
            break;
        default:
            break;
        }
    }
    return shown;
}

void LineBox::scheduleUpdate() {
    if (updatePending_)
        return;
    updatePending_ = true;
    QMetaObject::invokeMethod(this, &LineBox::updateView, Qt::QueuedConnection);
}

void LineBox::updateView() {
    updatePending_ = false;
    QTextDocument* doc = view_->document();
    bool changed = false;

    // Each cursor move happens inside an edit block: outside one, the cursor
    // would lay out its line to remember its horizontal position.
    const int remove = qMin(droppedSinceView_, viewLines_);
    droppedSinceView_ = 0;
    if (remove > 0) {
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::Start);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, remove);
        cursor.removeSelectedText();
        cursor.endEditBlock();
        viewLines_ -= remove;
        changed = true;
    }

    // The box now shows the first viewLines_ lines; add the rest. Lines that
    // were dropped again before this update are gone from lines_ already.
    const int total = int(lines_.size());
    if (viewLines_ < total) {
        QString add;
        for (int i = viewLines_; i < total; ++i) {
            add += displayText(lines_[size_t(i)].chopped(LineEnd.size()));
            add += QLatin1Char('\n');
        }
        const int caretAnchor = view_->textCursor().anchor();
        const int caretPosition = view_->textCursor().position();
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(add);
        cursor.endEditBlock();
        viewLines_ = total;
        changed = true;
        if (!followEnd_ && (view_->textCursor().anchor() != caretAnchor ||
                            view_->textCursor().position() != caretPosition)) {
            // A caret resting at the end was carried along by the insertion;
            // put it back where the operator left it.
            QTextCursor back(doc);
            back.setPosition(caretAnchor);
            back.setPosition(caretPosition, QTextCursor::KeepAnchor);
            view_->setTextCursor(back);
        }
    }

    if (changed && followEnd_)
        view_->moveCursor(QTextCursor::End);
}
