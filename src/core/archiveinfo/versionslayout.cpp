// Names of the run folders of the versions area.
#include "versionslayout.h"

namespace archiver {

namespace {
const QString kRunFormat = QStringLiteral("yyyy-MM-dd HHmmss");
}

QString versionRunName(const QDateTime &time)
{
    return time.toLocalTime().toString(kRunFormat);
}

QDateTime versionRunTime(const QString &name)
{
    if (name.size() != kRunFormat.size())
        return QDateTime();
    const QDateTime time = QDateTime::fromString(name, kRunFormat);
    // Only the name the Archiver writes: a parse that reads back differently is someone else's.
    return time.isValid() && time.toString(kRunFormat) == name ? time : QDateTime();
}

} // namespace archiver
