// Folder listings by Windows pattern.
#include "enumeration.h"

#include "attributes.h"
#include "files.h"
#include "files_p.h"
#include "hostdir.h"

#include <sys/stat.h>

#include <cerrno>
#include <memory>

namespace win {

namespace {

struct FindSearch
{
    std::unique_ptr<HostDirReader> reader;
    QString pattern;
    bool everything = false;
    bool driveRoot = false;
};

bool fillNext(FindSearch *search, WIN32_FIND_DATA *data)
{
    HostDirReader &r = *search->reader;
    while (r.next()) {
        if (!r.hasWindowsName())
            continue;
        const bool dots = r.isDotOrDotDot();
        if (dots && search->driveRoot)
            continue;
        const QString name = QString::fromUtf8(r.name());
        if (!search->everything && !MatchesWildcard(name, search->pattern))
            continue;
        if (!dots && r.kind() == HostEntryKind::Other)
            continue;
        const struct stat *st = r.status();
        if (!st)
            continue; // gone since it was listed
        data->dwFileAttributes = HostFileAttributes(r.path(), *st, !dots && r.startsWithDot());
        data->ftCreationTime = FileTimeFromTimespec(st->st_mtim);
        data->ftLastAccessTime = FileTimeFromTimespec(st->st_atim);
        data->ftLastWriteTime = FileTimeFromTimespec(st->st_mtim);
        const auto size = S_ISDIR(st->st_mode) ? std::uint64_t(0) : std::uint64_t(st->st_size);
        data->nFileSizeHigh = DWORD(size >> 32);
        data->nFileSizeLow = DWORD(size & 0xFFFFFFFFu);
        data->cFileName = name;
        return true;
    }
    return false;
}

bool matchFrom(QStringView name, QStringView pattern)
{
    // Iterative match with one star remembered: linear in practice, no recursion.
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesWildcard(QStringView name, QStringView pattern)
{
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    // "*." asks for names without an extension, as on Windows.
    if (pattern.endsWith(QLatin1String(".")) && !pattern.endsWith(QLatin1String("*.*")) &&
        pattern.size() > 1 && !name.contains(QLatin1Char('.')))
        return matchFrom(name, pattern.chopped(1));
    return matchFrom(name, pattern);
}

HANDLE FindFirstFile(const QString &lpFileName, WIN32_FIND_DATA *lpFindFileData)
{
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    qsizetype split = -1;
    for (qsizetype i = lpFileName.size() - 1; i >= 0; --i) {
        if (lpFileName[i] == QLatin1Char('\\') || lpFileName[i] == QLatin1Char('/')) {
            split = i;
            break;
        }
    }
    if (split < 0 && lpFileName.size() > 2 && lpFileName[1] == QLatin1Char(':'))
        split = 1; // "C:*.*"
    const QString pattern = split < 0 ? QString() : lpFileName.mid(split + 1);
    if (pattern.isEmpty()) {
        SetLastError(split < 0 ? ERROR_INVALID_NAME : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    QString folder = lpFileName.left(split + 1);
    auto search = std::make_unique<FindSearch>();
    QByteArray host;
    if (!detail::resolveForFileCall(folder, &host, &search->driveRoot))
        return INVALID_HANDLE_VALUE;
    search->reader = std::make_unique<HostDirReader>(host, true);
    if (!search->reader->isOpen()) {
        const int e = search->reader->error();
        SetLastError(DWORD(e == ENOENT || e == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(e)));
        return INVALID_HANDLE_VALUE;
    }
    search->pattern = pattern;
    search->everything = pattern == QLatin1String("*") || pattern == QLatin1String("*.*");
    if (!fillNext(search.get(), lpFindFileData)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return search.release();
}

BOOL FindNextFile(HANDLE hFindFile, WIN32_FIND_DATA *lpFindFileData)
{
    if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE || !lpFindFileData)
        return detail::fail(ERROR_INVALID_HANDLE);
    if (!fillNext(static_cast<FindSearch *>(hFindFile), lpFindFileData))
        return detail::fail(ERROR_NO_MORE_FILES);
    SetLastError(ERROR_SUCCESS);
    return true;
}

BOOL FindClose(HANDLE hFindFile)
{
    if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE)
        return detail::fail(ERROR_INVALID_HANDLE);
    delete static_cast<FindSearch *>(hFindFile);
    return true;
}

} // namespace win
