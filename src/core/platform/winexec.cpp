// Command lines: splitting, program lookup, detached start.
#include "winexec.h"

#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace win {

namespace {

bool isDrivePath(const QString &text)
{
    return text.size() >= 3 && text[0].isLetter() && text[1] == QLatin1Char(':') && text[2] == QLatin1Char('\\');
}

// A host file for a program name: as given, or without ".exe", either without regard to case.
QString findProgramFile(const QString &hostPath)
{
    const QFileInfo given(hostPath);
    if (given.isFile() && given.isExecutable())
        return given.absoluteFilePath();
    const QDir dir = given.absoluteDir();
    QString bare = given.fileName();
    const bool exe = bare.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive);
    if (exe)
        bare.chop(4);
    if (!dir.exists())
        return QString();
    const QStringList entries = dir.entryList(QDir::Files | QDir::Executable);
    for (const QString &wanted : {given.fileName(), bare}) {
        for (const QString &entry : entries) {
            if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.absoluteFilePath(entry);
        }
        if (!exe)
            break;
    }
    return QString();
}

// A program given as a drive path, or a bare name looked up on the host's PATH.
QString resolveProgram(const QString &program, UINT *error)
{
    if (isDrivePath(program) || (program.size() == 2 && program[1] == QLatin1Char(':'))) {
        QString host;
        LONG rc = ERROR_SUCCESS;
        if (!ToHostPath(program, &host, &rc)) {
            *error = rc == ERROR_FILENAME_EXCED_RANGE ? UINT(ERROR_FILE_NOT_FOUND) : UINT(ERROR_PATH_NOT_FOUND);
            return QString();
        }
        const QString found = findProgramFile(host);
        if (found.isEmpty())
            *error = QFileInfo(host).absoluteDir().exists() ? UINT(ERROR_FILE_NOT_FOUND) : UINT(ERROR_PATH_NOT_FOUND);
        return found;
    }
    if (program.contains(QLatin1Char('\\')) || program.contains(QLatin1Char('/'))) {
        *error = ERROR_PATH_NOT_FOUND;
        return QString();
    }
    QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty() && program.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        found = QStandardPaths::findExecutable(program.left(program.size() - 4));
    if (found.isEmpty())
        *error = ERROR_FILE_NOT_FOUND;
    return found;
}

} // namespace

QStringList SplitCommandLine(const QString &commandLine)
{
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool hasArg = false;
    for (qsizetype i = 0; i < commandLine.size(); ++i) {
        const QChar c = commandLine[i];
        if (c == QLatin1Char('\\')) {
            qsizetype n = 0;
            while (i < commandLine.size() && commandLine[i] == QLatin1Char('\\')) {
                ++n;
                ++i;
            }
            if (i < commandLine.size() && commandLine[i] == QLatin1Char('"')) {
                current += QString(n / 2, QLatin1Char('\\'));
                if (n % 2) {
                    current += QLatin1Char('"');
                } else {
                    inQuotes = !inQuotes;
                }
            } else {
                current += QString(n, QLatin1Char('\\'));
                --i;
            }
            hasArg = true;
        } else if (c == QLatin1Char('"')) {
            inQuotes = !inQuotes;
            hasArg = true;
        } else if ((c == QLatin1Char(' ') || c == QLatin1Char('\t')) && !inQuotes) {
            if (hasArg)
                args.append(current);
            current.clear();
            hasArg = false;
        } else {
            current += c;
            hasArg = true;
        }
    }
    if (hasArg)
        args.append(current);
    return args;
}

bool ResolveCommandLine(const QString &commandLine, QString *program, QStringList *arguments, UINT *error)
{
    const QString line = commandLine.trimmed();
    QStringList args = SplitCommandLine(line);
    if (args.isEmpty()) {
        *error = ERROR_FILE_NOT_FOUND;
        return false;
    }
    UINT rc = ERROR_FILE_NOT_FOUND;
    QString host;
    qsizetype used = 1;
    if (line.startsWith(QLatin1Char('"'))) {
        host = resolveProgram(args.first(), &rc);
    } else {
        // "C:\Program Files\X\Archiv.exe -d": try "C:\Program", then "C:\Program Files\X\Archiv.exe", ...
        QString candidate;
        for (qsizetype i = 0; i < args.size() && host.isEmpty(); ++i) {
            candidate = i == 0 ? args[0] : candidate + QLatin1Char(' ') + args[i];
            UINT attempt = ERROR_FILE_NOT_FOUND;
            host = resolveProgram(candidate, &attempt);
            if (i == 0)
                rc = attempt;
            used = i + 1;
            if (!isDrivePath(candidate))
                break;
        }
    }
    if (host.isEmpty()) {
        *error = rc;
        return false;
    }
    args = args.mid(used);
    for (QString &arg : args) {
        if (isDrivePath(arg)) {
            const QString mapped = HostPath(arg);
            if (!mapped.isEmpty())
                arg = mapped;
        }
    }
    *program = host;
    *arguments = args;
    return true;
}

UINT WinExec(const QString &lpCmdLine, UINT)
{
    QString program;
    QStringList arguments;
    UINT error = 0;
    if (!ResolveCommandLine(lpCmdLine, &program, &arguments, &error))
        return error;
    return QProcess::startDetached(program, arguments) ? 33 : 0;
}

} // namespace win
