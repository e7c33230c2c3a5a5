// The main window's list view of the catalogue: four centred columns, one row per program, in catalogue order.
#pragma once

#include "core/MediaInfo.h"

#include <windows.h>

#include <cstdint>
#include <string>

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
    // Appends a row for record at the end; its index, or -1.
    int AppendRow(const CMediaInfo& record);
    void SetPid(int row, std::int32_t pid);
    void DeleteRow(int row);
    void Clear();

    int Count() const;
    // The first selected row, or -1.
    int FirstSelected() const;
    std::string Text(int row, int column) const;

private:
    void SetText(int row, int column, const std::string& text);

    HWND list_ = nullptr;
};

} // namespace tarnvale
