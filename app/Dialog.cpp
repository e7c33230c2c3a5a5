// The modal dialog base and its data exchange.
#include "app/Dialog.h"

#include "app/WinApp.h"
#include "core/ParseInteger.h"

#include <commctrl.h>

#include <cctype>

namespace tarnvale {
namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<std::int32_t> ParseWholeNumber(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return ParseInteger<std::int32_t>(text);
}

void DataExchange::Text(int controlId, std::string& value) {
    if (failed_)
        return;
    HWND control = GetDlgItem(dialog_, controlId);
    if (saving_)
        value = WindowText(control);
    else
        SetWindowTextA(control, value.c_str());
}

void DataExchange::WholeNumber(int controlId, std::int32_t& value) {
    if (failed_)
        return;
    HWND control = GetDlgItem(dialog_, controlId);
    if (!saving_) {
        SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    if (std::optional<std::int32_t> parsed = ParseWholeNumber(WindowText(control))) {
        value = *parsed;
        return;
    }
    failed_ = true;
    ShowMessage(dialog_, kWholeNumberMessage, MB_OK | MB_ICONEXCLAMATION);
    if (IsWindow(control)) {
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

CDialog::CDialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR CDialog::DoModal() {
    // The list view and the other common controls must be registered before a template names them.
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent_, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) {
    if (hwnd_)
        ::EndDialog(hwnd_, result);
}

bool CDialog::UpdateData(bool saving) {
    DataExchange exchange(hwnd_, saving);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

void CDialog::DoDataExchange(DataExchange&) {}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(int, int) {
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    }
    // The dialog procedure's own slot (DWLP_USER), not the window's user data, which the skin engine that subclasses
    // every dialog is free to use, nor a window property, whose every read is a round trip to the server under Wine
    // (a list view sends its dialog a notification per row).
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog)
        return FALSE;
    const INT_PTR handled = dialog->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        dialog->hwnd_ = nullptr;
    }
    return handled;
}

INT_PTR CDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        // Enter and Escape arrive as IDOK and IDCANCEL with code 0, buttons with BN_CLICKED.
        if ((id == IDOK || id == IDCANCEL) && (code == BN_CLICKED || lParam == 0)) {
            if (id == IDOK)
                OnOK();
            else
                OnCancel();
            return TRUE;
        }
        if (OnCommand(id, code))
            return TRUE;
        break;
    }
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    LRESULT result = 0;
    if (!OnMessage(message, wParam, lParam, result))
        return FALSE;
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace tarnvale
