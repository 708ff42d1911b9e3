// The errors of the archive list files: a file that cannot be read or written, a name that cannot
// be stored, and a list line whose level does not fit the tree.
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

// A line of afiles.lst whose indentation does not fit below the previous line. The nodes read
// before it stay in the tree.
class ETreeViewError : public ListFileError
{
public:
    using ListFileError::ListFileError;
};
