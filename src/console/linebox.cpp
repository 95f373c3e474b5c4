#include "console/linebox.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <cstring>

namespace {
const QString LineEnd = QStringLiteral("\r\n");

// The layout counts a block it has not laid out as one line; these blocks
// hold a line more than they hold separators (the last block's empty line
// after its last separator is where the caret rests). Laying a block out
// for the screen counts its lines again, wrapped ones included.
void CountLines(QTextBlock block, const QTextBlock& last) {
    for (;; block = block.next()) {
        block.setLineCount(1 + int(block.text().count(QChar::LineSeparator)));
        if (block == last)
            break;
    }
}
} // namespace

LineBox::LineBox(QPlainTextEdit* view, bool followEnd)
    : QObject(view), view_(view), updateTimer_(new QTimer(this)), followEnd_(followEnd) {
    // The box shows what the program put into it; nothing to undo.
    view_->setUndoRedoEnabled(false);
    updateTimer_->setSingleShot(true);
    connect(updateTimer_, &QTimer::timeout, this, &LineBox::updateView);
}

void LineBox::appendLine(QStringView line) {
    const qint64 from = end();
    text_.append(line);
    text_.append(LineEnd);
    noteLinesFrom(from);
}

void LineBox::appendLine(QLatin1String line) {
    const qint64 from = end();
    text_.append(line);
    text_.append(LineEnd);
    if (std::memchr(line.data(), '\r', size_t(line.size()))) {
        noteLinesFrom(from); // it may hold CR LF pairs of its own
        return;
    }
    starts_.push_back(from);
    scheduleUpdate();
}

void LineBox::noteLinesFrom(qint64 from) {
    // The text before `from` ends with CR LF, so no pair spans the two.
    const QStringView added = QStringView(text_).mid(from - base_);
    qsizetype at = 0;
    while (at < added.size()) {
        starts_.push_back(from + at);
        at = added.indexOf(LineEnd, at) + LineEnd.size(); // the text ends with a pair
    }
    scheduleUpdate();
}

bool LineBox::dropFirstLine() {
    if (starts_.empty())
        return false;
    // A line the box shows takes its characters and one separator there.
    if (droppedSinceView_ < viewLines_)
        droppedViewLength_ += int(lineAt(0).size() - LineEnd.size() + 1);
    starts_.pop_front();
    ++firstNumber_;
    if (starts_.empty()) {
        base_ = end();
        text_.truncate(0);
    } else {
        // Dropped lines stay in front of the text until they are half of it.
        const qint64 dead = starts_.front() - base_;
        if (dead >= 16384 && 2 * dead >= text_.size()) {
            text_.remove(0, dead);
            base_ += dead;
        }
    }
    ++droppedSinceView_;
    scheduleUpdate();
    return true;
}

void LineBox::clear() {
    starts_.clear();
    text_.clear();
    base_ = 0;
    firstNumber_ = 0;
    viewLines_ = 0;
    droppedSinceView_ = 0;
    droppedViewLength_ = 0;
    view_->clear();
}

QStringView LineBox::lineAt(size_t i) const {
    const qint64 from = starts_[i];
    const qint64 to = i + 1 < starts_.size() ? starts_[i + 1] : end();
    return QStringView(text_).mid(from - base_, to - from);
}

QString LineBox::text() const {
    if (starts_.empty())
        return QString();
    return text_.mid(starts_.front() - base_);
}

QString LineBox::displayText(QStringView lineWithoutEnd) {
    QString shown;
    appendShown(shown, lineWithoutEnd);
    return shown;
}

void LineBox::appendShown(QString& to, QStringView lineWithoutEnd) {
    const qsizetype from = to.size();
    to.append(lineWithoutEnd);
    for (QChar *c = to.data() + from, *end = to.data() + to.size(); c != end; ++c) {
        switch (c->unicode()) {
        case '\r':
            *c = QChar(0x240D);
            break;
        case '\n':
            *c = QChar(0x240A);
            break;
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // frame marks of the text document
        case 0xFDD1:
            *c = QChar::ReplacementCharacter;
            break;
        default:
            break;
        }
    }
}

void LineBox::scheduleUpdate() {
    if (updateTimer_->isActive())
        return;
    const qint64 since = sinceUpdate_.isValid() ? sinceUpdate_.elapsed() : QuietGap;
    // A run of updates that goes on past StreamAfter is a stream: from then
    // on the box is brought up to date every StreamInterval.
    const bool streaming =
        since < QuietGap && runStart_.isValid() && runStart_.elapsed() >= StreamAfter;
    const qint64 interval = streaming ? StreamInterval : UpdateInterval;
    updateTimer_->start(int(qBound(qint64(0), interval - since, interval)));
}

void LineBox::updateView() {
    updateTimer_->stop();
    if (!sinceUpdate_.isValid() || sinceUpdate_.elapsed() >= QuietGap)
        runStart_.start();
    sinceUpdate_.start();

    // The box now shows the first viewLines_ lines, of which the first
    // droppedSinceView_ are gone; lines that were dropped again before this
    // update are gone from starts_ already.
    const int remove = qMin(droppedSinceView_, viewLines_);
    droppedSinceView_ = 0;
    const int total = int(starts_.size());
    const bool add = viewLines_ - remove < total;
    if (remove == 0 && !add)
        return;

    QTextDocument* doc = view_->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const QSizeF sizeBefore = layout->documentSize();
    int caretAnchor = 0;
    int caretPosition = 0;
    {
        // The layout would tell the box of each edit on its own: the lines
        // dropped shrink the scroll range, those added grow it again, and
        // every change repaints the scroll bar. It is told of the outcome
        // once instead, below; once the box is full its size mostly stays.
        const QSignalBlocker quiet(layout);
        // The cursors are placed by position inside an edit block: moving
        // them by blocks, or outside an edit block, would lay out the lines
        // they pass.
        if (remove > 0) {
            QTextCursor cursor(doc);
            cursor.beginEditBlock();
            cursor.setPosition(droppedViewLength_, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            cursor.endEditBlock();
            viewLines_ -= remove;
            CountLines(doc->firstBlock(), doc->firstBlock());
        }
        droppedViewLength_ = 0;
        caretAnchor = view_->textCursor().anchor();
        caretPosition = view_->textCursor().position();
        if (add) {
            QString text;
            for (int i = viewLines_; i < total; ++i) {
                appendShown(text, lineAt(size_t(i)).chopped(LineEnd.size()));
                const bool blockEnds = (firstNumber_ + i + 1) % LinesPerBlock == 0;
                text += blockEnds ? QChar(QLatin1Char('\n')) : QChar(QChar::LineSeparator);
            }
            QTextCursor cursor(doc);
            cursor.beginEditBlock();
            cursor.setPosition(doc->characterCount() - 1);
            const QTextBlock from = cursor.block();
            cursor.insertText(text);
            cursor.endEditBlock();
            viewLines_ = total;
            CountLines(from, doc->lastBlock());
        }
    }
    const QSizeF sizeAfter = layout->documentSize();
    if (sizeAfter != sizeBefore)
        emit layout->documentSizeChanged(sizeAfter);
    emit layout->update();

    if (followEnd_) {
        QTextCursor end(doc);
        end.setPosition(doc->characterCount() - 1);
        view_->setTextCursor(end);
    } else if (view_->textCursor().anchor() != caretAnchor ||
               view_->textCursor().position() != caretPosition) {
        // A caret resting at the end was carried along by the insertion;
        // put it back where the operator left it.
        QTextCursor back(doc);
        back.setPosition(caretAnchor);
        back.setPosition(caretPosition, QTextCursor::KeepAnchor);
        view_->setTextCursor(back);
    }
}
