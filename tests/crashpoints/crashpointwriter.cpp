// crashpoint_writer: makes one write of the archive list, of ext.lst or of a setting, for the
// crash-point test, which runs it under the crash shim. Usage:
//   crashpoint_writer list|ext|setting old|new FOLDER   writes the old or the new content
//   crashpoint_writer setting read FOLDER                prints the setting's value
// The list and ext.lst are FOLDER/afiles.lst and FOLDER/ext.lst; the setting lives in the prefix
// of DUNLIVO_PREFIX. Only the write itself runs armed. Prints "calls N" (the calls the shim
// counted) after the write; exits 1 when the write reported a failure.
#include "core/archivelist/extlistfile.h"
#include "core/archivelist/listerror.h"
#include "core/archivelist/treelist.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/settings/config.h"

#include <QCoreApplication>
#include <QTextStream>

#include <dlfcn.h>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: crashpoint_writer list|ext|setting old|new|read FOLDER\n");
        return 2;
    }
    const QString &kind = args.at(1);
    const QString &what = args.at(2);
    const bool fresh = what == QLatin1String("new");
    if (!win::Prefix::ensure())
        return 2;
    const QString file =
        win::ToWindowsPath(args.at(3) + (kind == QLatin1String("list") ? QStringLiteral("/afiles.lst")
                                                                       : QStringLiteral("/ext.lst")));

    // Starts (1) and ends (0) the watched part: the shim counts and strikes only within it.
    auto arm = reinterpret_cast<void (*)(int)>(dlsym(RTLD_DEFAULT, "crashshim_arm"));
    auto count = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "crashshim_count"));
    int status = 0;
    try {
        Tconfig config; // makes sure of every setting before the one write that is watched
        if (what == QLatin1String("read")) {
            QTextStream(stdout) << config.ReadString(QStringLiteral("Celutvonal"), QString()) << '\n';
            return 0;
        }
        TTreeList list;
        list.AddDir(QStringLiteral("C:\\Old"), QStringLiteral(".doc"));
        QStringList entries{QStringLiteral(".doc"), QStringLiteral(".xls")};
        if (fresh) {
            list.AddDir(QStringLiteral("D:\\Data\\Projects"), QStringLiteral(".*"));
            for (int i = 0; i < 300; ++i)
                list.AddFile(QStringLiteral("D:\\Data\\Projects\\file%1.txt").arg(i));
            entries << QStringLiteral(".txt") << QStringLiteral(".bmp") << QStringLiteral(".pdf");
        }
        if (arm)
            arm(1);
        if (kind == QLatin1String("setting"))
            config.WriteString(QStringLiteral("Celutvonal"),
                               fresh ? QStringLiteral("D:\\New backups\\of every file")
                                     : QStringLiteral("C:\\Old backups"));
        else if (kind == QLatin1String("list"))
            list.SaveToFile(file);
        else
            writeExtList(file, entries);
    } catch (const std::runtime_error &e) { // the list's and the settings' write failures
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    if (arm)
        arm(0);
    if (count)
        std::printf("calls %ld\n", count());
    return status;
}
