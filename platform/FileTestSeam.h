// The file layer's seam for tests: provokes what tests cannot provoke through permissions (they run as root, and
// Wine lets root create files anywhere) and lets a test look at a save while it holds its temporary file.
#pragma once

#include <functional>
#include <string>

namespace tarnvale::platform {

struct SaveTestSeam {
    // Creating a save's temporary file fails as access denied, as in a folder closed to new files.
    bool refuseTemporaryFile = false;
    // Called with the temporary file's path once it is written and while the save still holds it.
    std::function<void(const std::string& temporaryFile)> whileHeld;
};

// Puts seam in force for every save, in every thread, for this object's life. Only tests make one.
class ScopedSaveTestSeam {
public:
    explicit ScopedSaveTestSeam(SaveTestSeam seam);
    ~ScopedSaveTestSeam();
    ScopedSaveTestSeam(const ScopedSaveTestSeam&) = delete;
    ScopedSaveTestSeam& operator=(const ScopedSaveTestSeam&) = delete;

private:
    SaveTestSeam seam_;
};

// The seam in force, or null.
const SaveTestSeam* SaveTestSeamInForce();

} // namespace tarnvale::platform
