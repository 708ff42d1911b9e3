// The mount table watched, and the archive folders' reachability.
#include "mountwatch.h"

#include "core/platform/paths.h"

#include <QFile>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace archiver {

MountWatch::MountWatch(QObject *parent) : QObject(parent) {}

MountWatch::~MountWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MountWatch::start(QString *why, const QString &table)
{
    m_fd = ::open(QFile::encodeName(table).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        *why = QStringLiteral("%1 can not be opened: %2").arg(table, QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // A table that reports a change before any has happened would wake the Archiver without end.
    struct pollfd probe = {m_fd, POLLPRI, 0};
    if (::poll(&probe, 1, 0) < 0 || (probe.revents & (POLLPRI | POLLERR | POLLNVAL))) {
        *why = QStringLiteral("%1 can not be watched").arg(table);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_table = readTable();
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Exception);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountWatch::tableChanged);
    return true;
}

QByteArray MountWatch::readTable() const
{
    // The table is made afresh from its start at each read; bounded, as a machine with many
    // containers has a long one.
    QByteArray table;
    if (::lseek(m_fd, 0, SEEK_SET) != 0)
        return table;
    char buffer[65536];
    while (table.size() < kMaxTableBytes) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        table.append(buffer, qsizetype(got));
    }
    return table.left(kMaxTableBytes);
}

void MountWatch::tableChanged()
{
    QByteArray table = readTable();
    // A table cut at the bound may differ beyond it: only a whole table equal to the last one is
    // no change.
    if (table == m_table && table.size() < kMaxTableBytes)
        return;
    m_table = std::move(table);
    Q_EMIT changed();
}

bool archiveReachable(const SideSettings &settings)
{
    if (settings.destination.trimmed().isEmpty())
        return false;
    QString host;
    if (!win::ToHostPath(trimTrailingBackslash(settings.destination), &host))
        return false;
    // Opened as ArchiveTarget::open opens them: links on the way are the user's own and followed.
    const int destination = ::open(QFile::encodeName(host).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (destination < 0)
        return false;
    bool reachable = true;
    if (settings.archivedBefore) {
        const int root = ::openat(destination, QFile::encodeName(settings.archiveName).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        reachable = root >= 0;
        if (root >= 0)
            ::close(root);
    }
    ::close(destination);
    return reachable;
}

// What the looking thread and the watch share; the thread holds it for as long as it runs, also
// after the watch has gone.
struct FolderLook::Look
{
    std::array<FolderSeen, 2> folders;
    std::atomic<bool> done{false};
    int wakeFd = -1; // an eventfd written once the look is done
    ~Look()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
};

FolderLook::~FolderLook() = default;

bool FolderLook::start(const std::array<SideSettings, 2> &sides)
{
    if (busy())
        return false;
    auto look = std::make_shared<Look>();
    for (size_t i = 0; i < sides.size(); ++i)
        look->folders[i].settings = sides[i];
    look->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (look->wakeFd < 0)
        return false;
    try {
        std::thread([look] {
            for (FolderSeen &folder : look->folders)
                folder.reachable = archiveReachable(folder.settings);
            look->done.store(true, std::memory_order_release);
            const quint64 one = 1;
            (void)!::write(look->wakeFd, &one, sizeof one);
        }).detach();
    } catch (const std::system_error &) {
        return false;
    }
    m_look = std::move(look);
    m_notifier = new QSocketNotifier(qintptr(m_look->wakeFd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &FolderLook::finish);
    return true;
}

void FolderLook::finish()
{
    if (!m_look || !m_look->done.load(std::memory_order_acquire))
        return;
    const std::shared_ptr<Look> look = std::move(m_look);
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
    m_notifier = nullptr;
    Q_EMIT looked(look->folders);
}

Appearances::Change Appearances::look(Side side, const QString &folder, bool reachable)
{
    Seen &seen = m_seen[side == Side::Primary ? 0 : 1];
    Change change = Change::None;
    if (seen.folder.isEmpty() || seen.folder != folder)
        change = Change::First;
    else if (reachable != seen.reachable)
        change = reachable ? Change::Appeared : Change::Disappeared;
    seen = {folder, reachable};
    return change;
}

} // namespace archiver
