// The texts of the state codes the Archiver reports: the key each code's text is found by in the
// panel's text list (and in a language file), and its English text.
#pragma once

#include <QString>

namespace archiver {

// The key of a code's text; empty for a code without a text (11 to 100, negative ones, ...).
QString stateTextKey(int code);
// The English text of a code; empty for a code without a text.
QString stateTextEnglish(int code);

} // namespace archiver
