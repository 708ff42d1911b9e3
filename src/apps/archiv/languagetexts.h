// The panel's texts in the user's language, for what the Archiver shows the user: the language
// file that the Language setting names in the program folder's Language folder, read as the
// panel reads it. Without a language, or for a key that the file does not hold, the English text
// serves.
#pragma once

#include "core/texts/textlist.h"

#include <QString>

class Tconfig;

namespace archiver {

class LanguageTexts
{
public:
    LanguageTexts() = default;
    // Reads the stored language now; programDir in Windows form.
    LanguageTexts(Tconfig &config, const QString &programDir);

    QString text(const QString &key, const QString &english) const;

private:
    TextList m_texts;
};

} // namespace archiver
