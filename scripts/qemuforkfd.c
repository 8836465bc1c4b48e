/* Preloaded into the tests of an emulated arm64 run (scripts/cross-arm64.sh). Qt's QProcess starts a child with
 * clone(CLONE_PIDFD) where the kernel has pidfds, which it learns from waitid(P_PIDFD); qemu-user passes the
 * waitid through to the kernel but refuses the clone, so every process start would fail. Told that there are no
 * pidfds, Qt forks as on older kernels, which qemu-user runs. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/syscall.h>

#ifndef P_PIDFD
#define P_PIDFD 3
#endif

long syscall(long number, ...)
{
    static long (*real)(long, ...);
    va_list list;
    long a[6];
    va_start(list, number);
    for (int i = 0; i < 6; ++i)
        a[i] = va_arg(list, long);
    va_end(list);
    if (number == SYS_waitid && a[0] == P_PIDFD) {
        errno = EINVAL;
        return -1;
    }
    if (!real)
        real = (long (*)(long, ...))dlsym(RTLD_NEXT, "syscall");
    return real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}
