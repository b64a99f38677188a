/* A fault injector for the tests, preloaded (LD_PRELOAD) into the batch
 * program and, through its environment, into the solver. It counts the calls
 * of four kinds on the files of one folder and makes the Nth fail:
 *
 *   write   write, pwrite, writev, fwrite, fprintf, fflush
 *   sync    fsync, fdatasync
 *   rename  rename
 *   create  open, openat and fopen that may make a file
 *
 * (the calls through which this program, its solver, Qt, SQLite and the C++
 * library write).
 *
 * Set by the environment:
 *   Q7_FAULT_COUNTS  a file of four 64-bit counters, one a kind, shared by
 *                    every process (the test makes it; required)
 *   Q7_FAULT_FOLDER  only files under this folder count (paths, and for
 *                    descriptors regular files whose path lies under it)
 *   Q7_FAULT_KIND    write, sync, rename or create; without it calls are only
 *                    counted
 *   Q7_FAULT_AT      N, counted from 1 over all processes
 *   Q7_FAULT_ERRNO   the error to give (a number)
 *   Q7_FAULT_STICKY  1: every call from the Nth on fails, else only the Nth
 *   Q7_FAULT_SHORT   1: a failing write or pwrite writes half its bytes and
 *                    tells so, as a full disk does, instead of failing
 */
#define _GNU_SOURCE
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

enum Kind { KindWrite, KindSync, KindRename, KindCreate, KindCount };
static const char *const kindNames[KindCount] = {"write", "sync", "rename", "create"};

static uint64_t *counters;
static int faultKind = -1;
static uint64_t faultAt;
static int faultErrno = EIO;
static int sticky;
static int shortWrites;
static const char *folder;

static void setUp(void) __attribute__((constructor));
static void setUp(void)
{
    const char *countsPath = getenv("Q7_FAULT_COUNTS");
    folder = getenv("Q7_FAULT_FOLDER");
    if (!countsPath || !folder)
        return;
    const int descriptor = open(countsPath, O_RDWR | O_CLOEXEC); /* not counted: no counters yet */
    if (descriptor < 0)
        return;
    void *shared = mmap(NULL, KindCount * sizeof(uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    close(descriptor);
    if (shared == MAP_FAILED)
        return;
    counters = shared;
    const char *kind = getenv("Q7_FAULT_KIND");
    for (int k = 0; kind && k < KindCount; ++k)
        if (strcmp(kind, kindNames[k]) == 0)
            faultKind = k;
    const char *at = getenv("Q7_FAULT_AT");
    const char *error = getenv("Q7_FAULT_ERRNO");
    faultAt = at ? strtoull(at, NULL, 10) : 0;
    faultErrno = error ? atoi(error) : EIO;
    sticky = getenv("Q7_FAULT_STICKY") && strcmp(getenv("Q7_FAULT_STICKY"), "1") == 0;
    shortWrites = getenv("Q7_FAULT_SHORT") && strcmp(getenv("Q7_FAULT_SHORT"), "1") == 0;
}

static int underFolder(const char *path)
{
    if (!counters || !path)
        return 0;
    const size_t length = strlen(folder);
    return strncmp(path, folder, length) == 0 && (path[length] == '/' || path[length] == '\0');
}

/* A regular file in the folder: the path the descriptor is open on. */
static int countedDescriptor(int descriptor)
{
    struct stat info;
    if (!counters || fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length <= 0)
        return 0;
    path[length] = '\0';
    return underFolder(path);
}

/* Counts the call; true, with errno set, when it is to fail. */
static int faulted(int kind)
{
    const uint64_t number = __atomic_add_fetch(&counters[kind], 1, __ATOMIC_SEQ_CST);
    if (kind != faultKind || faultAt == 0 || number < faultAt || (!sticky && number != faultAt))
        return 0;
    errno = faultErrno;
    return 1;
}

static int descriptorFaulted(int kind, int descriptor)
{
    return countedDescriptor(descriptor) && faulted(kind);
}

/* A stream that failed to write keeps its error flag, as after a real one. */
static int streamFaulted(FILE *stream)
{
    if (!stream || !descriptorFaulted(KindWrite, fileno(stream)))
        return 0;
    stream->_flags |= 0x20; /* _IO_ERR_SEEN: ferror() tells it */
    return 1;
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

ssize_t write(int descriptor, const void *bytes, size_t size)
{
    ssize_t (*real)(int, const void *, size_t) = REAL("write", ssize_t (*)(int, const void *, size_t));
    if (!descriptorFaulted(KindWrite, descriptor))
        return real(descriptor, bytes, size);
    return shortWrites && size > 1 ? real(descriptor, bytes, size / 2) : -1;
}

static ssize_t faultedPwrite(const char *name, int descriptor, const void *bytes, size_t size, off_t offset)
{
    ssize_t (*real)(int, const void *, size_t, off_t) = REAL(name, ssize_t (*)(int, const void *, size_t, off_t));
    if (!descriptorFaulted(KindWrite, descriptor))
        return real(descriptor, bytes, size, offset);
    return shortWrites && size > 1 ? real(descriptor, bytes, size / 2, offset) : -1;
}

ssize_t pwrite(int descriptor, const void *bytes, size_t size, off_t offset)
{
    return faultedPwrite("pwrite", descriptor, bytes, size, offset);
}

ssize_t pwrite64(int descriptor, const void *bytes, size_t size, off_t offset)
{
    return faultedPwrite("pwrite64", descriptor, bytes, size, offset);
}

ssize_t writev(int descriptor, const struct iovec *pieces, int count)
{
    if (descriptorFaulted(KindWrite, descriptor))
        return -1;
    return REAL("writev", ssize_t (*)(int, const struct iovec *, int))(descriptor, pieces, count);
}

size_t fwrite(const void *bytes, size_t size, size_t count, FILE *stream)
{
    if (streamFaulted(stream))
        return 0;
    return REAL("fwrite", size_t (*)(const void *, size_t, size_t, FILE *))(bytes, size, count, stream);
}

int vfprintf(FILE *stream, const char *format, va_list arguments)
{
    if (streamFaulted(stream))
        return -1;
    return REAL("vfprintf", int (*)(FILE *, const char *, va_list))(stream, format, arguments);
}

int fprintf(FILE *stream, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int result = vfprintf(stream, format, arguments);
    va_end(arguments);
    return result;
}

int fflush(FILE *stream)
{
    if (streamFaulted(stream))
        return EOF;
    return REAL("fflush", int (*)(FILE *))(stream);
}

int fsync(int descriptor)
{
    if (descriptorFaulted(KindSync, descriptor))
        return -1;
    return REAL("fsync", int (*)(int))(descriptor);
}

int fdatasync(int descriptor)
{
    if (descriptorFaulted(KindSync, descriptor))
        return -1;
    return REAL("fdatasync", int (*)(int))(descriptor);
}

int rename(const char *from, const char *to)
{
    if (underFolder(to) && faulted(KindRename))
        return -1;
    return REAL("rename", int (*)(const char *, const char *))(from, to);
}

/* Opens that may make a file: with O_CREAT, of a path in the folder that is
 * not there yet (the call that makes the file is the one that fails). */
static int createFaulted(const char *path, int flags)
{
    return (flags & O_CREAT) && underFolder(path) && access(path, F_OK) != 0 && faulted(KindCreate);
}

static int openedAt(const char *name, int folderDescriptor, const char *path, int flags, mode_t mode)
{
    if (createFaulted(path, flags))
        return -1;
    return REAL(name, int (*)(int, const char *, int, ...))(folderDescriptor, path, flags, mode);
}

static mode_t modeOf(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(arguments, int) : 0;
}

/* The mode of an open that may make a file, from its variadic argument. */
#define WITH_MODE(flags, call)                                                                                  \
    va_list arguments;                                                                                          \
    va_start(arguments, flags);                                                                                 \
    const mode_t mode = modeOf(flags, arguments);                                                               \
    va_end(arguments);                                                                                          \
    return call

int open(const char *path, int flags, ...)
{
    WITH_MODE(flags, openedAt("openat", AT_FDCWD, path, flags, mode));
}

int open64(const char *path, int flags, ...)
{
    WITH_MODE(flags, openedAt("openat64", AT_FDCWD, path, flags, mode));
}

int openat(int folderDescriptor, const char *path, int flags, ...)
{
    WITH_MODE(flags, openedAt("openat", folderDescriptor, path, flags, mode));
}

int openat64(int folderDescriptor, const char *path, int flags, ...)
{
    WITH_MODE(flags, openedAt("openat64", folderDescriptor, path, flags, mode));
}

static FILE *openedStream(const char *name, const char *path, const char *mode)
{
    if (strpbrk(mode, "wa") && createFaulted(path, O_CREAT))
        return NULL;
    return REAL(name, FILE *(*)(const char *, const char *))(path, mode);
}

FILE *fopen(const char *path, const char *mode)
{
    return openedStream("fopen", path, mode);
}

FILE *fopen64(const char *path, const char *mode)
{
    return openedStream("fopen64", path, mode);
}
