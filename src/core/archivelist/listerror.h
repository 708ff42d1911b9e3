// The errors of the archive list files: a file that cannot be read or written, a name that cannot
// be stored, and a damaged list: a line whose level does not fit the tree, or one that cannot be
// taken as it stands.
#pragma once

#include <QString>

#include <stdexcept>

// A list file could not be opened, read or written, or a text could not be stored in it. The
// text says which file and why; the panel shows its own keyed message instead.
class ListFileError : public std::runtime_error
{
public:
    explicit ListFileError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}

    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// A damaged afiles.lst; the text names the line. A line whose indentation does not fit below the
// previous line, or that holds a NUL, ends the reading: the nodes read before it stay in the tree.
// Bytes that are not text in the code page, and a name that cannot be one step of a path (left out
// with everything below it), are raised once the rest has been read.
class ETreeViewError : public ListFileError
{
public:
    using ListFileError::ListFileError;
};
