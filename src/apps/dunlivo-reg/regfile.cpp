// Writing and reading .reg text.
#include "regfile.h"

#include "regvalue.h"

#include "core/platform/codepage.h"

#include <QStringConverter>

using namespace win;

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");
const QString kEol = QStringLiteral("\r\n");

QString quoted(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// A REG_SZ written as a quoted string must come back byte for byte: one NUL at the end, no
// other NUL, no line break, and text the code page turns back into the same bytes.
bool isPlainString(const QByteArray &data)
{
    if (data.isEmpty() || data.back() != '\0' || data.indexOf('\0') != data.size() - 1)
        return false;
    const QByteArray body = data.left(data.size() - 1);
    if (body.contains('\r') || body.contains('\n'))
        return false;
    bool ok = true;
    return AnsiCodePage::encode(AnsiCodePage::decode(body), &ok) == body && ok;
}

QByteArray utf16le(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

// "hex:01,02,..." wrapped as the registry editor wraps it.
QString hexData(const QString &prefix, const QByteArray &data)
{
    QString out = prefix;
    int column = int(prefix.size());
    for (qsizetype i = 0; i < data.size(); ++i) {
        out += QStringLiteral("%1").arg(static_cast<unsigned char>(data[i]), 2, 16, QLatin1Char('0'));
        column += 2;
        if (i + 1 < data.size()) {
            out += QLatin1Char(',');
            ++column;
            if (column > 76) {
                out += QStringLiteral("\\") + kEol + QStringLiteral("  ");
                column = 2;
            }
        }
    }
    return out;
}

QString valueLine(const RegValue &v)
{
    const QString name = v.name.isEmpty() ? QStringLiteral("@") : quoted(v.name);
    QString data;
    if (v.type == REG_SZ && isPlainString(v.data)) {
        data = quoted(stringData(v.data));
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        quint32 n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(v.data[i]);
        data = QStringLiteral("dword:%1").arg(n, 8, 16, QLatin1Char('0'));
    } else if (v.type == REG_BINARY) {
        data = hexData(QStringLiteral("hex:"), v.data);
    } else if (v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ) {
        // Text types in hex are UTF-16LE in this format.
        data = hexData(QStringLiteral("hex(%1):").arg(v.type, 0, 16),
                       utf16le(AnsiCodePage::decode(v.data.constData(), v.data.size())));
    } else {
        data = hexData(QStringLiteral("hex(%1):").arg(v.type, 0, 16), v.data);
    }
    return name + QLatin1Char('=') + data + kEol;
}

bool exportTree(const KeyName &key, QString *out, QString *error)
{
    KeyContents k;
    if (!readKey(key, &k, error))
        return false;
    *out += QLatin1Char('[') + k.shown.text() + QLatin1Char(']') + kEol;
    for (const RegValue &v : std::as_const(k.values))
        *out += valueLine(v);
    *out += kEol;
    for (const QString &sub : std::as_const(k.subkeys)) {
        if (!exportTree(k.shown.child(sub), out, error))
            return false;
    }
    return true;
}

// ---- import ----

QString decodeFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        auto decoder = QStringDecoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        return decoder(bytes.mid(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    auto utf8 = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? AnsiCodePage::decode(bytes) : text;
}

// Splits the file into logical lines: a line ending in a backslash goes on with the next one.
QStringList logicalLines(const QString &text)
{
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList out;
    QString pending;
    bool continuing = false;
    for (const QString &raw : normalised.split(QLatin1Char('\n'))) {
        QString line = continuing ? raw.trimmed() : raw;
        if (continuing)
            pending += line;
        else
            pending = line;
        const QString trimmedEnd = pending.trimmed();
        continuing = trimmedEnd.endsWith(QLatin1Char('\\')) && trimmedEnd.contains(QStringLiteral("=hex"));
        if (continuing) {
            pending = trimmedEnd.left(trimmedEnd.size() - 1);
            continue;
        }
        out.append(pending);
    }
    if (continuing)
        out.append(pending);
    return out;
}

// Reads a quoted string at pos (which holds the opening quote); pos ends after the closing quote.
bool readQuoted(const QString &line, qsizetype *pos, QString *text)
{
    text->clear();
    for (qsizetype i = *pos + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            text->append(line[++i]);
        } else if (c == QLatin1Char('"')) {
            *pos = i + 1;
            return true;
        } else {
            text->append(c);
        }
    }
    return false;
}

bool parseHex(const QString &text, QByteArray *out)
{
    out->clear();
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint b = part.trimmed().toUInt(&ok, 16);
        if (!ok || b > 0xFF)
            return false;
        out->append(char(b));
    }
    return true;
}

QString fromUtf16le(const QByteArray &data)
{
    QString out;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        out.append(QChar(char16_t(static_cast<unsigned char>(data[i]) | static_cast<unsigned char>(data[i + 1]) << 8)));
    return out;
}

class Importer
{
public:
    Importer(bool unicode, QStringList *errors) : m_unicode(unicode), m_errors(errors) {}
    ~Importer() { closeKey(); }

    void line(const QString &raw, int number)
    {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            return;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            keyLine(line.mid(1, line.size() - 2), number);
            return;
        }
        valueLine(line, number);
    }

private:
    void problem(int number, const QString &what)
    {
        const QString detail = RegLastErrorText();
        m_errors->append(QStringLiteral("line %1: %2%3").arg(number).arg(what, detail.isEmpty() ? QString()
                                                                                                 : QStringLiteral(" (%1)").arg(detail)));
    }

    void closeKey()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
    }

    void keyLine(const QString &text, int number)
    {
        closeKey();
        const bool remove = text.startsWith(QLatin1Char('-'));
        const KeyName key = KeyName::parse(remove ? text.mid(1) : text);
        if (!key.root) {
            problem(number, QStringLiteral("unknown root in [%1]").arg(text));
            return;
        }
        if (remove) {
            const LONG rc = RegDeleteTree(key.root, key.path);
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
                problem(number, QStringLiteral("cannot delete %1").arg(key.text()));
            return;
        }
        if (RegCreateKeyEx(key.root, key.path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_key,
                           nullptr) != ERROR_SUCCESS) {
            m_key = nullptr;
            problem(number, QStringLiteral("cannot create %1").arg(key.text()));
        }
    }

    void valueLine(const QString &line, int number)
    {
        if (!m_key) {
            problem(number, QStringLiteral("a value outside a key that could be opened"));
            return;
        }
        QString name;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!line.startsWith(QLatin1Char('"')) || !readQuoted(line, &pos, &name)) {
            problem(number, QStringLiteral("cannot read the value name"));
            return;
        }
        while (pos < line.size() && line[pos].isSpace())
            ++pos;
        if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
            problem(number, QStringLiteral("no '=' after the value name"));
            return;
        }
        const QString data = line.mid(pos + 1).trimmed();
        if (data == QLatin1String("-")) {
            const LONG rc = RegDeleteValue(m_key, name);
            if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
                problem(number, QStringLiteral("cannot delete the value %1").arg(name));
            return;
        }
        DWORD type = REG_NONE;
        QByteArray bytes;
        if (!parseData(data, &type, &bytes)) {
            problem(number, QStringLiteral("cannot read the data of %1").arg(name.isEmpty() ? QStringLiteral("@") : name));
            return;
        }
        if (RegSetValueEx(m_key, name, 0, type, reinterpret_cast<const BYTE *>(bytes.constData()),
                          DWORD(bytes.size())) != ERROR_SUCCESS)
            problem(number, QStringLiteral("cannot set the value %1").arg(name));
    }

    bool parseData(const QString &data, DWORD *type, QByteArray *bytes)
    {
        if (data.startsWith(QLatin1Char('"'))) {
            QString text;
            qsizetype pos = 0;
            if (!readQuoted(data, &pos, &text) || !data.mid(pos).trimmed().isEmpty())
                return false;
            bool ok = true;
            *bytes = AnsiCodePage::encode(text, &ok);
            bytes->append('\0');
            *type = REG_SZ;
            return ok;
        }
        if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            bool ok = false;
            const QString digits = data.mid(6).trimmed();
            const uint n = digits.toUInt(&ok, 16);
            if (!ok || digits.size() > 8)
                return false;
            *type = REG_DWORD;
            bytes->resize(4);
            for (int i = 0; i < 4; ++i)
                (*bytes)[i] = char((n >> (8 * i)) & 0xFF);
            return true;
        }
        if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
            *type = REG_BINARY;
            return parseHex(data.mid(4), bytes);
        }
        if (data.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
            const qsizetype close = data.indexOf(QLatin1String("):"));
            bool ok = false;
            *type = close > 4 ? data.mid(4, close - 4).toUInt(&ok, 16) : 0;
            if (!ok || !parseHex(data.mid(close + 2), bytes))
                return false;
            // Text types are UTF-16LE in the 5.00 form and code-page bytes in REGEDIT4.
            if (m_unicode && (*type == REG_SZ || *type == REG_EXPAND_SZ || *type == REG_MULTI_SZ))
                *bytes = AnsiCodePage::encode(fromUtf16le(*bytes), &ok);
            return ok;
        }
        return false;
    }

    bool m_unicode;
    QStringList *m_errors;
    HKEY m_key = nullptr;
};

} // namespace

bool exportKey(const KeyName &key, QByteArray *text, QString *error)
{
    QString out = kHeader5 + kEol + kEol;
    if (!exportTree(key, &out, error))
        return false;
    *text = out.toUtf8();
    return true;
}

bool importText(const QByteArray &bytes, QStringList *errors)
{
    const QStringList lines = logicalLines(decodeFile(bytes));
    qsizetype first = 0;
    while (first < lines.size() && lines[first].trimmed().isEmpty())
        ++first;
    if (first == lines.size()) {
        errors->append(QStringLiteral("The specified file is not a registry script."));
        return false;
    }
    const QString header = lines[first].trimmed();
    if (header != kHeader5 && header != kHeader4) {
        errors->append(QStringLiteral("The specified file is not a registry script."));
        return false;
    }
    Importer importer(header == kHeader5, errors);
    for (qsizetype i = first + 1; i < lines.size(); ++i)
        importer.line(lines[i], int(i + 1));
    return errors->isEmpty();
}
