// The prefix is private: made 0700 and 0600 whatever the umask, and refused, naming the place,
// when another user owns it or could write it (the prefix, its folders, a hive, a drive entry).
#include "testmain.h"

#include "core/platform/messagewindow.h"
#include "core/platform/paths.h"
#include "core/platform/prefix.h"
#include "core/platform/registry.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace win;

namespace {

// Another user, for files root hands over.
constexpr uid_t kStranger = 12345;

// A prefix below a fresh folder that does not exist yet, so that it is made by the program.
class FreshPrefix : public TestPrefix
{
public:
    FreshPrefix()
    {
        qputenv("DUNLIVO_PREFIX", QFile::encodeName(path()));
        Prefix::reset();
    }
    QString path() const { return TestPrefix::path() + QStringLiteral("/data/dunlivo"); }
    // The machine hive, made on first use; empty when it cannot be opened.
    QString hive() const
    {
        HKEY key = nullptr;
        if (!Prefix::ensure() || RegOpenKeyEx(HKEY_LOCAL_MACHINE, QString(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return QString();
        RegCloseKey(key);
        return RegHiveFile(HKEY_LOCAL_MACHINE);
    }
};

int modeOf(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Whether the user's primary group is named like the user and has no other member.
bool userHasPrivateGroup()
{
    const passwd *user = ::getpwuid(::geteuid());
    const group *g = user ? ::getgrgid(user->pw_gid) : nullptr;
    char **member = g ? g->gr_mem : nullptr;
    while (member && *member && qstrcmp(*member, user->pw_name) == 0)
        ++member;
    return g && qstrcmp(g->gr_name, user->pw_name) == 0 && !*member;
}

// A prefix found safe is not checked again in the same process: each look starts afresh.
QString refusal()
{
    Prefix::reset();
    QString error;
    return Prefix::ensure(&error) ? QString() : error;
}

} // namespace

class TestPrefixPermissions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void privateWhateverTheUmask()
    {
        const mode_t oldMask = ::umask(0);
        const auto restoreMask = qScopeGuard([oldMask] { ::umask(oldMask); });
        FreshPrefix prefix;
        QVERIFY(Prefix::ensure());
        for (const QString &folder : {prefix.path(), Prefix::registryDir(), Prefix::dosdevicesDir(),
                                      Prefix::windowsDir(), Prefix::logDir()})
            QVERIFY2(modeOf(folder) == 0700, qPrintable(folder));

        // A hive, and its log and shared memory while it is in use.
        const QString hive = prefix.hive();
        for (const QString &file : {hive, hive + QStringLiteral("-wal"), hive + QStringLiteral("-shm")})
            QCOMPARE(modeOf(file), 0600);

        // A message window's socket and registration.
        MessageWindow window(QStringLiteral("PermissionTest"), QStringLiteral("Permissions"));
        QVERIFY2(window.isValid(), qPrintable(window.errorString()));
        const QStringList files = QDir(Prefix::windowsDir()).entryList(QDir::Files | QDir::System);
        QVERIFY(files.size() >= 2);
        for (const QString &name : files)
            QCOMPARE(modeOf(Prefix::windowsDir() + QLatin1Char('/') + name), 0600);
    }

    void refusesWhatOthersCouldWrite()
    {
        FreshPrefix prefix;
        const QString hive = prefix.hive();
        QVERIFY(!hive.isEmpty());
        const QString driveFolder = Prefix::dosdevicesDir() + QStringLiteral("/d:");
        QVERIFY(QDir().mkdir(driveFolder));

        // Each place in turn made writable by others, or by a group others are in, then made
        // private again.
        const bool root = ::geteuid() == 0;
        const QList<QPair<QString, mode_t>> places{{prefix.path(), 0777},
                                                   {Prefix::registryDir(), 0757},
                                                   {Prefix::dosdevicesDir(), 0777},
                                                   {Prefix::windowsDir(), 0722},
                                                   {Prefix::logDir(), 0777},
                                                   {hive, 0666},
                                                   {hive, 0620},
                                                   {driveFolder, 0777}};
        for (const auto &[place, mode] : places) {
            const bool byGroup = !(mode & S_IWOTH);
            if (byGroup && !root)
                continue; // only root can hand a file to a group of others
            const QByteArray native = QFile::encodeName(place);
            const int before = modeOf(place);
            QVERIFY(setMode(place, mode));
            if (byGroup)
                QCOMPARE(::lchown(native.constData(), uid_t(-1), kStranger), 0);
            const QString error = refusal();
            QVERIFY(setMode(place, mode_t(before)));
            if (byGroup)
                QCOMPARE(::lchown(native.constData(), uid_t(-1), ::getegid()), 0);
            QVERIFY2(error.contains(place + QLatin1Char(' ')) && error.contains(QLatin1String("other users")),
                     qPrintable(place + QStringLiteral(": ") + error));
            QVERIFY(refusal().isEmpty());
        }
        // The user's own private group (no one else in it) may write: systems with such groups
        // give everything a umask of 002. The place is made private all the same.
        if (userHasPrivateGroup()) {
            QVERIFY(setMode(Prefix::registryDir(), 0770));
            QVERIFY(refusal().isEmpty());
            QCOMPARE(modeOf(Prefix::registryDir()), 0700);
        }

        // Readable by others is no reason to refuse: such a folder or hive (made before, under a
        // wider umask) is made private; a hive made read-only stays read-only.
        QVERIFY(setMode(Prefix::logDir(), 0755) && setMode(hive, 0644));
        QVERIFY(refusal().isEmpty());
        QCOMPARE(modeOf(Prefix::logDir()), 0700);
        QCOMPARE(modeOf(hive), 0600);
        QVERIFY(setMode(hive, 0444));
        QVERIFY(refusal().isEmpty());
        QCOMPARE(modeOf(hive), 0400);
    }

    void refusesWhatAnotherUserOwns()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to hand files to another user");
        FreshPrefix prefix;
        const QString hive = prefix.hive();
        QVERIFY(!hive.isEmpty());
        const QString link = Prefix::dosdevicesDir() + QStringLiteral("/e:");
        QVERIFY(QFile::link(QDir::tempPath(), link));

        for (const QString &place :
             {prefix.path(), Prefix::registryDir(), Prefix::dosdevicesDir(), hive, link}) {
            const QByteArray native = QFile::encodeName(place);
            QCOMPARE(::lchown(native.constData(), kStranger, kStranger), 0);
            const QString error = refusal();
            // A drive entry of another user is never used, also when only the drive map is asked.
            const bool driveUsed = place == link && HostPath(QStringLiteral("E:\\")) == QDir::tempPath();
            QCOMPARE(::lchown(native.constData(), 0, 0), 0);
            QVERIFY2(error.contains(place + QLatin1Char(' ')) &&
                         error.contains(QLatin1String("another user")),
                     qPrintable(place + QStringLiteral(": ") + error));
            QVERIFY(!driveUsed);
            QVERIFY(refusal().isEmpty());
        }
    }
};

DUNLIVO_TEST_MAIN(TestPrefixPermissions)
#include "tst_prefixpermissions.moc"
