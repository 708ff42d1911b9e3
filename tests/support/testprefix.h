// Temporary prefixes for tests: every test executable starts on a fresh one, and a test that
// needs a clean registry makes another.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TestPrefix
{
public:
    // Makes a new empty prefix folder and points DUNLIVO_PREFIX (and the platform layer) at it.
    TestPrefix();
    ~TestPrefix();
    TestPrefix(const TestPrefix &) = delete;
    TestPrefix &operator=(const TestPrefix &) = delete;

    QString path() const { return m_dir.path(); }
    // Stores the system's ANSI code page ("1250", "1252", "65001") in this prefix's registry and
    // makes the platform layer read it again. Fails the running test when it cannot.
    static void setCodePage(const char *page);
    QString hiveFile(const char *rootName) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// The folder that holds the built programs (dunlivo-reg, archiv, dunlivo).
QString testBinDir();
