// The error a settings store raises: it carries the text shown to the user.
#pragma once

#include <QString>

#include <stdexcept>

class ConfigError : public std::runtime_error
{
public:
    // text is what the user is shown; detail, when there is one, says which file or hive is at
    // fault and is shown below it.
    explicit ConfigError(const QString &text, const QString &detail = QString())
        : std::runtime_error(text.toStdString()), m_text(text), m_detail(detail)
    {
    }

    const QString &text() const { return m_text; }
    const QString &detail() const { return m_detail; }

private:
    QString m_text;
    QString m_detail;
};
