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
    // Kept before the row exists, since the control may ask for its texts as it goes in.
    rows_.push_back(record);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = Count() - 1;
    item.pszText = LPSTR_TEXTCALLBACKA;
    const int row = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row != item.iItem) {
        if (row >= 0)
            ListView_DeleteItem(list_, row);
        rows_.pop_back();
        return -1;
    }
    return row;
}

void ProgramListView::AppendRows(std::span<const CMediaInfo> records) {
    if (records.empty())
        return;
    rows_.reserve(rows_.size() + records.size());
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LVM_SETITEMCOUNT, rows_.size() + records.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    for (const CMediaInfo& record : records)
        AppendRow(record);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

void ProgramListView::SetPid(int row, std::int32_t pid) {
    if (row < 0 || row >= Count())
        return;
    rows_[static_cast<std::size_t>(row)].m_nPID = pid;
    ListView_RedrawItems(list_, row, row);
}

void ProgramListView::DeleteRow(int row) {
    if (row >= 0 && row < Count() && ListView_DeleteItem(list_, row))
        rows_.erase(rows_.begin() + row);
}

void ProgramListView::Clear() {
    ListView_DeleteAllItems(list_);
    rows_.clear();
}

int ProgramListView::FirstSelected() const {
    return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

std::string ProgramListView::Text(int row, int column) const {
    if (row < 0 || row >= Count())
        return {};
    const CMediaInfo& cells = rows_[static_cast<std::size_t>(row)];
    switch (column) {
    case kColumnFile:
        return cells.m_szFile;
    case kColumnType:
        return MediaTypeText(cells.m_nType);
    case kColumnSize:
        return SizeText(cells.m_nSize);
    case kColumnPid:
        return PidText(cells.m_nPID);
    default:
        return {};
    }
}

bool ProgramListView::AnswerTextRequest(NMHDR* header) const {
    if (!header || header->hwndFrom != list_ || (header->code != LVN_GETDISPINFOA && header->code != LVN_GETDISPINFOW))
        return false;
    // The A and W forms of the request differ only in the text buffer's type.
    auto& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return true;
    const std::string text = Text(item.iItem, item.iSubItem);
    if (header->code == LVN_GETDISPINFOA) {
        lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
    } else {
        std::wstring wide(text.size() + 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
        lstrcpynW(reinterpret_cast<wchar_t*>(item.pszText), wide.c_str(), item.cchTextMax);
    }
    return true;
}

} // namespace tarnvale
