#ifndef SCOPEDCLOCALE_H
#define SCOPEDCLOCALE_H

#include <clocale>
#include <locale.h>

// While alive, the C runtime's formatted I/O of this thread (printf and scanf
// with "%lf" and the like) uses the "C" locale: '.' as the decimal point, no
// digit grouping. The files exchanged with the solver are written and read
// that way whatever locale the application object has set from the user's
// environment, where a German or French setting would write "2,5" and read
// "2.5" as 2.
class ScopedCLocale
{
public:
    ScopedCLocale();
    ~ScopedCLocale();

    ScopedCLocale(const ScopedCLocale &) = delete;
    ScopedCLocale &operator=(const ScopedCLocale &) = delete;

private:
    locale_t previous;
};

#endif // SCOPEDCLOCALE_H
