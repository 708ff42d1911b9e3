// Opening and closing the store's current key.
#include "registryaccess.h"

using namespace win;

void RegistryAccess::setRoot(HKEY root)
{
    closeKey();
    m_root = root;
}

LONG RegistryAccess::openKey(const QString &name)
{
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyEx(base(), name, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    const QString path = m_key ? m_path + QLatin1Char('\\') + name : name;
    closeKey();
    m_key = key;
    m_path = path;
    return ERROR_SUCCESS;
}

LONG RegistryAccess::createKey(const QString &name)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG rc =
        RegCreateKeyEx(base(), name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (rc == ERROR_SUCCESS)
        RegCloseKey(key);
    return rc;
}

void RegistryAccess::closeKey()
{
    if (m_key)
        RegCloseKey(m_key);
    m_key = nullptr;
    m_path.clear();
}
