// The sensor profile windows' share of the reply dispatcher.

#include "core/registry.h"
#include "replies/effects.h"
#include "spf/createspf.h"
#include "spf/uploadspf.h"

namespace Global {

void OfferToProfileWindows(const QString& line) {
    if (Registry::isShown<CreateSPF>())
        Registry::get<CreateSPF>().HandleLineFromQel(line);
    if (Registry::isShown<UploadSPF>())
        Registry::get<UploadSPF>().HandleLineFromQel(line);
}

} // namespace Global
