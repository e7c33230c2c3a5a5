// The application object, its directory and profile file, and message boxes.
#include "app/WinApp.h"

#include <cstdlib>
#include <vector>

namespace tarnvale {
namespace {

CWinApp* gApp = nullptr;

} // namespace

CWinApp::CWinApp() : profileFileName_(ProfileFileNameFor(ModulePath())) {
    gApp = this;
}

CWinApp::~CWinApp() {
    if (gApp == this)
        gApp = nullptr;
}

CWinApp* CWinApp::Current() {
    return gApp;
}

std::string CWinApp::GetProfileString(const char* section, const char* key, const char* fallback) const {
    // The API says nothing of how long the value is: grow the buffer until the value fits with room to spare.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(section, key, fallback, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           profileFileName_.c_str());
        if (n + 1 < buffer.size() || buffer.size() >= 65536)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

int RunApplication() {
    CWinApp* app = CWinApp::Current();
    if (!app)
        return 1;
    app->InitInstance();
    return 0;
}

std::string ModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        if (buffer.size() >= 32768)
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string DirectoryOfModulePath(std::string_view modulePath) {
    // Drive and directory, as the C runtime's path splitting gives them; then exactly one closing backslash.
    const std::size_t separator = modulePath.find_last_of("\\/");
    std::string directory;
    if (separator != std::string_view::npos)
        directory = modulePath.substr(0, separator + 1);
    else if (const std::size_t colon = modulePath.find(':'); colon != std::string_view::npos)
        directory = modulePath.substr(0, colon + 1);
    if (directory.empty() || (directory.back() != '\\' && directory.back() != '/'))
        directory += '\\';
    return directory;
}

std::string AppDirectory() {
    return DirectoryOfModulePath(ModulePath());
}

std::string ProfileFileNameFor(std::string_view modulePath) {
    std::string_view name = modulePath.substr(modulePath.find_last_of("\\/:") + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::string(name) + ".ini";
}

int ShowMessage(HWND owner, const std::string& text, UINT type) {
    return MessageBoxA(owner, text.c_str(), kMessageBoxCaption, type);
}

} // namespace tarnvale
