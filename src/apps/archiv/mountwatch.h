// The mount watch: the system's mount table is watched so that a run missed while the archive's
// disk was away starts as soon as the disk is mounted again, not a whole period later; and what
// is remembered of each side's archive folder between two changes of the table.
#pragma once

#include "core/archiveinfo/archivelayout.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <memory>

class QSocketNotifier;

namespace archiver {

class MountWatch : public QObject
{
    Q_OBJECT
public:
    explicit MountWatch(QObject *parent = nullptr);
    ~MountWatch() override;

    // Starts watching the table (the kernel marks it with POLLPRI at every mount and unmount).
    // False, with why, when there is none or it can not be watched: nothing is signalled then.
    bool start(QString *why, const QString &table = QStringLiteral("/proc/self/mountinfo"));

    // At most this much of the table is read at a change.
    static constexpr qsizetype kMaxTableBytes = 4 * 1024 * 1024;

Q_SIGNALS:
    // The table is not what it was at the last change.
    void changed();

private:
    void tableChanged();
    QByteArray readTable() const;

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_table;
};

// Whether the side's archive folder can be reached as a run would open it: the destination opens
// as a folder and, once the side has been archived, its archive folder below it too (a disk that
// is not mounted leaves its empty mount folder behind, which is not the archive).
bool archiveReachable(const SideSettings &settings);

// A side's settings and whether its archive folder could be reached.
struct FolderSeen
{
    SideSettings settings;
    bool reachable = false;
};

// Looks at both sides' archive folders on a thread of its own: a destination on a network disk
// that does not answer holds up that thread, never the Archiver. One look at a time; a look that
// hangs is left to itself, and no other starts meanwhile.
class FolderLook : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~FolderLook() override;

    bool busy() const { return bool(m_look); }
    // Starts a look at the folders of the settings given (primary, secondary); false while one is
    // under way or when no thread can be had.
    bool start(const std::array<SideSettings, 2> &sides);

Q_SIGNALS:
    // The look has ended (primary, secondary).
    void looked(const std::array<archiver::FolderSeen, 2> &folders);

private:
    struct Look;
    void finish();

    std::shared_ptr<Look> m_look;
    QSocketNotifier *m_notifier = nullptr;
};

// Per side, the archive folder last looked at and whether it could be reached then.
class Appearances
{
public:
    enum class Change {
        None,       // as at the last look
        First,      // a folder not looked at before (a side's first look, or a new destination)
        Appeared,   // the same folder could not be reached at the last look and can now
        Disappeared // the same folder could be reached at the last look and can not now
    };
    // Records the side's archive folder as reachable or not; how that differs from the last look.
    Change look(Side side, const QString &folder, bool reachable);

private:
    struct Seen
    {
        QString folder;
        bool reachable = false;
    };
    Seen m_seen[2];
};

} // namespace archiver
