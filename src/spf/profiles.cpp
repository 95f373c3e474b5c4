// The sensor profile windows' share of the reply dispatcher.

#include "replies/effects.h"

namespace Global {

void OfferToProfileWindows(QLatin1String) {
    // No sensor profile window yet.
}

} // namespace Global
