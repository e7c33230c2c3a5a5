// The catalogue's list view.
#include "app/ProgramListView.h"

#include "core/MediaType.h"

#include <commctrl.h>

#include <array>
#include <cstdio>

namespace tarnvale {
namespace {

struct ColumnSpec {
    const char* heading;
    int width;
};

constexpr std::array<ColumnSpec, 4> kColumns = {{{"File", 120}, {"Type", 80}, {"Size", 80}, {"PID", 60}}};

// Long enough for any path a record can hold, with its terminator.
constexpr int kTextBuffer = 512;

} // namespace

std::string SizeText(std::int32_t size) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3fM", static_cast<double>(size) / 1048576.0);
    return text;
}

std::string PidText(std::int32_t pid) {
    return std::to_string(pid);
}

void ProgramListView::SetUp() {
    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_CENTER;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<char*>(kColumns[i].heading);
        column.iSubItem = static_cast<int>(i);
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

int ProgramListView::AppendRow(const CMediaInfo& record) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = Count();
    item.pszText = const_cast<char*>(record.m_szFile);
    const int row = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    SetText(row, kColumnType, MediaTypeText(record.m_nType));
    SetText(row, kColumnSize, SizeText(record.m_nSize));
    SetText(row, kColumnPid, PidText(record.m_nPID));
    return row;
}

void ProgramListView::SetPid(int row, std::int32_t pid) {
    SetText(row, kColumnPid, PidText(pid));
}

void ProgramListView::DeleteRow(int row) {
    ListView_DeleteItem(list_, row);
}

void ProgramListView::Clear() {
    ListView_DeleteAllItems(list_);
}

int ProgramListView::Count() const {
    return ListView_GetItemCount(list_);
}

int ProgramListView::FirstSelected() const {
    return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

std::string ProgramListView::Text(int row, int column) const {
    char text[kTextBuffer] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kTextBuffer;
    SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void ProgramListView::SetText(int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

} // namespace tarnvale
