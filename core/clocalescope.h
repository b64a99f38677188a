#ifndef CLOCALESCOPE_H
#define CLOCALESCOPE_H

#include <clocale>
#include <locale.h>

// The text files exchanged with the solver always write numbers with '.' as
// decimal point, but the C runtime's formatted I/O ("%lf" in scanf and printf)
// follows the process locale, which QCoreApplication takes from the
// environment. While one of these lives, the calling thread scans and prints
// in the "C" locale; the thread's previous locale comes back afterwards.
class CLocaleScope
{
public:
    CLocaleScope()
        : cLocale(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))),
          previous(cLocale ? uselocale(cLocale) : static_cast<locale_t>(nullptr))
    {
    }

    ~CLocaleScope()
    {
        if (cLocale) {
            uselocale(previous);
            freelocale(cLocale);
        }
    }

    CLocaleScope(const CLocaleScope &) = delete;
    CLocaleScope &operator=(const CLocaleScope &) = delete;

private:
    locale_t cLocale;
    locale_t previous;
};

#endif // CLOCALESCOPE_H
