// The temporary file a command is writing, removed when an interrupt (Ctrl+C), a
// termination or a hang-up ends the process: such a run leaves nothing half-made behind.
// One file at a time; the process then ends as the signal would have ended it.
#pragma once
#include <string>

namespace rdbtool {

#if !defined(_WIN32)
// `name` relative to the open folder `folder` (AT_FDCWD: the current folder).
void RemoveOnSignal(int folder, const std::string& name);
// The file was put in place or removed: nothing to remove any more.
void ForgetOnSignal();
#endif

}  // namespace rdbtool
