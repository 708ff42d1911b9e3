// The store's hold on the registry: a root, the key that is open below it, and that key's path.
#pragma once

#include "core/platform/registry.h"

#include <QString>

class RegistryAccess
{
public:
    RegistryAccess() = default;
    ~RegistryAccess() { closeKey(); }
    RegistryAccess(const RegistryAccess &) = delete;
    RegistryAccess &operator=(const RegistryAccess &) = delete;

    void setRoot(win::HKEY root);
    win::HKEY root() const { return m_root; }
    win::HKEY currentKey() const { return m_key; }
    const QString &currentPath() const { return m_path; }

    // Opens a subkey of the current key (of the root when no key is open) with full access; it
    // becomes the current key. Returns the registry's code.
    win::LONG openKey(const QString &name);
    // Creates a missing subkey of the current key (or of the root); the new handle is closed at
    // once, the caller opens the key afterwards.
    win::LONG createKey(const QString &name);
    void closeKey();

private:
    win::HKEY base() const { return m_key ? m_key : m_root; }

    win::HKEY m_root = win::HKEY_CLASSES_ROOT;
    win::HKEY m_key = nullptr;
    QString m_path;
};
