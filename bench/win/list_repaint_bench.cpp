// The main window's catalogue list view with 1,000 programs under the default skin: one full repaint (frame, bars,
// header and rows) skinned and unskinned, per call, and the ratio between the two.
#include "BenchTiming.h"
#include "app/ProgramListView.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"
#include "res/resource.h"
#include "skin/win/SkinManager.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace tarnvale;

namespace {

constexpr int kPrograms = 1000;
constexpr int kRepaints = 100, kRuns = 5;

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The main window's own template, without the window's commands and network service: just its list, filled.
HWND OpenCatalogue() {
    const HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, QuietDialogProc, 0);
    if (!dialog)
        return nullptr;
    ProgramListView list;
    list.Attach(GetDlgItem(dialog, IDC_PROGRAM_LIST));
    list.SetUp();
    for (int i = 0; i < kPrograms; ++i) {
        CMediaInfo record;
        record.SetPath(("C:\\Media\\Films\\program-" + std::to_string(i) + ".mpg").c_str());
        record.m_nPID = 10 + i;
        record.m_nType = i % 4;
        record.m_nSize = 1048576 * (i % 700);
        list.AppendRow(record);
    }
    SetWindowPos(dialog, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    return dialog;
}

// Seconds per full repaint of the list: its frame and bars, its header and the visible rows, drawn now.
double RepaintSeconds(HWND list) {
    const double best = bench::BestSeconds(kRuns, [&] {
        for (int i = 0; i < kRepaints; ++i)
            RedrawWindow(list, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    return best / kRepaints;
}

double Measure(bool skinned) {
    std::unique_ptr<SkinManager> skins;
    if (skinned) {
        skins = std::make_unique<SkinManager>();
        skins->Start((AppDirectory() + kDefaultSkinRelativePath).c_str());
    }
    const HWND dialog = OpenCatalogue();
    if (!dialog)
        return -1;
    const HWND list = GetDlgItem(dialog, IDC_PROGRAM_LIST);
    if (skinned && !(skins->FindControl(list) && skins->HasElementImage(kElementScrollArrows)))
        std::fprintf(stderr, "the default skin did not dress the list; is skins\\Tarnvale beside the program?\n");
    const double seconds = RepaintSeconds(list);
    DestroyWindow(dialog);
    Pump();
    return seconds;
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const double plain = Measure(false);
    const double skinned = Measure(true);
    if (plain <= 0 || skinned <= 0) {
        std::fprintf(stderr, "the catalogue window could not be opened\n");
        return 1;
    }
    std::printf("catalogue list view, %d programs, full repaint (best of %d runs of %d)\n", kPrograms, kRuns,
                kRepaints);
    std::printf("unskinned: %8.3f ms per repaint\n", plain * 1e3);
    std::printf("skinned:   %8.3f ms per repaint\n", skinned * 1e3);
    std::printf("ratio:     %8.2fx (target at most 1.5x)\n", skinned / plain);
    return 0;
}
