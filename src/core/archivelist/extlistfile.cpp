// Reading and writing ext.lst.
#include "extlistfile.h"

#include "safefile.h"
#include "textlines.h"

#include "core/platform/codepage.h"
#include "core/platform/paths.h"

#include <QFileInfo>

namespace {

QString hostPathOf(const QString &fileName)
{
    QString host;
    if (!win::ToHostPath(fileName, &host))
        throw ListFileError(QStringLiteral("Cannot use %1: not a usable drive path").arg(fileName));
    return host;
}

} // namespace

std::optional<QStringList> readExtList(const QString &fileName)
{
    const QString host = hostPathOf(fileName);
    if (!QFileInfo::exists(host))
        return std::nullopt;
    QByteArray bytes;
    QString why;
    if (!archivelist::readWholeFile(host, &bytes, &why))
        throw ListFileError(QStringLiteral("Cannot read %1: %2").arg(fileName, why));
    const unsigned codePage = win::AnsiCodePage::current();
    // A byte-order mark written by an editor is not part of the first entry.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringList entries;
    archivelist::forEachLine(bytes, [&](const char *line, qsizetype size) {
        entries.append(win::AnsiCodePage::decode(codePage, line, size));
        return true;
    });
    return entries;
}

void writeExtList(const QString &fileName, const QStringList &entries)
{
    const unsigned codePage = win::AnsiCodePage::current();
    QByteArray out;
    for (const QString &entry : entries) {
        bool ok = !entry.contains(QLatin1Char('\r')) && !entry.contains(QLatin1Char('\n'));
        const QByteArray bytes = ok ? win::AnsiCodePage::encode(codePage, entry, &ok) : QByteArray();
        if (!ok)
            throw ListFileError(
                QStringLiteral("Cannot write %1: the entry \"%2\" cannot be stored in code page %3")
                    .arg(fileName, entry, QString::number(codePage)));
        out.append(bytes);
        out.append("\r\n", 2);
    }
    // The reader drops a byte-order mark at the start; a first entry that begins with those bytes
    // gets one of its own in front, so that it reads back whole.
    if (out.startsWith("\xEF\xBB\xBF"))
        out.prepend("\xEF\xBB\xBF");
    QString why;
    if (!archivelist::replaceFileSafely(hostPathOf(fileName), out, &why))
        throw ListFileError(QStringLiteral("Cannot write %1: %2").arg(fileName, why));
}
