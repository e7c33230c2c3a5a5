// The main window with 1,000 programs in its catalogue list under the default skin: one full repaint of the list
// (frame, bars, header and rows) and of the whole window (every control the skin dresses), skinned and unskinned,
// per call, and the ratios between the two; then the whole window's parts one by one, to tell where the time goes.
#include "BenchTiming.h"
#include "WinBench.h"
#include "app/ProgramListView.h"
#include "app/ServerApp.h"
#include "app/WinApp.h"
#include "core/MediaInfoList.h"
#include "res/resource.h"
#include "skin/DpiScale.h"
#include "skin/win/SkinManager.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace tarnvale;

namespace {

constexpr int kPrograms = 1000;
constexpr int kRepaints = 50, kRuns = 9;

// The main window's own template, without the window's commands and network service: just its list showing a
// catalogue, as the window shows it.
struct CatalogueWindow {
    CMediaInfoList catalogue;
    ProgramListView list;
    HWND dialog = nullptr;
};

INT_PTR CALLBACK CatalogueDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    const auto* view = reinterpret_cast<const ProgramListView*>(GetWindowLongPtrA(dialog, DWLP_USER));
    LRESULT result = 0;
    if (message != WM_NOTIFY || !view || !view->AnswerRequest(reinterpret_cast<NMHDR*>(lParam), result))
        return FALSE;
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// Opens window's dialog at left pixels from the screen's left edge, its list filled.
bool OpenCatalogue(CatalogueWindow& window, int left) {
    window.dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, CatalogueDialogProc, 0);
    if (!window.dialog)
        return false;
    SetWindowLongPtrA(window.dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&window.list));
    window.list.Attach(GetDlgItem(window.dialog, IDC_PROGRAM_LIST), window.catalogue);
    window.list.SetUp(kBaseDpi);
    for (int i = 0; i < kPrograms; ++i) {
        CMediaInfo record;
        record.SetPath(("C:\\Media\\Films\\program-" + std::to_string(i) + ".mpg").c_str());
        record.m_nPID = 10 + i;
        record.m_nType = i % 4;
        record.m_nSize = 1048576 * (i % 700);
        window.catalogue.Append(record);
    }
    window.list.ShowAppended();
    SetWindowPos(window.dialog, HWND_TOP, left, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    bench::PumpPending();
    return true;
}

// Seconds for kRepaints full repaints of a window: its frame, and its children with theirs unless children is
// RDW_NOCHILDREN, drawn now.
double RepaintBatch(HWND window, UINT children) {
    return bench::BestSeconds(1, [&] {
        for (int i = 0; i < kRepaints; ++i)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | children | RDW_UPDATENOW);
    });
}

// Counts the messages that reach a window and its descendants, subclassed after the skin as anyone else would
// subclass them: every message a repaint sends to them is counted once, as it enters the window's chain.
class MessageCount {
public:
    explicit MessageCount(HWND window) { Watch(window); }
    ~MessageCount() {
        for (HWND window : windows_)
            RemoveWindowSubclass(window, Count, reinterpret_cast<UINT_PTR>(this));
    }
    MessageCount(const MessageCount&) = delete;
    MessageCount& operator=(const MessageCount&) = delete;

    long Messages() const { return count_; }
    const std::map<UINT, long>& ByMessage() const { return byMessage_; }

private:
    void Watch(HWND window) {
        if (SetWindowSubclass(window, Count, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
            windows_.push_back(window);
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            Watch(child);
    }
    static LRESULT CALLBACK Count(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
        auto& count = *reinterpret_cast<MessageCount*>(self);
        ++count.count_;
        ++count.byMessage_[message];
        return DefSubclassProc(window, message, wParam, lParam);
    }

    std::vector<HWND> windows_;
    long count_ = 0;
    std::map<UINT, long> byMessage_;
};

// The messages one full repaint of window and its children sends to them, in all and by message.
std::map<UINT, long> RepaintMessages(HWND window, long& all) {
    const MessageCount count(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    all = count.Messages();
    return count.ByMessage();
}

struct Figures {
    std::string what;
    HWND plain, skinned;
    const char* target; // the ratio aimed at; empty for the parts, shown to tell where the time goes
    UINT children = RDW_ALLCHILDREN;
    double plainBest = 1e9, skinnedBest = 1e9;
};

} // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // The plain window is opened before the skin manager exists, so that it stays unskinned; the two are then
    // measured in turns, so that a busy machine slows both alike.
    CatalogueWindow plainWindow;
    const bool plainOpened = OpenCatalogue(plainWindow, 20);
    SkinManager skins;
    skins.Start((AppDirectory() + kDefaultSkinRelativePath).c_str());
    RECT bounds{};
    GetWindowRect(plainWindow.dialog, &bounds);
    CatalogueWindow skinnedWindow;
    if (!plainOpened || !OpenCatalogue(skinnedWindow, bounds.right + 20)) {
        std::fprintf(stderr, "the catalogue window could not be opened\n");
        return 1;
    }
    const HWND plain = plainWindow.dialog;
    const HWND skinned = skinnedWindow.dialog;
    const HWND plainList = GetDlgItem(plain, IDC_PROGRAM_LIST);
    const HWND skinnedList = GetDlgItem(skinned, IDC_PROGRAM_LIST);
    if (skins.Registry().FindControl(plainList) || !skins.Registry().FindControl(skinnedList) ||
        !skins.Skin().HasElementImage(kElementScrollArrows)) {
        std::fprintf(stderr, "the default skin did not dress just the second list; is skins\\Tarnvale beside the "
                             "program?\n");
        return 1;
    }
    std::vector<Figures> figures{
        {"catalogue list view", plainList, skinnedList, "at most 1.5x"},
        {"whole window", plain, skinned, "at most 1.2x"},
        {"  its parts: the dialog alone (frame and background)", plain, skinned, "", RDW_NOCHILDREN}};
    for (HWND p = GetWindow(plain, GW_CHILD), s = GetWindow(skinned, GW_CHILD); p && s;
         p = GetWindow(p, GW_HWNDNEXT), s = GetWindow(s, GW_HWNDNEXT)) {
        char className[64] = {}, text[64] = {};
        GetClassNameA(p, className, sizeof className);
        GetWindowTextA(p, text, sizeof text);
        if (p != plainList)
            figures.push_back({std::string("  its parts: ") + className + " \"" + text + "\"", p, s, ""});
    }
    for (int run = 0; run < kRuns; ++run) {
        for (Figures& f : figures) {
            f.plainBest = std::min(f.plainBest, RepaintBatch(f.plain, f.children));
            f.skinnedBest = std::min(f.skinnedBest, RepaintBatch(f.skinned, f.children));
        }
    }
    long plainMessages = 0, skinnedMessages = 0;
    const std::map<UINT, long> plainBy = RepaintMessages(plain, plainMessages);
    const std::map<UINT, long> skinnedBy = RepaintMessages(skinned, skinnedMessages);
    DestroyWindow(skinned);
    DestroyWindow(plain);
    std::printf("main window, %d programs, full repaint (best of %d runs of %d, in turns)\n", kPrograms, kRuns,
                kRepaints);
    std::printf("%-56s unskinned %7ld,    skinned %7ld,    %5.2fx\n", "messages to the window and its controls",
                plainMessages, skinnedMessages, double(skinnedMessages) / double(plainMessages));
    // The messages the skin adds most of, to tell which of them to spare.
    std::vector<std::pair<long, UINT>> added;
    for (const auto& [message, count] : skinnedBy) {
        const auto plainCount = plainBy.find(message);
        added.push_back({count - (plainCount == plainBy.end() ? 0 : plainCount->second), message});
    }
    std::sort(added.rbegin(), added.rend());
    for (std::size_t i = 0; i < added.size() && i < 6 && added[i].first > 0; ++i)
        std::printf("  of which added by the skin: message 0x%04X, %ld more\n", added[i].second, added[i].first);
    for (const Figures& f : figures) {
        const double plainEach = f.plainBest / kRepaints, skinnedEach = f.skinnedBest / kRepaints;
        std::printf("%-56s unskinned %7.3f ms, skinned %7.3f ms, %5.2fx", f.what.c_str(), plainEach * 1e3,
                    skinnedEach * 1e3, skinnedEach / plainEach);
        std::printf(*f.target ? " (target %s)\n" : "\n", f.target);
    }
    return 0;
}
