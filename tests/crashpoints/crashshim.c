/* crashshim: a preloaded library that counts the file system calls a program makes while it is
 * armed (open, write, fsync, fdatasync, rename, unlink, close and their relatives), and at the
 * call numbered CRASHSHIM_AT either ends the program on the spot with _exit(137), as a kill would,
 * or, when CRASHSHIM_ERRNO names an error number, makes that call fail with it without doing it.
 * The program arms and disarms it through crashshim_arm(), found with dlsym, and reads the count
 * with crashshim_count(); a program run without the library finds neither and runs as usual.
 * CRASHSHIM_CALLS, when set, names the kinds of call that are counted (a comma-separated list of
 * open, write, fsync, rename, unlink and close); the others pass uncounted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
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
        __atomic_store_n(&calls, 0, __ATOMIC_SEQ_CST);
    }
    __atomic_store_n(&armed, on, __ATOMIC_SEQ_CST);
}

long crashshim_count(void)
{
    return __atomic_load_n(&calls, __ATOMIC_SEQ_CST);
}

/* Counts one call; nonzero when it must fail (errno is set then). Does not return at the crash point. */
static int intercepted(unsigned kind)
{
    if (!__atomic_load_n(&armed, __ATOMIC_SEQ_CST) || !(counted & kind))
        return 0;
    const long n = __atomic_add_fetch(&calls, 1, __ATOMIC_SEQ_CST);
    if (crashAt <= 0 || n != crashAt)
        return 0;
    if (!failWith)
        _exit(137);
    errno = failWith;
    return 1;
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

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
    return intercepted(OPEN) ? -1 : NEXT(open)(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return intercepted(OPEN) ? -1 : NEXT(open64)(path, flags, mode);
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return intercepted(OPEN) ? -1 : NEXT(openat)(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return intercepted(OPEN) ? -1 : NEXT(openat64)(dirfd, path, flags, mode);
}

ssize_t write(int fd, const void *buffer, size_t count)
{
    return intercepted(WRITE) ? -1 : NEXT(write)(fd, buffer, count);
}

ssize_t pwrite(int fd, const void *buffer, size_t count, off_t offset)
{
    return intercepted(WRITE) ? -1 : NEXT(pwrite)(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void *buffer, size_t count, off64_t offset)
{
    return intercepted(WRITE) ? -1 : NEXT(pwrite64)(fd, buffer, count, offset);
}

ssize_t writev(int fd, const struct iovec *iov, int count)
{
    return intercepted(WRITE) ? -1 : NEXT(writev)(fd, iov, count);
}

int fsync(int fd)
{
    return intercepted(FSYNC) ? -1 : NEXT(fsync)(fd);
}

int fdatasync(int fd)
{
    return intercepted(FSYNC) ? -1 : NEXT(fdatasync)(fd);
}

int rename(const char *from, const char *to)
{
    return intercepted(RENAME) ? -1 : NEXT(rename)(from, to);
}

int renameat(int fromDir, const char *from, int toDir, const char *to)
{
    return intercepted(RENAME) ? -1 : NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned int flags)
{
    return intercepted(RENAME) ? -1 : NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int unlink(const char *path)
{
    return intercepted(UNLINK) ? -1 : NEXT(unlink)(path);
}

int unlinkat(int dirfd, const char *path, int flags)
{
    return intercepted(UNLINK) ? -1 : NEXT(unlinkat)(dirfd, path, flags);
}

int close(int fd)
{
    /* A failed close still releases the descriptor, as Linux does. */
    if (intercepted(CLOSE)) {
        const int saved = errno;
        NEXT(close)(fd);
        errno = saved;
        return -1;
    }
    return NEXT(close)(fd);
}
