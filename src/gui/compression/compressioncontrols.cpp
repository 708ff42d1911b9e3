// The compression boxes and the Empty button of the settings page.
#include "compressioncontrols.h"

#include "core/settings/config.h"
#include "gui/appearance/kovaprovider.h"
#include "gui/appearance/paneldialogs.h"

#include <QAbstractButton>
#include <QCheckBox>

CompressionControls::CompressionControls(const Parts &parts, QObject *parent)
    : QObject(parent), m_parts(parts), m_change(this)
{
    setObjectName(QStringLiteral("CompressionControls"));
    // Every change of a box counts as its click, whether the user or the code made it: loading
    // the settings and flipping a box back rely on that, and the loading flag tells them apart.
    for (int side : {1, 2}) {
        connect(box(side), &QCheckBox::toggled, this,
                [this, side] { m_parts.dialogs->guarded([this, side] { m_change.boxClicked(side); }); });
    }
    connect(m_parts.emptyButton, &QAbstractButton::clicked, this,
            [this] { m_parts.dialogs->guarded([this] { m_change.emptyClicked(); }); });
}

CompressionControls::~CompressionControls() = default;

Tconfig &CompressionControls::config()
{
    // Made at first use: a store that cannot be opened raises inside the command that needs it.
    if (!m_config)
        m_config = std::make_unique<Tconfig>();
    return *m_config;
}

QString CompressionControls::text(const char *key) const
{
    // No key: an empty line.
    return key ? m_parts.texts->GetText(QString::fromLatin1(key)) : QString();
}

bool CompressionControls::isChecked(int side) const
{
    return box(side)->isChecked();
}

void CompressionControls::setChecked(int side, bool checked)
{
    box(side)->setChecked(checked);
}

bool CompressionControls::ask(const char *firstKey, const char *secondKey)
{
    return m_parts.dialogs->ask(text(firstKey), text(secondKey), false);
}

void CompressionControls::showInfo(const char *firstKey, const char *secondKey)
{
    m_parts.dialogs->inform(text(firstKey), text(secondKey));
}

void CompressionControls::repaintMain()
{
    m_parts.primaryBox->window()->repaint();
}

void CompressionControls::showProgress(const char *key)
{
    m_parts.dialogs->showProgress(text(key));
}

void CompressionControls::progressDone()
{
    m_parts.dialogs->progressDone();
}
