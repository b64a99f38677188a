#ifndef Q7PHOTODATABASE_H
#define Q7PHOTODATABASE_H

#include <QObject>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// What opening a photo database file and creating its tables came to.
struct DatabaseOpening
{
    QString path;
    bool open = false;
    QString openError; // why it would not open
    bool madeFile = false;
    std::vector<std::pair<const char *, QString>> tableErrors; // label, error
    // What is wrong, naming the file and SQLite's reason: it would not open,
    // or a table could not be created. Empty when open with all four tables.
    QString problem;

    explicit operator bool() const { return open; }
};

// The new project's photo database: an encrypted SQLite file with the tables
// groups, imageinfos, q7prjinfo and eofInfo. The object keeps no handle of its
// own: the connection lives in Qt's connection registry under connectionName
// from the first successful connect until the object is destroyed.
class q7PhotoDataBase : public QObject
{
    Q_OBJECT

public:
    q7PhotoDataBase(QObject *parent, QString connectionName);
    ~q7PhotoDataBase() override;

    // Opens the database file at path, creating it encrypted when there is no
    // file yet, and creates the four tables where missing. A connection still
    // open on another file is closed and removed first. Returns true when the
    // connection is open afterwards, as the answer says; tables that could
    // not be created are written to the log.
    DatabaseOpening connectDataBase(QString path);

    // Does what connectDataBase does for path (the encryption key is derived
    // on the first write, which takes a while); the next connectDataBase on
    // the same path answers what came of it. Lets a merge
    // make its database ready while the solver runs.
    void prepare(const QString &path);
    // Forgets a preparation that connectDataBase did not take up: the
    // connection is closed and a file that the preparation made is removed.
    void discardPreparation();

    // What keeps the file at path from being used as a photo database, told
    // before a merge writes anything: empty when nothing is there or it opens
    // with the key as the merge would open it; else what it is ("is a
    // folder"...).
    static QString unusableFile(const QString &path);

    const QString connectionName;

private:
    DatabaseOpening open(const QString &path);
    bool isOpenOn(const QString &path) const;
    void removeConnection();
    void forgetMadeFile(DatabaseOpening &opening);
    bool tableCreated(const char *statement, QString &error) const;

    std::optional<DatabaseOpening> prepared;
};

#endif // Q7PHOTODATABASE_H
