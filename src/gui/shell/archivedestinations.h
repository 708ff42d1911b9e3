// ArchiveDestinations: where each archive side lives: the destination folder, the archive's folder
// name below it ("\Archive1") and the full folder as the hints show it ("---" without a destination).
#pragma once

#include <QString>

#include <functional>

class Tconfig;

class ArchiveDestinations
{
public:
    struct Place
    {
        QString destination;
        QString dirName;
        QString hint;
    };

    Place &side(bool primary) { return primary ? m_primary : m_secondary; }
    const Place &side(bool primary) const { return primary ? m_primary : m_secondary; }
    // Reads both folder names, then each side's destination; shown gets each side's hint as it is read.
    void load(Tconfig &config, const std::function<void(bool primary, const QString &hint)> &shown);

private:
    Place m_primary{QString(), QStringLiteral("\\Archive1"), QString()};
    Place m_secondary{QString(), QStringLiteral("\\Archive2"), QString()};
};
