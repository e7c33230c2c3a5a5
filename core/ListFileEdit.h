// One edit of the list file, the way every writer changes it: take the writers' lock, load the whole file, change
// the records, save them in one atomic replace, let the lock go. A file that cannot be read whole is never saved
// over, so that no writer drops records it did not understand.
#pragma once

#include "core/MediaInfoList.h"
#include "platform/FileLock.h"

#include <chrono>
#include <functional>
#include <string>

namespace tarnvale {

// A writer of the list file, as the others see it.
struct ListFileWriter {
    // What a writer that waits for this one is told ("tarnvale add").
    std::string name;
    // How long this writer waits for another.
    std::chrono::milliseconds wait{30000};
    // Told once, in words ("the list file F is being changed by tarnvale watch (process 4711)"), when this writer
    // has to wait, so that the pause is never silent.
    std::function<void(const std::string& text)> waiting = {};
};

// Takes the writers' lock of the list file at path into lock; false, with why in words ("the list file F is being
// changed by tarnvale watch (process 4711); waited 30 s"), when it was not had.
bool LockListFile(platform::FileLock& lock, const std::string& path, const ListFileWriter& writer, std::string* why);

// Loads the list file at path for a writer: false, with why in words, for a file that cannot be read to its end or
// that holds records too long to keep, since saving would lose what it could not read.
bool LoadWholeListFile(const std::string& path, CMediaInfoList& catalogue, std::string* why);

// What one edit came to.
struct ListFileEdit {
    enum class Failure { None, Lock, Load, Save };
    Failure failure = Failure::None;
    // False without a failure: the change chose to save nothing.
    bool saved = false;
    // The failure in words; the caller adds what it does about it.
    std::string why;

    explicit operator bool() const { return failure == Failure::None; }
};

// Edits the list file at path: change gets the catalogue as loaded and says whether to save it. With whole false a
// file that cannot be read whole is taken as empty (emptying it needs nothing of it); otherwise it is refused.
ListFileEdit EditListFile(const std::string& path, const ListFileWriter& writer,
                          const std::function<bool(CMediaInfoList&)>& change, bool whole = true);

} // namespace tarnvale
