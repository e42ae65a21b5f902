// GDI+ for the whole process. The first decode starts it; it is shut down when the last
// image holder goes, and at exit if still running. Starting, the holder count and the
// shutdown share one lock.
#pragma once

class CGdiplusSession {
 public:
  // Starts GDI+ unless it runs; false when it cannot be started (tried again next time).
  static bool EnsureStarted();
  static void AddHolder();
  // The last holder going shuts GDI+ down.
  static void ReleaseHolder();

  static bool IsStarted();
  static long HolderCount();
};
