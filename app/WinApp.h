// The application object and the services the program's start-up uses: the program's directory, profile
// strings from the program's private profile file, and message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnvale {

inline constexpr const char* kMessageBoxCaption = "Tarnvale Server";

// The one application object of the process. The entry point calls InitInstance; whatever it returns, the
// process then ends, so everything the program does happens inside InitInstance.
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Current();

    virtual bool InitInstance() = 0;

    // The window that stands for the program while it runs (message boxes without an owner of their own use it).
    void SetMainWindow(HWND window) { mainWindow_ = window; }
    HWND MainWindow() const { return mainWindow_; }

    // Reads section/key from the program's private profile file: the executable's base name with ".ini",
    // looked up in the Windows directory. The program only reads it.
    std::string GetProfileString(const char* section, const char* key, const char* fallback) const;
    const std::string& ProfileFileName() const { return profileFileName_; }

private:
    HWND mainWindow_ = nullptr;
    std::string profileFileName_;
};

// Runs the application object's InitInstance; the result is the process's exit code.
int RunApplication();

// The full path of the running executable.
std::string ModulePath();
// The directory of a module path, with exactly one trailing backslash ("C:\a\b.exe" gives "C:\a\").
std::string DirectoryOfModulePath(std::string_view modulePath);
// The directory of the running executable, with a trailing backslash.
std::string AppDirectory();
// "TarnvaleServer.ini" for "C:\x\TarnvaleServer.exe".
std::string ProfileFileNameFor(std::string_view modulePath);

// A message box with the program's caption. owner may be null.
int ShowMessage(HWND owner, const std::string& text, UINT type = MB_OK | MB_ICONEXCLAMATION);

} // namespace tarnvale
