// The system's file-open dialog and folder chooser.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnvale {

// "Name|pattern|Name|pattern|" as the file dialog wants it: every bar a NUL, closed by a second NUL.
std::string FileDialogFilter(std::string_view barSeparated);

// Shows the file-open dialog (read-only check box hidden); true with the chosen full path, false when the user
// cancelled or the dialog failed.
bool ChooseFileToOpen(HWND owner, std::string_view barSeparatedFilter, std::string& path);

// Shows the folder chooser rooted at the desktop with instruction as its text; true with the chosen folder's
// file-system path, false when the user cancelled or chose something that is no folder on disk.
bool ChooseFolder(HWND owner, const char* instruction, std::string& path);

} // namespace tarnvale
