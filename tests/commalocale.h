#ifndef COMMALOCALE_H
#define COMMALOCALE_H

#include <QProcess>
#include <QTemporaryDir>
#include <clocale>

// While one lives, the C library formats and scans numbers as a German user's
// program would ("0,5"): a de_DE locale is compiled into a temporary folder and
// made the numeric locale (on Windows the system's German one). Back to "C"
// afterwards. Whether it could be made (the machine needs localedef) says
// isActive().
class CommaLocale
{
public:
    CommaLocale()
    {
#ifdef Q_OS_WIN
        active = std::setlocale(LC_NUMERIC, "German_Germany.1252") != nullptr;
#else
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", folder.filePath("de_DE.UTF-8")});
        // LOCPATH is needed only to load the locale (glibc's newlocale leaks a
        // little while it is set).
        qputenv("LOCPATH", folder.path().toLocal8Bit());
        active = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        qunsetenv("LOCPATH");
#endif
    }

    ~CommaLocale() { std::setlocale(LC_NUMERIC, "C"); }

    CommaLocale(const CommaLocale &) = delete;
    CommaLocale &operator=(const CommaLocale &) = delete;

    bool isActive() const { return active; }

private:
    QTemporaryDir folder;
    bool active = false;
};

#endif // COMMALOCALE_H
