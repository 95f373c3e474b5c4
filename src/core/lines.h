#pragma once
// LineReader: reads a text file handed in by the operator (a command file, a
// sensor profile file, the address history) one line at a time.
//
// A line ends at CR LF, at LF or at CR, so files from any editor read the
// same; a last line without a line end is still a line, and a file that ends
// with a line end has no empty line after it. Bytes become characters one to
// one (Latin-1). The file is read in blocks, so a file of any size costs the
// same memory; a line longer than the reader's limit is cut at the limit (the
// rest of it up to its line end is skipped) and lastLineCut() says so.

#include <QByteArray>
#include <QFile>
#include <QString>

class LineReader {
public:
    // Far longer than any command or profile line a unit takes.
    static constexpr int DefaultMaxLineLength = 64 * 1024;
    // Bytes taken from the file at a time.
    static constexpr qint64 DefaultBlockSize = 64 * 1024;

    explicit LineReader(int maxLineLength = DefaultMaxLineLength,
                        qint64 blockSize = DefaultBlockSize);

    // Opens the file for reading; false when it cannot be opened.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }

    // True when no line is left.
    bool atEnd();
    // The next line without its line end; "" when none is left.
    QString readLine();
    // Whether the line last read was longer than the limit and was cut.
    bool lastLineCut() const { return cut_; }

    // Bytes of the file taken so far and the file's size, for progress.
    qint64 position() const { return consumed_; }
    qint64 size() const { return file_.size(); }

private:
    // Makes sure the buffer holds at least one byte past pos_ if the file
    // has any; false at the end of the file.
    bool fill();

    QFile file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qint64 consumed_ = 0;
    int maxLength_;
    qint64 blockSize_;
    bool cut_ = false;
};
