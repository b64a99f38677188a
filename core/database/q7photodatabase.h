#ifndef Q7PHOTODATABASE_H
#define Q7PHOTODATABASE_H

#include "databasecarryover.h"
#include "databaserecords.h"

#include <QObject>
#include <QStringList>
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
//
// A merge into a folder that holds a database already (a merge run again)
// writes a new database beside it, NAME.temp.new, with the earlier file's
// key and salt, so that its rows never touch the earlier rows' pages; when
// the rows are in, finishReplacement carries over what the merge did not
// write (the tables of other programs, q7prjinfo's rows, a table that
// failed) and puts the new file in the earlier one's place. A merge that
// ends before (a stop, a failure) leaves the earlier file as it was.
class q7PhotoDataBase : public QObject
{
    Q_OBJECT

public:
    q7PhotoDataBase(QObject *parent, QString connectionName);
    ~q7PhotoDataBase() override;

    // Opens the database file at path, creating it encrypted when there is no
    // file yet, and creates the four tables where missing (in the new file
    // beside it when there is one: see above). A connection still
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
    // connection is closed and a file that the preparation made is removed;
    // so is a new file beside an earlier one that was not finished.
    void discardPreparation();

    // What keeps the file at path from being used as a photo database, told
    // before a merge writes anything: empty when nothing is there or it opens
    // with the key as the merge would open it; else what it is ("is a
    // folder"...). A file that opens stays open for this merge's opening.
    QString unusableFile(const QString &path);
    // Where the rows go: the new file beside the earlier one while a merge
    // runs again, otherwise the file opened.
    RowsTarget rowsTarget() const;
    // Puts the new file, with storedTables holding this merge's rows, in the
    // earlier file's place, after carrying over everything else the earlier
    // file holds; nothing when there is no new file. Empty when done, else
    // what went wrong: then the earlier file stays as it was. The rows
    // carried over are told to carried, table by table.
    QString finishReplacement(const QStringList &storedTables, const RowsCarried &carried = {});

    const QString connectionName;

private:
    DatabaseOpening open(const QString &path);
    bool isOpenOn(const QString &path) const;
    void removeConnection();
    void forgetMadeFile(DatabaseOpening &opening);
    bool tableCreated(const QString &statement, QString &error) const;
    QString attachReplacement(const QString &path);
    void dropReplacement();
    void forgetReplacement(DatabaseOpening &opening);

    QString replacement; // the new file beside the earlier one, while unfinished

    std::optional<DatabaseOpening> prepared;
};

#endif // Q7PHOTODATABASE_H
