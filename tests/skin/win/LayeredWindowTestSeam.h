// The tests' side of the layered-window seam (skin/win/LayeredWindowSeam.h): a test executable that compiles
// LayeredWindowTestSeam.cpp in can have the skin find no layered windows, as on systems without them.
#pragma once

namespace tarnvale::test {

// For this object's life the skin finds no layered windows and shapes frames with window regions; the system's
// answer otherwise. User-interface thread only, as the skin.
class ScopedWithoutLayeredWindows {
public:
    ScopedWithoutLayeredWindows();
    ~ScopedWithoutLayeredWindows();
    ScopedWithoutLayeredWindows(const ScopedWithoutLayeredWindows&) = delete;
    ScopedWithoutLayeredWindows& operator=(const ScopedWithoutLayeredWindows&) = delete;
};

} // namespace tarnvale::test
