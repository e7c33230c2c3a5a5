// The program's side of the save seam: nothing stepped in. This file defines nothing else, so that a test's own
// definitions replace it whole.
#include "platform/SaveSeam.h"

namespace tarnvale::platform {

bool SaveMayCreateTemporary() {
    return true;
}

void SaveHoldsTemporary(const std::string&) {}

} // namespace tarnvale::platform
