// A drive letter of the test's own: the prefix's dosdevices link for the letter is pointed at a
// folder, so that a drive root can be browsed and walked without touching the real ones.
#pragma once

#include "core/platform/prefix.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>

// Maps letter (lower case, "t") to hostFolder in the current prefix; fails the running test when
// it cannot.
inline void mapTestDrive(const char *letter, const QString &hostFolder)
{
    QVERIFY(win::Prefix::ensure());
    const QString link =
        win::Prefix::dosdevicesDir() + QLatin1Char('/') + QLatin1String(letter) + QLatin1Char(':');
    QFile::remove(link);
    QVERIFY(QFile::link(hostFolder, link));
}

// Makes the folders (relative paths with "/") below root; fails the running test when it cannot.
inline void makeFolders(const QString &root, const QStringList &relative)
{
    for (const QString &path : relative)
        QVERIFY2(QDir(root).mkpath(path), qPrintable(path));
}

// Makes empty files (relative paths with "/") below root.
inline void makeFiles(const QString &root, const QStringList &relative)
{
    for (const QString &path : relative) {
        QFile file(root + QLatin1Char('/') + path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    }
}
