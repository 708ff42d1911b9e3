/* crashshim: a preloaded library that counts the file system calls a program makes while it is
 * armed (open, write, fsync, fdatasync, syncfs, rename, unlink, close and their relatives), and at the
 * call numbered CRASHSHIM_AT either ends the program on the spot with _exit(137), as a kill would,
 * or, when CRASHSHIM_ERRNO names an error number, makes that call fail with it without doing it.
 * The program arms and disarms it through crashshim_arm(), found with dlsym, and reads the count
 * with crashshim_count(); a program run without the library finds neither and runs as usual.
 * CRASHSHIM_CALLS, when set, names the kinds of call that are counted (a comma-separated list of
 * open, write, fsync, rename, unlink and close); the others pass uncounted.
 * With CRASHSHIM_TRACE naming a file, each counted call is also written to it as a line
 * "name path" (for a rename "name from -> to"), paths resolved from descriptors, so that the order
 * of writes, syncs and renames can be checked.
 * A program that knows nothing of it is armed from its start with CRASHSHIM_ARM=1, and then:
 *   CRASHSHIM_UNDER=folder   only calls on files below that folder count (named by path, or by a
 *                            descriptor or a folder descriptor that leads there);
 *   CRASHSHIM_STICKY=1       with CRASHSHIM_ERRNO, every counted call from CRASHSHIM_AT on fails,
 *                            as on a disk that has filled up;
 *   CRASHSHIM_COUNT_FILE=f   the number of counted calls is written to f when the program ends. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

static int armed;
static long calls;
static long crashAt;
static int failWith;
static unsigned counted = ~0u;
static int sticky;
static const char *under;
static size_t underLength;

enum { OPEN = 1, WRITE = 2, FSYNC = 4, RENAME = 8, UNLINK = 16, CLOSE = 32 };

static unsigned kindsNamed(const char *list)
{
    static const struct
    {
        const char *name;
        unsigned kind;
    } kinds[] = {{"open", OPEN},     {"write", WRITE},   {"fsync", FSYNC},
                 {"rename", RENAME}, {"unlink", UNLINK}, {"close", CLOSE}};
    unsigned mask = 0;
    for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; ++i) {
        if (strstr(list, kinds[i].name))
            mask |= kinds[i].kind;
    }
    return mask;
}

void crashshim_arm(int on)
{
    if (on) {
        const char *at = getenv("CRASHSHIM_AT");
        const char *err = getenv("CRASHSHIM_ERRNO");
        crashAt = at ? atol(at) : 0;
        failWith = err ? atoi(err) : 0;
        const char *kinds = getenv("CRASHSHIM_CALLS");
        counted = kinds && *kinds ? kindsNamed(kinds) : ~0u;
        sticky = getenv("CRASHSHIM_STICKY") != NULL;
        __atomic_store_n(&calls, 0, __ATOMIC_SEQ_CST);
    }
    __atomic_store_n(&armed, on, __ATOMIC_SEQ_CST);
}

long crashshim_count(void)
{
    return __atomic_load_n(&calls, __ATOMIC_SEQ_CST);
}

__attribute__((constructor)) static void armedFromStart(void)
{
    under = getenv("CRASHSHIM_UNDER");
    underLength = under ? strlen(under) : 0;
    if (getenv("CRASHSHIM_ARM"))
        crashshim_arm(1);
}

__attribute__((destructor)) static void reportCount(void)
{
    const char *file = getenv("CRASHSHIM_COUNT_FILE");
    if (!file || !__atomic_load_n(&armed, __ATOMIC_SEQ_CST))
        return;
    crashshim_arm(0);
    FILE *out = fopen(file, "w");
    if (out) {
        fprintf(out, "%ld\n", crashshim_count());
        fclose(out);
    }
}

static int startsWithUnder(const char *path)
{
    return strncmp(path, under, underLength) == 0 && (path[underLength] == '/' || path[underLength] == 0);
}

/* Whether the call's file lies below CRASHSHIM_UNDER: path, relative to the folder open in fd
 * (AT_FDCWD: the working folder) unless absolute; with no path, the file open in fd. */
static int isUnder(int fd, const char *path)
{
    if (!under)
        return 1;
    if (path && path[0] == '/')
        return startsWithUnder(path);
    char place[PATH_MAX];
    if (fd == AT_FDCWD) {
        if (!getcwd(place, sizeof place))
            return 0;
    } else {
        char link[64];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t got = readlink(link, place, sizeof place - 1);
        if (got <= 0)
            return 0;
        place[got] = 0;
    }
    return startsWithUnder(place);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

/* The path a descriptor stands for, or dirfd joined with a relative name; "?" when unknown. */
static void resolve(int dirfd, const char *name, char *out, size_t size)
{
    if (name && (name[0] == '/' || dirfd == AT_FDCWD)) {
        snprintf(out, size, "%s", name);
        return;
    }
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    const ssize_t n = readlink(link, out, size - 1);
    if (n < 0) {
        snprintf(out, size, "?");
        return;
    }
    out[n] = '\0';
    if (name) {
        const size_t used = strlen(out);
        snprintf(out + used, size - used, "/%s", name);
    }
}

static void trace(unsigned kind, int fd, const char *path, int toDir, const char *to)
{
    const char *file = getenv("CRASHSHIM_TRACE");
    if (!file)
        return;
    const char *call = kind == OPEN     ? "open"
                       : kind == WRITE  ? "write"
                       : kind == FSYNC  ? "fsync"
                       : kind == RENAME ? "rename"
                       : kind == UNLINK ? "unlink"
                                        : "close";
    const int saved = errno;
    char line[3 * PATH_MAX + 64];
    char where[PATH_MAX];
    resolve(fd, path, where, sizeof where);
    int length = snprintf(line, sizeof line, "%s %s", call, where);
    if (to) {
        char target[PATH_MAX];
        resolve(toDir, to, target, sizeof target);
        length += snprintf(line + length, sizeof line - (size_t)length, " -> %s", target);
    }
    length += snprintf(line + length, sizeof line - (size_t)length, "\n");
    const int out = NEXT(open)(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (out >= 0) {
        NEXT(write)(out, line, (size_t)length);
        NEXT(close)(out);
    }
    errno = saved;
}

/* Counts one call of the kind on fd, or on path below dirfd (a rename also names where to);
 * nonzero when it must fail (errno is set then). Does not return at the crash point. */
static int interceptedCall(unsigned kind, int fd, const char *path, int toDir, const char *to)
{
    if (!__atomic_load_n(&armed, __ATOMIC_SEQ_CST) || !(counted & kind))
        return 0;
    const int saved = errno;
    const int below = isUnder(fd, path);
    errno = saved;
    if (!below)
        return 0;
    trace(kind, fd, path, toDir, to);
    const long n = __atomic_add_fetch(&calls, 1, __ATOMIC_SEQ_CST);
    if (crashAt <= 0 || (n != crashAt && !(sticky && failWith && n > crashAt)))
        return 0;
    if (!failWith)
        _exit(137);
    errno = failWith;
    return 1;
}

static mode_t modeArgument(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return interceptedCall(OPEN, AT_FDCWD, path, 0, NULL) ? -1 : NEXT(open)(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return interceptedCall(OPEN, AT_FDCWD, path, 0, NULL) ? -1 : NEXT(open64)(path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return interceptedCall(OPEN, dirfd, path, 0, NULL) ? -1 : NEXT(openat)(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return interceptedCall(OPEN, dirfd, path, 0, NULL) ? -1 : NEXT(openat64)(dirfd, path, flags, mode);
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    return interceptedCall(WRITE, fd, NULL, 0, NULL) ? -1 : NEXT(write)(fd, buffer, count);
}

ssize_t pwrite(int fd, const void *buffer, size_t count, off_t offset)
{
    return interceptedCall(WRITE, fd, NULL, 0, NULL) ? -1 : NEXT(pwrite)(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void *buffer, size_t count, off64_t offset)
{
    return interceptedCall(WRITE, fd, NULL, 0, NULL) ? -1 : NEXT(pwrite64)(fd, buffer, count, offset);
}

ssize_t writev(int fd, const struct iovec *iov, int count)
{
    return interceptedCall(WRITE, fd, NULL, 0, NULL) ? -1 : NEXT(writev)(fd, iov, count);
}

int fsync(int fd)
{
    return interceptedCall(FSYNC, fd, NULL, 0, NULL) ? -1 : NEXT(fsync)(fd);
}

int fdatasync(int fd)
{
    return interceptedCall(FSYNC, fd, NULL, 0, NULL) ? -1 : NEXT(fdatasync)(fd);
}

int syncfs(int fd)
{
    return interceptedCall(FSYNC, fd, NULL, 0, NULL) ? -1 : NEXT(syncfs)(fd);
}

int rename(const char *from, const char *to)
{
    return interceptedCall(RENAME, AT_FDCWD, from, AT_FDCWD, to) ? -1 : NEXT(rename)(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    return interceptedCall(RENAME, fromDir, from, toDir, to) ? -1 : NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    return interceptedCall(RENAME, fromDir, from, toDir, to) ? -1 : NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int unlink(const char *path)
{
    return interceptedCall(UNLINK, AT_FDCWD, path, 0, NULL) ? -1 : NEXT(unlink)(path);
}

int unlinkat(int dirfd, const char *path, int flags)
{
    return interceptedCall(UNLINK, dirfd, path, 0, NULL) ? -1 : NEXT(unlinkat)(dirfd, path, flags);
}

int close(int fd)
{
    /* A failed close still releases the descriptor, as Linux does. */
    if (interceptedCall(CLOSE, fd, NULL, 0, NULL)) {
        const int saved = errno;
        NEXT(close)(fd);
        errno = saved;
        return -1;
    }
    return NEXT(close)(fd);
}
