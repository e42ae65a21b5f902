/* Loaded into the tool under test (LD_PRELOAD) to make its writes to regular files fail or
 * stall, as a full disk or a slow one would, without needing either:
 *   RDBTOOL_FAULT_AFTER=N  writes to regular files fail with ENOSPC once N bytes are in
 *   RDBTOOL_FAULT_STALL=1  the first write to a regular file waits (until a signal ends
 *                          the process, or 60 s)
 * Writes to pipes and terminals (the tool's messages) are left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

static long long written;

static int Faulted(int fd, size_t count) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  if (getenv("RDBTOOL_FAULT_STALL")) {
    struct timespec wait = {60, 0};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
  }
  const char* after = getenv("RDBTOOL_FAULT_AFTER");
  if (!after) return 0;
  if (written + (long long)count > atoll(after)) {
    errno = ENOSPC;
    return 1;
  }
  written += (long long)count;
  return 0;
}

ssize_t write(int fd, const void* data, size_t count) {
  static ssize_t (*real)(int, const void*, size_t);
  if (!real) real = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
  if (Faulted(fd, count)) return -1;
  return real(fd, data, count);
}

ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
  static ssize_t (*real)(int, const void*, size_t, off_t);
  if (!real) real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
  if (Faulted(fd, count)) return -1;
  return real(fd, data, count, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t count, off_t offset) {
  static ssize_t (*real)(int, const void*, size_t, off_t);
  if (!real) real = (ssize_t(*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite64");
  if (Faulted(fd, count)) return -1;
  return real(fd, data, count, offset);
}
