// File times and their DOS form.
#include "filetime.h"

#include "files.h"
#include "files_p.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace win {

namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600LL;

std::int64_t ticksOf(const FILETIME &t)
{
    return std::int64_t(std::uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime);
}

FILETIME fileTimeOf(std::int64_t ticks)
{
    const auto value = std::uint64_t(ticks);
    return FILETIME{DWORD(value & 0xFFFFFFFFu), DWORD(value >> 32)};
}

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian calendar).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t *year, unsigned *month, unsigned *day)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = std::int64_t(yoe) + era * 400 + (*month <= 2);
}

bool isLeap(std::int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The zone's offset from UTC now, in seconds east.
std::int64_t currentBias()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_gmtoff;
}

} // namespace

FILETIME FileTimeFromTimespec(const timespec &time)
{
    return fileTimeOf((std::int64_t(time.tv_sec) + kEpochDifference) * kTicksPerSecond + time.tv_nsec / 100);
}

timespec TimespecFromFileTime(const FILETIME &time)
{
    const std::int64_t ticks = ticksOf(time);
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    timespec t{};
    t.tv_sec = std::time_t(seconds - kEpochDifference);
    t.tv_nsec = long(rest * 100);
    return t;
}

BOOL FileTimeToLocalFileTime(const FILETIME *lpFileTime, FILETIME *lpLocalFileTime)
{
    if (!lpFileTime || !lpLocalFileTime)
        return detail::fail(ERROR_INVALID_PARAMETER);
    *lpLocalFileTime = fileTimeOf(ticksOf(*lpFileTime) + currentBias() * kTicksPerSecond);
    return true;
}

BOOL LocalFileTimeToFileTime(const FILETIME *lpLocalFileTime, FILETIME *lpFileTime)
{
    if (!lpFileTime || !lpLocalFileTime)
        return detail::fail(ERROR_INVALID_PARAMETER);
    *lpFileTime = fileTimeOf(ticksOf(*lpLocalFileTime) - currentBias() * kTicksPerSecond);
    return true;
}

BOOL FileTimeToDosDateTime(const FILETIME *lpFileTime, WORD *lpFatDate, WORD *lpFatTime)
{
    if (!lpFileTime || !lpFatDate || !lpFatTime)
        return detail::fail(ERROR_INVALID_PARAMETER);
    const std::int64_t seconds = ticksOf(*lpFileTime) / kTicksPerSecond - kEpochDifference;
    std::int64_t days = seconds / 86400;
    std::int64_t inDay = seconds % 86400;
    if (inDay < 0) {
        inDay += 86400;
        --days;
    }
    std::int64_t year;
    unsigned month, day;
    civilFromDays(days, &year, &month, &day);
    if (year < 1980 || year > 2107)
        return detail::fail(ERROR_INVALID_PARAMETER);
    *lpFatDate = WORD((year - 1980) << 9 | month << 5 | day);
    *lpFatTime = WORD(inDay / 3600 << 11 | (inDay / 60 % 60) << 5 | (inDay % 60) / 2);
    return true;
}

BOOL DosDateTimeToFileTime(WORD wFatDate, WORD wFatTime, FILETIME *lpFileTime)
{
    if (!lpFileTime)
        return detail::fail(ERROR_INVALID_PARAMETER);
    const std::int64_t year = 1980 + (wFatDate >> 9);
    const unsigned month = (wFatDate >> 5) & 0x0F;
    const unsigned day = wFatDate & 0x1F;
    const unsigned hour = wFatTime >> 11;
    const unsigned minute = (wFatTime >> 5) & 0x3F;
    const unsigned second = (wFatTime & 0x1F) * 2;
    static const unsigned monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 ||
        day > monthDays[month - 1] + (month == 2 && isLeap(year) ? 1 : 0))
        return detail::fail(ERROR_INVALID_PARAMETER);
    const std::int64_t seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    *lpFileTime = fileTimeOf((seconds + kEpochDifference) * kTicksPerSecond);
    return true;
}

BOOL GetFileTime(const QString &lpFileName, FILETIME *lpCreationTime, FILETIME *lpLastAccessTime,
                 FILETIME *lpLastWriteTime)
{
    QByteArray host;
    if (!detail::resolveForFileCall(lpFileName, &host))
        return false;
    struct stat st;
    if (::stat(host.constData(), &st) != 0)
        return detail::fail(detail::errorForPath(errno, host));
    if (lpCreationTime)
        *lpCreationTime = FileTimeFromTimespec(st.st_mtim);
    if (lpLastAccessTime)
        *lpLastAccessTime = FileTimeFromTimespec(st.st_atim);
    if (lpLastWriteTime)
        *lpLastWriteTime = FileTimeFromTimespec(st.st_mtim);
    SetLastError(ERROR_SUCCESS);
    return true;
}

BOOL SetFileTime(const QString &lpFileName, const FILETIME *, const FILETIME *lpLastAccessTime,
                 const FILETIME *lpLastWriteTime)
{
    QByteArray host;
    if (!detail::resolveForFileCall(lpFileName, &host))
        return false;
    timespec times[2];
    times[0] = lpLastAccessTime ? TimespecFromFileTime(*lpLastAccessTime) : timespec{0, UTIME_OMIT};
    times[1] = lpLastWriteTime ? TimespecFromFileTime(*lpLastWriteTime) : timespec{0, UTIME_OMIT};
    if (::utimensat(AT_FDCWD, host.constData(), times, 0) != 0)
        return detail::fail(detail::errorForPath(errno, host));
    SetLastError(ERROR_SUCCESS);
    return true;
}

namespace {

// A last write time as a local DOS date-time, and back.
bool dosDateTimeOf(const FILETIME &written, DWORD *dosDateTime)
{
    FILETIME local;
    WORD date = 0;
    WORD time = 0;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return false;
    *dosDateTime = DWORD(date) << 16 | time;
    return true;
}

bool writeTimeOf(DWORD dosDateTime, FILETIME *written)
{
    FILETIME local;
    return DosDateTimeToFileTime(WORD(dosDateTime >> 16), WORD(dosDateTime & 0xFFFF), &local) &&
           LocalFileTimeToFileTime(&local, written);
}

} // namespace

BOOL GetFileDosDateTime(const QString &lpFileName, DWORD *lpDosDateTime)
{
    FILETIME written;
    return lpDosDateTime && GetFileTime(lpFileName, nullptr, nullptr, &written) &&
           dosDateTimeOf(written, lpDosDateTime);
}

BOOL SetFileDosDateTime(const QString &lpFileName, DWORD dwDosDateTime)
{
    FILETIME written;
    return writeTimeOf(dwDosDateTime, &written) && SetFileTime(lpFileName, nullptr, nullptr, &written);
}

BOOL GetOpenFileDosDateTime(int fd, DWORD *lpDosDateTime)
{
    struct stat st;
    if (!lpDosDateTime)
        return detail::fail(ERROR_INVALID_PARAMETER);
    if (::fstat(fd, &st) != 0)
        return detail::fail(ErrorFromErrno(errno));
    return dosDateTimeOf(FileTimeFromTimespec(st.st_mtim), lpDosDateTime);
}

BOOL SetOpenFileDosDateTime(int fd, DWORD dwDosDateTime)
{
    FILETIME written;
    if (!writeTimeOf(dwDosDateTime, &written))
        return false;
    const timespec times[2] = {timespec{0, UTIME_OMIT}, TimespecFromFileTime(written)};
    if (::futimens(fd, times) != 0)
        return detail::fail(ErrorFromErrno(errno));
    SetLastError(ERROR_SUCCESS);
    return true;
}

} // namespace win
