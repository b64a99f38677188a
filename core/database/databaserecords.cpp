#include "databaserecords.h"

#include "platform.h"
#include "sqlcipherrows.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <glog/logging.h>
#include <memory>
#include <unordered_map>

// The rows belong to the merge: their log records carry the merge's source name.
#define MERGE_LOG_ERROR google::LogMessage("mergeprj.cpp", __LINE__, google::GLOG_ERROR).stream()

namespace {

// Each with %1 for the schema of the target.
const char *const imageInfosInsert =
    "INSERT INTO %1.imageinfos VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
const char *const eofInfoInsert = "INSERT INTO %1.eofInfo VALUES(?,?,?,?,?,?,?,?,?,?)";
const char *const groupsInsert = "INSERT INTO %1.groups VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// A table holds the rows of the last merge only: those of an earlier merge
// into the same file go in the same transaction as the new ones come.
const char *const imageInfosClear = "DELETE FROM %1.imageinfos";
const char *const eofInfoClear = "DELETE FROM %1.eofInfo";
const char *const groupsClear = "DELETE FROM %1.groups";

// The statement for the target's schema.
QString inSchema(const char *statement, const RowsTarget &target)
{
    return QString::fromLatin1(statement).arg(target.schema);
}

// The bytes of the image's name field up to its terminator; a name that
// fills its field without one ends with the field.
int nameSize(const ImageRecord &image)
{
    const void *end = std::memchr(image.name, '\0', sizeof image.name);
    return end ? int(static_cast<const char *>(end) - image.name) : int(sizeof image.name);
}

// The image's name as the orientation file gives it: the full path.
QString imageTextName(const ImageRecord &image)
{
    return QString::fromLocal8Bit(image.name, nameSize(image));
}

uint unitCode(char unit)
{
    return uchar(unit);
}

uint unitCode(QChar unit)
{
    return unit.unicode();
}

// Which ASCII codes are folder separators here, looked up once.
const std::array<bool, 128> folderSeparatorCodes = [] {
    std::array<bool, 128> codes{};
    for (const char *separator = platform::folderSeparators; *separator; ++separator)
        codes[uchar(*separator) % codes.size()] = true; // all of them are ASCII
    return codes;
}();

bool isFolderSeparator(uint code)
{
    return code < folderSeparatorCodes.size() && folderSeparatorCodes[code];
}

// Where the image's key lies in its name of size bytes or QChars: the file
// name without folder and last extension, as QFileInfo::completeBaseName
// gives it. The first unit and the length, found in one pass back from the
// end: the first '.' met there, if any comes before a separator, ends it.
template <typename Unit>
std::pair<int, int> baseNameSpan(const Unit *name, int size)
{
    int nameEnd = size;
    int nameStart = size;
    for (; nameStart > 0; --nameStart) {
        const uint code = unitCode(name[nameStart - 1]);
        if (isFolderSeparator(code))
            break;
        if (code == '.' && nameEnd == size)
            nameEnd = nameStart - 1;
    }
    return {nameStart, nameEnd - nameStart};
}

// The image's key (see baseNameSpan).
QString imageBaseName(const QString &textName)
{
    const std::pair<int, int> span = baseNameSpan(textName.constData(), textName.size());
    return textName.mid(span.first, span.second);
}

// Whether the bytes are ASCII alone, looked at eight at a time.
bool isAscii(const char *bytes, int size)
{
    constexpr uint64_t highBits = 0x8080808080808080u;
    int i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word = 0;
        std::memcpy(&word, bytes + i, sizeof word);
        if (word & highBits)
            return false;
    }
    return std::all_of(bytes + i, bytes + size, [](char c) { return uchar(c) < 0x80; });
}

// Binds the image's key at keyColumn and, unless textColumn is negative, its
// name at textColumn. Every 8-bit encoding of a locale reads ASCII as
// itself, so an ASCII name is bound as the bytes it is, without a copy; any
// other is read as the locale's.
void bindImageNames(SqlCipherRowStatement &row, const ImageRecord &image, int keyColumn, int textColumn)
{
    const int size = nameSize(image);
    if (isAscii(image.name, size)) {
        const std::pair<int, int> key = baseNameSpan(image.name, size);
        row.bindUtf8(keyColumn, image.name + key.first, key.second);
        if (textColumn >= 0)
            row.bindUtf8(textColumn, image.name, size);
        return;
    }
    const QString textName = imageTextName(image);
    row.bindText(keyColumn, imageBaseName(textName));
    if (textColumn >= 0)
        row.bindText(textColumn, textName);
}

double focalInPixels(const CameraRecord &camera)
{
    return camera.focal / camera.pixelSize;
}

double sensorWidth(const CameraRecord &camera)
{
    return double(camera.width) * camera.pixelSize;
}

// GroupID: the camera index counted from 1. Counted in 64 bits, so that the
// largest index cannot overflow.
qint64 groupId(int32_t camIdx)
{
    return qint64(camIdx) + 1;
}

// The last camera carrying each camera index.
std::unordered_map<int32_t, const CameraRecord *>
camerasByIndex(const std::vector<CameraRecord> &cameraRecords)
{
    std::unordered_map<int32_t, const CameraRecord *> cameras;
    for (const CameraRecord &camera : cameraRecords)
        cameras[camera.camIdx] = &camera;
    return cameras;
}

// The image count of each camera's last run.
std::unordered_map<int32_t, int32_t> lastRunCounts(const GroupCounts &groupCounts)
{
    std::unordered_map<int32_t, int32_t> counts;
    for (const auto &run : groupCounts)
        counts[run.first] = run.second;
    return counts;
}

void reportError(const QString &error)
{
    qDebug().noquote() << error;
    MERGE_LOG_ERROR << error.toUtf8().constData();
}

// Binds X, Y, Z, Omega, Phi and Kappa, from column firstColumn on.
void bindPositionAndAttitude(SqlCipherRowStatement &row, int firstColumn, const ImageRecord &image)
{
    int column = firstColumn;
    for (double value : {image.X, image.Y, image.Z, image.omega, image.phi, image.kappa})
        row.bindReal(column++, value);
}

// Binds one imageinfos row; an image without camera gets zeros for the
// camera's columns. Whole numbers go as integers, the others as reals.
void bindImageInfo(SqlCipherRowStatement &row, const ImageRecord &image, const CameraRecord *camera)
{
    bindImageNames(row, image, 0, 2);
    row.bindInteger(1, groupId(image.camIdx));
    row.bindInteger(3, image.stripNo);
    row.bindInteger(4, 0);
    row.bindInteger(5, 0);
    row.bindReal(6, image.Z); // Alti
    bindPositionAndAttitude(row, 7, image);
    row.bindReal(13, camera ? focalInPixels(*camera) : 0.0);
    row.bindInteger(14, 0);
    row.bindUtf8(15, "NULL", 4);
    row.bindInteger(16, camera ? camera->width : 0);
    row.bindInteger(17, camera ? camera->height : 0);
    row.bindReal(18, camera ? sensorWidth(*camera) : 0.0);
}

void bindEofInfo(SqlCipherRowStatement &row, const ImageRecord &image)
{
    bindImageNames(row, image, 0, -1);
    row.bindInteger(1, image.stripNo);
    row.bindInteger(2, 0);
    row.bindInteger(3, 0);
    bindPositionAndAttitude(row, 4, image);
}

void bindGroup(SqlCipherRowStatement &row, const CameraRecord &camera, int32_t photos)
{
    row.bindInteger(0, groupId(camera.camIdx));
    row.bindInteger(1, photos);
    row.bindText(2, QString::fromUtf8(camera.name, int(qstrnlen(camera.name, sizeof camera.name))));
    row.bindReal(3, sensorWidth(camera));
    row.bindReal(4, focalInPixels(camera));
    row.bindReal(5, 0.0);
    row.bindInteger(6, camera.width);
    row.bindInteger(7, camera.height);
    row.bindReal(8, camera.x0);
    row.bindReal(9, camera.y0);
    for (int k = 0; k < 6; ++k) // k0 k1 k2 k3 p1 p2
        row.bindReal(10 + k, camera.distortion[k]);
}

// Why the table's rows were not stored: its file and SQLite's reason.
TableWrite notStored(const QSqlDatabase &db, const QSqlError &error)
{
    const QString reason = error.text().trimmed();
    return {tr("%1: its rows were not stored: %2")
                .arg(db.databaseName(), reason.isEmpty() ? tr("unknown error") : reason)};
}

// Rolls the table back after a failed statement; why it was not stored.
TableWrite rolledBack(QSqlDatabase &db, const QSqlError &error)
{
    db.rollback();
    return notStored(db, error);
}

// Commits the table's transaction. A commit that fails (a reader holding the
// file past the busy timeout, or a transaction SQLite already rolled back
// itself) is reported with the connection's error and rolled back, so that
// no transaction stays open.
TableWrite committed(QSqlDatabase &db)
{
    if (db.commit())
        return {};
    const QSqlError error = db.lastError();
    reportError(error.text());
    return rolledBack(db, error);
}

// Empties the table inside the transaction just begun; the error, reported,
// when it cannot be.
QSqlError clearTable(QSqlDatabase &db, const QString &clear)
{
    QSqlQuery query(db);
    if (query.exec(clear))
        return QSqlError();
    reportError(query.lastError().text());
    return query.lastError();
}

// Prepares the statement on the open connection as a row statement of its
// driver and, inside one transaction, empties the table and runs insertRows
// on it. Nothing is written when there is no open connection, the statement
// cannot be prepared or the transaction cannot begin; the table keeps its
// rows when it cannot be emptied.
template <typename InsertRows>
TableWrite insertInTransaction(const RowsTarget &target, const char *statement, const char *clear,
                               InsertRows insertRows)
{
    QSqlDatabase db = QSqlDatabase::database(target.connectionName, false);
    if (!db.isOpen())
        return {tr("%1: no open database").arg(db.databaseName())};
    const auto *driver = qobject_cast<SqlCipherRows *>(db.driver());
    if (!driver)
        return notStored(db, QSqlError(QStringLiteral("the %1 driver writes no row statements").arg(db.driverName())));
    QSqlError prepareError;
    const std::unique_ptr<SqlCipherRowStatement> row = driver->prepareRows(inSchema(statement, target), &prepareError);
    if (!row)
        return notStored(db, prepareError);
    if (!db.transaction()) {
        reportError(db.lastError().text());
        return notStored(db, db.lastError());
    }
    const QSqlError cleared = clearTable(db, inSchema(clear, target));
    return cleared.type() == QSqlError::NoError ? insertRows(db, *row) : rolledBack(db, cleared);
}

// Whether a stop was asked, looked at once every few thousand rows.
bool stopAsked(const StopRequested &stop, size_t row)
{
    constexpr size_t rowsBetweenLooks = 4096;
    return stop && row % rowsBetweenLooks == 0 && stop();
}

// Tells the rows stored so far when the table starts and every
// rowsBetweenReports rows after.
void reportRows(const RowsWritten &rows, size_t row, size_t total)
{
    if (rows && row % rowsBetweenReports == 0)
        rows(qint64(row), qint64(total));
}

// Inserts one row per record until a row fails, which rolls the table back
// and is told by logFailure, or until a stop, which rolls it back untold. A
// failed statement may have rolled the transaction back already: the rows
// after it would go in one by one, so none is tried. A table committed tells
// its rows in all.
template <typename Record, typename BindRow, typename LogFailure>
TableWrite insertUntilFailure(QSqlDatabase &db, SqlCipherRowStatement &statement, const std::vector<Record> &records,
                              BindRow bindRow, LogFailure logFailure, const TableWatch &watch)
{
    for (size_t row = 0; row < records.size(); ++row) {
        if (stopAsked(watch.stop, row)) {
            db.rollback();
            TableWrite stopped;
            stopped.stopped = true;
            return stopped;
        }
        reportRows(watch.rows, row, records.size());
        bindRow(records[row]);
        if (!statement.exec()) {
            logFailure(records[row], statement.lastError());
            return rolledBack(db, statement.lastError());
        }
    }
    TableWrite written = committed(db);
    if (written && watch.rows)
        watch.rows(qint64(records.size()), qint64(records.size()));
    return written;
}

void logRowError(const QSqlError &error)
{
    reportError(error.text());
}

} // namespace

TableWrite insertImageInfos(const RowsTarget &target, const std::vector<ImageRecord> &imageRecords,
                            const std::vector<CameraRecord> &cameraRecords, const TableWatch &watch)
{
    const auto cameras = camerasByIndex(cameraRecords);
    return insertInTransaction(target, imageInfosInsert, imageInfosClear, [&](QSqlDatabase &db, SqlCipherRowStatement &row) {
        const auto bindRow = [&](const ImageRecord &image) {
            const auto camera = cameras.find(image.camIdx);
            bindImageInfo(row, image, camera == cameras.end() ? nullptr : camera->second);
        };
        const auto logFailure = [](const ImageRecord &image, const QSqlError &error) {
            MERGE_LOG_ERROR << "failed to insert image: " << error.text().toUtf8().constData() << " fileName:: "
                            << imageBaseName(imageTextName(image)).toLocal8Bit().constData();
        };
        return insertUntilFailure(db, row, imageRecords, bindRow, logFailure, watch);
    });
}

TableWrite insertEofInfo(const RowsTarget &target, const std::vector<ImageRecord> &imageRecords,
                         const TableWatch &watch)
{
    return insertInTransaction(target, eofInfoInsert, eofInfoClear, [&](QSqlDatabase &db, SqlCipherRowStatement &row) {
        return insertUntilFailure(
            db, row, imageRecords, [&](const ImageRecord &image) { bindEofInfo(row, image); },
            [](const ImageRecord &, const QSqlError &error) { logRowError(error); }, watch);
    });
}

TableWrite insertGroups(const RowsTarget &target, const std::vector<CameraRecord> &cameraRecords,
                        const GroupCounts &groupCounts, const TableWatch &watch)
{
    const auto counts = lastRunCounts(groupCounts);
    return insertInTransaction(target, groupsInsert, groupsClear, [&](QSqlDatabase &db, SqlCipherRowStatement &row) {
        return insertUntilFailure(
            db, row, cameraRecords,
            [&](const CameraRecord &camera) {
                const auto count = counts.find(camera.camIdx);
                bindGroup(row, camera, count == counts.end() ? 0 : count->second);
            },
            [](const CameraRecord &, const QSqlError &error) { logRowError(error); }, watch);
    });
}
