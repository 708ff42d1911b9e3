// SettingsRecovery: the panel's start on a damaged settings file. Before any window reads the
// settings, each damaged registry hive is named in the question window and, at the user's Yes,
// replaced by a fresh one seeded as on first use; the damaged file stays beside it under a dated
// ".bad" name. At No nothing is touched and the panel does not start.
#pragma once

#include "core/settings/configerror.h"

#include <QString>

#include <optional>

class SettingsRecovery
{
public:
    // The main window's key of the question's first line; the second line names the file.
    static constexpr const char *kQuestionKey = "DamagedSettingsQuestion";

    // programDir: the program folder in Windows form, whose Language folder the texts come from.
    explicit SettingsRecovery(QString programDir);

    // Asks about each damaged hive in turn. True when none is damaged any more; false when the
    // user keeps one (No) or it cannot be replaced, and failure() then says why, naming the file.
    bool run();
    const ConfigError &failure() const { return *m_failure; }

private:
    // True at Yes; the question is in the stored language when the settings still tell it.
    bool ask(const QString &file);

    QString m_programDir;
    std::optional<ConfigError> m_failure;
};
