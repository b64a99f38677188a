#ifndef Q7PHOTODATABASE_H
#define Q7PHOTODATABASE_H

#include "usermessages.h"

#include <QObject>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

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
    // What the last connectDataBase found wrong, naming the file and SQLite's
    // reason: the file would not open, or a table could not be created.
    // Empty when the database is open with all four tables.
    const QString &problem() const { return lastProblem; }

    // Does what connectDataBase does for path (the encryption key is derived
    // on the first write, which takes a while) but tells nothing: the next
    // connectDataBase on the same path tells what came of it. Lets a merge
    // make its database ready while the solver runs.
    void prepare(const QString &path);
    // Forgets a preparation that connectDataBase did not take up: the
    // connection is closed and a file that the preparation made is removed.
    void discardPreparation();

    void createGroupsTable();
    void createImageInfosTable();
    void createPrjInfoTable();
    void createEofInfoTable();

    const QString connectionName;

private:
    // What opening a file and creating its tables came to, to be told.
    struct Opening
    {
        QString path;
        bool open = false;
        QString openError;
        bool madeFile = false;
        std::vector<std::pair<const char *, QString>> tableErrors; // label, error
        QString problem;
    };

    Opening open(const QString &path);
    void tell(const Opening &opening);
    bool isOpenOn(const QString &path) const;
    void removeConnection();
    void forgetMadeFile(Opening &opening);
    bool tableCreated(const char *statement, QString &error) const;
    void createTable(const char *statement, const char *label);

    UserMessages &messages;
    std::optional<Opening> prepared;
    QString lastProblem;
};

#endif // Q7PHOTODATABASE_H
