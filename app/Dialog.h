// The modal dialog base: a dialog template run modally, a few overridable handlers, and data exchange between
// members and controls (text, and decimal whole numbers with a validation message when a field holds none).
#pragma once

#include "skin/win/WindowText.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvale {

inline constexpr const char* kWholeNumberMessage = "Please enter a whole number.";

// Parses a decimal whole number that fits 32 bits, with an optional sign and blanks around it.
std::optional<std::int32_t> ParseWholeNumber(std::string_view text);

// One transfer between a dialog's controls and its members, in one direction.
class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    void Text(int controlId, std::string& value);
    // On saving, a control that holds no whole number shows the validation message, gets the focus with its
    // text selected, and fails the exchange; the member keeps its value.
    void WholeNumber(int controlId, std::int32_t& value);

private:
    HWND dialog_;
    bool saving_;
    bool failed_ = false;
};

class CDialog {
public:
    CDialog(int templateId, HWND parent);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog until it ends; IDOK, IDCANCEL, or -1 when it could not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetSafeHwnd() const { return hwnd_; }
    HWND Item(int controlId) const { return GetDlgItem(hwnd_, controlId); }

    // Moves member values into the controls (saving false) or control values into the members (saving true);
    // false when a control held a value its member cannot take.
    bool UpdateData(bool saving);

protected:
    virtual void DoDataExchange(DataExchange& exchange);
    // The base moves the members into the controls; return true to let the dialog set the focus.
    virtual bool OnInitDialog();
    // The base reads the controls and ends the dialog with IDOK, or keeps it open when a value is refused.
    virtual void OnOK();
    virtual void OnCancel();
    // A WM_COMMAND other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(int controlId, int notifyCode);
    virtual void OnDestroy() {}
    // Any other message; true (with result set) when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
};

} // namespace tarnvale
