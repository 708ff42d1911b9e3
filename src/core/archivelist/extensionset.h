// Extension sets as the extension window edits them: the entries of a directory's set, the set
// built back from them, and the form a typed extension takes; and as the Archiver matches them,
// with what in a list's set can match no file.
#pragma once

#include <QString>
#include <QStringList>

namespace extensionset {

// The entry that stands for every file.
inline QString everyFile()
{
    return QStringLiteral(".*");
}

// The entries of a directory's set as the node holds it (a final "]" is dropped): the pieces
// between the ";", empty pieces kept; a single ".*" for an empty set.
QStringList entriesOf(QString set);

// The set of a list of entries: joined by ";" from the last entry to the first; ".*" when that
// gives nothing.
QString setOf(const QStringList &entries);

// A typed extension in the catalogue's form: blanks around it removed, then a leading "*" and
// after it a leading "." dropped, and one "." put in front ("*.DOC" gives ".DOC", "doc" gives
// ".doc", a lone "*" gives "."). Empty when nothing but blanks was typed.
QString typedExtension(const QString &typed);

// The actual list after a change: ".*" when it became empty, else without any ".*" entry (a list
// that held only ".*" becomes empty, which stands for ".*" as well).
void normalise(QStringList &entries);

// Whether entries hold text, compared without regard to case.
bool containsEntry(const QStringList &entries, const QString &text);

// The entries the Archiver matches file names against: the pieces between the ";", blanks around
// them removed, empty pieces left out. An entry matches a file whose extension (from its last
// ".") equals it without regard to case; ".*" matches every file.
QStringList matchedEntries(const QString &set);

// What is amiss with the extension set in a node's text (name + " [" + set + "]"), or an empty
// text when nothing is (or there is no set): a set on a file item (it is not used), a set not
// closed by "]" (its last character is taken for one), a set without entries (nothing is
// archived through it), or an entry that no extension can equal (one that does not start with
// ".", or holds another "." or a character no file name holds, such as "*", "/" or "\"), which
// matches no file. Such a set is never a path: it only decides which files are taken.
QString setProblem(const QString &nodeText, bool fileItem);

} // namespace extensionset
