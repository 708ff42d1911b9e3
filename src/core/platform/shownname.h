// How a name from a file or a folder listing is shown to the user: characters that would act on
// the screen or the terminal instead of being seen are written out as "<U+XXXX>".
#pragma once

#include <QString>
#include <QStringView>

// The text to show for a name: every control character (C0, DEL and C1, so ESC, TAB and the
// like), the line and paragraph separators and the marks that reorder text (the bidirectional
// embeddings, overrides and isolates) become "<U+" + four upper-case hex digits + ">", for
// example ESC as "<U+001B>". "<" and ">" cannot occur in a Windows file name, so a shown name is
// never mistaken for another name. Everything else, trailing spaces and dots included, is kept.
// Only for showing: the name itself stays as it is for paths and for writing lists back.
QString shownName(QStringView text);
