#include "numericlocale.h"

namespace {

// The thread's current locale with its numeric category replaced by "C", or
// null when the C library cannot make it (out of memory): the conversions
// then run under the current locale unchanged.
locale_t makeCNumericLocale()
{
    const locale_t base = duplocale(uselocale(nullptr));
    if (!base)
        return nullptr;
    const locale_t made = newlocale(LC_NUMERIC_MASK, "C", base);
    if (!made)
        freelocale(base);
    return made;
}

} // namespace

CNumericLocale::CNumericLocale()
    : cLocale(makeCNumericLocale()),
      previous(cLocale ? uselocale(cLocale) : nullptr)
{
}

CNumericLocale::~CNumericLocale()
{
    if (!cLocale)
        return;
    uselocale(previous);
    freelocale(cLocale);
}
