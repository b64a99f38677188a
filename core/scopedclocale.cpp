#include "scopedclocale.h"

namespace {

locale_t cLocale()
{
    // Made once and kept for the life of the process.
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

} // namespace

ScopedCLocale::ScopedCLocale()
    : previous(uselocale(cLocale()))
{
}

ScopedCLocale::~ScopedCLocale()
{
    uselocale(previous);
}
