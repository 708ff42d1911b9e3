// afiles.lst: reading it into a TTreeList and writing a TTreeList to it.
//
// One line per node in depth-first order: one space per level, the kind letter ("D" for drives
// and directories, "F" for files), the node text, CR LF; single bytes of the ANSI code page.
#include "safefile.h"
#include "textlines.h"
#include "treelist.h"

#include "platform/codepage.h"
#include "platform/paths.h"

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
    TreeListNode *previous = nullptr;
    int previousLevel = 0;
    int lineNumber = 0;
    int firstUndecodableLine = 0;
    // A byte-order mark written by an editor is not part of the first drive's name.
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    archivelist::forEachLine(text, [&](const char *line, qsizetype size) {
        ++lineNumber;
        if (size == 1 && line[0] == '\x1A')
            return true; // the end-of-file mark of old text files
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

        TreeListNode *parent;
        if (!previous) {
            if (level >= 2)
                throw ETreeViewError(QStringLiteral("Line %1: the first line is indented by %2 levels")
                                         .arg(lineNumber)
                                         .arg(level));
            parent = &m_root;
            level = 0;
        } else if (level == previousLevel) {
            parent = previous->m_parent;
        } else if (level == previousLevel + 1) {
            parent = previous;
        } else if (level < previousLevel) {
            TreeListNode *ancestor = previous;
            for (int up = previousLevel; up > level; --up)
                ancestor = ancestor->m_parent;
            parent = ancestor->m_parent;
        } else {
            throw ETreeViewError(QStringLiteral("Line %1: level %2 follows level %3")
                                     .arg(lineNumber)
                                     .arg(level)
                                     .arg(previousLevel));
        }

        // Plain ASCII reads the same in every code page and needs no decoder.
        unsigned char high = 0;
        for (qsizetype i = 0; i < restSize; ++i)
            high |= static_cast<unsigned char>(rest[i]);
        QString name = high < 0x80 ? QString::fromLatin1(rest, restSize)
                                   : win::AnsiCodePage::decode(codePage, rest, restSize);
        if (high >= 0x80 && !firstUndecodableLine &&
            win::AnsiCodePage::encode(codePage, name) != QByteArray::fromRawData(rest, restSize))
            firstUndecodableLine = lineNumber;
        int kind = level == 0 ? DriveNode : directory ? DirectoryNode : FileNode;
        if (kind != FileNode && name.contains(QLatin1String(" [")))
            kind += 2;
        TreeListNode *node = makeNode(parent, std::move(name), kind);
        node->m_row = parent->childCount();
        previous = node;
        previousLevel = level;
        parent->m_children.push_back(node);
        return true;
    });
    // Every line is in the tree, but writing it back would replace the bytes that are not text
    // for good: the list counts as damaged, so that its bytes are kept before it is rewritten.
    if (firstUndecodableLine)
        throw ETreeViewError(QStringLiteral("Line %1: bytes that are not text in the code page")
                                 .arg(firstUndecodableLine));
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
