// The check of the bzip2 library's version.
#include "bzip2library.h"

#include <bzlib.h>

#include <cctype>

namespace archiver {

namespace {

// Reads the decimal number at *text and moves past it; -1 when there is none (or it is absurd).
int readNumber(const char **text)
{
    const char *p = *text;
    if (!std::isdigit(static_cast<unsigned char>(*p)))
        return -1;
    long value = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p++ - '0');
        if (value > 100000)
            return -1;
    }
    *text = p;
    return int(value);
}

} // namespace

bool bzip2VersionAtLeast(const char *versionText, int major, int minor, int patch)
{
    if (!versionText)
        return false;
    const char *p = versionText;
    int parts[3] = {-1, -1, -1};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != '.')
                return false;
            ++p;
        }
        parts[i] = readNumber(&p);
        if (parts[i] < 0)
            return false;
    }
    const int wanted[3] = {major, minor, patch};
    for (int i = 0; i < 3; ++i) {
        if (parts[i] != wanted[i])
            return parts[i] > wanted[i];
    }
    return true;
}

QString bzip2LibraryProblem()
{
    // The library does not change while the program runs: checked once.
    static const QString problem = [] {
        const char *version = BZ2_bzlibVersion();
        if (bzip2VersionAtLeast(version, 1, 0, 8))
            return QString();
        return QStringLiteral(
                   "the bzip2 library %1 is older than 1.0.8 and is not safe to decode archives with")
            .arg(QString::fromLatin1(version ? version : "(unknown)"));
    }();
    return problem;
}

} // namespace archiver
