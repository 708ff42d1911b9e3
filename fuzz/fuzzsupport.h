// What every fuzz target shares: one Qt application object and a private prefix on memory-backed
// storage (so the file and registry writes of an input cost no disk), made once per process.
#pragma once

#include "core/platform/paths.h"
#include "core/platform/prefix.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline QString scratchRoot()
{
    const QDir shm(QStringLiteral("/dev/shm"));
    return shm.exists() && QFileInfo(shm.path()).isWritable() ? shm.path() : QDir::tempPath();
}

// Sets up the application (a QGuiApplication on the offscreen platform when gui) and the prefix.
// Returns the host path of a scratch folder inside the prefix's reach (drive Z: is the whole file
// system).
inline QString setUp(bool gui = false)
{
    // Made once and never destroyed: libFuzzer ends the process with exit(), and Qt's objects
    // must not be torn down in an order of the runtime's choosing then.
    static QString files;
    if (!files.isEmpty())
        return files;
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's warnings about damaged input would only slow the fuzzer and bury its own report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static QCoreApplication *app = gui ? new QGuiApplication(argc, argv) : new QCoreApplication(argc, argv);
    (void)app;
    static QTemporaryDir *dir = new QTemporaryDir(scratchRoot() + QStringLiteral("/dunlivo-fuzz-XXXXXX"));
    dir->setAutoRemove(false);
    static const QString root = dir->path();
    std::atexit([] { QDir(root).removeRecursively(); });
    qputenv("DUNLIVO_PREFIX", QFile::encodeName(root + QStringLiteral("/prefix")));
    win::Prefix::reset();
    if (!win::Prefix::ensure())
        std::abort();
    QDir(root).mkpath(QStringLiteral("files"));
    files = root + QStringLiteral("/files");
    return files;
}

// Writes bytes to the host file at path, replacing it.
inline void writeFile(const QString &path, const uint8_t *data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
}

// The Windows form of a host path; aborts when no drive holds it, as then the target tests nothing.
inline QString windowsPath(const QString &hostPath)
{
    const QString path = win::ToWindowsPath(hostPath);
    if (path.isEmpty())
        std::abort();
    return path;
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace fuzz
