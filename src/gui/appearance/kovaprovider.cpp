// The string provider of a window.
#include "kovaprovider.h"

#include "textholder.h"

#include <QMessageBox>
#include <QWidget>

#include <exception>

TkovaProvider::TkovaProvider(QWidget *window) : QObject(window)
{
    setObjectName(QStringLiteral("kovaProvider1"));
}

QWidget *TkovaProvider::window() const
{
    return qobject_cast<QWidget *>(parent());
}

TextHolder *TkovaProvider::KovaLanguage() const
{
    return m_kovaLanguage;
}

void TkovaProvider::setKovaLanguage(TextHolder *language)
{
    m_kovaLanguage = language;
}

QString TkovaProvider::GetText(const QString &key) const
{
    if (!m_kovaLanguage)
        return QString();
    try {
        return m_kovaLanguage->FindText(key);
    } catch (const std::exception &) {
        // The lookup itself broke, which no missing key does: say which text of which window,
        // then let the caller's handler end as the failure demands.
        QWidget *owner = window();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                        key + QStringLiteral(" id= ") + (owner ? owner->objectName() : QString()),
                        QMessageBox::Ok);
        box.exec();
        throw;
    }
}

void TkovaProvider::SetDefault(const QString &key, const QString &text)
{
    if (m_kovaLanguage)
        m_kovaLanguage->AddText(key, text);
}

void TkovaProvider::SetDefaults(std::span<const DefaultText> texts)
{
    for (const DefaultText &entry : texts)
        SetDefault(QString::fromLatin1(entry.key), QString::fromUtf8(entry.text));
}

QString TkovaProvider::DefaultTextOf(std::span<const DefaultText> texts, const QString &key)
{
    for (const DefaultText &entry : texts)
        if (key == QLatin1String(entry.key))
            return QString::fromUtf8(entry.text);
    return QString();
}
