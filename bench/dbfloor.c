/* The database floor of the benchmark: what a plain C program over the
 * SQLCipher API takes to write the rows of a merge.
 *
 *   dbfloor SOURCE KEY TARGET
 *
 * Reads the tables and rows of the photo database SOURCE (untimed), then,
 * timed: creates TARGET with KEY and SQLCipher's default settings, the
 * tables as SOURCE's schema text gives them (each in its own statement, as our merge makes them), and
 * inserts the rows of imageinfos, eofInfo and groups in SOURCE's rowid order
 * with one prepared statement and one transaction per table. Prints the
 * milliseconds taken. TARGET must not exist.
 */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef struct
{
    int type; /* SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT or SQLITE_NULL */
    sqlite3_int64 integer;
    double real;
    char *text;
    int bytes;
} Value;

typedef struct
{
    const char *name;
    int columns;
    size_t rows;
    Value *values; /* rows * columns */
} Table;

static void fail(sqlite3 *db, const char *what)
{
    fprintf(stderr, "dbfloor: %s: %s\n", what, db ? sqlite3_errmsg(db) : "out of memory");
    exit(1);
}

static void run(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, NULL, NULL, NULL) != SQLITE_OK)
        fail(db, sql);
}

static sqlite3 *openKeyed(const char *path, const char *key, int flags)
{
    sqlite3 *db = NULL;
    if (sqlite3_open_v2(path, &db, flags, NULL) != SQLITE_OK)
        fail(db, path);
    if (sqlite3_key(db, key, (int)strlen(key)) != SQLITE_OK)
        fail(db, "key");
    return db;
}

static void readTable(sqlite3 *db, Table *table)
{
    char sql[128];
    sqlite3_stmt *stmt = NULL;
    size_t capacity = 1024;
    snprintf(sql, sizeof sql, "SELECT * FROM %s ORDER BY rowid", table->name);
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, NULL) != SQLITE_OK)
        fail(db, sql);
    table->columns = sqlite3_column_count(stmt);
    table->rows = 0;
    table->values = malloc(capacity * (size_t)table->columns * sizeof(Value));
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (table->rows == capacity) {
            capacity *= 2;
            table->values = realloc(table->values, capacity * (size_t)table->columns * sizeof(Value));
        }
        if (!table->values)
            fail(NULL, "rows");
        Value *row = table->values + table->rows * (size_t)table->columns;
        for (int c = 0; c < table->columns; ++c) {
            Value *v = &row[c];
            memset(v, 0, sizeof *v);
            v->type = sqlite3_column_type(stmt, c);
            if (v->type == SQLITE_INTEGER)
                v->integer = sqlite3_column_int64(stmt, c);
            else if (v->type == SQLITE_FLOAT)
                v->real = sqlite3_column_double(stmt, c);
            else if (v->type != SQLITE_NULL) {
                v->type = SQLITE_TEXT;
                v->bytes = sqlite3_column_bytes(stmt, c);
                v->text = malloc((size_t)v->bytes + 1);
                memcpy(v->text, sqlite3_column_text(stmt, c), (size_t)v->bytes + 1);
            }
        }
        ++table->rows;
    }
    sqlite3_finalize(stmt);
}

static void insertTable(sqlite3 *db, const Table *table)
{
    char sql[256];
    int length = snprintf(sql, sizeof sql, "INSERT INTO %s VALUES(", table->name);
    for (int c = 0; c < table->columns; ++c)
        length += snprintf(sql + length, sizeof sql - (size_t)length, c ? ",?" : "?");
    snprintf(sql + length, sizeof sql - (size_t)length, ")");

    sqlite3_stmt *stmt = NULL;
    run(db, "BEGIN");
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, NULL) != SQLITE_OK)
        fail(db, sql);
    for (size_t r = 0; r < table->rows; ++r) {
        const Value *row = table->values + r * (size_t)table->columns;
        for (int c = 0; c < table->columns; ++c) {
            const Value *v = &row[c];
            if (v->type == SQLITE_INTEGER)
                sqlite3_bind_int64(stmt, c + 1, v->integer);
            else if (v->type == SQLITE_FLOAT)
                sqlite3_bind_double(stmt, c + 1, v->real);
            else if (v->type == SQLITE_TEXT)
                sqlite3_bind_text(stmt, c + 1, v->text, v->bytes, SQLITE_STATIC);
            else
                sqlite3_bind_null(stmt, c + 1);
        }
        if (sqlite3_step(stmt) != SQLITE_DONE)
            fail(db, table->name);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    run(db, "COMMIT");
}

/* The timed part, a function of its own so that an instruction count can
 * be limited to it (valgrind --tool=callgrind --toggle-collect=writeFloor). */
__attribute__((noinline)) static void writeFloor(const char *path, const char *key, char **schema, int tables, const Table *rows)
{
    sqlite3 *target = openKeyed(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    for (int t = 0; t < tables; ++t)
        run(target, schema[t]);
    for (int t = 0; t < 3; ++t)
        insertTable(target, &rows[t]);
    if (sqlite3_close(target) != SQLITE_OK)
        fail(target, "close");
}

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: dbfloor SOURCE KEY TARGET\n");
        return 2;
    }
    const char *key = argv[2];

    sqlite3 *source = openKeyed(argv[1], key, SQLITE_OPEN_READONLY);
    sqlite3_stmt *stmt = NULL;
    if (sqlite3_prepare_v2(source, "SELECT sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid", -1,
                           &stmt, NULL) != SQLITE_OK)
        fail(source, "schema");
    char *schema[16];
    int tables = 0;
    while (tables < 16 && sqlite3_step(stmt) == SQLITE_ROW)
        schema[tables++] = strdup((const char *)sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    Table rows[3] = {{"imageinfos", 0, 0, NULL}, {"eofInfo", 0, 0, NULL}, {"groups", 0, 0, NULL}};
    for (int t = 0; t < 3; ++t)
        readTable(source, &rows[t]);
    sqlite3_close(source);

    const double start = nowMs();
    writeFloor(argv[3], key, schema, tables, rows);
    printf("%.0f\n", nowMs() - start);
    return 0;
}
