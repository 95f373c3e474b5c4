#pragma once
// LineBox: the text of a read-only box that only ever grows by whole lines at
// its end, loses lines at its start, or is emptied.
//
// The text is kept as a list of lines, each with its CR LF, and a running
// character count, so appending a line and dropping the first one cost the
// same whatever the box holds. The box itself (a QPlainTextEdit, one block
// per line, an empty block last where the caret rests after the final CR LF)
// is brought up to date on the next pass of the event loop, and while lines
// stream in at most every UpdateInterval milliseconds: lines that arrive
// together are laid out, painted and scrolled into view together, and lines
// dropped before they were ever shown are never laid out.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
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
    // eye, slow enough that a stream of scan data costs a few updates a
    // second rather than one per arrival.
    static constexpr int UpdateInterval = 40;

    // Appends the line and CR LF. A line that holds CR LF pairs of its own
    // becomes several lines, as it would in the text.
    void appendLine(const QString& line);
    // Drops the text up to and including its first CR LF; false when empty.
    bool dropFirstLine();
    // Empties the text and the box at once.
    void clear();

    // The text with every line ended by CR LF.
    QString text() const;
    qsizetype length() const { return length_; }

    // Brings the box up to date now (the event loop does it otherwise).
    void updateView();

    // How a line is shown in its block: a lone CR or LF inside a line (the
    // unit's lines end at CR LF, so either may stand alone in one) would
    // split the block, so each is shown by its control picture.
    static QString displayText(const QString& lineWithoutEnd);

private:
    void scheduleUpdate();

    QPlainTextEdit* view_;
    QTimer* updateTimer_;
    QElapsedTimer sinceUpdate_;
    bool followEnd_;
    std::deque<QString> lines_; // each ends with CR LF
    qsizetype length_ = 0;
    int viewLines_ = 0;        // lines the box showed after its last update
    int droppedSinceView_ = 0; // lines dropped from the start since then
};
