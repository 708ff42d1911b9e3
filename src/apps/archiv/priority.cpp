// CPU nice value and I/O class of the Archiver.
#include "priority.h"

#include <cerrno>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace archiver {

namespace {

// The I/O priority classes of ioprio_set(2).
constexpr int kIoprioClassShift = 13;
constexpr int kIoprioClassBestEffort = 2;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioWhoProcess = 1;

bool setIoPriority(int ioClass, int level)
{
    return ::syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, (ioClass << kIoprioClassShift) | level) == 0;
}

} // namespace

QString applyPriority(int prioritas)
{
    int nice = 10;
    int ioClass = kIoprioClassBestEffort;
    int ioLevel = 4;
    QString name = QStringLiteral("normal");
    if (prioritas == 0) {
        nice = 0;
        ioLevel = 2;
        name = QStringLiteral("high");
    } else if (prioritas == 2) {
        nice = 19;
        ioClass = kIoprioClassIdle;
        ioLevel = 0;
        name = QStringLiteral("low");
    }
    // A background archiver at "normal" still yields to the programs the user works with.
    const bool cpu = ::setpriority(PRIO_PROCESS, 0, nice) == 0;
    const bool io = setIoPriority(ioClass, ioLevel);
    QString text = QStringLiteral("priority %1 (nice %2%3, I/O %4%5)")
                       .arg(name)
                       .arg(nice)
                       .arg(cpu ? QString() : QStringLiteral(" refused"))
                       .arg(ioClass == kIoprioClassIdle ? QStringLiteral("idle")
                                                        : QStringLiteral("best effort %1").arg(ioLevel))
                       .arg(io ? QString() : QStringLiteral(" refused"));
    return text;
}

} // namespace archiver
