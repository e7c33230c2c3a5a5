// The skin engine's coordinator: holds the loaded skin and its images, catches every dialog created on the
// user-interface thread through a window-creation hook, gives dialogs and their controls skin objects that
// replace their window procedures, and undoes all of it when windows or the manager go.
#pragma once

#include "skin/IniProfile.h"
#include "skin/SkinElement.h"
#include "skin/SkinFile.h"
#include "skin/win/GdiHandles.h"

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnvale {

class SkinControl;
class SkinDialog;
class SkinWindow;

struct HookTraits {
    using Handle = HHOOK;
    static Handle Empty() { return nullptr; }
    static void Release(Handle hook) { UnhookWindowsHookEx(hook); }
};

// Tells a skinned dialog to recompute its frame size and shape; wParam and lParam are 0.
inline constexpr UINT WM_SKINCHANGED = WM_USER + 101;

class SkinManager {
public:
    // The new manager becomes the current one.
    SkinManager();
    // Unhooks, gives every still-skinned window its own procedure (and dialogs their size) back, frees images.
    virtual ~SkinManager();
    SkinManager(const SkinManager&) = delete;
    SkinManager& operator=(const SkinManager&) = delete;

    // The manager that the hook and the window procedures serve; null when there is none.
    static SkinManager* Current();

    // Loads the skin and installs the hook for this thread; the hook is installed even when the skin file is
    // missing, so dialogs are still attached. A second call returns the hook already installed.
    HHOOK Start(const char* skinPath);
    void Unhook();
    // Frees the images and reads the skin at path (a skin file, or a directory holding "skin.ini"); skinned
    // dialogs are told with WM_SKINCHANGED. A path that does not exist, or a skin file that cannot be read, leaves
    // no element with an image and the global settings as they were.
    void LoadSkin(const char* path);

    bool IsSkinned(HWND window) const;
    void AttachDialog(HWND window);
    // Gives a control the skin object that its class and style call for, if any.
    void AttachControl(HWND window);
    // AttachControl for each direct child, in z-order.
    void AttachChildren(HWND parent);
    void DetachControl(HWND window);
    void DetachDialog(HWND window);
    SkinControl* FindControl(HWND window) const;
    SkinDialog* FindDialog(HWND window) const;
    // The skin object of a dialog or a control; null for a window the skin has not taken.
    SkinWindow* FindSkinned(HWND window) const;
    std::size_t ControlCount() const { return controls_.size(); }
    std::size_t DialogCount() const { return dialogs_.size(); }

    // Sends WM_NCMOUSELEAVE to the window once the cursor has left its rectangle (checked every 50 ms).
    void StartHoverTimer(HWND window);

    // The element's image, loaded on first request; while it has none, each request reads the element's
    // section again and retries its image.
    HIMAGELIST LoadElement(int id);
    bool HasElementImage(int id) const;
    // Draws a frame into rect by the nine-grid rule: corners at their size, edges and centre stretched, magenta
    // see-through. False (nothing drawn) for an empty rectangle or an element without an image.
    bool DrawSized(HDC hdc, int id, int frame, const RECT& rect);
    // Draws a frame at its own size at rect's top-left corner; drawStyle ILD_NORMAL or ILD_TRANSPARENT.
    bool DrawFrame(HDC hdc, int id, int frame, const RECT& rect, UINT drawStyle);
    // Copies part of a plane of width x height covered with frame 0 of the element in tiles from its origin (the
    // dialog background, laid from the client area's corner) to the point to of hdc; what of part lies outside
    // the plane is left alone. False without the image.
    bool DrawTiled(HDC hdc, int id, SIZE plane, const RECT& part, POINT to);
    // Fills rect with colour; the DC keeps it as its background colour.
    static void FillSolid(HDC hdc, const RECT& rect, COLORREF colour);
    void FreeImages();

    const SkinElement& Element(int id) const;
    const GlobalSettings& Settings() const { return settings_; }
    // The skin file actually read, after the directory rule.
    const std::string& SkinPath() const { return skinPath_; }

private:
    template <typename Object>
    using Registry = std::unordered_map<HWND, std::unique_ptr<Object>>;

    template <typename Object>
    static void Detach(Registry<Object>& registry, HWND window);
    template <typename Object>
    static void DetachAll(Registry<Object>& registry);

    friend LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);

    // The frame of an element laid into a size by the nine-grid rule, magenta where nothing covers it, as a one-image
    // masked list. Kept for the next request of the same size, since window frames repaint at one size many times.
    HIMAGELIST SizedFrameImage(int id, HIMAGELIST image, int frame, int width, int height);
    struct SizedFrame {
        int id, frame, width, height;
        UniqueImageList image;
    };
    std::vector<SizedFrame> sizedFrames_; // the most recently drawn first

    // The tiled plane of DrawTiled, made once per size: every repaint of a dialog's background and of each control's
    // piece of it is then one copy instead of a draw per tile.
    HBITMAP TiledPlane(int id, SIZE plane);
    struct TiledPlaneImage {
        int id, width, height;
        UniqueBitmap bitmap;
    };
    std::vector<TiledPlaneImage> tiledPlanes_; // the most recently drawn first

    Registry<SkinControl> controls_;
    Registry<SkinDialog> dialogs_;
    std::string skinPath_;
    UniqueHandle<HookTraits> hook_;
    GlobalSettings settings_;
    IniProfile profile_;
    std::array<SkinElement, kElementCount> elements_{};
    std::array<UniqueImageList, kElementCount> images_;

    static SkinManager* current_;
};

// The window-creation hook: attaches dialogs of the predefined dialog class and nothing else.
LRESULT CALLBACK CbtHookProc(int code, WPARAM wParam, LPARAM lParam);
// Route each message of a skinned window to its skin object; unregistered windows get DefWindowProc.
LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
VOID CALLBACK HoverLeaveTimerProc(HWND window, UINT message, UINT_PTR idEvent, DWORD time);

} // namespace tarnvale
