// Replacing a damaged settings file at the panel's start.
#include "settingsrecovery.h"

#include "confirm1f.h"
#include "maintexts.h"
#include "question.h"

#include "core/platform/registry.h"
#include "core/settings/config.h"
#include "gui/appearance/appearancesettings.h"
#include "gui/appearance/kovalanguage.h"

using namespace win;

SettingsRecovery::SettingsRecovery(QString programDir) : m_programDir(std::move(programDir)) {}

bool SettingsRecovery::run()
{
    for (const HKEY root : SettingsHives()) {
        // Only a damaged file is offered; a hive closed for another reason (refused as unsafe,
        // not readable, locked) is reported by the settings store as before.
        if (RegCheckHive(root) != ERROR_BADDB)
            continue;
        const QString damage = RegLastErrorText();
        const QString file = RegHiveFile(root);
        if (!ask(file)) {
            m_failure.emplace(damage);
            return false;
        }
        QString keptAs;
        if (RegReplaceDamagedHive(root, &keptAs) != ERROR_SUCCESS) {
            m_failure.emplace(QStringLiteral("The damaged settings file %1 cannot be replaced.").arg(file),
                              RegLastErrorText());
            return false;
        }
    }
    return true;
}

bool SettingsRecovery::ask(const QString &file)
{
    Tconfirm1F question;
    // No window has a language yet: the question takes the stored one, read without writing, which
    // a damaged settings hive cannot tell (English then).
    TKovaLanguage language;
    language.RegisterWindow(&question);
    const QString languageFile =
        ConfinedFile(m_programDir, kLanguageFolder, Tconfig::Peek(TextSetting::Language));
    if (!languageFile.isEmpty()) {
        language.setFilename(languageFile);
        language.LoadLanguage();
    }
    const QString key = QLatin1String(kQuestionKey);
    QString text = language.FindText(key);
    if (text.isEmpty())
        text = TkovaProvider::DefaultTextOf(mainWindowTexts(), key);
    return Question::askIn(question, text, file, Question::Delay::None);
}
