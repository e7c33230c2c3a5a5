// The Windows program's entry point and its one application object.
#include "app/ServerApp.h"

#include <windows.h>

namespace {

tarnvale::CServerApp theApp;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return tarnvale::RunApplication();
}
