// The tests' side of the save seam (platform/SaveSeam.h): a test executable that compiles SaveTestSeam.cpp in can
// make a save's temporary file refused, or look at a save while it holds that file.
#pragma once

#include <functional>
#include <string>

namespace tarnvale::test {

struct SaveTestSeam {
    // Creating a save's temporary file fails as access denied, as in a folder closed to new files.
    bool refuseTemporaryFile = false;
    // Called with the temporary file's path once it is written and while the save still holds it.
    std::function<void(const std::string& temporaryFile)> whileHeld;
};

// Puts seam in force for every save, in every thread, for this object's life.
class ScopedSaveTestSeam {
public:
    explicit ScopedSaveTestSeam(SaveTestSeam seam);
    ~ScopedSaveTestSeam();
    ScopedSaveTestSeam(const ScopedSaveTestSeam&) = delete;
    ScopedSaveTestSeam& operator=(const ScopedSaveTestSeam&) = delete;

private:
    SaveTestSeam seam_;
};

} // namespace tarnvale::test
