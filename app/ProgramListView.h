// The main window's list view of the catalogue: four centred columns, one row per program, in catalogue order.
// Row i is the catalogue's record i: the control (an owner-data list view) knows only how many rows there are and
// asks for the texts it shows (LVN_GETDISPINFO), which are read from the catalogue then, so nothing is copied to be
// kept in step and 100,000 programs open the window about as fast as 100.
#pragma once

#include "core/MediaInfoList.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>

namespace tarnvale {

enum ProgramColumn { kColumnFile = 0, kColumnType = 1, kColumnSize = 2, kColumnPid = 3 };

// The size in MiB with three decimals, as the list shows it ("1.431M" for 1500000 bytes).
std::string SizeText(std::int32_t size);
std::string PidText(std::int32_t pid);

// A borrowed list-view control showing a borrowed catalogue; the dialog owns both. Whoever changes the catalogue
// tells the view what changed, on the window's thread.
class ProgramListView {
public:
    void Attach(HWND list, const CMediaInfoList& catalogue) {
        list_ = list;
        catalogue_ = &catalogue;
    }
    HWND get() const { return list_; }

    // Grid lines, full-row select, and the four columns, as wide at dpi as their 96-DPI widths times the scale.
    void SetUp(int dpi);
    // The window moved to a screen of another DPI: each column keeps its share of the screen, widths the operator
    // gave included.
    void Rescale(int fromDpi, int toDpi);
    // Records were appended to the catalogue (or it was loaded): the control learns the new count with one message
    // however many there are.
    void ShowAppended();
    void ShowChanged(int row);
    void ShowRemoved(int row);
    // The catalogue is about to be emptied.
    void Clear();

    // The first selected row, or -1.
    int FirstSelected() const;
    // The text a cell shows; empty for a row or column that is not there.
    std::string Text(int row, int column) const;

    // The dialog hands over every WM_NOTIFY: the control's requests for a cell's text and for the row a typed
    // prefix leads to are answered here, with result the dialog's answer. False for any other notification.
    bool AnswerRequest(NMHDR* header, LRESULT& result) const;

private:
    // The row an LVN_ODFINDITEM asks for, or -1; wide for the W form.
    int AnswerFind(const NMLVFINDITEMA& find, bool wide) const;
    // Fills in the text an LVN_GETDISPINFO asks for; wide for the W form.
    void AnswerText(LVITEMA& item, bool wide) const;
    // The first row from start on whose file begins with prefix, ignoring case, going round to the top if wrap;
    // -1 when there is none.
    int FindFrom(const char* prefix, int start, bool wrap) const;

    HWND list_ = nullptr;
    const CMediaInfoList* catalogue_ = nullptr;
};

} // namespace tarnvale
