// afiles.lst: reading it into a TTreeList and writing a TTreeList to it.
//
// One line per node in depth-first order: one space per level, the kind letter ("D" for drives
// and directories, "F" for files), the node text, CR LF; single bytes of the ANSI code page.
#include "extensionset.h"
#include "safefile.h"
#include "textlines.h"
#include "treelist.h"

#include "core/platform/codepage.h"
#include "core/platform/paths.h"

#include <cstring>
#include <vector>

namespace {

QString hostPathOf(const QString &fileName, const char *doing)
{
    QString host;
    win::LONG error = win::ERROR_SUCCESS;
    if (!win::ToHostPath(fileName, &host, &error))
        throw ListFileError(
            QStringLiteral("Cannot %1 %2: %3")
                .arg(QLatin1String(doing), fileName,
                     error == win::ERROR_FILENAME_EXCED_RANGE ? QStringLiteral("the path is too long")
                     : error == win::ERROR_PATH_NOT_FOUND     ? QStringLiteral("no such drive")
                                                              : QStringLiteral("not a drive path")));
    return host;
}

// Where a node's extension set starts (its " ["), -1 when it has none. Looked for through the
// "[" alone, which is rare in a name: far quicker than a search for the two characters.
qsizetype setStartOf(const QString &name)
{
    for (qsizetype at = name.indexOf(QLatin1Char('[')); at >= 0; at = name.indexOf(QLatin1Char('['), at + 1)) {
        if (at > 0 && name[at - 1] == QLatin1Char(' '))
            return at - 1;
    }
    return -1;
}

// The same on a line's bytes, for a line of plain ASCII (which reads as the same characters).
qsizetype setStartOf(const char *text, qsizetype size)
{
    const char *const end = text + size;
    for (const char *at = text; at < end; ++at) {
        at = static_cast<const char *>(std::memchr(at, '[', size_t(end - at)));
        if (!at)
            break;
        if (at > text && at[-1] == ' ')
            return at - 1 - text;
    }
    return -1;
}

// Whether a name holds "\", "/" or ":", which would make it a path of its own, a second level or
// another drive. The bytes of an ASCII line are searched by the library, many at a time.
bool holdsSeparator(QStringView name)
{
    for (const QChar c : name) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c == QLatin1Char(':'))
            return true;
    }
    return false;
}

bool holdsSeparator(const char *text, qsizetype size)
{
    return std::memchr(text, '\\', size_t(size)) || std::memchr(text, '/', size_t(size)) ||
           std::memchr(text, ':', size_t(size));
}

// Why a node's name (its text before any " [") cannot be one step of a path, or none when it
// can. A drive is one letter A to Z and a colon, the letter in either case as Windows reads
// drive letters; below it a name is one component: not empty, not "." or "..", and without
// "\", "/" or ":" (separator says whether it holds one).
const char *unusableName(QStringView name, bool drive, bool separator)
{
    if (drive) {
        const char16_t letter = name.size() == 2 ? name[0].unicode() : 0;
        const bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
        return isLetter && name[1] == QLatin1Char(':') ? nullptr : "a drive is not one letter and a colon";
    }
    if (name.isEmpty())
        return "a name is empty";
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return "a name is \".\" or \"..\"";
    return separator ? "a name holds \"\\\", \"/\" or \":\"" : nullptr;
}

} // namespace

void TTreeList::LoadFromFile(const QString &fileName)
{
    // The file is read before the old nodes go, so that the many small blocks they free are
    // at hand for the new nodes instead of being merged for the large read buffer.
    QByteArray bytes;
    QString failure;
    QString host;
    try {
        host = hostPathOf(fileName, "read");
        QString why;
        if (!archivelist::readWholeFile(host, &bytes, &why))
            failure = QStringLiteral("Cannot read %1: %2").arg(fileName, why);
    } catch (const ListFileError &e) {
        failure = e.text();
    }
    beginResetModel();
    clearNodes();
    try {
        if (!failure.isEmpty())
            throw ListFileError(failure);
        fillFromBytes(bytes);
    } catch (...) {
        // What was read before the failure is shown, and the failure goes on to the caller.
        finishReset();
        throw;
    }
    finishReset();
}

void TTreeList::LoadFromBytes(const QByteArray &bytes)
{
    beginResetModel();
    clearNodes();
    try {
        fillFromBytes(bytes);
    } catch (...) {
        finishReset();
        throw;
    }
    finishReset();
}

void TTreeList::fillFromBytes(const QByteArray &bytes)
{
    const unsigned codePage = win::AnsiCodePage::current();
    // path[l] is the node last placed at level l on the way down to the previous line: the
    // parent of a line at level l + 1 is found at once, however deep the tree.
    std::vector<TreeListNode *> path;
    int previousLevel = -1; // of the previous line, placed or left out; -1 before the first
    int leftOutBelow = -1;  // lines deeper than this belong to a node that was left out
    int lineNumber = 0;
    int firstDamagedLine = 0;
    QString damage;
    const auto noteDamage = [&](const QString &what) {
        if (!firstDamagedLine) {
            firstDamagedLine = lineNumber;
            damage = what;
        }
    };
    // A byte-order mark written by an editor is not part of the first drive's name.
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    archivelist::forEachLine(text, [&](const char *line, qsizetype size) {
        ++lineNumber;
        if (size == 1 && line[0] == '\x1A')
            return true; // the end-of-file mark of old text files
        // An empty line, such as an editor leaves at the end, holds no node (a line of blanks or
        // a kind letter alone is a node without a name).
        if (size == 0)
            return true;
        // A name cut at a NUL would name another file; the list is damaged from here on.
        if (std::memchr(line, 0, size_t(size)))
            throw ETreeViewError(QStringLiteral("Line %1: the line holds a NUL byte").arg(lineNumber));
        int level = 0;
        while (level < size && line[level] == ' ')
            ++level;
        const char *rest = line + level;
        qsizetype restSize = size - level;
        bool directory = false;
        if (restSize > 0) {
            const char letter = rest[0];
            if (letter == 'D' || letter == 'd' || letter == 'F' || letter == 'f') {
                directory = letter == 'D' || letter == 'd';
                ++rest;
                --restSize;
            }
        }

        if (previousLevel < 0) {
            if (level >= 2)
                throw ETreeViewError(QStringLiteral("Line %1: the first line is indented by %2 levels")
                                         .arg(lineNumber)
                                         .arg(level));
            level = 0;
        } else if (level > previousLevel + 1) {
            throw ETreeViewError(QStringLiteral("Line %1: level %2 follows level %3")
                                     .arg(lineNumber)
                                     .arg(level)
                                     .arg(previousLevel));
        }
        previousLevel = level;
        if (leftOutBelow >= 0) {
            if (level > leftOutBelow)
                return true;
            leftOutBelow = -1;
        }

        // Plain ASCII reads the same in every code page and needs no decoder.
        const bool ascii = QtPrivate::isAscii(QLatin1StringView(rest, restSize));
        QString name = ascii ? QString::fromLatin1(rest, restSize) : win::AnsiCodePage::decode(codePage, rest, restSize);
        if (!ascii && !firstDamagedLine &&
            win::AnsiCodePage::encode(codePage, name) != QByteArray::fromRawData(rest, restSize))
            noteDamage(QStringLiteral("bytes that are not text in the code page"));
        // A name that is not one step of a path would lead elsewhere once joined into one: the
        // node and everything below it stay out of the tree, and the rest is read on.
        path.resize(size_t(level));
        // In ASCII each byte is one character: the bytes are searched instead of the text.
        const qsizetype setAt = ascii ? setStartOf(rest, restSize) : setStartOf(name);
        const QStringView plainName = setAt < 0 ? QStringView(name) : QStringView(name).first(setAt);
        const bool separator =
            level > 0 && (ascii ? holdsSeparator(rest, plainName.size()) : holdsSeparator(plainName));
        if (const char *why = unusableName(plainName, level == 0, separator)) {
            noteDamage(QLatin1String(why));
            leftOutBelow = level;
            return true;
        }
        int kind = level == 0 ? DriveNode : directory ? DirectoryNode : FileNode;
        if (kind != FileNode && setAt >= 0)
            kind += 2;
        if (setAt >= 0) {
            const QString problem = extensionset::setProblem(name, kind == FileNode);
            if (!problem.isEmpty() && m_readNoteCount++ < kKeptReadNotes)
                m_readNotes.append(QStringLiteral("Line %1: %2").arg(lineNumber).arg(problem));
        }
        TreeListNode *parent = level == 0 ? &m_root : path.back();
        TreeListNode *node = makeNode(parent, std::move(name), kind);
        node->m_row = parent->childCount();
        parent->m_children.push_back(node);
        path.push_back(node);
        return true;
    });
    // What could be read is in the tree, but writing it back would lose the rest for good: the
    // list counts as damaged, so that its bytes are kept before it is rewritten.
    if (firstDamagedLine)
        throw ETreeViewError(QStringLiteral("Line %1: %2").arg(firstDamagedLine).arg(damage));
}

QByteArray TTreeList::ListFileBytes() const
{
    const unsigned codePage = win::AnsiCodePage::current();
    QByteArray out;
    std::vector<std::pair<const TreeListNode *, int>> pending;
    for (auto it = m_root.m_children.rbegin(); it != m_root.m_children.rend(); ++it)
        pending.emplace_back(*it, 0);
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        const QString &text = node->m_text;
        bool ok = !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'));
        const QByteArray bytes = ok ? win::AnsiCodePage::encode(codePage, text, &ok) : QByteArray();
        if (!ok) {
            QString why;
            CanStoreText(text, &why);
            throw ListFileError(QStringLiteral("Cannot write the list: %1").arg(why));
        }
        out.append(level, ' ');
        if (node->m_kind == FileNode)
            out.append('F');
        else if (node->m_kind >= DirectoryNode && node->m_kind <= ArchivedDriveNode)
            out.append('D');
        out.append(bytes);
        out.append("\r\n", 2);
        for (auto it = node->m_children.rbegin(); it != node->m_children.rend(); ++it)
            pending.emplace_back(*it, level + 1);
    }
    return out;
}

void TTreeList::SaveToFile(const QString &fileName) const
{
    const QByteArray bytes = ListFileBytes();
    const QString host = hostPathOf(fileName, "write");
    QString why;
    if (!archivelist::replaceFileSafely(host, bytes, &why))
        throw ListFileError(QStringLiteral("Cannot write %1: %2").arg(fileName, why));
}
