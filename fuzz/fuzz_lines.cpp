// The line reader for files the operator hands in. The first two bytes
// choose the longest line and the reader's block size (small ones put line
// ends across blocks); the rest is the file. Its lines must be the file's
// lines, where CR LF, LF and CR each end one and a last line needs no end,
// each cut at the longest line and flagged so; the reader must take the whole
// file.

#include "check.h"
#include "core/lines.h"

#include <QByteArrayList>

#include <sys/mman.h>
#include <unistd.h>

namespace {

int fd = -1;
QString path;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    if (fd < 0) {
        fd = memfd_create("fuzz_lines", 0);
        path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    }
    const int maxLength = data[0] == 0 ? LineReader::DefaultMaxLineLength : data[0] % 64 + 1;
    const qint64 blockSize = data[1] % 16 + 1;
    const QByteArray file(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2);
    Check(ftruncate(fd, 0) == 0 &&
              pwrite(fd, file.constData(), size_t(file.size()), 0) == ssize_t(file.size()),
          "file written");

    QByteArray canonical = file;
    canonical.replace("\r\n", "\n").replace('\r', '\n');
    QByteArrayList expected = canonical.split('\n');
    if (expected.last().isEmpty())
        expected.removeLast(); // no line after the last line end

    LineReader reader(maxLength, blockSize);
    Check(reader.open(path), "opens");
    for (const QByteArray& line : expected) {
        Check(!reader.atEnd(), "a line left");
        const QString got = reader.readLine();
        Check(got == QString::fromLatin1(line.left(maxLength)), "line as in the file");
        Check(reader.lastLineCut() == (line.size() > maxLength), "cut flagged");
    }
    Check(reader.atEnd() && reader.readLine().isEmpty(), "no more lines");
    Check(reader.position() == file.size(), "whole file taken");
    return 0;
}
