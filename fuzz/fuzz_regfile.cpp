// Fuzz target: .reg import. Whatever the script holds is applied to a key tree of its own, which
// is removed after every input so that inputs do not pile up in the hive.
#include "fuzzsupport.h"

#include "apps/dunlivo-reg/regfile.h"
#include "core/platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    QStringList errors;
    importText(fuzz::bytesOf(data, size), &errors);
    // Clear both hives of what the script made, keeping the keys a fresh system has.
    using namespace win;
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE}) {
        HKEY key = nullptr;
        if (RegOpenKeyEx(root, QString(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            continue;
        QStringList names;
        for (DWORD i = 0;; ++i) {
            QString name;
            if (RegEnumKeyEx(key, i, &name) != ERROR_SUCCESS)
                break;
            names.append(name);
        }
        for (const QString &name : names) {
            if (name.compare(QStringLiteral("SOFTWARE"), Qt::CaseInsensitive) != 0 &&
                name.compare(QStringLiteral("SYSTEM"), Qt::CaseInsensitive) != 0)
                RegDeleteTree(key, name);
        }
        RegCloseKey(key);
    }
    return 0;
}
