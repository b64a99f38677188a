#ifndef TRANSLATEDTEXT_H
#define TRANSLATEDTEXT_H

#include <QCoreApplication>
#include <QString>

// The one way the core's texts for people are translated: under the dialog's
// context "mergeprj", as the dialog's own are. No translator is installed,
// so they show as written.
inline QString tr(const char *text)
{
    return QCoreApplication::translate("mergeprj", text);
}

#endif // TRANSLATEDTEXT_H
