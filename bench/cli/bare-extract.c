/* The floor for `rdbtool extract`: the same system calls with nothing around them. Maps
 * a package, walks its index and writes every entry below DIR: each folder made and
 * opened once when the entries move into it (mkdirat, openat), each file one openat (new
 * file, no link followed), one write straight from the mapping and one close. No checks
 * of names beyond what the fixture needs: ASCII names, "\" between parts, no wrapped
 * images, an intact index.
 * Usage: bare-extract PACKAGE DIR */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

enum { kMaxDepth = 64, kMaxName = 4096 };

static uint64_t U64(const uint8_t* p) {
  uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | p[k];
  return v;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s PACKAGE DIR\n", argv[0]);
    return 2;
  }
  const int in = open(argv[1], O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (in < 0 || fstat(in, &st) != 0) return 2;
  const uint8_t* view = mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, in, 0);
  if (view == MAP_FAILED) return 2;
  mkdir(argv[2], 0777);
  const int root = open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (root < 0) return 2;

  const uint32_t count = (uint32_t)U64(view + 16);
  const uint64_t dataStart = (uint32_t)((uint32_t)U64(view + 20) + (uint32_t)U64(view + 28));
  const uint8_t* p = view + 36;
  /* The folders of the entry before, open, and their names joined. */
  int dirs[kMaxDepth];
  int depth = 0;
  char current[kMaxName] = "", name[kMaxName];
  for (uint32_t i = 0; i < count; ++i) {
    size_t length = 0, lastSeparator = 0;
    int parts = 0;
    for (; p[2 * length] | p[2 * length + 1]; ++length) {
      name[length] = (char)p[2 * length];
      if (name[length] == '\\') {
        name[length] = '/';
        lastSeparator = length;
        ++parts;
      }
    }
    name[length] = 0;
    const uint8_t* fields = p + 2 * length + 2;
    const uint8_t* data = view + dataStart + (uint32_t)U64(fields);
    const size_t size = (size_t)U64(fields + 8);
    p = fields + 16;

    /* Another folder: keep the parts it shares with the old one, make and open the rest. */
    if (strncmp(current, name, lastSeparator) != 0 || current[lastSeparator] != 0) {
      int same = 0;
      size_t at = 0;
      while (same < depth) {
        const char* end = strchr(current + at, '/');
        const size_t partEnd = end ? (size_t)(end - current) : strlen(current);
        if (partEnd > lastSeparator || strncmp(current + at, name + at, partEnd - at) != 0 ||
            (name[partEnd] != '/'))
          break;
        ++same;
        at = partEnd + 1;
      }
      while (depth > same) close(dirs[--depth]);
      memcpy(current, name, lastSeparator);
      current[lastSeparator] = 0;
      char* part = current + at;
      for (int k = same; k < parts; ++k) {
        char* end = strchr(part, '/');
        if (end) *end = 0;
        const int parent = depth ? dirs[depth - 1] : root;
        mkdirat(parent, part, 0777);
        dirs[depth++] = openat(parent, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (end) *end = '/';
        part = end + 1;
      }
    }
    const int dir = depth ? dirs[depth - 1] : root;
    const char* file = parts ? name + lastSeparator + 1 : name;
    const int fd = openat(dir, file, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return 1;
    if (size > 0 && write(fd, data, size) != (ssize_t)size) return 1;
    if (close(fd) != 0) return 1;
  }
  return 0;
}
