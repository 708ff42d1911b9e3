// dunlivo-reg: the registry of the current prefix on the command line, with the argument
// syntax and output of the Windows registry tool.
//
//   query  KEY [/v NAME | /ve] [/s]
//   add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   delete KEY [/v NAME | /ve | /va] [/f]
//   export KEY FILE [/y]
//   import FILE
//   repair [ROOT]
#include "keyname.h"
#include "regfile.h"
#include "regvalue.h"

#include "core/platform/codepage.h"
#include "core/platform/prefix.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <optional>

using namespace win;

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

const QString kDone = QStringLiteral("The operation completed successfully.");
const QString kNotFound = QStringLiteral("The system was unable to find the specified registry key or value.");

int failure(const QString &message, const QString &detail = QString())
{
    err() << "ERROR: " << message << Qt::endl;
    if (!detail.isEmpty())
        err() << detail << Qt::endl;
    return 1;
}

int invalidSyntax(const QString &why)
{
    return failure(QStringLiteral("Invalid syntax. %1").arg(why),
                   QStringLiteral("Type \"dunlivo-reg\" without arguments for usage."));
}

// Asks on the terminal; anything but yes (also end of input) is no.
bool confirm(const QString &question)
{
    out() << question << " (Yes/No)? " << Qt::flush;
    char line[64] = {};
    if (!std::fgets(line, sizeof(line), stdin))
        return false;
    const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

struct Options
{
    QString key;
    QString file;
    std::optional<QString> value; // /v NAME, or /ve as the empty name
    bool allValues = false;       // /va
    bool recurse = false;         // /s
    bool force = false;           // /f, /y
    QString type = QStringLiteral("REG_SZ");
    std::optional<QString> data;
};

// Parses the switches that follow the positional arguments; false with a message on a bad one.
bool parseSwitches(const QStringList &args, qsizetype from, const QStringList &allowed, Options *o, QString *why)
{
    for (qsizetype i = from; i < args.size(); ++i) {
        const QString sw = args[i].toLower();
        if (!sw.startsWith(QLatin1Char('/')) && !sw.startsWith(QLatin1Char('-'))) {
            *why = QStringLiteral("Unexpected argument \"%1\".").arg(args[i]);
            return false;
        }
        const QString name = sw.mid(1);
        if (!allowed.contains(name)) {
            *why = QStringLiteral("Unknown switch \"%1\".").arg(args[i]);
            return false;
        }
        const bool takesArgument = name == QLatin1String("v") || name == QLatin1String("t") || name == QLatin1String("d");
        if (takesArgument && i + 1 >= args.size()) {
            *why = QStringLiteral("The switch %1 needs an argument.").arg(args[i]);
            return false;
        }
        if ((name == QLatin1String("v") || name == QLatin1String("ve") || name == QLatin1String("va")) &&
            (o->value || o->allValues)) {
            *why = QStringLiteral("Only one of /v, /ve and /va may be given.");
            return false;
        }
        if (name == QLatin1String("v"))
            o->value = args[++i];
        else if (name == QLatin1String("ve"))
            o->value = QString();
        else if (name == QLatin1String("va"))
            o->allValues = true;
        else if (name == QLatin1String("s"))
            o->recurse = true;
        else if (name == QLatin1String("f") || name == QLatin1String("y"))
            o->force = true;
        else if (name == QLatin1String("t"))
            o->type = args[++i];
        else if (name == QLatin1String("d"))
            o->data = args[++i];
    }
    return true;
}

bool parseKey(const QString &text, KeyName *key, QString *why)
{
    *key = KeyName::parse(text);
    if (!key->root) {
        *why = QStringLiteral("Invalid key name \"%1\".").arg(text);
        return false;
    }
    return true;
}

// ---- query ----

// Prints one key (and below it, with /s); counts the values printed.
bool queryKey(const KeyName &key, const Options &o, int *matches, QString *error)
{
    KeyContents k;
    if (!readKey(key, &k, error))
        return false;
    const KeyName &shown = k.shown;
    const QList<RegValue> &values = k.values;
    const QStringList &subkeys = k.subkeys;

    QList<RegValue> shownValues;
    for (const RegValue &v : std::as_const(values)) {
        if (!o.value || v.name.compare(*o.value, Qt::CaseInsensitive) == 0)
            shownValues.append(v);
    }
    if (!o.value || !shownValues.isEmpty()) {
        out() << shown.text() << "\n";
        for (const RegValue &v : std::as_const(shownValues)) {
            out() << "    " << (v.name.isEmpty() ? QStringLiteral("(Default)") : v.name) << "    " << typeName(v.type)
                  << "    " << queryData(v) << "\n";
        }
        out() << "\n";
    }
    *matches += int(shownValues.size());
    for (const QString &sub : std::as_const(subkeys)) {
        if (o.recurse) {
            if (!queryKey(shown.child(sub), o, matches, error))
                return false;
        } else if (!o.value) {
            out() << shown.child(sub).text() << "\n";
        }
    }
    return true;
}

int query(const QStringList &args)
{
    Options o;
    KeyName key;
    QString why;
    if (args.size() < 1 || !parseKey(args[0], &key, &why) ||
        !parseSwitches(args, 1, {QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("s")}, &o, &why))
        return invalidSyntax(why);
    out() << "\n";
    int matches = 0;
    QString error;
    if (!queryKey(key, o, &matches, &error))
        return failure(kNotFound, error.contains(QLatin1String("does not exist")) ? QString() : error);
    if (o.value && matches == 0)
        return failure(kNotFound);
    if (o.recurse)
        out() << "End of search: " << matches << " match(es) found." << "\n";
    out().flush();
    return 0;
}

// ---- add ----

bool encodeData(DWORD type, const QString &text, QByteArray *bytes, QString *why)
{
    bool ok = true;
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        *bytes = AnsiCodePage::encode(text, &ok);
        bytes->append('\0');
        if (!ok)
            *why = QStringLiteral("The text cannot be written in code page %1.").arg(AnsiCodePage::current());
        return ok;
    case REG_DWORD: {
        const QString t = text.trimmed();
        const quint64 n = t.isEmpty() ? 0
                          : t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toULongLong(&ok, 16)
                                                                                     : t.toULongLong(&ok, 10);
        if (!ok || n > 0xFFFFFFFFull) {
            *why = QStringLiteral("Invalid DWORD \"%1\".").arg(text);
            return false;
        }
        bytes->resize(4);
        for (int i = 0; i < 4; ++i)
            (*bytes)[i] = char((n >> (8 * i)) & 0xFF);
        return true;
    }
    case REG_BINARY: {
        const QByteArray hex = text.trimmed().toLatin1();
        static const QByteArray digits = "0123456789abcdefABCDEF";
        for (const char c : hex) {
            if (!digits.contains(c)) {
                *why = QStringLiteral("Invalid binary data \"%1\".").arg(text);
                return false;
            }
        }
        if (hex.size() % 2) {
            *why = QStringLiteral("Invalid binary data \"%1\": an odd number of digits.").arg(text);
            return false;
        }
        *bytes = QByteArray::fromHex(hex);
        return true;
    }
    default:
        *why = QStringLiteral("The type %1 cannot be added.").arg(typeName(type));
        return false;
    }
}

int add(const QStringList &args)
{
    Options o;
    KeyName key;
    QString why;
    if (args.size() < 1 || !parseKey(args[0], &key, &why) ||
        !parseSwitches(args, 1,
                       {QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("t"), QStringLiteral("d"),
                        QStringLiteral("f")},
                       &o, &why))
        return invalidSyntax(why);
    DWORD type = REG_SZ;
    if (!typeFromName(o.type, &type))
        return invalidSyntax(QStringLiteral("Unknown type \"%1\".").arg(o.type));
    QByteArray bytes;
    if (!encodeData(type, o.data.value_or(QString()), &bytes, &why))
        return failure(why);

    HKEY h = nullptr;
    if (RegCreateKeyEx(key.root, key.path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                       nullptr) != ERROR_SUCCESS)
        return failure(QStringLiteral("Access is denied or the key cannot be created."), RegLastErrorText());
    int rc = 0;
    if (o.value) {
        DWORD size = 0;
        const bool exists = RegQueryValueEx(h, *o.value, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
        const QString shownName = o.value->isEmpty() ? QStringLiteral("(Default)") : *o.value;
        if (exists && !o.force && !confirm(QStringLiteral("Value %1 exists, overwrite").arg(shownName))) {
            RegCloseKey(h);
            return failure(QStringLiteral("The operation was cancelled by the user."));
        }
        if (RegSetValueEx(h, *o.value, 0, type, reinterpret_cast<const BYTE *>(bytes.constData()), DWORD(bytes.size())) !=
            ERROR_SUCCESS)
            rc = failure(QStringLiteral("The value %1 cannot be set.").arg(shownName), RegLastErrorText());
    }
    RegCloseKey(h);
    if (rc == 0)
        out() << kDone << Qt::endl;
    return rc;
}

// ---- delete ----

int remove(const QStringList &args)
{
    Options o;
    KeyName key;
    QString why;
    if (args.size() < 1 || !parseKey(args[0], &key, &why) ||
        !parseSwitches(args, 1, {QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("va"), QStringLiteral("f")},
                       &o, &why))
        return invalidSyntax(why);
    HKEY h = nullptr;
    if (RegOpenKeyEx(key.root, key.path, 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) {
        const QString detail = RegLastErrorText();
        return failure(detail.contains(QLatin1String("does not exist")) ? kNotFound : detail);
    }
    const auto finish = [h](int rc) {
        RegCloseKey(h);
        if (rc == 0)
            out() << kDone << Qt::endl;
        return rc;
    };
    if (o.value) {
        const QString shownName = o.value->isEmpty() ? QStringLiteral("(Default)") : *o.value;
        DWORD size = 0;
        if (RegQueryValueEx(h, *o.value, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
            RegCloseKey(h);
            return failure(kNotFound);
        }
        if (!o.force && !confirm(QStringLiteral("Delete the registry value %1").arg(shownName))) {
            RegCloseKey(h);
            return failure(QStringLiteral("The operation was cancelled by the user."));
        }
        return finish(RegDeleteValue(h, *o.value) == ERROR_SUCCESS
                          ? 0
                          : failure(QStringLiteral("The value cannot be deleted."), RegLastErrorText()));
    }
    if (o.allValues) {
        if (!o.force && !confirm(QStringLiteral("Delete all values under the registry key %1").arg(key.text()))) {
            RegCloseKey(h);
            return failure(QStringLiteral("The operation was cancelled by the user."));
        }
        QList<RegValue> values;
        readValues(h, &values);
        for (const RegValue &v : std::as_const(values)) {
            if (RegDeleteValue(h, v.name) != ERROR_SUCCESS)
                return finish(failure(QStringLiteral("The value %1 cannot be deleted.").arg(v.name), RegLastErrorText()));
        }
        return finish(0);
    }
    RegCloseKey(h);
    if (key.path.isEmpty())
        return failure(QStringLiteral("A root key cannot be deleted."));
    if (!o.force && !confirm(QStringLiteral("Permanently delete the registry key %1").arg(key.text())))
        return failure(QStringLiteral("The operation was cancelled by the user."));
    if (RegDeleteTree(key.root, key.path) != ERROR_SUCCESS)
        return failure(QStringLiteral("The key cannot be deleted."), RegLastErrorText());
    out() << kDone << Qt::endl;
    return 0;
}

// ---- export / import ----

int exportCommand(const QStringList &args)
{
    Options o;
    KeyName key;
    QString why;
    if (args.size() < 2 || !parseKey(args[0], &key, &why) || !parseSwitches(args, 2, {QStringLiteral("y")}, &o, &why))
        return invalidSyntax(why.isEmpty() ? QStringLiteral("export needs a key and a file.") : why);
    const QString file = args[1];
    QByteArray text;
    QString error;
    if (!exportKey(key, &text, &error))
        return failure(error.contains(QLatin1String("does not exist")) ? kNotFound : error);
    if (QFile::exists(file) && !o.force && !confirm(QStringLiteral("File %1 already exists. Overwrite").arg(file)))
        return failure(QStringLiteral("The operation was cancelled by the user."));
    // Written beside the target and moved into place, so a failure leaves the old file whole.
    QSaveFile save(file);
    if (!save.open(QIODevice::WriteOnly) || save.write(text) != text.size() || !save.commit())
        return failure(QStringLiteral("Cannot write the file %1: %2").arg(file, save.errorString()));
    out() << kDone << Qt::endl;
    return 0;
}

int importCommand(const QStringList &args)
{
    if (args.size() != 1)
        return invalidSyntax(QStringLiteral("import needs one file."));
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Error opening the file %1: %2").arg(args[0], file.errorString()));
    QStringList errors;
    if (!importText(file.readAll(), &errors)) {
        for (const QString &e : std::as_const(errors))
            err() << e << "\n";
        return failure(QStringLiteral("Not all data was successfully written to the registry."));
    }
    out() << kDone << Qt::endl;
    return 0;
}

// ---- repair ----

// Replaces each damaged hive (of the root named, else of both) by a fresh one, keeping the
// damaged file beside it; a sound hive is left alone. A hive closed for another reason (refused
// as unsafe, not readable) is a failure and is not touched either.
int repair(const QStringList &args)
{
    QList<HKEY> roots{HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE};
    if (args.size() > 1)
        return invalidSyntax(QStringLiteral("repair takes at most a root."));
    if (args.size() == 1) {
        const KeyName key = KeyName::parse(args[0]);
        if (!key.root || !key.path.isEmpty())
            return invalidSyntax(QStringLiteral("Invalid root \"%1\".").arg(args[0]));
        roots = {key.root};
    }
    for (const HKEY root : roots) {
        const QString file = RegHiveFile(root);
        const LONG state = RegCheckHive(root);
        if (state == ERROR_SUCCESS) {
            out() << RegRootName(root) << ": the hive " << file << " is sound; nothing was changed."
                  << Qt::endl;
            continue;
        }
        if (state != ERROR_BADDB)
            return failure(
                QStringLiteral("The hive of %1 is not damaged but cannot be used; nothing was changed.")
                    .arg(RegRootName(root)),
                RegLastErrorText());
        QString keptAs;
        if (RegReplaceDamagedHive(root, &keptAs) != ERROR_SUCCESS)
            return failure(
                QStringLiteral("The damaged hive of %1 cannot be replaced.").arg(RegRootName(root)),
                RegLastErrorText());
        out() << RegRootName(root) << ": the hive " << file << " was damaged. It is kept as " << keptAs
              << "; a new hive with the settings of a first start took its place." << Qt::endl;
    }
    out() << kDone << Qt::endl;
    return 0;
}

void usage()
{
    out() << "dunlivo-reg operation [parameters]\n\n"
             "  query  KEY [/v NAME | /ve] [/s]\n"
             "  add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
             "  delete KEY [/v NAME | /ve | /va] [/f]\n"
             "  export KEY FILE [/y]\n"
             "  import FILE\n"
             "  repair [ROOT]\n\n"
             "KEY is ROOT\\SubKey with ROOT one of HKLM, HKCR (or HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT).\n"
             "TYPE is REG_SZ, REG_EXPAND_SZ, REG_DWORD or REG_BINARY.\n"
             "The registry is the one of the prefix in $DUNLIVO_PREFIX (default ~/.local/share/dunlivo).\n"
             "repair replaces a damaged hive (of ROOT, else of both) by a new one with the settings of a\n"
             "first start; the damaged file is kept beside it as NAME.yyyy-MM-dd-hhmmss.bad. A sound hive\n"
             "is left as it is.\n"
          << Qt::flush;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        usage();
        return 1;
    }
    const QString operation = args.takeFirst().toLower();
    // A prefix another user could change is refused before any key is read or written.
    const QStringList operations{QStringLiteral("query"),  QStringLiteral("add"),
                                 QStringLiteral("delete"), QStringLiteral("export"),
                                 QStringLiteral("import"), QStringLiteral("repair")};
    QString unsafe;
    if (operations.contains(operation) && !Prefix::ensure(&unsafe))
        return failure(QStringLiteral("The registry of this prefix is not used."), unsafe);
    if (operation == QLatin1String("query"))
        return query(args);
    if (operation == QLatin1String("add"))
        return add(args);
    if (operation == QLatin1String("delete"))
        return remove(args);
    if (operation == QLatin1String("export"))
        return exportCommand(args);
    if (operation == QLatin1String("import"))
        return importCommand(args);
    if (operation == QLatin1String("repair"))
        return repair(args);
    if (operation == QLatin1String("/?") || operation == QLatin1String("-h") || operation == QLatin1String("--help")) {
        usage();
        return 0;
    }
    return invalidSyntax(QStringLiteral("Unknown operation \"%1\".").arg(operation));
}
