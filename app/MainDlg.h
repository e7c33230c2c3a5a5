// The main window: the catalogue in a list view, the host line, the operator's commands (Add, Edit, Delete,
// Delete All, folder search), and the network sides that serve it while the window is open.
#pragma once

#include "app/Dialog.h"
#include "app/FolderSearch.h"
#include "app/Handles.h"
#include "app/ProgramListView.h"
#include "core/ListFile.h"
#include "core/MediaInfoList.h"
#include "net/HostAddress.h"
#include "net/Protocol.h"
#include "platform/FileLock.h"
#include "server/LogFile.h"
#include "server/NetworkSides.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnvale {

inline constexpr const char* kFolderChooserText = "ALL Folder";
// The list view's place after a resize, in pixels at 96 DPI from the client area's top.
inline constexpr int kListTopAfterResize = 100;

// What the operator is told when the list file could not be opened, or could not be read to its end; savesOnClose
// false when this run saves nothing (another writer holds the list file).
std::string ListFileReadMessage(const std::string& path, const ListFileLoad& load, bool savesOnClose = true);
// What the operator is told when the window could not take the list file's writers' lock (why says who holds it).
std::string WritersLockMessage(const std::string& why);

// How the window names itself to the other writers of its list file, and how long it waits for one of them.
inline constexpr const char* kWindowWriterName = "TarnvaleServer";
inline constexpr std::chrono::milliseconds kWindowWriterWait{10000};

class CMainDlg : public CDialog {
public:
    explicit CMainDlg(HWND parent = nullptr);
    ~CMainDlg() override;

    // Before DoModal: where the catalogue lives (the Windows list file unless told otherwise).
    void SetListFilePath(std::string path) { listFilePath_ = std::move(path); }
    const std::string& ListFilePath() const { return listFilePath_; }
    // Before DoModal: what the network sides serve; list is the list file's path, whatever it says.
    void SetNetworkSettings(NetworkSettings settings) { settings_ = std::move(settings); }
    // Before DoModal: which UDP port the command server binds (0: any free port).
    void SetCommandPort(std::uint16_t port) { settings_.port = port; }
    // Before DoModal: the HTTP side's port (0: any free one); without it the window serves no HTTP.
    void SetHttpPort(std::optional<std::uint16_t> port) { settings_.http = port; }
    // How long the window waits for another writer of its list file as it opens.
    void SetWriterWait(std::chrono::milliseconds wait) { writerWait_ = wait; }
    // Called on the window's thread once the command port is open, with the port bound.
    void SetCommandPortOpened(std::function<void(std::uint16_t)> opened) { portOpened_ = std::move(opened); }
    // Called on the window's thread once the HTTP port is open, with the port bound.
    void SetHttpPortOpened(std::function<void(std::uint16_t)> opened) { httpOpened_ = std::move(opened); }
    // The ports the command server and the HTTP side listen on, or 0 while they do not.
    std::uint16_t BoundCommandPort() const { return sides_.CommandPort(); }
    std::uint16_t BoundHttpPort() const { return sides_.HttpPort(); }
    bool UpnpOn() const { return sides_.UpnpOn(); }

    const CMediaInfoList& Catalogue() const { return catalogue_; }

    bool SearchRunning() const { return search_.Running(); }
    // The folder search once a folder has been chosen: starts the worker on folder and saves the list file.
    void StartFolderSearch(const std::string& folder);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnDeleteAll();
    void OnSearchFolder();
    void OnSize(int width, int height);
    // The window now shows at dpi: the list's columns and place follow.
    void OnDpiChanged(int dpi);
    bool OnPaintIconic();

    void ShowHostLine();
    // Starts the network sides, says plainly what did not start, and puts their items in the system menu.
    void StartSides();
    void HttpStarted();
    void ToggleUpnp();
    void OpenLogFile();
    // Clears the view and the catalogue.
    void ClearCatalogue();
    // Clears the view and the catalogue and loads the list file; false when it ended early or could not be read.
    bool LoadCatalogue(ListFileLoad& load);
    // Whether this run may write the list file: it could be opened, and the window holds the writers' lock.
    bool MayWriteListFile() const { return !keepListFile_ && writersLock_.Held(); }
    // Saves the list file, unless it must be kept as it is; false only when a save failed.
    bool SaveCatalogue(platform::SystemError* error = nullptr);
    // Saves the list file and says plainly when that failed; after is what the failure costs.
    void SaveCatalogueOrSay(HWND owner, const std::string& after);
    // Appends record to the catalogue, after the finds of a running search that are not shown yet; a new last row.
    void AddProgram(const CMediaInfo& record);
    // Moves the running search's finds into the catalogue, where they show as new last rows.
    void AddSearchFinds();
    void StopSearch();
    void SearchEnded();

    ProgramListView list_;
    int dpi_ = 96; // the DPI the window shows at
    HWND hostLine_ = nullptr;
    UniqueIcon icon_;
    UniqueIcon smallIcon_;
    CMediaInfoList catalogue_;
    std::string listFilePath_ = kWindowsListFilePath;
    NetworkSettings settings_;
    std::function<void(std::uint16_t)> portOpened_;
    std::function<void(std::uint16_t)> httpOpened_;
    // With --verbose, where the sides' lines go; it outlives them.
    LogFile log_;
    // The sides read the catalogue afresh for every command and request, so the operator's edits show from the next
    // one on; each edit is told to them, for the TVs. They stop before the catalogue goes: see ~CMainDlg.
    NetworkSides sides_;
    std::string caption_;
    bool choosingFolder_ = false;
    // The list file could not be opened: this run saves nothing over it.
    bool keepListFile_ = false;
    // Held from before the load until after the closing save: the window keeps its catalogue in memory and saves
    // it whole, so any other writer's save in between would be lost. Other writers wait and name this program.
    platform::FileLock writersLock_;
    std::chrono::milliseconds writerWait_ = kWindowWriterWait;
    // The rows that open Edit dialogs were started on (the dialogs have no owner, so the list stays usable under
    // them): a Delete below such a row moves it up, a Delete of it or a reload ends it (-1), so that OK changes the
    // program that was chosen or none.
    std::vector<int*> editedRows_;
    // Last, so that it is stopped before anything it uses goes away.
    FolderSearch search_;
};

} // namespace tarnvale
