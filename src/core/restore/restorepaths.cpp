// The entry test and EnsureDirectory.
#include "restorepaths.h"

#include "core/platform/attributes.h"
#include "core/platform/files.h"

bool entryExists(const QString &path)
{
    const win::DWORD attributes = win::GetFileAttributes(path);
    return attributes != win::INVALID_FILE_ATTRIBUTES &&
           !(attributes & (win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM));
}

bool EnsureDirectory(const QString &path)
{
    QString dir = path;
    if (dir.endsWith(QLatin1Char('\\')))
        dir.chop(1);
    if (entryExists(dir))
        return false;
    const QString parent = dir.left(dir.lastIndexOf(QLatin1Char('\\')) + 1);
    if (parent == dir || dir.size() <= 3)
        return false;
    if (EnsureDirectory(parent))
        return true;
    if (entryExists(dir) || win::CreateDirectory(dir))
        return false;
    // A hidden or system folder fails the entry test but is there all the same: the files that
    // follow can be written into it, so it is no failure.
    const win::DWORD error = win::GetLastError();
    const win::DWORD attributes = win::GetFileAttributes(dir);
    win::SetLastError(error);
    return error != win::DWORD(win::ERROR_ALREADY_EXISTS) || attributes == win::INVALID_FILE_ATTRIBUTES ||
           !(attributes & win::FILE_ATTRIBUTE_DIRECTORY);
}
