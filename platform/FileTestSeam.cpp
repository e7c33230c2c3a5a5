// The file layer's seam for tests.
#include "platform/FileTestSeam.h"

#include <atomic>
#include <utility>

namespace tarnvale::platform {
namespace {

std::atomic<const SaveTestSeam*> inForce{nullptr};

} // namespace

ScopedSaveTestSeam::ScopedSaveTestSeam(SaveTestSeam seam) : seam_(std::move(seam)) {
    inForce = &seam_;
}

ScopedSaveTestSeam::~ScopedSaveTestSeam() {
    inForce = nullptr;
}

const SaveTestSeam* SaveTestSeamInForce() {
    return inForce.load();
}

} // namespace tarnvale::platform
