// The published progress of a run: its file, written by the Archiver and read by the panel.
#include "runprogress.h"

#include "core/platform/filebeside.h"
#include "core/platform/posixio.h"
#include "core/platform/prefix.h"

#include <QFile>
#include <QList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr char kHeader[] = "dunlivo-progress 1";
// Numbers beyond this are no count of files or bytes a run could reach.
constexpr qint64 kMaxCount = qint64(1) << 53;
constexpr qsizetype kMaxFolderChars = 1024;

QByteArray fileName(Side side)
{
    return side == Side::Secondary ? QByteArrayLiteral("progress-2") : QByteArrayLiteral("progress-1");
}

bool parsePair(const QByteArray &line, const char *tag, qint64 *done, qint64 *total)
{
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts.at(0) != tag)
        return false;
    bool okDone = false;
    bool okTotal = false;
    *done = parts.at(1).toLongLong(&okDone);
    *total = parts.at(2).toLongLong(&okTotal);
    return okDone && okTotal && *done >= 0 && *done < kMaxCount && *total >= -1 && *total < kMaxCount &&
           (*total < 0 || *done <= *total);
}

} // namespace

QByteArray progressBytes(const RunProgress &progress)
{
    QByteArray folder = progress.folder.left(kMaxFolderChars).toUtf8();
    folder.replace('\n', ' ');
    return QByteArray(kHeader) + "\nfiles " + QByteArray::number(progress.filesDone) + ' ' +
           QByteArray::number(progress.filesTotal) + "\nbytes " + QByteArray::number(progress.bytesDone) +
           ' ' + QByteArray::number(progress.bytesTotal) + "\nfolder " + folder + '\n';
}

std::optional<RunProgress> parseProgress(const QByteArray &bytes)
{
    if (bytes.size() > kProgressMaxBytes || !bytes.endsWith('\n'))
        return std::nullopt;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    if (lines.size() != 4 || lines.at(0) != kHeader || !lines.at(3).startsWith("folder "))
        return std::nullopt;
    RunProgress progress;
    if (!parsePair(lines.at(1), "files", &progress.filesDone, &progress.filesTotal) ||
        !parsePair(lines.at(2), "bytes", &progress.bytesDone, &progress.bytesTotal))
        return std::nullopt;
    progress.folder = QString::fromUtf8(lines.at(3).mid(7)).left(kMaxFolderChars);
    // A name is shown, not obeyed; control characters would only garble the line.
    for (QChar &c : progress.folder) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return progress;
}

QString progressFilePath(Side side)
{
    return win::Prefix::windowsDir() + QLatin1Char('/') + QString::fromLatin1(fileName(side));
}

bool publishProgress(Side side, const RunProgress &progress)
{
    const QByteArray bytes = progressBytes(progress);
    win::FileBeside file;
    if (!file.create(QFile::encodeName(win::Prefix::windowsDir()), fileName(side)))
        return false;
    if (!win::WriteAll(file.fd(), bytes.constData(), size_t(bytes.size())) || !file.close(false)) {
        file.discard();
        return false;
    }
    return file.commit(fileName(side));
}

void withdrawProgress(Side side)
{
    const QByteArray folder = QFile::encodeName(win::Prefix::windowsDir());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::unlinkat(fd, fileName(side).constData(), 0);
    win::FileBeside::removeLeftovers(fd, fileName(side));
    ::close(fd);
}

std::optional<RunProgress> readProgress(Side side, bool busy, const QDateTime &now)
{
    // Never a FIFO or a device that would block, never through a link, never more than a page.
    const int fd = ::open(QFile::encodeName(progressFilePath(side)).constData(),
                          O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status;
    QByteArray bytes(kProgressMaxBytes + 1, Qt::Uninitialized);
    qsizetype got = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid())
        got = ::read(fd, bytes.data(), size_t(bytes.size()));
    ::close(fd);
    if (got < 0)
        return std::nullopt;
    bytes.truncate(got);
    const QDateTime written = QDateTime::fromSecsSinceEpoch(status.st_mtim.tv_sec);
    if (!busy && written.secsTo(now) > kProgressStaleSeconds)
        return std::nullopt;
    return parseProgress(bytes);
}

} // namespace archiver
