// The health lines of the windows.
#include "healthview.h"

#include "core/archiverlink/communicator.h"
#include "gui/appearance/kovaprovider.h"

#include <QLabel>

bool ArchiverIsRunning()
{
    return Communicator().FindArchiver() != nullptr;
}

archiver::TextOf TextsOf(const TkovaProvider &provider)
{
    return [&provider](const char *key) { return provider.GetText(QLatin1String(key)); };
}

SideHealthView ReadSideHealth(Tconfig &config, Side side, bool archiverRunning, const archiver::TextOf &text,
                              const QLocale &language, const QDateTime &now)
{
    SideHealthView view;
    const archiver::HealthFacts facts = archiver::readHealthFacts(config, side, archiverRunning, now);
    view.line = archiver::describeHealth(facts, now, language, text);
    view.progress = facts.progress;
    return view;
}

void ShowHealthLine(QLabel *label, const archiver::HealthLine &line)
{
    QPalette palette = label->palette();
    const QColor colours[] = {label->parentWidget()->palette().color(QPalette::WindowText),
                              QColor(200, 110, 0), QColor(192, 0, 0)};
    palette.setColor(QPalette::WindowText, colours[int(line.tone)]);
    label->setPalette(palette);
    label->setToolTip(line.text);
    label->setText(label->fontMetrics().elidedText(line.text, Qt::ElideRight, label->width()));
}
