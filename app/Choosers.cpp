// The file-open dialog and the folder chooser.
#include "app/Choosers.h"

#include "app/Handles.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace tarnvale {

std::string FileDialogFilter(std::string_view barSeparated) {
    std::string filter(barSeparated);
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter += '\0';
    return filter;
}

bool ChooseFileToOpen(HWND owner, std::string_view barSeparatedFilter, std::string& path) {
    const std::string filter = FileDialogFilter(barSeparatedFilter);
    // Room for far longer paths than a record holds, so that an over-long choice comes back and can be refused
    // with a message instead of failing inside the dialog.
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // Browsing must not move the process's current directory: relative paths given on the command line (the list
    // file, the port file) are still to be found against it when the window closes.
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn))
        return false;
    path = file.data();
    return true;
}

bool ChooseFolder(HWND owner, const char* instruction, std::string& path) {
    ComApartment com;
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.lpszTitle = instruction;
    UniquePidl chosen(SHBrowseForFolderA(&info));
    if (!chosen)
        return false;
    char buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), buffer) || buffer[0] == '\0')
        return false;
    path = buffer;
    return true;
}

} // namespace tarnvale
