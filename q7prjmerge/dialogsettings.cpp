#include "dialogsettings.h"

#include <QSettings>

namespace {

// The program's own settings, whatever the application object is named.
QSettings store()
{
    return QSettings(QSettings::UserScope, "ProjectMergeTool", "q7prjmerge");
}

// A tolerance of the check: a distance of at least 0, else the default.
double distanceSetting(const QSettings &settings, const char *key)
{
    bool ok = false;
    const double value = settings.value(key, defaultTolerance).toDouble(&ok);
    return ok && value >= 0 ? value : defaultTolerance;
}

} // namespace

DialogSettings DialogSettings::load()
{
    const QSettings settings = store();
    return {settings.value("geometry").toByteArray(), settings.value("prjDir").toString(),
            settings.value("addFolder").toString(), settings.value("projects").toStringList(),
            settings.value("prjName").toString(), distanceSetting(settings, "tolerance"),
            distanceSetting(settings, "verticalTolerance")};
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
    settings.setValue("verticalTolerance", verticalTolerance);
}
