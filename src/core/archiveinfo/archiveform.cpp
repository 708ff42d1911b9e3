// Reading and writing the form record.
#include "archiveform.h"
#include "archivelayout.h"
#include "versionslayout.h"

#include "core/platform/filebeside.h"
#include "core/platform/posixio.h"

#include <QFile>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archiver {

namespace {

constexpr char kMagic[] = "dunlivo archive form 1";
// A record is a few lines; anything much larger is not one.
constexpr qint64 kMaxRecord = 1 << 20;

const char *formName(bool compressed)
{
    return compressed ? "compressed" : "plain";
}

bool parseForm(const QByteArray &word, bool *compressed)
{
    if (word == "compressed")
        *compressed = true;
    else if (word == "plain")
        *compressed = false;
    else
        return false;
    return true;
}

bool parseCount(const QByteArray &word, qint64 *value)
{
    bool ok = false;
    *value = word.toLongLong(&ok);
    return ok && *value >= 0;
}

} // namespace

bool readExactly(int fd, char *data, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

QByteArray FormRecord::toBytes() const
{
    QByteArray bytes = QByteArray(kMagic) + "\nform " + formName(compressed) + "\n";
    if (converting) {
        bytes += QByteArray("converting ") + formName(!compressed) + "\n";
        bytes += "list " + QByteArray::number(list) + "\n";
        bytes += "committed " + QByteArray::number(committed) + "\n";
        bytes += "done " + QByteArray::number(done) + "\n";
        bytes += "failed";
        for (qint64 index : failed)
            bytes += ' ' + QByteArray::number(index);
        bytes += "\n";
    }
    return bytes;
}

bool FormRecord::fromBytes(const QByteArray &bytes, FormRecord *record)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first() != kMagic)
        return false;
    FormRecord result;
    bool haveForm = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines.at(i).split(' ');
        const QByteArray &key = words.first();
        if (key.isEmpty() && words.size() == 1)
            continue;
        if (key == "form" && words.size() == 2) {
            haveForm = parseForm(words.at(1), &result.compressed);
            if (!haveForm)
                return false;
        } else if (key == "converting" && words.size() == 2) {
            bool target = false;
            if (!parseForm(words.at(1), &target) || !haveForm || target == result.compressed)
                return false;
            result.converting = true;
        } else if (key == "list" && words.size() == 2) {
            if (!parseCount(words.at(1), &result.list))
                return false;
        } else if (key == "committed" && words.size() == 2) {
            if (!parseCount(words.at(1), &result.committed))
                return false;
        } else if (key == "done" && words.size() == 2) {
            if (!parseCount(words.at(1), &result.done))
                return false;
        } else if (key == "failed") {
            for (qsizetype w = 1; w < words.size(); ++w) {
                qint64 index = 0;
                if (!parseCount(words.at(w), &index))
                    return false;
                result.failed.append(index);
            }
        } else {
            return false;
        }
    }
    if (!haveForm || result.committed > result.done)
        return false;
    *record = result;
    return true;
}

RecordRead readFormRecord(int rootFd, FormRecord *record)
{
    const int fd = ::openat(rootFd, kFormRecordName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? RecordRead::Absent : RecordRead::Damaged;
    struct stat status;
    QByteArray bytes;
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size <= kMaxRecord;
    if (ok) {
        bytes.resize(qsizetype(status.st_size));
        ok = readExactly(fd, bytes.data(), size_t(bytes.size()));
    }
    ::close(fd);
    return ok && FormRecord::fromBytes(bytes, record) ? RecordRead::Present : RecordRead::Damaged;
}

bool writeRootFileDurably(int rootFd, const QByteArray &name, const QByteArray &bytes)
{
    win::FileBeside file;
    if (!file.createAt(rootFd, name, 0644))
        return false;
    if (!win::WriteAll(file.fd(), bytes.constData(), size_t(bytes.size())) || !file.close(true) ||
        !file.commit(name))
        return false;
    // The rename itself reaches the disk with the folder.
    return ::fsync(rootFd) == 0;
}

bool writeFormRecord(int rootFd, const FormRecord &record)
{
    return writeRootFileDurably(rootFd, QByteArray(kFormRecordName), record.toBytes());
}

namespace {

// Whether the folder open in folderFd holds nothing but entries that accept takes.
template <typename Accept> bool holdsOnly(int folderFd, Accept accept)
{
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return false;
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return false;
    }
    bool only = true;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != ".." && !accept(name)) {
            only = false;
            break;
        }
    }
    ::closedir(dir);
    return only;
}

} // namespace

bool isEmptyFolder(int rootFd)
{
    // Automatic emptying leaves the earlier versions: a versions folder of run folders alone
    // still leaves the archive empty.
    return holdsOnly(rootFd, [rootFd](const QByteArray &name) {
        if (name != kVersionsFolder)
            return false;
        const int fd = ::openat(rootFd, kVersionsFolder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool runsOnly = holdsOnly(
            fd, [](const QByteArray &run) { return versionRunTime(QFile::decodeName(run)).isValid(); });
        ::close(fd);
        return runsOnly;
    });
}

bool isOwnArchive(int rootFd, bool archivedBefore, const QString &rootPath, QString *why)
{
    FormRecord record;
    if (readFormRecord(rootFd, &record) != RecordRead::Absent)
        return true;
    if (!archivedBefore || isEmptyFolder(rootFd))
        return true;
    // An archive written before folders held a record: every complete run left the list's copy
    // in its root, which an empty mount folder or another disk's folder does not have.
    struct stat list;
    if (::fstatat(rootFd, kListFileName, &list, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(list.st_mode))
        return true;
    *why =
        QStringLiteral("the archive folder %1 is not the one this side was archived into (it holds no form "
                       "record): is the disk of the archive there? Choose the destination again to start a "
                       "new archive on purpose")
            .arg(rootPath);
    return false;
}

} // namespace archiver
