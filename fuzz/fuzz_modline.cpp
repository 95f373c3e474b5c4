// The sensor profile upload's line rewriting: a line of a profile file (the
// input after its first byte, which picks the channel) rewritten to a channel.
// Beyond not failing: only the six kinds of line are sent, and a rewritten
// line is the line with one piece of it replaced by the channel number, the
// kind's own prefix kept as it was written.

#include "check.h"
#include "spf/uploadspf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 512)
        return 0;
    const int channel = data[0] % 16;
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char*>(data) + 1, int(size) - 1);
    const QString result = UploadSPF::ModLine(line, channel);
    if (result.isEmpty())
        return 0;
    const QString number = QString::number(channel);
    bool kind = false;
    for (const char* prefix : {"SET TEMP", "SET ABS", "SET MAX", "SET MIN", "SET NEGPTS", "INSERT"})
        kind = kind || line.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    Check(kind, "only the six kinds are sent");
    bool piece = false;
    for (qsizetype at = 0; at <= line.size() && !piece; ++at) {
        const QString tail = result.mid(at + number.size());
        piece = result.startsWith(line.left(at) + number) && line.endsWith(tail) &&
                at + tail.size() <= line.size();
    }
    Check(piece, "one piece of the line replaced by the channel");
    Check(result.left(6).compare(line.left(6)) == 0, "the prefix kept as written");
    return 0;
}
