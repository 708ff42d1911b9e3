// The health lines of the windows: a side's line read from the settings, the published progress
// and the Archiver's presence, in the language in force, and how a label shows it. Reading is
// cheap (a few settings, one small file, the Archiver's window entry), so the windows refresh
// the lines on a timer while they are visible.
#pragma once

#include "core/archiveinfo/health.h"

class QLabel;
class Tconfig;
class TkovaProvider;

// How often a visible window refreshes its lines: often while a run is under way.
inline constexpr int kHealthBusyRefreshMs = 1000;
inline constexpr int kHealthIdleRefreshMs = 5000;

struct SideHealthView
{
    archiver::HealthLine line;
    std::optional<archiver::RunProgress> progress; // while a run is under way
};

// Whether the Archiver runs in this prefix.
bool ArchiverIsRunning();
archiver::TextOf TextsOf(const TkovaProvider &provider);
// Raises the store's error when a setting cannot be read.
SideHealthView ReadSideHealth(Tconfig &config, Side side, bool archiverRunning, const archiver::TextOf &text,
                              const QLocale &language, const QDateTime &now = QDateTime::currentDateTime());
// Shows the line in its tone; the label's text is elided to its width, the whole line its tooltip.
void ShowHealthLine(QLabel *label, const archiver::HealthLine &line);
