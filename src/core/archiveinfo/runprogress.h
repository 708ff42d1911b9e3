// A run's progress as the Archiver publishes it for the panel: one small file per side in the
// prefix's folder of runtime things (beside the message windows' sockets), replaced by rename a
// few times a second while the run lasts and removed when it ends. The panel reads it cheaply and
// trusts none of it: the read is bounded and every number is checked.
#pragma once

#include "core/settings/settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <optional>

namespace archiver {

struct RunProgress
{
    qint64 filesDone = 0;
    qint64 filesTotal = -1; // -1 until the sources are collected
    qint64 bytesDone = 0;
    qint64 bytesTotal = -1;
    QString folder; // the folder at hand, a Windows path
    bool totalsKnown() const { return filesTotal >= 0; }
    bool operator==(const RunProgress &) const = default;
};

// What the workers of a run count: plain atomics, one add per file; the publisher reads them.
struct ProgressCounters
{
    std::atomic<qint64> filesDone{0};
    std::atomic<qint64> filesTotal{-1};
    std::atomic<qint64> bytesDone{0};
    std::atomic<qint64> bytesTotal{-1};
};

// A published progress file older than this, while the side's busy flag is down, is ignored.
inline constexpr int kProgressStaleSeconds = 5;
// The most of a progress file that is read.
inline constexpr int kProgressMaxBytes = 4096;

// The file's text form, and its strict reading: nullopt for anything the writer would not write.
QByteArray progressBytes(const RunProgress &progress);
std::optional<RunProgress> parseProgress(const QByteArray &bytes);

// The side's progress file in the current prefix.
QString progressFilePath(Side side);
// Replaces the side's progress file (no sync: it lives only as long as the run). False when it
// could not be written; the run goes on regardless.
bool publishProgress(Side side, const RunProgress &progress);
// Removes the side's progress file, and temporary files a killed writer left beside it.
void withdrawProgress(Side side);
// The side's published progress; nullopt when there is none, it cannot be read or trusted, or,
// with busy false, it was written more than kProgressStaleSeconds before now.
std::optional<RunProgress> readProgress(Side side, bool busy, const QDateTime &now);

} // namespace archiver
