#pragma once
// LineBox: the text of a read-only box that only ever grows by whole lines at
// its end, loses lines at its start, or is emptied.
//
// The text is kept in one string that grows at its end and is cut at its
// start only now and then, with the start of every line beside it, so
// appending a line and dropping the first one cost the same whatever the box
// holds, and neither allocates a string of its own. The box itself (a
// QPlainTextEdit, a line of its own for each line, an empty one last where
// the caret rests after the final CR LF) is brought up to date on the next
// pass of the event loop, and while lines stream in at most every
// UpdateInterval, later StreamInterval, milliseconds: lines that arrive
// together are laid out, painted and scrolled into view together, and lines
// dropped before they were ever shown are never laid out.

#include <QElapsedTimer>
#include <QLatin1String>
#include <QObject>
#include <QString>
#include <QStringView>
#include <deque>

class QPlainTextEdit;
class QTimer;

class LineBox : public QObject {
    Q_OBJECT
public:
    // followEnd: after each update put the caret at the end of the text so
    // that the newest line is in view; otherwise the caret stays where it is.
    LineBox(QPlainTextEdit* view, bool followEnd);

    // The shortest time between two updates of the box: quicker than the
    // eye for an answer that comes in a few pieces. Updates that keep
    // following one another for StreamAfter are a stream (scan data): it is
    // shown every StreamInterval, once a second: scan lines scroll by far
    // faster than anyone reads them, the box shows the stream is alive, and
    // each update (lay out and paint the lines in view) costs about the same
    // whatever number of lines it brings. A pause of QuietGap ends the
    // stream; the next line is shown at once.
    static constexpr int UpdateInterval = 40;
    static constexpr int StreamInterval = 1000;
    static constexpr int StreamAfter = 500;
    static constexpr int QuietGap = 2 * StreamInterval;

    // Appends the line and CR LF. A line that holds CR LF pairs of its own
    // becomes several lines, as it would in the text.
    void appendLine(QStringView line);
    void appendLine(QLatin1String line);
    // Drops the text up to and including its first CR LF; false when empty.
    bool dropFirstLine();
    // Empties the text and the box at once.
    void clear();

    // The text with every line ended by CR LF.
    QString text() const;
    qsizetype length() const { return end() - (starts_.empty() ? end() : starts_.front()); }

    // Brings the box up to date now (the event loop does it otherwise).
    void updateView();

    // How a line is shown: a lone CR or LF inside a line (the unit's lines
    // end at CR LF, so either may stand alone in one) would split the line,
    // so each is shown by its control picture.
    static QString displayText(QStringView lineWithoutEnd);

private:
    // The box's document holds this many lines to a block (paragraph), each
    // but a block's last ended by a line separator: what the document costs
    // to change goes by its blocks, what it costs to lay out and paint by the
    // lines in view and the rest of their blocks.
    static constexpr int LinesPerBlock = 8;

    // Positions count characters since the box was created (or emptied);
    // text_ holds those from base_ on.
    qint64 end() const { return base_ + text_.size(); }
    QStringView lineAt(size_t i) const; // with its CR LF
    // Records the lines that text_ gained from position `from` on (the text
    // appended ends with CR LF).
    void noteLinesFrom(qint64 from);
    void scheduleUpdate();
    static void appendShown(QString& to, QStringView lineWithoutEnd);

    QPlainTextEdit* view_;
    QTimer* updateTimer_;
    QElapsedTimer sinceUpdate_; // since the last update
    QElapsedTimer runStart_;    // since the first update of the present run
    bool followEnd_;
    QString text_;              // the text, perhaps with dropped lines still before the first
    qint64 base_ = 0;           // the position of text_'s first character
    std::deque<qint64> starts_; // where each line starts
    qint64 firstNumber_ = 0;    // lines appended before the first line, since created or emptied
    int viewLines_ = 0;         // lines the box showed after its last update
    int droppedSinceView_ = 0;  // lines dropped from the start since then
    int droppedViewLength_ = 0; // document characters of those the box showed
};
