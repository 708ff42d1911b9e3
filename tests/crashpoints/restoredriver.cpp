// restore_driver: restores a few files the way the restore window makes them ready and puts them
// in place, for the fault tests, which run it under the crash shim or below a read-only mount.
// Usage:
//   restore_driver compressed|plain ARCHIVE TARGET FILE...
// Each FILE (a relative path with "/") comes from ARCHIVE/FILE (".bz2" added when compressed)
// and goes to TARGET/FILE. Only the restore itself runs armed. Prints "restored FILE" or
// "failed FILE CODE" (a DecompressFileResult) for each, in order, then "calls N".
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/restore/restorerun.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        std::fprintf(stderr, "usage: restore_driver compressed|plain ARCHIVE TARGET FILE...\n");
        return 2;
    }
    if (!win::Prefix::ensure())
        return 2;
    const bool compressed = args.at(1) == QLatin1String("compressed");
    const QString archive = win::ToWindowsPath(args.at(2));
    const QString target = win::ToWindowsPath(args.at(3));
    std::vector<RestoreRun::Item> items;
    for (const QString &file : args.mid(4)) {
        QString relative = file;
        relative.replace(QLatin1Char('/'), QLatin1Char('\\'));
        RestoreRun::Item item;
        item.origin.source = archive + QLatin1Char('\\') + relative;
        item.origin.target = target + QLatin1Char('\\') + relative;
        item.origin.targetDir = item.origin.target.left(item.origin.target.lastIndexOf(QLatin1Char('\\')));
        item.root = archive;
        items.push_back(item);
    }

    auto arm = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "crashshim_arm"));
    auto count = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "crashshim_count"));
    std::vector<int> results;
    if (arm)
        arm(1);
    for (const RestoreRun::Item &item : items) {
        results.push_back(RestoreRun::putInPlace(RestoreRun::prepare(item, compressed)).result);
    }
    if (arm)
        arm(0);
    for (size_t i = 0; i < items.size(); ++i) {
        const QByteArray name = args.at(int(i) + 4).toUtf8();
        if (results[i] == 0)
            std::printf("restored %s\n", name.constData());
        else
            std::printf("failed %s %d\n", name.constData(), results[i]);
    }
    if (count)
        std::printf("calls %ld\n", count());
    return 0;
}
