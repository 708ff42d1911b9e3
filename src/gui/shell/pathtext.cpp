// Path texts and the help command line.
#include "pathtext.h"

namespace {
const QChar kBackslash = QLatin1Char('\\');
}

QString JoinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || name.isEmpty())
        return folder + name;
    const bool folderEnds = folder.endsWith(kBackslash);
    const bool nameBegins = name.startsWith(kBackslash);
    if (!folderEnds && !nameBegins)
        return folder + kBackslash + name;
    if (folderEnds && nameBegins)
        return folder + name.mid(1);
    return folder + name;
}

QString TrimTrailingBackslash(const QString &path)
{
    if (path.endsWith(kBackslash) && path.size() != 3)
        return path.left(path.size() - 1);
    return path;
}

QString BrowserProgram(const QString &openCommand)
{
    if (!openCommand.startsWith(QLatin1Char('"')))
        return openCommand;
    const qsizetype close = openCommand.indexOf(QLatin1Char('"'), 1);
    // An opening quote that is never closed: everything after it is the program.
    return close < 0 ? openCommand.mid(1) : openCommand.mid(1, close - 1);
}

QString BrowserCommandLine(const QString &browserCommand, const QString &file)
{
    const qsizetype placeholder = browserCommand.indexOf(QStringLiteral("%1"));
    if (placeholder < 0) {
        // A path with a blank would reach the browser as two arguments; quoted it stays one.
        const bool quote = file.contains(QLatin1Char(' '));
        return browserCommand + QLatin1Char(' ') +
               (quote ? QLatin1Char('"') + file + QLatin1Char('"') : file);
    }
    QString line = browserCommand;
    line.replace(placeholder, 2, file);
    return line;
}
