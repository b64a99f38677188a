#ifndef DIALOGTESTING_H
#define DIALOGTESTING_H

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

// Every suite that makes a dialog includes this header: the dialog's settings
// then go to a folder of the suite's own, made before main() runs and before
// Qt first looks for its settings, and never to the user's own.
inline bool useOwnSettingsFolder()
{
    static QTemporaryDir config;
    return config.isValid() && qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
}

inline const bool ownSettingsFolder = useOwnSettingsFolder();

// A dialog made after this starts as on a first run.
inline void forgetDialogSettings()
{
    QSettings("ProjectMergeTool", "q7prjmerge").clear();
}

#endif // DIALOGTESTING_H
