// The registry of skinned windows: the creation hook, attaching by the control kinds' table, finding and
// detaching, the window procedures that route to the skin objects, and the hover timer.
#include "skin/win/SkinRegistry.h"

#include "skin/win/SkinButtons.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinEditLists.h"
#include "skin/win/SkinListView.h"
#include "skin/win/SkinManager.h"
#include "skin/win/SkinScrollBar.h"
#include "skin/win/WindowStyle.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarnvale {
namespace {

// The predefined dialog class, as the dialog manager names it when it creates a dialog.
constexpr WORD kDialogClassAtom = 0x8002;
constexpr int kClassNameChars = 50;
constexpr UINT kHoverTimerId = 0;
constexpr UINT kHoverTimerMs = 50;
constexpr DWORD kListViewFlatScrollBars = 0x100; // LVS_EX_FLATSB

std::string ClassNameOf(HWND window) {
    char name[kClassNameChars] = {};
    GetClassNameA(window, name, kClassNameChars);
    return name;
}

// The system's own scroll bars of edits and list views shrink to nothing; the skinned bars take their place.
void HideSystemScrollBars(HWND window) {
    FlatSB_SetScrollProp(window, WSB_PROP_CYHSCROLL, 0, FALSE);
    FlatSB_SetScrollProp(window, WSB_PROP_CXVSCROLL, 0, FALSE);
}

void PrepareEdit(SkinManager&, HWND window) {
    InitializeFlatSB(window);
    HideSystemScrollBars(window);
}

// The edit of a drop-down combo box is made with the combo box, before anything could attach it: it is dressed
// with its combo box. It has no edge of its own, so it gets no border inside the combo box's.
void PrepareComboBox(SkinManager& manager, HWND window) {
    manager.AttachChildren(window);
}

void PrepareListView(SkinManager& manager, HWND window) {
    manager.AttachChildren(window); // its header
    const auto exStyle = static_cast<DWORD>(SendMessageA(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    SendMessageA(window, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle | kListViewFlatScrollBars);
    HideSystemScrollBars(window);
}

template <typename Kind>
std::unique_ptr<SkinControl> Make(SkinManager& manager, SkinKind kind) {
    if constexpr (std::is_constructible_v<Kind, SkinManager&, SkinKind>)
        return std::make_unique<Kind>(manager, kind);
    else
        return std::make_unique<Kind>(manager);
}

// Skin kind -> the object it gets and what is done to the control before the object takes it over.
struct KindRow {
    SkinKind kind;
    std::unique_ptr<SkinControl> (*make)(SkinManager&, SkinKind);
    void (*prepare)(SkinManager&, HWND);
};

const KindRow kKinds[] = {
    {SkinKind::Static, Make<SkinStatic>, nullptr},
    {SkinKind::PushButton, Make<SkinButton>, nullptr},
    {SkinKind::RadioButton, Make<SkinButton>, nullptr},
    {SkinKind::CheckBox, Make<SkinButton>, nullptr},
    {SkinKind::GroupBox, Make<SkinGroupBox>, nullptr},
    {SkinKind::Edit, Make<SkinEdit>, PrepareEdit},
    {SkinKind::ComboBox, Make<SkinComboBox>, PrepareComboBox},
    {SkinKind::ListBox, Make<SkinListBox>, nullptr},
    {SkinKind::ScrollBar, Make<SkinScrollBar>, nullptr},
    {SkinKind::Header, Make<SkinHeader>, nullptr},
    {SkinKind::ListView, Make<SkinListView>, PrepareListView},
};

} // namespace

SkinRegistry::SkinRegistry(SkinManager& manager) : manager_(manager) {}

SkinRegistry::~SkinRegistry() {
    DetachAll();
}

HHOOK SkinRegistry::Hook() {
    if (!hook_)
        hook_.reset(SetWindowsHookExA(WH_CBT, CbtHookProc, nullptr, GetCurrentThreadId()));
    return hook_.get();
}

void SkinRegistry::Unhook() {
    hook_.reset();
}

void SkinRegistry::DetachAll() {
    DetachAll(controls_);
    DetachAll(dialogs_);
}

void SkinRegistry::TellDialogs(UINT message) {
    std::vector<HWND> dialogs;
    for (const auto& entry : dialogs_)
        dialogs.push_back(entry.first);
    for (HWND dialog : dialogs) {
        if (FindDialog(dialog))
            SendMessageA(dialog, message, 0, 0);
    }
}

bool SkinRegistry::IsSkinned(HWND window) const {
    return controls_.contains(window) || dialogs_.contains(window);
}

void SkinRegistry::AttachDialog(HWND window) {
    if (!window || !IsWindow(window) || IsSkinned(window))
        return;
    auto& dialog = dialogs_[window];
    dialog = std::make_unique<SkinDialog>(manager_);
    dialog->Subclass(window, DialogWindowProc);
}

void SkinRegistry::AttachControl(HWND window) {
    if (!window || !IsWindow(window) || IsSkinned(window))
        return;
    const std::string className = ClassNameOf(window);
    const HWND parent = GetParent(window);
    const std::string parentClassName = parent ? ClassNameOf(parent) : std::string();
    const SkinKind kind =
        ClassifyControl({className, StyleOf(window), ExStyleOf(window), parentClassName, parent ? StyleOf(parent) : 0});
    if (kind == SkinKind::ChildrenOnly) {
        AttachChildren(window);
        return;
    }
    const auto row =
        std::find_if(std::begin(kKinds), std::end(kKinds), [&](const KindRow& r) { return r.kind == kind; });
    if (row == std::end(kKinds))
        return;

    std::unique_ptr<SkinControl> control = row->make(manager_, kind);
    if (row->prepare)
        row->prepare(manager_, window);
    if (!IsWindow(window) || IsSkinned(window))
        return;
    SkinControl& entry = *(controls_[window] = std::move(control));
    entry.Subclass(window, ControlWindowProc);
    // Our procedure now computes the non-client area; have it do so at once.
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (SkinControl* attached = FindControl(window))
        attached->Redraw();
}

void SkinRegistry::AttachChildren(HWND parent) {
    // Collected first, so that attaching cannot lose the place in the z-order walk.
    std::vector<HWND> children;
    for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children)
        AttachControl(child);
}

template <typename Object>
void SkinRegistry::Detach(Registry<Object>& registry, HWND window) {
    const auto it = registry.find(window);
    // While an object gives its window back, messages may come through it again, WM_NCDESTROY among them.
    if (it == registry.end() || it->second->Detaching())
        return;
    it->second->Unsubclass();
    registry.erase(window);
}

template <typename Object>
void SkinRegistry::DetachAll(Registry<Object>& registry) {
    while (!registry.empty())
        Detach(registry, registry.begin()->first);
}

void SkinRegistry::DetachControl(HWND window) {
    Detach(controls_, window);
}

void SkinRegistry::DetachDialog(HWND window) {
    Detach(dialogs_, window);
}

SkinControl* SkinRegistry::FindControl(HWND window) const {
    const auto it = controls_.find(window);
    return it == controls_.end() ? nullptr : it->second.get();
}

SkinDialog* SkinRegistry::FindDialog(HWND window) const {
    const auto it = dialogs_.find(window);
    return it == dialogs_.end() ? nullptr : it->second.get();
}

SkinWindow* SkinRegistry::FindSkinned(HWND window) const {
    if (SkinControl* control = FindControl(window))
        return control;
    return FindDialog(window);
}

void SkinRegistry::StartHoverTimer(HWND window) {
    SetTimer(window, kHoverTimerId, kHoverTimerMs, HoverLeaveTimerProc);
}

LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
    SkinManager* manager = SkinManager::Current();
    if (manager && code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const char* className = create->lpcs->lpszClass;
        if (IS_INTRESOURCE(className) && LOWORD(reinterpret_cast<ULONG_PTR>(className)) == kDialogClassAtom)
            manager->AttachDialog(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(manager ? static_cast<SkinRegistry&>(*manager).hook_.get() : nullptr, code, wParam, lParam);
}

LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager* manager = SkinManager::Current();
    if (SkinDialog* dialog = manager ? manager->FindDialog(window) : nullptr)
        return dialog->WindowProc(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SkinManager* manager = SkinManager::Current();
    SkinControl* control = manager ? manager->FindControl(window) : nullptr;
    if (!control)
        return DefWindowProcA(window, message, wParam, lParam);
    const LRESULT result = control->WindowProc(message, wParam, lParam);
    // However a kind treats its messages (one without its images passes them all on), a destroyed window leaves
    // the registry: a later window given the same handle must not count as skinned.
    if (message == WM_NCDESTROY)
        manager->DetachControl(window);
    return result;
}

VOID CALLBACK HoverLeaveTimerProc(HWND window, UINT, UINT_PTR idEvent, DWORD) {
    POINT cursor{};
    RECT bounds{};
    GetCursorPos(&cursor);
    GetWindowRect(window, &bounds);
    if (PtInRect(&bounds, cursor))
        return;
    // Stopped before the window hears of it, so that a handler starting the timer again keeps its new timer.
    KillTimer(window, idEvent);
    SendMessageA(window, WM_NCMOUSELEAVE, 0, 0);
}

} // namespace tarnvale
