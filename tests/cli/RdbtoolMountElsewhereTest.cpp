// mount where there is no FUSE (the Windows build): it says so and mounts nothing.
#include "tests/cli/ToolFixtures.h"

TEST(RdbtoolMount, SaysThatMountingIsForLinuxOnly) {
  Sandbox box;
  PackageWriter w;
  w.Add(u"a.txt", Text("a"));
  const fs::path pkg = WritePackage(box, "p.rdb", w);
  fs::create_directories(box / "mnt");
  const ToolResult r = RunRdbtool({"mount", U8(pkg), U8(box / "mnt")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.err, "rdbtool mount: mounting is available on Linux only\n");
  EXPECT_TRUE(fs::is_empty(box / "mnt"));
}
