// One run of a program to its end: its exit code (-1 when it crashed or did not end within a
// minute) and what it wrote.
#pragma once

#include <QProcess>

struct ProgramRun
{
    int code = -1;
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString &program, const QStringList &arguments,
                             const QByteArray &input = {})
{
    QProcess p;
    p.start(program, arguments);
    p.waitForStarted();
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
