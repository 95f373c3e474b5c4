#include "qelsim/model.h"

namespace qelsim {

QStringList modelCodes() {
    return {QStringLiteral("Q1600"), QStringLiteral("QM1600"), QStringLiteral("Q1600PC"),
            QStringLiteral("QM1600PC")};
}

bool modelFromCode(const QString& text, Model* model) {
    const QString code = text.trimmed().toUpper();
    if (!modelCodes().contains(code))
        return false;
    model->code = code;
    model->moduleStyle = code.startsWith(QLatin1String("QM"));
    model->perChannelRanges = code.endsWith(QLatin1String("PC"));
    return true;
}

} // namespace qelsim
