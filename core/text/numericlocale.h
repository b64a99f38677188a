#ifndef NUMERICLOCALE_H
#define NUMERICLOCALE_H

#include "platform.h"

// The files this program reads and writes spell numbers with '.' as decimal
// point. Qt sets the C library's locale from the environment on start-up, so
// under a locale such as de_DE printf would write "0,5" and strtod would stop
// reading "0.5" at the '.'. While a CNumericLocale is alive, the C library's
// number conversions on the current thread (printf, scanf and strtod families)
// use the "C" conventions; the thread's previous locale comes back afterwards.
class CNumericLocale
{
public:
    CNumericLocale() : previous(platform::useCNumbers()) {}
    ~CNumericLocale() { platform::restoreNumbers(previous); }

    CNumericLocale(const CNumericLocale &) = delete;
    CNumericLocale &operator=(const CNumericLocale &) = delete;

private:
    const platform::SavedNumbers previous;
};

#endif // NUMERICLOCALE_H
