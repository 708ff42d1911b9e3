// Settings store speed: typed reads and writes against a bare prepared statement on the same
// hive, and the cost of making a store on a key that already exists.
#include "figures.h"

#include "core/platform/prefix.h"
#include "core/platform/registry.h"
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

namespace {

std::unique_ptr<Tconfig> store;
sqlite3 *bare = nullptr;
sqlite3_stmt *bareRead = nullptr;
sqlite3_stmt *bareWrite = nullptr;
qint64 settingsKeyId = 0;

void ReadInteger(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(store->ReadInteger(QStringLiteral("Archivalas"), 30));
}

void WriteInteger(benchmark::State &state)
{
    qint32 v = 0;
    for (auto _ : state)
        store->WriteInteger(QStringLiteral("Archivalas"), ++v & 1023);
}

// The same read as one prepared statement: key id known, the name already folded.
void BareRead(benchmark::State &state)
{
    for (auto _ : state) {
        sqlite3_reset(bareRead);
        sqlite3_bind_int64(bareRead, 1, settingsKeyId);
        sqlite3_bind_text(bareRead, 2, "ARCHIVALAS", -1, SQLITE_STATIC);
        if (sqlite3_step(bareRead) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_blob(bareRead, 0));
    }
    // An unfinished statement would hold a read snapshot and keep the log from being checkpointed.
    sqlite3_reset(bareRead);
}

void BareWrite(benchmark::State &state)
{
    qint32 v = 0;
    for (auto _ : state) {
        const qint32 data = ++v & 1023;
        sqlite3_reset(bareWrite);
        sqlite3_bind_int64(bareWrite, 1, settingsKeyId);
        sqlite3_bind_blob(bareWrite, 2, &data, 4, SQLITE_STATIC);
        sqlite3_step(bareWrite);
    }
}

void CreateStore(benchmark::State &state)
{
    for (auto _ : state)
        Tconfig another;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    BenchPrefix prefix;
    store = std::make_unique<Tconfig>();

    const QByteArray hive = QFile::encodeName(win::RegHiveFile(win::HKEY_CLASSES_ROOT));
    sqlite3_open_v2(hive.constData(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(bare, 10000);
    sqlite3_exec(bare, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    sqlite3_stmt *id = nullptr;
    sqlite3_prepare_v2(bare,
                       "SELECT d.id FROM keys k JOIN keys d ON d.parent=k.id WHERE k.fold='KOVAMARK' AND d.fold='DUNLIVO'",
                       -1, &id, nullptr);
    if (sqlite3_step(id) == SQLITE_ROW)
        settingsKeyId = sqlite3_column_int64(id, 0);
    sqlite3_finalize(id);
    sqlite3_prepare_v2(bare, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2", -1, &bareRead, nullptr);
    sqlite3_prepare_v2(bare, "UPDATE vals SET type=4, data=?2 WHERE key=?1 AND fold='ARCHIVALAS'", -1, &bareWrite,
                       nullptr);

    benchmark::RegisterBenchmark("ReadInteger", ReadInteger)->MinTime(0.3);
    benchmark::RegisterBenchmark("BareRead", BareRead)->MinTime(0.3);
    benchmark::RegisterBenchmark("WriteInteger", WriteInteger)->MinTime(0.3);
    benchmark::RegisterBenchmark("BareWrite", BareWrite)->MinTime(0.3);
    benchmark::RegisterBenchmark("CreateStore", CreateStore)->MinTime(0.5);
    benchmark::Initialize(&argc, argv);
    FigureCollector figures;
    benchmark::RunSpecifiedBenchmarks(&figures);

    auto &ns = figures.nsPerIteration;
    for (const auto &[name, value] : ns)
        std::fprintf(stderr, "%s %.0f ns\n", name.c_str(), value);
    printFigure("tconfig_read_ratio", ns["ReadInteger"] / ns["BareRead"], "x");
    printFigure("tconfig_write_ratio", ns["WriteInteger"] / ns["BareWrite"], "x");
    printFigure("tconfig_create_us", ns["CreateStore"] / 1000.0, "us");

    sqlite3_finalize(bareRead);
    sqlite3_finalize(bareWrite);
    sqlite3_close(bare);
    store.reset();
    return 0;
}
