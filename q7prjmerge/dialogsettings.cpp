#include "dialogsettings.h"

#include <QSettings>

namespace {

// The program's own settings, whatever the application object is named.
QSettings store()
{
    return QSettings(QSettings::UserScope, "ProjectMergeTool", "q7prjmerge");
}

} // namespace

DialogSettings DialogSettings::load()
{
    const QSettings settings = store();
    bool ok = false;
    const double tolerance = settings.value("tolerance", defaultTolerance).toDouble(&ok);
    return {settings.value("geometry").toByteArray(), settings.value("prjDir").toString(),
            settings.value("addFolder").toString(), settings.value("projects").toStringList(),
            settings.value("prjName").toString(),
            ok && tolerance >= 0 ? tolerance : defaultTolerance};
}

void DialogSettings::save() const
{
    QSettings settings = store();
    settings.setValue("geometry", geometry);
    settings.setValue("prjDir", prjDir);
    settings.setValue("addFolder", addFolder);
    settings.setValue("projects", projects);
    settings.setValue("prjName", prjName);
    settings.setValue("tolerance", tolerance);
}
