// The Archiver's CPU and I/O priority from the Priority setting (0 high, 1 normal, 2 low).
#pragma once

#include <QString>

namespace archiver {

// Applies the priority to the calling thread; threads started from it afterwards inherit it.
// A priority above the normal one needs privileges the Archiver usually lacks: then the normal
// one stays. Returns what was done, for the log.
QString applyPriority(int prioritas);

} // namespace archiver
