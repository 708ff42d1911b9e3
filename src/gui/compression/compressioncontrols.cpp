// The compression boxes and the Empty button of the settings page.
#include "compressioncontrols.h"

#include <QAbstractButton>
#include <QCheckBox>

CompressionControls::CompressionControls(QCheckBox *primary, QCheckBox *secondary, QAbstractButton *empty,
                                         CompressionPageLink link, QObject *parent)
    : QObject(parent), m_primary(primary), m_secondary(secondary), m_link(std::move(link)), m_change(this)
{
    setObjectName(QStringLiteral("CompressionControls"));
    // Every change of a box counts as its click, whether the user or the code made it: loading
    // the settings and flipping a box back rely on that, and the loading flag tells them apart.
    for (int side : {1, 2}) {
        connect(box(side), &QCheckBox::toggled, this,
                [this, side] { m_link.guarded([this, side] { m_change.boxClicked(side); }); });
    }
    connect(empty, &QAbstractButton::clicked, this,
            [this] { m_link.guarded([this] { m_change.emptyClicked(); }); });
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
    return m_link.ask(keyOf(firstKey), keyOf(secondKey));
}

void CompressionControls::showInfo(const char *firstKey, const char *secondKey)
{
    m_link.showInfo(keyOf(firstKey), keyOf(secondKey));
}
