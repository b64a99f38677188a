#ifndef SQLCIPHERPLUGIN_H
#define SQLCIPHERPLUGIN_H

#include <QSqlDriverPlugin>

// Makes the driver known to Qt SQL under the name "SQLITECIPHER".
class SqlCipherDriverPlugin : public QSqlDriverPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QSqlDriverFactoryInterface_iid FILE "sqlcipherdriver.json")

public:
    QSqlDriver *create(const QString &key) override;
};

#endif // SQLCIPHERPLUGIN_H
