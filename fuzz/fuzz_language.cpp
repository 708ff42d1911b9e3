// Fuzz target: the language file (.LNG) reader and the lookups over what it read.
#include "fuzzsupport.h"

#include "core/texts/textlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString host = fuzz::setUp() + QStringLiteral("/Fuzz.lng");
    fuzz::writeFile(host, data, size);
    QStringList lines;
    if (!ReadLanguageFile(host, &lines))
        return 0;
    if (lines != SplitLanguageText(fuzz::bytesOf(data, size)))
        std::abort();
    TextList texts;
    texts.setLines(lines);
    // Keys taken from the file itself, and fixed ones the windows ask for.
    for (qsizetype i = 0; i < lines.size() && i < 16; ++i) {
        const QString &line = lines.at(i);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        texts.FindText(eq < 0 ? line : line.left(eq));
    }
    texts.FindText(QStringLiteral("Language"));
    texts.FindText(QString());
    for (const QString &line : lines)
        TrimControlCharacters(line);
    FlagFileName(lines.value(0));
    return 0;
}
