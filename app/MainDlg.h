// The main window: the catalogue in a list view, the host line, the operator's commands (Add, Edit, Delete,
// Delete All, folder search), and the command server that serves clients while the window is open.
#pragma once

#include "app/Dialog.h"
#include "app/FolderSearch.h"
#include "app/Handles.h"
#include "app/ProgramListView.h"
#include "core/ListFile.h"
#include "core/MediaInfoList.h"
#include "http/HttpService.h"
#include "net/CommandService.h"
#include "net/HostAddress.h"
#include "net/Notifier.h"
#include "net/Protocol.h"
#include "platform/FileLock.h"

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

class CMainDlg : public CDialog, public CListener {
public:
    explicit CMainDlg(HWND parent = nullptr);
    ~CMainDlg() override;

    // Before DoModal: where the catalogue lives (the Windows list file unless told otherwise) and which UDP port
    // the command server binds (0: any free port).
    void SetListFilePath(std::string path) { listFilePath_ = std::move(path); }
    const std::string& ListFilePath() const { return listFilePath_; }
    void SetCommandPort(std::uint16_t port) { commandPort_ = port; }
    // How long the window waits for another writer of its list file as it opens.
    void SetWriterWait(std::chrono::milliseconds wait) { writerWait_ = wait; }
    // Called on the window's thread once the command port is open, with the port bound.
    void SetCommandPortOpened(std::function<void(std::uint16_t)> opened) { portOpened_ = std::move(opened); }
    // The port the command server listens on, or 0 while it does not.
    std::uint16_t BoundCommandPort() const { return boundPort_; }
    // Before DoModal: the HTTP side's port (0: any free one); without it the window serves no HTTP.
    void SetHttpPort(std::optional<std::uint16_t> port) { httpPort_ = port; }
    // Called on the window's thread once the HTTP port is open, with the port bound.
    void SetHttpPortOpened(std::function<void(std::uint16_t)> opened) { httpOpened_ = std::move(opened); }
    // The port the HTTP side listens on, or 0 while it does not.
    std::uint16_t BoundHttpPort() const { return http_.BoundPort(); }

    // Datagrams from the command server's receive thread go to the command service's dispatch.
    bool OnNotify(std::uint32_t code, void* data, std::uintptr_t extra) override;

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
    void OpenCommandPort();
    void OpenHttpPort();
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
    CommandService service_;
    std::string listFilePath_ = kWindowsListFilePath;
    std::uint16_t commandPort_ = kCommandPort;
    std::uint16_t boundPort_ = 0;
    std::function<void(std::uint16_t)> portOpened_;
    // The HTTP side reads the catalogue afresh for every request, so the operator's edits show from the next one
    // on. It stops before the catalogue goes: see ~CMainDlg.
    HttpService http_;
    std::optional<std::uint16_t> httpPort_;
    std::function<void(std::uint16_t)> httpOpened_;
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
