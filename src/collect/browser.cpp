#include "collect/browser.h"

namespace lh {

BrowsingDataEffect effectOf(BrowsingData what) {
    BrowsingDataEffect effect;
    effect.cookieStore = what == BrowsingData::Cookies || what == BrowsingData::Everything;
    effect.queuedVisits = what == BrowsingData::TemporaryFiles || what == BrowsingData::Everything;
    return effect;
}

}  // namespace lh
