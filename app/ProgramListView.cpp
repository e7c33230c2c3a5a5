// The catalogue's list view.
#include "app/ProgramListView.h"

#include "core/MediaType.h"
#include "platform/Text.h"
#include "skin/DpiScale.h"

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <optional>
#include <vector>

namespace tarnvale {
namespace {

struct ColumnSpec {
    const char* heading;
    int width;
};

constexpr std::array<ColumnSpec, 4> kColumns = {{{"File", 120}, {"Type", 80}, {"Size", 80}, {"PID", 60}}};

// The control asks in the A or the W form, which differ only in the type of their texts.
std::string Narrow(const wchar_t* wide) {
    std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(text.empty() ? 0 : text.size() - 1);
    return text;
}

std::wstring Widen(const std::string& text) {
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wide.empty() ? 0 : wide.size() - 1);
    return wide;
}

} // namespace

std::string SizeText(std::int32_t size) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3fM", static_cast<double>(size) / 1048576.0);
    return text;
}

std::string PidText(std::int32_t pid) {
    return std::to_string(pid);
}

void ProgramListView::SetUp(int dpi) {
    ListView_SetExtendedListViewStyle(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    // The widths are 96-DPI pixels: on a sharper screen the columns keep showing as much of each path.
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = LVCFMT_CENTER;
        column.cx = ScaleToDpi(kColumns[i].width, dpi);
        column.pszText = const_cast<char*>(kColumns[i].heading);
        column.iSubItem = static_cast<int>(i);
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void ProgramListView::Rescale(int fromDpi, int toDpi) {
    if (fromDpi <= 0 || toDpi <= 0)
        return;
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        const int width = ListView_GetColumnWidth(list_, int(i));
        ListView_SetColumnWidth(list_, int(i), MulDiv(width, toDpi, fromDpi));
    }
}

void ProgramListView::ShowAppended() {
    // The control holds no rows of its own: it learns how many there are, and paints the new ones when it next
    // paints. No row goes in one by one, so 100,000 cost what 100 do.
    const auto count = static_cast<WPARAM>(catalogue_->Count());
    if (count != static_cast<WPARAM>(ListView_GetItemCount(list_)))
        SendMessageA(list_, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ProgramListView::ShowChanged(int row) {
    ListView_RedrawItems(list_, row, row);
}

void ProgramListView::ShowRemoved(int row) {
    // Deleted as an item, so that the control moves the selection and focus of the rows below up with them.
    ListView_DeleteItem(list_, row);
}

void ProgramListView::Clear() {
    ListView_DeleteAllItems(list_);
}

int ProgramListView::FindFrom(const char* prefix, int start, bool wrap) const {
    return catalogue_->WithRecords([&](const std::vector<CMediaInfo>& records) {
        const int count = static_cast<int>(records.size());
        const int first = start >= 0 && start < count ? start : 0;
        for (int step = 0; step < count; ++step) {
            const int row = (first + step) % count;
            if (!wrap && row < first)
                break;
            if (platform::StartsWithIgnoringCase(records[static_cast<std::size_t>(row)].m_szFile, prefix))
                return row;
        }
        return -1;
    });
}

int ProgramListView::FirstSelected() const {
    return ListView_GetNextItem(list_, -1, LVNI_SELECTED);
}

std::string ProgramListView::Text(int row, int column) const {
    if (row < 0)
        return {};
    const std::optional<CMediaInfo> cells = catalogue_->At(static_cast<std::size_t>(row));
    if (!cells)
        return {};
    switch (column) {
    case kColumnFile:
        return cells->m_szFile;
    case kColumnType:
        return MediaTypeText(cells->m_nType);
    case kColumnSize:
        return SizeText(cells->m_nSize);
    case kColumnPid:
        return PidText(cells->m_nPID);
    default:
        return {};
    }
}

bool ProgramListView::AnswerRequest(NMHDR* header, LRESULT& result) const {
    if (!header || header->hwndFrom != list_)
        return false;
    switch (header->code) {
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        result = AnswerFind(*reinterpret_cast<const NMLVFINDITEMA*>(header), header->code == LVN_ODFINDITEMW);
        return true;
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
        AnswerText(reinterpret_cast<NMLVDISPINFOA*>(header)->item, header->code == LVN_GETDISPINFOW);
        return true;
    default:
        return false;
    }
}

int ProgramListView::AnswerFind(const NMLVFINDITEMA& find, bool wide) const {
    // Typing a file's first letters in the list selects the next row whose file begins with them.
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz)
        return -1;
    const std::string prefix = wide ? Narrow(reinterpret_cast<const wchar_t*>(find.lvfi.psz)) : find.lvfi.psz;
    return FindFrom(prefix.c_str(), find.iStart, find.lvfi.flags & LVFI_WRAP);
}

void ProgramListView::AnswerText(LVITEMA& item, bool wide) const {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0)
        return;
    const std::string text = Text(item.iItem, item.iSubItem);
    if (wide)
        lstrcpynW(reinterpret_cast<wchar_t*>(item.pszText), Widen(text).c_str(), item.cchTextMax);
    else
        lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
}

} // namespace tarnvale
