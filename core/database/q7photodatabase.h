#ifndef Q7PHOTODATABASE_H
#define Q7PHOTODATABASE_H

#include "usermessages.h"

#include <QObject>
#include <QString>

// The new project's photo database: an encrypted SQLite file with the tables
// groups, imageinfos, q7prjinfo and eofInfo. The object keeps no handle of its
// own: the connection lives in Qt's connection registry under connectionName
// from the first successful connect until the object is destroyed.
class q7PhotoDataBase : public QObject
{
    Q_OBJECT

public:
    q7PhotoDataBase(QObject *parent, QString connectionName, UserMessages &messages);
    ~q7PhotoDataBase() override;

    // Opens the database file at path, creating it encrypted when there is no
    // file yet, and creates the four tables where missing. A connection still
    // open on another file is closed and removed first. Returns true when the
    // connection is open afterwards.
    bool connectDataBase(QString path);

    void createGroupsTable();
    void createImageInfosTable();
    void createPrjInfoTable();
    void createEofInfoTable();

    const QString connectionName;

private:
    bool isOpenOn(const QString &path) const;
    void removeConnection();
    void createTable(const char *statement, const char *label);

    UserMessages &messages;
};

#endif // Q7PHOTODATABASE_H
