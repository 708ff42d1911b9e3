// Parsing and printing of full key names.
#include "keyname.h"

#include <QStringList>

using namespace win;

KeyName KeyName::parse(const QString &text)
{
    KeyName name;
    const qsizetype slash = text.indexOf(QLatin1Char('\\'));
    const QString root = (slash < 0 ? text : text.left(slash)).toUpper();
    if (root == QLatin1String("HKCR") || root == QLatin1String("HKEY_CLASSES_ROOT"))
        name.root = HKEY_CLASSES_ROOT;
    else if (root == QLatin1String("HKLM") || root == QLatin1String("HKEY_LOCAL_MACHINE"))
        name.root = HKEY_LOCAL_MACHINE;
    if (slash >= 0)
        name.path = text.mid(slash + 1).split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
    return name;
}

QString KeyName::text() const
{
    return path.isEmpty() ? RegRootName(root) : RegRootName(root) + QLatin1Char('\\') + path;
}

KeyName KeyName::child(const QString &name) const
{
    return KeyName{root, path.isEmpty() ? name : path + QLatin1Char('\\') + name};
}
