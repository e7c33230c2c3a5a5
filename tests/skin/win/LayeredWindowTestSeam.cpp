// The tests' definition of the layered-window seam, linked in place of the program's.
#include "LayeredWindowTestSeam.h"

#include "skin/win/LayeredWindowSeam.h"

namespace tarnvale {
namespace {

bool withoutLayeredWindows = false;

} // namespace

test::ScopedWithoutLayeredWindows::ScopedWithoutLayeredWindows() {
    withoutLayeredWindows = true;
}

test::ScopedWithoutLayeredWindows::~ScopedWithoutLayeredWindows() {
    withoutLayeredWindows = false;
}

SetLayeredWindowAttributesFunction FindSetLayeredWindowAttributes() {
    if (withoutLayeredWindows)
        return nullptr;
    return reinterpret_cast<SetLayeredWindowAttributesFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("USER32.DLL"), "SetLayeredWindowAttributes")));
}

} // namespace tarnvale
