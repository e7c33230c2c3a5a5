// The registry of skinned windows: attaching by the control kinds' table, finding and detaching.
#include "skin/win/SkinRegistry.h"

#include "skin/win/SkinButtons.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinEditLists.h"
#include "skin/win/SkinListView.h"
#include "skin/win/SkinScrollBar.h"
#include "skin/win/SkinTextControls.h"
#include "skin/win/WindowStyle.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarnvale {
namespace {

constexpr int kClassNameChars = 50;
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

void PrepareEdit(SkinRegistry&, HWND window) {
    InitializeFlatSB(window);
    HideSystemScrollBars(window);
}

// The edit of a drop-down combo box is made with the combo box, before anything could attach it: it is dressed
// with its combo box. It has no edge of its own, so it gets no border inside the combo box's.
void PrepareComboBox(SkinRegistry& registry, HWND window) {
    registry.AttachChildren(window);
}

void PrepareListView(SkinRegistry& registry, HWND window) {
    registry.AttachChildren(window); // its header
    const auto exStyle = static_cast<DWORD>(SendMessageA(window, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    SendMessageA(window, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle | kListViewFlatScrollBars);
    HideSystemScrollBars(window);
}

template <typename Kind>
std::unique_ptr<SkinControl> Make(LoadedSkin& skin, SkinRegistry& registry, SkinKind kind) {
    if constexpr (std::is_constructible_v<Kind, LoadedSkin&, SkinRegistry&, SkinKind>)
        return std::make_unique<Kind>(skin, registry, kind);
    else
        return std::make_unique<Kind>(skin, registry);
}

// Skin kind -> the object it gets and what is done to the control before the object takes it over.
struct KindRow {
    SkinKind kind;
    std::unique_ptr<SkinControl> (*make)(LoadedSkin&, SkinRegistry&, SkinKind);
    void (*prepare)(SkinRegistry&, HWND);
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

SkinRegistry::SkinRegistry(LoadedSkin& skin) : skin_(skin) {}

SkinRegistry::~SkinRegistry() {
    DetachAll();
}

void SkinRegistry::DetachAll() {
    while (!controls_.empty())
        Detach(controls_, controls_.begin()->first, true);
    while (!dialogs_.empty())
        Detach(dialogs_, dialogs_.begin()->first, true);
}

void SkinRegistry::SkinChanged() {
    // Collected first: a dialog's or a control's handler may attach or destroy windows meanwhile.
    std::vector<HWND> dialogs, controls;
    for (const auto& entry : dialogs_)
        dialogs.push_back(entry.first);
    for (const auto& entry : controls_)
        controls.push_back(entry.first);
    for (HWND dialog : dialogs) {
        if (FindDialog(dialog))
            SendMessageA(dialog, WM_SKINCHANGED, 0, 0);
    }
    for (HWND control : controls) {
        if (FindControl(control))
            SetWindowPos(control, nullptr, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

void SkinRegistry::AttachDialog(HWND window) {
    if (!window || !IsWindow(window) || Find(window))
        return;
    auto& dialog = dialogs_[window];
    dialog = std::make_unique<SkinDialog>(skin_, *this);
    if (!dialog->Attach(window))
        dialogs_.erase(window);
}

void SkinRegistry::AttachControl(HWND window) {
    if (!window || !IsWindow(window) || Find(window))
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

    std::unique_ptr<SkinControl> control = row->make(skin_, *this, kind);
    if (row->prepare)
        row->prepare(*this, window);
    if (!IsWindow(window) || Find(window))
        return;
    SkinControl& entry = *(controls_[window] = std::move(control));
    if (!entry.Attach(window)) {
        controls_.erase(window);
        return;
    }
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
void SkinRegistry::Detach(Registry<Object>& registry, HWND window, bool giveBack) {
    auto entry = registry.extract(window);
    if (entry.empty())
        return;
    std::unique_ptr<SkinWindow> object = std::move(entry.mapped());
    object->Detach();
    if (giveBack && IsWindow(window))
        object->GiveBack();
    if (object->Busy())
        retired_.push_back(std::move(object));
}

void SkinRegistry::Detach(HWND window) {
    Detach(controls_, window, true);
    Detach(dialogs_, window, true);
}

void SkinRegistry::Forget(HWND window) {
    Detach(controls_, window, false);
    Detach(dialogs_, window, false);
}

void SkinRegistry::Dispose(SkinWindow& object) {
    std::erase_if(retired_, [&](const std::unique_ptr<SkinWindow>& retired) { return retired.get() == &object; });
}

SkinControl* SkinRegistry::FindControl(HWND window) const {
    const auto it = controls_.find(window);
    return it == controls_.end() ? nullptr : it->second.get();
}

SkinWindow* SkinRegistry::Find(HWND window) const {
    if (SkinControl* control = FindControl(window))
        return control;
    return FindDialog(window);
}

SkinDialog* SkinRegistry::FindDialog(HWND window) const {
    const auto it = dialogs_.find(window);
    return it == dialogs_.end() ? nullptr : it->second.get();
}

} // namespace tarnvale
