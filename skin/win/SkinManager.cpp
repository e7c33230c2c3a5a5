// The manager: current pointer, hook, the loaded skin and its element images, attaching and detaching,
// registries and the hover timer.
#include "skin/win/SkinManager.h"

#include "platform/File.h"
#include "skin/win/SkinButtons.h"
#include "skin/win/SkinDialog.h"
#include "skin/win/SkinEditLists.h"
#include "skin/win/SkinImages.h"
#include "skin/win/SkinListView.h"
#include "skin/win/SkinScrollBar.h"
#include "skin/win/WindowStyle.h"

#include <algorithm>
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

SkinManager* SkinManager::current_ = nullptr;

SkinManager::SkinManager() {
    current_ = this;
}

SkinManager::~SkinManager() {
    Unhook();
    DetachAll(controls_);
    DetachAll(dialogs_);
    FreeImages();
    if (current_ == this)
        current_ = nullptr;
}

SkinManager* SkinManager::Current() {
    return current_;
}

HHOOK SkinManager::Start(const char* skinPath) {
    if (hook_)
        return hook_.get();
    LoadSkin(skinPath);
    hook_.reset(SetWindowsHookExA(WH_CBT, CbtHookProc, nullptr, GetCurrentThreadId()));
    return hook_.get();
}

void SkinManager::Unhook() {
    hook_.reset();
}

void SkinManager::LoadSkin(const char* path) {
    FreeImages();
    skinPath_ = path ? path : "";
    const DWORD attributes = skinPath_.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(skinPath_.c_str());
    std::vector<std::uint8_t> bytes;
    bool readable = false;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        skinPath_ = ResolveSkinPath(skinPath_, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        readable = platform::ReadWholeFile(skinPath_, bytes) == platform::ReadResult::Ok;
    }
    if (!readable) {
        // Nothing to read (no skin there, or one the system will not let us read): every element reads its
        // defaults and has no image; the global settings stay.
        profile_ = IniProfile();
    } else {
        profile_ = IniProfile::Parse(bytes);
        for (int id = 0; id < kElementCount; ++id) {
            elements_[id].frame = {};
            elements_[id].offsetX = elements_[id].offsetY = 0;
            elements_[id].anchorTopRight = false;
            LoadElement(id);
        }
        settings_ =
            ReadGlobalSettings(profile_, GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_INACTIVECAPTIONTEXT));
    }
    // Dialogs are told even when the skin is missing: their images are gone, so their frames must change.
    std::vector<HWND> dialogs;
    for (const auto& entry : dialogs_)
        dialogs.push_back(entry.first);
    for (HWND dialog : dialogs) {
        if (FindDialog(dialog))
            SendMessageA(dialog, WM_SKINCHANGED, 0, 0);
    }
}

HIMAGELIST SkinManager::LoadElement(int id) {
    if (!IsElementId(id))
        return nullptr;
    if (images_[id])
        return images_[id].get();
    SkinElement& element = elements_[id];
    const std::string imageFile = ReadElementSection(profile_, id, element);
    if (imageFile.empty())
        return nullptr;
    const std::optional<std::string> path = ImagePath(skinPath_, imageFile);
    if (!path)
        return nullptr;
    images_[id].reset(LoadElementImage(id, *path, element.frame));
    return images_[id].get();
}

bool SkinManager::HasElementImage(int id) const {
    return IsElementId(id) && images_[id];
}

bool SkinManager::DrawSized(HDC hdc, int id, int frame, const RECT& rect) {
    if (IsRectEmpty(&rect))
        return false;
    const HIMAGELIST image = LoadElement(id);
    if (!image)
        return false;
    if (const HIMAGELIST sized = SizedFrameImage(id, image, frame, rect.right - rect.left, rect.bottom - rect.top))
        ImageList_Draw(sized, 0, hdc, rect.left, rect.top, ILD_TRANSPARENT);
    return true;
}

HIMAGELIST SkinManager::SizedFrameImage(int id, HIMAGELIST image, int frame, int width, int height) {
    const auto kept = std::find_if(sizedFrames_.begin(), sizedFrames_.end(), [&](const SizedFrame& s) {
        return s.id == id && s.frame == frame && s.width == width && s.height == height;
    });
    if (kept != sizedFrames_.end()) {
        std::rotate(sizedFrames_.begin(), kept, kept + 1);
        return sizedFrames_.front().image.get();
    }
    const SkinElement& element = elements_[id];
    UniqueImageList composed(ComposeNineGrid(image, frame, element.frame, element.margins, width, height));
    if (!composed)
        return nullptr;
    constexpr std::size_t kKept = 32;
    if (sizedFrames_.size() == kKept)
        sizedFrames_.pop_back();
    sizedFrames_.insert(sizedFrames_.begin(), {id, frame, width, height, std::move(composed)});
    return sizedFrames_.front().image.get();
}

bool SkinManager::DrawFrame(HDC hdc, int id, int frame, const RECT& rect, UINT drawStyle) {
    if (IsRectEmpty(&rect))
        return false;
    const HIMAGELIST image = LoadElement(id);
    if (!image)
        return false;
    // Frames outside the strip draw nothing; a negative index would make the image list read before its start.
    if (frame >= 0)
        ImageList_Draw(image, frame, hdc, rect.left, rect.top, drawStyle);
    return true;
}

bool SkinManager::DrawTiled(HDC hdc, int id, SIZE plane, const RECT& part, POINT to) {
    RECT inside;
    const RECT whole{0, 0, plane.cx, plane.cy};
    if (!IntersectRect(&inside, &part, &whole))
        return HasElementImage(id);
    const HBITMAP tiles = TiledPlane(id, plane);
    if (!tiles)
        return false;
    MemoryDC source(hdc);
    if (!source)
        return false;
    ScopedSelect select(source.get(), tiles);
    BitBlt(hdc, to.x + inside.left - part.left, to.y + inside.top - part.top, inside.right - inside.left,
           inside.bottom - inside.top, source.get(), inside.left, inside.top, SRCCOPY);
    return true;
}

HBITMAP SkinManager::TiledPlane(int id, SIZE plane) {
    const auto kept = std::find_if(tiledPlanes_.begin(), tiledPlanes_.end(), [&](const TiledPlaneImage& t) {
        return t.id == id && t.width == plane.cx && t.height == plane.cy;
    });
    if (kept != tiledPlanes_.end()) {
        std::rotate(tiledPlanes_.begin(), kept, kept + 1);
        return tiledPlanes_.front().bitmap.get();
    }
    const SkinElement& element = elements_[id];
    const int tileWidth = element.frame.width, tileHeight = element.frame.height;
    if (!LoadElement(id) || tileWidth <= 0 || tileHeight <= 0 || plane.cx <= 0 || plane.cy <= 0)
        return nullptr;
    WindowDC screen(nullptr);
    MemoryDC canvas(screen.get());
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), plane.cx, plane.cy));
    if (!canvas || !bitmap)
        return nullptr;
    {
        ScopedSelect select(canvas.get(), bitmap.get());
        for (LONG y = 0; y < plane.cy; y += tileHeight) {
            for (LONG x = 0; x < plane.cx; x += tileWidth)
                DrawFrame(canvas.get(), id, 0, {x, y, x + tileWidth, y + tileHeight}, ILD_NORMAL);
        }
    }
    // A dialog or two, each at a size or two while it is resized.
    constexpr std::size_t kKept = 4;
    if (tiledPlanes_.size() == kKept)
        tiledPlanes_.pop_back();
    tiledPlanes_.insert(tiledPlanes_.begin(), {id, plane.cx, plane.cy, std::move(bitmap)});
    return tiledPlanes_.front().bitmap.get();
}

void SkinManager::FillSolid(HDC hdc, const RECT& rect, COLORREF colour) {
    SetBkColor(hdc, colour);
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void SkinManager::FreeImages() {
    sizedFrames_.clear();
    tiledPlanes_.clear();
    for (UniqueImageList& image : images_)
        image.reset();
}

bool SkinManager::IsSkinned(HWND window) const {
    return controls_.contains(window) || dialogs_.contains(window);
}

void SkinManager::AttachDialog(HWND window) {
    if (!window || !IsWindow(window) || IsSkinned(window))
        return;
    auto& dialog = dialogs_[window];
    dialog = std::make_unique<SkinDialog>(*this);
    dialog->Subclass(window, DialogWindowProc);
}

void SkinManager::AttachControl(HWND window) {
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

    std::unique_ptr<SkinControl> control = row->make(*this, kind);
    if (row->prepare)
        row->prepare(*this, window);
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

void SkinManager::AttachChildren(HWND parent) {
    // Collected first, so that attaching cannot lose the place in the z-order walk.
    std::vector<HWND> children;
    for (HWND child = GetTopWindow(parent); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children)
        AttachControl(child);
}

template <typename Object>
void SkinManager::Detach(Registry<Object>& registry, HWND window) {
    const auto it = registry.find(window);
    // While an object gives its window back, messages may come through it again, WM_NCDESTROY among them.
    if (it == registry.end() || it->second->Detaching())
        return;
    it->second->Unsubclass();
    registry.erase(window);
}

template <typename Object>
void SkinManager::DetachAll(Registry<Object>& registry) {
    while (!registry.empty())
        Detach(registry, registry.begin()->first);
}

void SkinManager::DetachControl(HWND window) {
    Detach(controls_, window);
}

void SkinManager::DetachDialog(HWND window) {
    Detach(dialogs_, window);
}

SkinControl* SkinManager::FindControl(HWND window) const {
    const auto it = controls_.find(window);
    return it == controls_.end() ? nullptr : it->second.get();
}

SkinDialog* SkinManager::FindDialog(HWND window) const {
    const auto it = dialogs_.find(window);
    return it == dialogs_.end() ? nullptr : it->second.get();
}

SkinWindow* SkinManager::FindSkinned(HWND window) const {
    if (SkinControl* control = FindControl(window))
        return control;
    return FindDialog(window);
}

void SkinManager::StartHoverTimer(HWND window) {
    SetTimer(window, kHoverTimerId, kHoverTimerMs, HoverLeaveTimerProc);
}

const SkinElement& SkinManager::Element(int id) const {
    static const SkinElement kNone;
    return IsElementId(id) ? elements_[id] : kNone;
}

LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam) {
    SkinManager* manager = SkinManager::Current();
    if (manager && code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const char* className = create->lpcs->lpszClass;
        if (IS_INTRESOURCE(className) && LOWORD(reinterpret_cast<ULONG_PTR>(className)) == kDialogClassAtom)
            manager->AttachDialog(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(manager ? manager->hook_.get() : nullptr, code, wParam, lParam);
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
