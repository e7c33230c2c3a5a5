// The temporary files that saves (ReplaceFileContents) write beside their target, and how one left behind by an
// interrupted save is told from one that a save is writing now. Shared by the POSIX and Win32 file services.
#pragma once

#include <string>
#include <string_view>

namespace tarnvale::platform {

// The temporary file a save of path writes: beside path, named after it, the process and the thread, so that two
// savers never share one.
std::string SaveTemporaryName(const std::string& path, unsigned long processId);

// Whether the folder entry named entry is a save's temporary file of the file named target (both bare names).
bool IsSaveTemporaryName(std::string_view entry, std::string_view target);

// The operating system's part: removes candidate unless a save holds it now. Every save holds its temporary file
// (locked on POSIX, open without sharing on Windows) until the file has its final name.
void RemoveUnlessHeld(const std::string& candidate);

} // namespace tarnvale::platform
