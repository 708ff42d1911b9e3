// Fuzz target: the settings store's typed reads over values written raw into the hive, behind the
// registry's back: any type number, any storage class for the type and the data, any size. Then
// the store is opened (it makes sure of every setting) and every setting is read with every typed
// read, and the raw value is queried with buffers of every size around its own.
#include "fuzzsupport.h"

#include "core/platform/registry.h"
#include "core/settings/config.h"

#include <sqlite3.h>

#include <cstdio>
#include <vector>

namespace {

const char *const kNames[] = {
    "Prioritas",       "Celutvonal",         "Autourites",     "Uritesido",
    "Kerdez",          "Archivalas",         "Biztarchivalas", "Archutolso",
    "Archutolso2",     "Uritesutolso",       "Auto",           "Celutvonal2",
    "Bzip2_ok_1",      "Bzip2_ok_2",         "Progress_1",     "Progress_2",
    "ShutDown_type",   "Archive_atshutdown", "Background_bmp", "Language",
    "Archstate",       "Safestate",          "Arany1",         "Arany2",
    "Celkonyvtarnev1", "Celkonyvtarnev2",
};
constexpr int kNameCount = int(sizeof kNames / sizeof *kNames);

// Reads the input from the front.
struct Input
{
    const uint8_t *at;
    const uint8_t *end;
    bool empty() const { return at >= end; }
    uint8_t byte() { return at < end ? *at++ : 0; }
    quint32 word()
    {
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }
};

sqlite3 *openHive()
{
    sqlite3 *db = nullptr;
    const QByteArray file =
        QFile::encodeName(win::Prefix::registryDir() + QStringLiteral("/HKEY_CLASSES_ROOT.db"));
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        std::abort();
    sqlite3_busy_timeout(db, 5000);
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    return db;
}

// Binds one column in the storage class the input chooses.
void bindAs(sqlite3_stmt *s, int column, uint8_t storage, quint32 number, const QByteArray &bytes)
{
    switch (storage % 5) {
    case 0:
        sqlite3_bind_int64(s, column, qint64(qint32(number)) * ((storage & 0x80) ? 4294967296LL : 1));
        break;
    case 1:
        sqlite3_bind_text(s, column, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    case 2:
        sqlite3_bind_blob(s, column, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    case 3:
        sqlite3_bind_double(s, column, double(qint32(number)) / 3.0);
        break;
    default:
        sqlite3_bind_null(s, column);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    static Tconfig *first = new Tconfig; // makes the key and its settings once
    (void)first;
    static sqlite3 *db = openHive();

    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_exec(db,
                 "DELETE FROM vals WHERE key=(SELECT d.id FROM keys k JOIN keys d ON d.parent=k.id "
                 "WHERE k.parent=1 AND k.fold='KOVAMARK' AND d.fold='DUNLIVO')",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT OR REPLACE INTO vals(key, name, fold, type, data) VALUES("
                       "(SELECT d.id FROM keys k JOIN keys d ON d.parent=k.id "
                       "WHERE k.parent=1 AND k.fold='KOVAMARK' AND d.fold='DUNLIVO'), ?1, upper(?1), ?2, ?3)",
                       -1, &insert, nullptr);
    Input in{data, data + size};
    while (!in.empty()) {
        const QByteArray name(kNames[in.byte() % kNameCount]);
        const uint8_t typeStorage = in.byte();
        const quint32 type = in.word();
        const uint8_t dataStorage = in.byte();
        const size_t length = std::min<size_t>(in.byte(), size_t(in.end - in.at));
        const QByteArray bytes(reinterpret_cast<const char *>(in.at), qsizetype(length));
        in.at += length;
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        bindAs(insert, 2, typeStorage, type, QByteArray::number(qint32(type)));
        bindAs(insert, 3, dataStorage, type, bytes);
        sqlite3_step(insert); // a NOT NULL column refuses some rows; that is part of the test
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    try {
        Tconfig config;
        for (const char *raw : kNames) {
            const QString name = QString::fromLatin1(raw);
            try {
                config.ReadBool(name, true);
            } catch (const ConfigError &) {
            }
            try {
                config.ReadInteger(name, 7);
            } catch (const ConfigError &) {
            }
            try {
                config.ReadString(name, QStringLiteral("x"));
            } catch (const ConfigError &) {
            }
            try {
                config.ReadDateTime(name, 1.5);
            } catch (const ConfigError &) {
            }
        }
    } catch (const ConfigError &) {
    }

    using namespace win;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, QStringLiteral("Kovamark\\Dunlivo"), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        std::abort();
    for (const char *raw : kNames) {
        DWORD type = 0;
        DWORD needed = 0;
        if (RegQueryValueEx(key, QString::fromLatin1(raw), nullptr, &type, nullptr, &needed) != ERROR_SUCCESS)
            continue;
        for (DWORD room : {needed, needed ? needed - 1 : 0, needed + 1}) {
            if (room == 0)
                continue; // no buffer at all only asks for the size
            // Exactly the room given, so a write past it is seen.
            std::vector<BYTE> buffer(room);
            DWORD got = room;
            const LONG rc =
                RegQueryValueEx(key, QString::fromLatin1(raw), nullptr, &type, buffer.data(), &got);
            if ((rc == ERROR_SUCCESS) != (room >= needed) || got != needed) {
                fprintf(stderr, "%s rc %ld room %u needed %u got %u\n", raw, long(rc), unsigned(room),
                        unsigned(needed), unsigned(got));
                std::abort();
            }
        }
    }
    RegCloseKey(key);
    return 0;
}
