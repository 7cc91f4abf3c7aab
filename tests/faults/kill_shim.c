/* Preloaded into a child process by the kill tests: counts the calls that change a file
 * (creating, writing, growing, cutting, renaming, linking, deleting, changing modes) once the
 * child arms it, and at the call numbered QC_KILL_AT ends the process with SIGKILL before
 * the call is carried out, as a power cut or "kill -9" would at that moment. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static int armed;
static long calls;

/* Called by the child (found with dlsym) around the operation under test. */
void qc_kill_shim_arm(int on) {
    armed = on;
    calls = 0;
}

static void changing(void) {
    if (!armed)
        return;
    ++calls;
    const char* at = getenv("QC_KILL_AT");
    if (at != NULL && atol(at) == calls)
        kill(getpid(), SIGKILL);
}

static int regularFile(int fd) {
    struct stat info;
    return fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (flags & (O_CREAT | O_TRUNC))
        changing();
    return NEXT(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    if (flags & (O_CREAT | O_TRUNC))
        changing();
    return NEXT(open64)(path, flags, mode);
}

ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
    changing();
    return NEXT(pwrite)(fd, bytes, count, offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t count, off64_t offset) {
    changing();
    return NEXT(pwrite64)(fd, bytes, count, offset);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    if (regularFile(fd))
        changing();
    return NEXT(write)(fd, bytes, count);
}

int ftruncate(int fd, off_t length) {
    changing();
    return NEXT(ftruncate)(fd, length);
}

int ftruncate64(int fd, off64_t length) {
    changing();
    return NEXT(ftruncate64)(fd, length);
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
    changing();
    return NEXT(fallocate)(fd, mode, offset, length);
}

int fallocate64(int fd, int mode, off64_t offset, off64_t length) {
    changing();
    return NEXT(fallocate64)(fd, mode, offset, length);
}

int rename(const char* from, const char* to) {
    changing();
    return NEXT(rename)(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    changing();
    return NEXT(renameat)(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    changing();
    return NEXT(renameat2)(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    changing();
    return NEXT(link)(from, to);
}

int unlink(const char* path) {
    changing();
    return NEXT(unlink)(path);
}

int unlinkat(int dir, const char* path, int flags) {
    changing();
    return NEXT(unlinkat)(dir, path, flags);
}

int remove(const char* path) {
    changing();
    return NEXT(remove)(path);
}

int chmod(const char* path, mode_t mode) {
    changing();
    return NEXT(chmod)(path, mode);
}
