// Where the skin asks whether the system has layered windows: the function that gives a layered window its colour
// key, which systems without layered windows do not export. The program's definition (LayeredWindowSeam.cpp) looks
// it up by name; a test executable that defines this function itself takes its place when it is linked, and so can
// run the window-region shape on a system that has layered windows.
#pragma once

#include <windows.h>

namespace tarnvale {

using SetLayeredWindowAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// The system's SetLayeredWindowAttributes; null where there is none.
SetLayeredWindowAttributesFunction FindSetLayeredWindowAttributes();

} // namespace tarnvale
