// The program's side of the layered-window seam: the system's own answer. This file defines nothing else, so that a
// test's own definition replaces it whole.
#include "skin/win/LayeredWindowSeam.h"

namespace tarnvale {

SetLayeredWindowAttributesFunction FindSetLayeredWindowAttributes() {
    static const auto function = reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("USER32.DLL"), "SetLayeredWindowAttributes")));
    return function;
}

} // namespace tarnvale
