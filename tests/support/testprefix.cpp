// Temporary prefixes for tests.
#include "testprefix.h"

#include "core/platform/codepage.h"
#include "core/platform/prefix.h"
#include "core/platform/registry.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>

TestPrefix::TestPrefix() : m_dir(QDir::tempPath() + QStringLiteral("/dunlivo-test-XXXXXX"))
{
    m_previous = qgetenv("DUNLIVO_PREFIX");
    qputenv("DUNLIVO_PREFIX", QFile::encodeName(m_dir.path()));
    win::Prefix::reset();
    win::AnsiCodePage::reset();
}

TestPrefix::~TestPrefix()
{
    qputenv("DUNLIVO_PREFIX", m_previous);
    win::Prefix::reset();
    win::AnsiCodePage::reset();
}

QString TestPrefix::hiveFile(const char *rootName) const
{
    return m_dir.path() + QStringLiteral("/registry/") + QLatin1String(rootName) + QStringLiteral(".db");
}

QString testBinDir()
{
    const QString fromEnv = qEnvironmentVariable("DUNLIVO_TEST_BIN");
    return fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../bin") : fromEnv;
}

void TestPrefix::setCodePage(const char *page)
{
    using namespace win;
    HKEY nls = nullptr;
    QCOMPARE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, QStringLiteral("SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage"), 0,
                          KEY_ALL_ACCESS, &nls),
             LONG(ERROR_SUCCESS));
    const LONG rc =
        RegSetValueEx(nls, QStringLiteral("ACP"), 0, REG_SZ, reinterpret_cast<const BYTE *>(page), DWORD(qstrlen(page) + 1));
    RegCloseKey(nls);
    QCOMPARE(rc, LONG(ERROR_SUCCESS));
    AnsiCodePage::reset();
}
