#include <sys/mman.h>

#include <cstdint>

#include "cli/system/LargeBlock.h"

namespace rdbtool {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block is not worth a huge page of its own (it would cost up to 2 MiB).
constexpr size_t kHugeEnough = size_t{1} << 20;

size_t Mapped(size_t bytes) { return bytes < kHugeEnough ? bytes : (bytes + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLargeBlock(size_t bytes) {
  if (bytes == 0) bytes = 1;
  const size_t size = Mapped(bytes);
  if (size < kHugeEnough) {
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
  }
  // Whole huge pages only: the system backs with them only the 2 MiB-aligned stretches
  // of a mapping, so a few extra bytes are asked for and the ends cut off.
  if (size > SIZE_MAX - kHugePage) return nullptr;
  void* area = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  const uintptr_t start = reinterpret_cast<uintptr_t>(area);
  const uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) munmap(area, aligned - start);
  if (start + kHugePage > aligned) munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
  void* block = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  madvise(block, size, MADV_HUGEPAGE);  // a hint: without it the block is as good
#endif
  return block;
}

void FreeLargeBlock(void* block, size_t bytes) {
  if (block) munmap(block, Mapped(bytes == 0 ? 1 : bytes));
}

}  // namespace rdbtool
