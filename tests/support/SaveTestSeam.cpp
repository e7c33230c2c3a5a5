// The tests' definitions of the save seam, linked in place of the program's.
#include "support/SaveTestSeam.h"

#include "platform/SaveSeam.h"

#include <atomic>
#include <utility>

namespace tarnvale {
namespace {

std::atomic<const test::SaveTestSeam*> inForce{nullptr};

} // namespace

test::ScopedSaveTestSeam::ScopedSaveTestSeam(SaveTestSeam seam) : seam_(std::move(seam)) {
    inForce = &seam_;
}

test::ScopedSaveTestSeam::~ScopedSaveTestSeam() {
    inForce = nullptr;
}

bool platform::SaveMayCreateTemporary() {
    const test::SaveTestSeam* seam = inForce.load();
    return !seam || !seam->refuseTemporaryFile;
}

void platform::SaveHoldsTemporary(const std::string& temporaryFile) {
    if (const test::SaveTestSeam* seam = inForce.load(); seam && seam->whileHeld)
        seam->whileHeld(temporaryFile);
}

} // namespace tarnvale
