#include "numericlocale.h"

#ifdef _WIN32

#include <locale.h>

namespace {

std::string currentNumericLocale()
{
    const char *name = std::setlocale(LC_NUMERIC, nullptr);
    return name ? name : "C";
}

} // namespace

CNumericLocale::CNumericLocale()
    : previousMode(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)),
      previous(currentNumericLocale())
{
    std::setlocale(LC_NUMERIC, "C");
}

CNumericLocale::~CNumericLocale()
{
    std::setlocale(LC_NUMERIC, previous.c_str());
    _configthreadlocale(previousMode);
}

#else

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

#endif
