// The sensor profile windows' share of the reply dispatcher.

#include "core/registry.h"
#include "replies/effects.h"
#include "spf/createspf.h"
#include "spf/uploadspf.h"

namespace Global {

bool ProfileWindowsShown() {
    return Registry::isShown<CreateSPF>() || Registry::isShown<UploadSPF>();
}

void OfferToProfileWindows(QLatin1String line) {
    if (Registry::isShown<CreateSPF>())
        Registry::get<CreateSPF>().HandleLineFromQel(QString(line));
    if (Registry::isShown<UploadSPF>())
        Registry::get<UploadSPF>().HandleLineFromQel(QString(line));
}

} // namespace Global
