#include "replies/frames.h"
// PLACEHOLDER: replaced by the live scanning work.
namespace Global {
void HandleFrameHeader(const QString&, const QStringList&) {}
void HandleChannelLine(int, const QString&, const QStringList&, int) {}
} // namespace Global
