// The main window's list view of the catalogue: four centred columns, one row per program, in catalogue order.
// The rows are kept here alone: the control (an owner-data list view) knows only how many there are and asks for the
// texts it shows (LVN_GETDISPINFO), so that 100,000 programs open the window about as fast as 100.
#pragma once

#include "core/MediaInfo.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarnvale {

enum ProgramColumn { kColumnFile = 0, kColumnType = 1, kColumnSize = 2, kColumnPid = 3 };

// The size in MiB with three decimals, as the list shows it ("1.431M" for 1500000 bytes).
std::string SizeText(std::int32_t size);
std::string PidText(std::int32_t pid);

// A borrowed list-view control; the dialog owns the window.
class ProgramListView {
public:
    void Attach(HWND list) { list_ = list; }
    HWND get() const { return list_; }

    // Grid lines, full-row select, and the four columns.
    void SetUp();
    // Appends a row for record at the end.
    void AppendRow(const CMediaInfo& record);
    // Appends a row per record, in order, with one message to the control however many there are (a load, a batch
    // of a folder search).
    void AppendRows(std::vector<CMediaInfo> records);
    void SetPid(int row, std::int32_t pid);
    void DeleteRow(int row);
    void Clear();

    int Count() const { return static_cast<int>(rows_.size()); }
    // The first selected row, or -1.
    int FirstSelected() const;
    // The text a cell shows; empty for a row or column that is not there.
    std::string Text(int row, int column) const;

    // The dialog hands over every WM_NOTIFY: the control's requests for a cell's text and for the row a typed
    // prefix leads to are answered here, with result the dialog's answer. False for any other notification.
    bool AnswerRequest(NMHDR* header, LRESULT& result) const;

private:
    void TellCount();
    // The row an LVN_ODFINDITEM asks for, or -1; wide for the W form.
    int AnswerFind(const NMLVFINDITEMA& find, bool wide) const;
    // Fills in the text an LVN_GETDISPINFO asks for; wide for the W form.
    void AnswerText(LVITEMA& item, bool wide) const;
    // The first row from start on whose file begins with prefix, ignoring case, going round to the top if wrap;
    // -1 when there is none.
    int FindFrom(const char* prefix, int start, bool wrap) const;

    HWND list_ = nullptr;
    // What each row of the control shows, in its order: a copy of the record it was made from (no allocation per
    // row), whose PID alone an edit changes.
    std::vector<CMediaInfo> rows_;
};

} // namespace tarnvale
