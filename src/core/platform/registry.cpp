// The registry over SQLite: hive files, key handles and the Win32-shaped calls.
#include "registry.h"

#include "posixio.h"
#include "prefix.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace {

constexpr qint64 kRootKeyId = 1;
constexpr auto kFormat = "dunlivo-registry 1";
// How long a write waits for another process that holds the hive before it gives up.
constexpr int kBusyWaitMs = 5 * 60 * 1000;

thread_local QString lastErrorText;

LONG fail(LONG code, const QString &text)
{
    lastErrorText = text;
    return code;
}

LONG ok()
{
    lastErrorText.clear();
    return ERROR_SUCCESS;
}

// Names compare without regard to case, as Windows compares them (upper-cased).
QString fold(const QString &name) { return name.toUpper(); }

int busyHandler(void *, int count)
{
    // Back off gently: short waits first, never more than 20 ms between tries.
    const int delayMs = count < 10 ? 1 : (count < 50 ? 5 : 20);
    // 10 tries of 1 ms and 40 of 5 ms take 210 ms; the rest wait 20 ms each.
    constexpr int kTries = 50 + (kBusyWaitMs - 210) / 20;
    if (count > kTries)
        return 0;
    QThread::msleep(delayMs);
    return 1;
}

// A prepared statement in use; reset when it goes out of scope, so that no read transaction
// stays open on the connection (which would pin an old snapshot of the hive).
class Query
{
public:
    explicit Query(sqlite3_stmt *s) : m_s(s) {}
    ~Query()
    {
        if (m_s)
            sqlite3_reset(m_s);
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;
    operator sqlite3_stmt *() const { return m_s; }

private:
    sqlite3_stmt *m_s;
};

// One open hive file. Every call runs under the hive's mutex on one connection.
class Hive
{
public:
    Hive(QString file, sqlite3 *db) : m_file(std::move(file)), m_db(db) {}
    ~Hive()
    {
        for (sqlite3_stmt *s : std::as_const(m_statements))
            sqlite3_finalize(s);
        sqlite3_close_v2(m_db);
    }
    Hive(const Hive &) = delete;
    Hive &operator=(const Hive &) = delete;

    const QString &file() const { return m_file; }
    QMutex &mutex() { return m_mutex; }

    // A hive whose file lacks the owner's write bit is read-only, for root as well.
    bool writable() const
    {
        struct stat st;
        return ::stat(QFile::encodeName(m_file).constData(), &st) == 0 && (st.st_mode & S_IWUSR);
    }

    // The cached prepared form of sql; null when it cannot be prepared.
    sqlite3_stmt *prepared(const char *sql)
    {
        sqlite3_stmt *&s = m_statements[sql];
        if (!s && sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK) {
            s = nullptr;
            return nullptr;
        }
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        return s;
    }

    bool exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    LONG dbError(LONG code, const char *what)
    {
        return fail(code, QStringLiteral("Registry hive %1: %2 failed: %3")
                              .arg(m_file, QLatin1String(what), QString::fromUtf8(sqlite3_errmsg(m_db))));
    }

    sqlite3 *db() const { return m_db; }

private:
    QString m_file;
    sqlite3 *m_db;
    QMutex m_mutex;
    QHash<const char *, sqlite3_stmt *> m_statements;
};

void bindText(sqlite3_stmt *s, int index, const QString &text)
{
    sqlite3_bind_text16(s, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt *s, int column)
{
    const void *p = sqlite3_column_text16(s, column);
    const int bytes = sqlite3_column_bytes16(s, column);
    return p ? QString::fromUtf16(static_cast<const char16_t *>(p), bytes / 2) : QString();
}

// Runs a statement to its end, waiting out a busy hive; SQLITE_DONE or SQLITE_ROW on success.
int step(sqlite3_stmt *s)
{
    for (int tries = 0;; ++tries) {
        const int rc = sqlite3_step(s);
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || tries > 100)
            return rc;
        sqlite3_reset(s);
        QThread::msleep(10);
    }
}

// ---- key lookups on an open hive (caller holds the hive's mutex) ----

qint64 findChild(Hive &h, qint64 parent, const QString &name, QString *storedName = nullptr)
{
    Query s(h.prepared("SELECT id, name FROM keys WHERE parent=?1 AND fold=?2"));
    if (!s)
        return -1;
    sqlite3_bind_int64(s, 1, parent);
    bindText(s, 2, fold(name));
    if (step(s) != SQLITE_ROW)
        return 0;
    if (storedName)
        *storedName = columnText(s, 1);
    return sqlite3_column_int64(s, 0);
}

bool keyExists(Hive &h, qint64 id)
{
    Query s(h.prepared("SELECT 1 FROM keys WHERE id=?1"));
    if (!s)
        return false;
    sqlite3_bind_int64(s, 1, id);
    return step(s) == SQLITE_ROW;
}

QStringList splitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

bool validComponent(const QString &name) { return name.size() <= 255; }

// Creates the missing levels of path below parent; returns the id of the last level.
LONG createPath(Hive &h, qint64 parent, const QStringList &levels, qint64 *id, bool *created)
{
    *created = false;
    qint64 current = parent;
    for (const QString &level : levels) {
        const qint64 child = findChild(h, current, level);
        if (child < 0)
            return h.dbError(ERROR_REGISTRY_IO_FAILED, "key lookup");
        if (child > 0) {
            current = child;
            continue;
        }
        Query s(h.prepared("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)"));
        if (!s)
            return h.dbError(ERROR_REGISTRY_IO_FAILED, "key creation");
        sqlite3_bind_int64(s, 1, current);
        bindText(s, 2, level);
        bindText(s, 3, fold(level));
        if (step(s) != SQLITE_DONE)
            return h.dbError(ERROR_CANTWRITE, "key creation");
        current = sqlite3_last_insert_rowid(h.db());
        *created = true;
    }
    *id = current;
    return ERROR_SUCCESS;
}

LONG setValue(Hive &h, qint64 key, const QString &name, DWORD type, const BYTE *data, DWORD size)
{
    Query s(h.prepared(
        "INSERT INTO vals(key, name, fold, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
        "WHERE EXISTS(SELECT 1 FROM keys WHERE id=?1) "
        "ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data"));
    if (!s)
        return h.dbError(ERROR_REGISTRY_IO_FAILED, "value write");
    sqlite3_bind_int64(s, 1, key);
    bindText(s, 2, name);
    bindText(s, 3, fold(name));
    sqlite3_bind_int64(s, 4, type);
    sqlite3_bind_blob(s, 5, size ? static_cast<const void *>(data) : "", int(size), SQLITE_TRANSIENT);
    if (step(s) != SQLITE_DONE)
        return h.dbError(ERROR_CANTWRITE, "value write");
    if (sqlite3_changes(h.db()) == 0)
        return fail(ERROR_KEY_DELETED, QStringLiteral("The key was deleted."));
    return ERROR_SUCCESS;
}

// A hive that cannot be used is reported, never touched. ERROR_BADDB is kept for a damaged file;
// code says what else keeps it closed.
LONG unusableHive(LONG code, const QString &file, const QString &why)
{
    return fail(code, QStringLiteral("The registry hive %1 cannot be used: %2. The file was left as it is.")
                          .arg(file, why));
}

LONG damagedHive(const QString &file, const QString &why)
{
    return unusableHive(ERROR_BADDB, file, why);
}

// What an SQLite failure on opening a hive says about the file. Not a database, a corrupt one, or
// a statement on the registry's own tables that fails as SQL (no such table or column) is damage;
// a file that may not be opened, a lock another process keeps, or a failing disk is not.
LONG openFailureCode(int sqliteCode)
{
    switch (sqliteCode) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_ERROR:
        return ERROR_BADDB;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_SHARING_VIOLATION;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    default:
        return ERROR_CANTOPEN;
    }
}

LONG openFailure(const QString &file, sqlite3 *db)
{
    return unusableHive(openFailureCode(sqlite3_errcode(db)), file, QString::fromUtf8(sqlite3_errmsg(db)));
}

sqlite3 *openConnection(const QString &file, int flags, QString *why, int *code = nullptr)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        *why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        if (code)
            *code = rc & 0xFF;
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_handler(db, busyHandler, nullptr);
    sqlite3_extended_result_codes(db, 0);
    return db;
}

const char *kSchema =
    "PRAGMA journal_mode=WAL;"
    "BEGIN;"
    "CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL, name TEXT NOT NULL,"
    "                  fold TEXT NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL,"
    "                  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
    "CREATE INDEX keys_in_order ON keys(parent, id);"
    "CREATE INDEX vals_in_order ON vals(key, id);"
    "INSERT INTO keys(id, parent, name, fold) VALUES(1, 0, '', '');";

QByteArray sz(const char *text) { return QByteArray(text, int(std::strlen(text)) + 1); }

// What a fresh system has in each hive.
bool seedHive(Hive &h, const QString &rootName)
{
    auto put = [&](const QString &path, const QString &name, const QByteArray &text) {
        qint64 id = 0;
        bool created = false;
        if (createPath(h, kRootKeyId, splitPath(path), &id, &created) != ERROR_SUCCESS)
            return false;
        if (text.isNull())
            return true;
        return setValue(h, id, name, REG_SZ, reinterpret_cast<const BYTE *>(text.constData()),
                        DWORD(text.size())) == ERROR_SUCCESS;
    };
    if (rootName == QLatin1String("HKEY_LOCAL_MACHINE")) {
        return put(QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), QString(), QByteArray()) &&
               put(QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage"), QStringLiteral("ACP"),
                   sz("65001"));
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
        return put(QStringLiteral(".html"), QString(), sz("htmlfile")) &&
               put(QStringLiteral("htmlfile\\shell\\open\\command"), QString(), sz("xdg-open \"%1\""));
    }
    return true;
}

// Builds a new hive beside its final name and links it into place, so another process never
// sees a half-made hive; when another process wins the race, its hive is used.
LONG createHive(const QString &file, const QString &rootName)
{
    // One arg() call: a "%2" in the prefix's own path must stay part of the path.
    const QString temp =
        QStringLiteral("%1.new-%2-%3")
            .arg(file, QString::number(::getpid()),
                 QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    QString why;
    // The file is made private before SQLite sees it (whatever the umask); SQLite gives its log
    // and shared-memory files the mode of the hive.
    const int made =
        ::open(QFile::encodeName(temp).constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (made < 0) {
        return fail(ERROR_CANTOPEN, QStringLiteral("Cannot create the registry hive %1: %2")
                                        .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
    }
    ::close(made);
    sqlite3 *db = openConnection(temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &why);
    if (!db) {
        ::unlink(QFile::encodeName(temp).constData());
        return fail(ERROR_CANTOPEN, QStringLiteral("Cannot create the registry hive %1: %2").arg(file, why));
    }
    bool built = false;
    {
        Hive h(temp, db);
        built = h.exec(kSchema) && seedHive(h, rootName) &&
                h.exec("INSERT INTO meta(name, value) VALUES('format', 'dunlivo-registry 1'); COMMIT;");
        if (!built)
            why = QString::fromUtf8(sqlite3_errmsg(db));
    } // closing checkpoints the log into the file
    const QByteArray tempName = QFile::encodeName(temp);
    if (built && ::link(tempName.constData(), QFile::encodeName(file).constData()) != 0 && errno != EEXIST) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        built = false;
    }
    ::unlink(tempName.constData());
    QFile::remove(temp + QStringLiteral("-wal"));
    QFile::remove(temp + QStringLiteral("-shm"));
    if (!built)
        return fail(ERROR_CANTWRITE, QStringLiteral("Cannot create the registry hive %1: %2").arg(file, why));
    return ERROR_SUCCESS;
}

LONG openHiveFile(const QString &file, const QString &rootName, std::shared_ptr<Hive> *out)
{
    QString prefixError;
    if (!Prefix::ensure(&prefixError))
        return fail(ERROR_CANTOPEN, prefixError);
    QFileInfo info(file);
    if (!info.exists()) {
        const LONG rc = createHive(file, rootName);
        if (rc != ERROR_SUCCESS)
            return rc;
        info.refresh();
    }
    // Something else standing in the hive's place is no damaged hive; it is not offered for replacing.
    if (info.isDir())
        return unusableHive(ERROR_CANTOPEN, file, QStringLiteral("it is a folder"));
    // An empty file would be taken for an empty database and filled anew: refuse it instead.
    if (info.size() == 0)
        return damagedHive(file, QStringLiteral("the file is empty"));
    QString why;
    int openCode = SQLITE_OK;
    sqlite3 *db = openConnection(file, SQLITE_OPEN_READWRITE, &why, &openCode);
    if (!db)
        return unusableHive(openFailureCode(openCode), file, why);
    // Closing the last connection would play the hive's log into the file and delete it: a hive
    // found unusable is closed as it was found.
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    auto hive = std::make_shared<Hive>(file, db);
    // The first row of a statement on the hive, as text; false when SQLite fails on it.
    const auto firstRow = [&](const char *sql, QString *text, bool *found) {
        Query s(hive->prepared(sql));
        const int rc = s ? step(s) : SQLITE_ERROR;
        if (!s || (rc != SQLITE_ROW && rc != SQLITE_DONE))
            return false;
        *found = rc == SQLITE_ROW;
        *text = *found ? columnText(s, 0) : QString();
        return true;
    };
    QString text;
    bool found = false;
    if (!firstRow("SELECT value FROM meta WHERE name='format'", &text, &found))
        return openFailure(file, db);
    if (!found)
        return damagedHive(file, QStringLiteral("it has no format mark"));
    if (text != QLatin1String(kFormat))
        return damagedHive(file, QStringLiteral("unknown format \"%1\"").arg(text));
    // The tables as the registry made them, with the root key, on pages that hold together: damage
    // found here is offered for replacing at start instead of failing some later read.
    bool root = false;
    if (!firstRow("SELECT id, key, name, fold, type, data FROM vals WHERE 0", &text, &found) ||
        !firstRow("SELECT id, parent, name, fold FROM keys WHERE id=1 AND parent=0", &text, &root))
        return openFailure(file, db);
    if (!root)
        return damagedHive(file, QStringLiteral("it has no root key"));
    if (!firstRow("PRAGMA quick_check(1)", &text, &found))
        return openFailure(file, db);
    if (text != QLatin1String("ok"))
        return damagedHive(file, text);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 0, nullptr);
    // The log keeps readers and the writer of the other process out of each other's way;
    // NORMAL sync keeps the file consistent across a crash at a fraction of FULL's cost.
    hive->exec("PRAGMA synchronous=NORMAL");
    *out = std::move(hive);
    return ERROR_SUCCESS;
}

// ---- handles ----

struct Handle
{
    std::shared_ptr<Hive> hive;
    qint64 key = 0;
    REGSAM access = 0;
    HKEY root = nullptr;
};

bool isPredefined(HKEY k) { return k == HKEY_CLASSES_ROOT || k == HKEY_LOCAL_MACHINE; }

class Handles
{
public:
    static Handles &instance()
    {
        static Handles handles;
        return handles;
    }

    // Resolves a handle (predefined roots included) to its hive and key.
    LONG get(HKEY k, Handle *out)
    {
        if (isPredefined(k)) {
            std::shared_ptr<Hive> hive;
            const LONG rc = hiveOf(k, &hive);
            if (rc != ERROR_SUCCESS)
                return rc;
            *out = Handle{std::move(hive), kRootKeyId, KEY_ALL_ACCESS, k};
            return ERROR_SUCCESS;
        }
        QMutexLocker lock(&m_mutex);
        const auto it = m_open.constFind(reinterpret_cast<quintptr>(k));
        if (it == m_open.cend())
            return fail(ERROR_INVALID_HANDLE, QStringLiteral("The handle is invalid."));
        *out = it.value();
        return ERROR_SUCCESS;
    }

    HKEY add(Handle h)
    {
        QMutexLocker lock(&m_mutex);
        m_next += 4;
        m_open.insert(m_next, std::move(h));
        return reinterpret_cast<HKEY>(m_next);
    }

    bool remove(HKEY k)
    {
        QMutexLocker lock(&m_mutex);
        return m_open.remove(reinterpret_cast<quintptr>(k)) > 0;
    }

    LONG hiveOf(HKEY root, std::shared_ptr<Hive> *out)
    {
        const QString file = RegHiveFile(root);
        QMutexLocker lock(&m_mutex);
        auto it = m_hives.constFind(file);
        if (it != m_hives.cend()) {
            *out = it.value();
            return ERROR_SUCCESS;
        }
        const LONG rc = openHiveFile(file, RegRootName(root), out);
        if (rc == ERROR_SUCCESS)
            m_hives.insert(file, *out);
        return rc;
    }

private:
    QMutex m_mutex;
    QHash<quintptr, Handle> m_open;
    QHash<QString, std::shared_ptr<Hive>> m_hives;
    quintptr m_next = 0x10000;
};

bool wantsWrite(REGSAM sam) { return (sam & KEY_WRITE_RIGHTS) != 0; }

LONG readOnlyHive(const Hive &h)
{
    return fail(ERROR_ACCESS_DENIED, QStringLiteral("The registry hive %1 is read-only.").arg(h.file()));
}

// Checks that a handle may do a write, and that its hive may be written.
LONG checkWrite(const Handle &h, REGSAM right)
{
    if (!(h.access & right))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("The key was not opened for writing."));
    if (!h.hive->writable())
        return readOnlyHive(*h.hive);
    return ERROR_SUCCESS;
}

class Transaction
{
public:
    explicit Transaction(Hive &h) : m_hive(h) { m_open = h.exec("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (m_open)
            m_hive.exec("ROLLBACK");
    }
    bool isOpen() const { return m_open; }
    bool commit()
    {
        m_open = false;
        if (m_hive.exec("COMMIT"))
            return true;
        m_hive.exec("ROLLBACK");
        return false;
    }

private:
    Hive &m_hive;
    bool m_open = false;
};

// Hands out a value's data the Windows way: the size always, the bytes only when they fit.
LONG copyData(sqlite3_stmt *s, int column, BYTE *lpData, DWORD *lpcbData)
{
    const DWORD size = DWORD(sqlite3_column_bytes(s, column));
    if (!lpcbData)
        return ok();
    const DWORD room = *lpcbData;
    *lpcbData = size;
    if (!lpData)
        return ok();
    if (room < size)
        return fail(ERROR_MORE_DATA, QStringLiteral("More data is available."));
    if (size)
        std::memcpy(lpData, sqlite3_column_blob(s, column), size);
    return ok();
}

} // namespace

QString RegRootName(HKEY root)
{
    if (root == HKEY_CLASSES_ROOT)
        return QStringLiteral("HKEY_CLASSES_ROOT");
    if (root == HKEY_LOCAL_MACHINE)
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    return QString();
}

QString RegHiveFile(HKEY root)
{
    return Prefix::registryDir() + QLatin1Char('/') + RegRootName(root) + QStringLiteral(".db");
}

QString RegLastErrorText() { return lastErrorText; }

LONG RegCheckHive(HKEY root)
{
    if (!isPredefined(root))
        return fail(ERROR_INVALID_HANDLE, QStringLiteral("The handle is invalid."));
    std::shared_ptr<Hive> hive;
    const LONG rc = Handles::instance().hiveOf(root, &hive);
    return rc == ERROR_SUCCESS ? ok() : rc;
}

namespace {

// SQLite's companions of a hive file: a hive set aside takes them along, since a log or journal
// left behind would be played into the fresh hive made under the same name.
constexpr const char *kCompanions[] = {"-journal", "-wal", "-shm"};

bool entryExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Renames within a folder, never over an existing name. False with errno set.
bool moveToFreeName(const QString &from, const QString &to)
{
    return RenameWithoutReplacing(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD,
                                  QFile::encodeName(to).constData());
}

// The name a damaged hive is kept under: its own name, the time and ".bad", with a number added
// when that name (or one of its companions' names) is taken.
QString keptName(const QString &file)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    for (int n = 1;; ++n) {
        const QString name =
            QStringLiteral("%1.%2%3.bad").arg(file, stamp, n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        bool free = !entryExists(name);
        for (const char *companion : kCompanions)
            free = free && !entryExists(name + QLatin1String(companion));
        if (free)
            return name;
    }
}

} // namespace

LONG RegReplaceDamagedHive(HKEY root, QString *keptAs)
{
    if (keptAs)
        keptAs->clear();
    const LONG state = RegCheckHive(root);
    if (state != ERROR_BADDB)
        return state;
    const QString file = RegHiveFile(root);
    const QString kept = keptName(file);
    QStringList moved;
    // Moves one file aside; on failure reports it and puts back the companions already moved, so
    // the hive stays whole.
    const auto moveAside = [&](const QString &suffix) -> LONG {
        if (moveToFreeName(file + suffix, kept + suffix)) {
            moved.append(suffix);
            return ERROR_SUCCESS;
        }
        const LONG rc =
            fail(ERROR_CANTWRITE,
                 QStringLiteral("The damaged registry hive %1 cannot be moved to %2: %3")
                     .arg(file + suffix, kept + suffix, QString::fromLocal8Bit(std::strerror(errno))));
        for (const QString &companion : std::as_const(moved))
            moveToFreeName(kept + companion, file + companion);
        return rc;
    };
    // The companions go first: the hive is never missing while its old log still lies beside it.
    for (const char *companion : kCompanions) {
        if (!entryExists(file + QLatin1String(companion)))
            continue;
        if (const LONG rc = moveAside(QLatin1String(companion)); rc != ERROR_SUCCESS)
            return rc;
    }
    if (const LONG rc = moveAside(QString()); rc != ERROR_SUCCESS)
        return rc;
    if (keptAs)
        *keptAs = kept;
    // A fresh hive, made and seeded as on first use.
    return RegCheckHive(root);
}

LONG RegOpenKeyEx(HKEY hKey, const QString &lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult)
{
    if (!phkResult)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No result handle."));
    *phkResult = nullptr;
    Handle parent;
    if (const LONG rc = Handles::instance().get(hKey, &parent); rc != ERROR_SUCCESS)
        return rc;
    if (wantsWrite(samDesired) && !parent.hive->writable())
        return readOnlyHive(*parent.hive);
    Hive &h = *parent.hive;
    QMutexLocker lock(&h.mutex());
    qint64 id = parent.key;
    if (!keyExists(h, id))
        return fail(ERROR_KEY_DELETED, QStringLiteral("The key was deleted."));
    for (const QString &level : splitPath(lpSubKey)) {
        id = findChild(h, id, level);
        if (id < 0)
            return h.dbError(ERROR_REGISTRY_IO_FAILED, "key lookup");
        if (id == 0)
            return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("The key %1 does not exist.").arg(lpSubKey));
    }
    *phkResult = Handles::instance().add(Handle{parent.hive, id, samDesired, parent.root});
    return ok();
}

LONG RegCreateKeyEx(HKEY hKey, const QString &lpSubKey, DWORD, const QString *, DWORD, REGSAM samDesired, void *,
                    PHKEY phkResult, DWORD *lpdwDisposition)
{
    if (!phkResult)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No result handle."));
    *phkResult = nullptr;
    Handle parent;
    if (const LONG rc = Handles::instance().get(hKey, &parent); rc != ERROR_SUCCESS)
        return rc;
    const QStringList levels = splitPath(lpSubKey);
    for (const QString &level : levels) {
        if (!validComponent(level))
            return fail(ERROR_INVALID_PARAMETER, QStringLiteral("A key name is longer than 255 characters."));
    }
    Hive &h = *parent.hive;
    QMutexLocker lock(&h.mutex());
    // Opening an existing key needs no write access to the hive; making one does.
    qint64 id = parent.key;
    bool exists = keyExists(h, id);
    if (!exists)
        return fail(ERROR_KEY_DELETED, QStringLiteral("The key was deleted."));
    for (const QString &level : levels) {
        id = findChild(h, id, level);
        if (id <= 0) {
            exists = false;
            break;
        }
    }
    if (!h.writable() && (!exists || wantsWrite(samDesired)))
        return readOnlyHive(h);
    bool created = false;
    if (!exists) {
        if (!(parent.access & KEY_CREATE_SUB_KEY))
            return fail(ERROR_ACCESS_DENIED, QStringLiteral("The key was not opened for creating subkeys."));
        Transaction t(h);
        if (!t.isOpen())
            return h.dbError(ERROR_CANTWRITE, "transaction");
        if (const LONG rc = createPath(h, parent.key, levels, &id, &created); rc != ERROR_SUCCESS)
            return rc;
        if (!t.commit())
            return h.dbError(ERROR_CANTWRITE, "commit");
    }
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = Handles::instance().add(Handle{parent.hive, id, samDesired, parent.root});
    return ok();
}

LONG RegCloseKey(HKEY hKey)
{
    if (isPredefined(hKey))
        return ok();
    if (!Handles::instance().remove(hKey))
        return fail(ERROR_INVALID_HANDLE, QStringLiteral("The handle is invalid."));
    return ok();
}

LONG RegQueryValueEx(HKEY hKey, const QString &lpValueName, DWORD *, DWORD *lpType, BYTE *lpData, DWORD *lpcbData)
{
    if (lpData && !lpcbData)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No size for the data buffer."));
    Handle k;
    if (const LONG rc = Handles::instance().get(hKey, &k); rc != ERROR_SUCCESS)
        return rc;
    if (!(k.access & KEY_QUERY_VALUE))
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("The key was not opened for reading."));
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    Query s(h.prepared("SELECT type, data FROM vals WHERE key=?1 AND fold=?2"));
    if (!s)
        return h.dbError(ERROR_REGISTRY_IO_FAILED, "value read");
    sqlite3_bind_int64(s, 1, k.key);
    bindText(s, 2, fold(lpValueName));
    const int rc = step(s);
    if (rc == SQLITE_DONE) {
        if (!keyExists(h, k.key))
            return fail(ERROR_KEY_DELETED, QStringLiteral("The key was deleted."));
        return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("The value %1 does not exist.").arg(lpValueName));
    }
    if (rc != SQLITE_ROW)
        return h.dbError(ERROR_CANTREAD, "value read");
    if (lpType)
        *lpType = DWORD(sqlite3_column_int64(s, 0));
    return copyData(s, 1, lpData, lpcbData);
}

LONG RegSetValueEx(HKEY hKey, const QString &lpValueName, DWORD, DWORD dwType, const BYTE *lpData, DWORD cbData)
{
    if (cbData && !lpData)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No data."));
    Handle k;
    if (const LONG rc = Handles::instance().get(hKey, &k); rc != ERROR_SUCCESS)
        return rc;
    if (const LONG rc = checkWrite(k, KEY_SET_VALUE); rc != ERROR_SUCCESS)
        return rc;
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    const LONG rc = setValue(h, k.key, lpValueName, dwType, lpData, cbData);
    return rc == ERROR_SUCCESS ? ok() : rc;
}

LONG RegDeleteValue(HKEY hKey, const QString &lpValueName)
{
    Handle k;
    if (const LONG rc = Handles::instance().get(hKey, &k); rc != ERROR_SUCCESS)
        return rc;
    if (const LONG rc = checkWrite(k, KEY_SET_VALUE); rc != ERROR_SUCCESS)
        return rc;
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    Query s(h.prepared("DELETE FROM vals WHERE key=?1 AND fold=?2"));
    if (!s)
        return h.dbError(ERROR_REGISTRY_IO_FAILED, "value delete");
    sqlite3_bind_int64(s, 1, k.key);
    bindText(s, 2, fold(lpValueName));
    if (step(s) != SQLITE_DONE)
        return h.dbError(ERROR_CANTWRITE, "value delete");
    if (sqlite3_changes(h.db()) == 0)
        return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("The value %1 does not exist.").arg(lpValueName));
    return ok();
}

namespace {
LONG deleteKey(HKEY hKey, const QString &lpSubKey, bool tree)
{
    Handle k;
    if (const LONG rc = Handles::instance().get(hKey, &k); rc != ERROR_SUCCESS)
        return rc;
    if (!k.hive->writable())
        return readOnlyHive(*k.hive);
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    qint64 id = k.key;
    for (const QString &level : splitPath(lpSubKey)) {
        id = findChild(h, id, level);
        if (id <= 0)
            return fail(ERROR_FILE_NOT_FOUND, QStringLiteral("The key %1 does not exist.").arg(lpSubKey));
    }
    if (!tree && id == kRootKeyId)
        return fail(ERROR_ACCESS_DENIED, QStringLiteral("A root key cannot be deleted."));
    Transaction t(h);
    if (!t.isOpen())
        return h.dbError(ERROR_CANTWRITE, "transaction");
    const bool emptyOnly = tree && splitPath(lpSubKey).isEmpty();
    if (!tree) {
        Query s(h.prepared("SELECT 1 FROM keys WHERE parent=?1 LIMIT 1"));
        if (!s)
            return h.dbError(ERROR_REGISTRY_IO_FAILED, "key delete");
        sqlite3_bind_int64(s, 1, id);
        if (step(s) == SQLITE_ROW)
            return fail(ERROR_ACCESS_DENIED, QStringLiteral("The key %1 has subkeys.").arg(lpSubKey));
    }
    // The key and everything below it; for an emptied key, only what is below it and its values.
    Query s(h.prepared(
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys JOIN sub ON keys.parent=sub.id) "
        "SELECT id FROM sub"));
    if (!s)
        return h.dbError(ERROR_REGISTRY_IO_FAILED, "key delete");
    sqlite3_bind_int64(s, 1, id);
    QList<qint64> ids;
    int rc;
    while ((rc = step(s)) == SQLITE_ROW)
        ids.append(sqlite3_column_int64(s, 0));
    if (rc != SQLITE_DONE)
        return h.dbError(ERROR_CANTREAD, "key delete");
    for (const qint64 each : std::as_const(ids)) {
        Query dv(h.prepared("DELETE FROM vals WHERE key=?1"));
        sqlite3_bind_int64(dv, 1, each);
        if (step(dv) != SQLITE_DONE)
            return h.dbError(ERROR_CANTWRITE, "key delete");
        if (emptyOnly && each == id)
            continue;
        Query dk(h.prepared("DELETE FROM keys WHERE id=?1"));
        sqlite3_bind_int64(dk, 1, each);
        if (step(dk) != SQLITE_DONE)
            return h.dbError(ERROR_CANTWRITE, "key delete");
    }
    if (!t.commit())
        return h.dbError(ERROR_CANTWRITE, "commit");
    return ok();
}
} // namespace

LONG RegDeleteKey(HKEY hKey, const QString &lpSubKey)
{
    if (splitPath(lpSubKey).isEmpty())
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No key name."));
    return deleteKey(hKey, lpSubKey, false);
}

LONG RegDeleteTree(HKEY hKey, const QString &lpSubKey) { return deleteKey(hKey, lpSubKey, true); }

namespace {
// Reads row dwIndex of an enumeration query (key id as ?1, index as ?2) and hands it to read.
template <typename Read> LONG enumerate(HKEY hKey, const char *sql, DWORD dwIndex, const char *what, Read &&read)
{
    Handle k;
    if (const LONG rc = Handles::instance().get(hKey, &k); rc != ERROR_SUCCESS)
        return rc;
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    Query s(h.prepared(sql));
    if (!s)
        return h.dbError(ERROR_REGISTRY_IO_FAILED, what);
    sqlite3_bind_int64(s, 1, k.key);
    sqlite3_bind_int64(s, 2, dwIndex);
    const int rc = step(s);
    if (rc == SQLITE_DONE)
        return fail(ERROR_NO_MORE_ITEMS, QStringLiteral("No more data is available."));
    if (rc != SQLITE_ROW)
        return h.dbError(ERROR_CANTREAD, what);
    return read(static_cast<sqlite3_stmt *>(s));
}
} // namespace

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, QString *lpName)
{
    return enumerate(hKey, "SELECT name FROM keys WHERE parent=?1 ORDER BY id LIMIT 1 OFFSET ?2", dwIndex,
                     "key enumeration", [&](sqlite3_stmt *s) {
                         if (lpName)
                             *lpName = columnText(s, 0);
                         return ok();
                     });
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, QString *lpValueName, DWORD *lpType, BYTE *lpData, DWORD *lpcbData)
{
    if (lpData && !lpcbData)
        return fail(ERROR_INVALID_PARAMETER, QStringLiteral("No size for the data buffer."));
    return enumerate(hKey, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY id LIMIT 1 OFFSET ?2", dwIndex,
                     "value enumeration", [&](sqlite3_stmt *s) {
                         if (lpValueName)
                             *lpValueName = columnText(s, 0);
                         if (lpType)
                             *lpType = DWORD(sqlite3_column_int64(s, 1));
                         return copyData(s, 2, lpData, lpcbData);
                     });
}

HKEY RegRootOf(HKEY hKey)
{
    Handle k;
    return Handles::instance().get(hKey, &k) == ERROR_SUCCESS ? k.root : nullptr;
}

QString RegKeyPath(HKEY hKey)
{
    Handle k;
    if (Handles::instance().get(hKey, &k) != ERROR_SUCCESS)
        return QString();
    Hive &h = *k.hive;
    QMutexLocker lock(&h.mutex());
    QStringList levels;
    qint64 id = k.key;
    while (id != kRootKeyId && id > 0) {
        Query s(h.prepared("SELECT parent, name FROM keys WHERE id=?1"));
        sqlite3_bind_int64(s, 1, id);
        if (step(s) != SQLITE_ROW)
            break;
        levels.prepend(columnText(s, 1));
        id = sqlite3_column_int64(s, 0);
    }
    return levels.join(QLatin1Char('\\'));
}

} // namespace win
