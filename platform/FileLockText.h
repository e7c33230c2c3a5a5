// The writers' lock's steps shared by the platform's lock sources (only they include this): the wait for the lock
// and what it says about the holder.
#pragma once

#include "platform/FileHandle.h"
#include "platform/FileLock.h"

#include <chrono>
#include <functional>
#include <string>

namespace tarnvale::platform {

// Who holds the lock, from what the holder wrote in the lock file ("1234 tarnvale watch").
std::string HolderText(std::string written);

// One try at the lock of an open file (each platform's own): taken, held by another writer, or refused for
// another reason, which code then gives.
enum class LockTry { Taken, Busy, Refused };
LockTry TryLock(const UniqueFile& file, int& code);
// Who holds the lock of the lock file, from what it wrote there (each platform's own).
std::string HolderOf(const UniqueFile& file);

// Tries the lock of file (the lock file of path, or path itself when !ownsFile) until it is taken or wait has
// passed; false, with refusal saying why, when it was not taken. waiting is told the holder when the lock is busy at
// first.
bool WaitForLock(const UniqueFile& file, const std::string& path, bool ownsFile, std::chrono::milliseconds wait,
                 LockRefusal* refusal, const std::function<void(const std::string&)>& waiting);

} // namespace tarnvale::platform
