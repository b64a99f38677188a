#include "sqlcipherplugin.h"

#include "sqlcipherdriver.h"

QSqlDriver *SqlCipherDriverPlugin::create(const QString &key)
{
    if (key == QLatin1String("SQLITECIPHER"))
        return new SqlCipherDriver;
    return nullptr;
}
