// The main window.
#include "app/MainDlg.h"

#include "app/Choosers.h"
#include "app/HttpMenu.h"
#include "app/ProgramDlg.h"
#include "app/WinApp.h"
#include "core/ListFileEdit.h"
#include "http/SubtitleRoute.h"
#include "platform/File.h"
#include "res/resource.h"
#include "skin/DpiScale.h"
#include "skin/win/WindowDpi.h"

#include "net/HostAddress.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>
#include <utility>

namespace tarnvale {
namespace {

UniqueIcon LoadAppIcon(int sizeMetricX, int sizeMetricY) {
    return UniqueIcon(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                    GetSystemMetrics(sizeMetricX), GetSystemMetrics(sizeMetricY), 0)));
}

} // namespace

std::string ListFileReadMessage(const std::string& path, const ListFileLoad& load, bool savesOnClose) {
    std::string text = FailedLoadText(path, load) + ".";
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (load.cannotOpen)
        return text + "\n\nNo programs are shown and clients are not served in this run. The list file is left as it "
                      "is: nothing is saved over it, not even when the window closes. Close the window, make the file "
                      "readable (another program may hold it, or a folder may be in its place), then start the server "
                      "again.";
    return text + "\n\nThe " + std::to_string(load.recordsLoaded) +
           " programs read before that are shown. Clients are not served in this run: the command port stays "
           "closed. " +
           (savesOnClose ? std::string("When the window closes, the list file is saved with the programs shown; to "
                                       "keep the damaged file, copy it elsewhere first, then start the server again.")
                         : std::string("Nothing is saved over the list file in this run."));
}

std::string WritersLockMessage(const std::string& why) {
    std::string text = why + ".";
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + "\n\nThe programs are shown and clients are served, but nothing is saved over the list file in this "
                  "run, not even when the window closes, so that the other writer's changes are kept. Close the "
                  "window, let the other program finish or stop it, then start the server again.";
}

CMainDlg::CMainDlg(HWND parent)
    : CDialog(IDD_MAIN, parent), icon_(LoadAppIcon(SM_CXICON, SM_CYICON)),
      smallIcon_(LoadAppIcon(SM_CXSMICON, SM_CYSMICON)), service_(catalogue_, this), http_(catalogue_, AllowList{}) {}

CMainDlg::~CMainDlg() {
    // The threads go first, each before what it uses, in this one order: the folder search (it adds to the
    // catalogue), the HTTP side (its threads read the catalogue and send files), then the command service's
    // threads (its receive thread calls this window's OnNotify); the catalogue goes with the members after that.
    // OnDestroy has stopped the first two already when the window was closed.
    search_.Stop();
    http_.Stop();
    service_.Stop();
}

bool CMainDlg::OnNotify(std::uint32_t code, void* data, std::uintptr_t extra) {
    if (code != NOTIFY_DATAGRAM)
        return CListener::OnNotify(code, data, extra);
    const ReceivedDatagram& datagram = *static_cast<const ReceivedDatagram*>(data);
    service_.Dispatch(datagram.bytes, datagram.source.address);
    return true;
}

bool CMainDlg::OnInitDialog() {
    list_.Attach(Item(IDC_PROGRAM_LIST), catalogue_);
    dpi_ = WindowDpi(GetSafeHwnd());
    hostLine_ = Item(IDC_HOST_LINE);
    CDialog::OnInitDialog();
    caption_ = WindowText(GetSafeHwnd());
    if (CWinApp* app = CWinApp::Current())
        app->SetMainWindow(GetSafeHwnd());
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageA(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    ShowHostLine();
    list_.SetUp(dpi_);
    std::string why;
    const bool writer = LockListFile(writersLock_, listFilePath_, {kWindowWriterName, writerWait_}, &why);
    ListFileLoad load;
    const bool loaded = LoadCatalogue(load);
    if (!writer)
        ShowMessage(GetSafeHwnd(), WritersLockMessage(why));
    if (!loaded) {
        // Whatever was read stays; the command port is not opened for this run.
        ShowMessage(GetSafeHwnd(), ListFileReadMessage(listFilePath_, load, writer));
        return true;
    }
    if (load.recordsSkipped > 0)
        ShowMessage(GetSafeHwnd(), TooLongText(listFilePath_, load) +
                                       " and were left out. They will be missing from the list file when the window "
                                       "closes.");
    OpenCommandPort();
    OpenHttpPort();
    return true;
}

void CMainDlg::ShowHostLine() {
    std::string address;
    std::string name;
    if (GetHostAddress(address, &name))
        SetWindowTextA(hostLine_, HostLine(name, address, boundPort_ ? boundPort_ : commandPort_).c_str());
}

void CMainDlg::OpenCommandPort() {
    service_.SetLocalPort(commandPort_);
    if (!service_.Start())
        return;
    boundPort_ = service_.BoundPort();
    if (commandPort_ == 0)
        ShowHostLine();
    if (portOpened_)
        portOpened_(boundPort_);
}

void CMainDlg::OpenHttpPort() {
    if (!httpPort_)
        return;
    std::string error;
    if (!http_.Start(*httpPort_, &error)) {
        ShowMessage(GetSafeHwnd(), "The HTTP port " + std::to_string(*httpPort_) + " could not be opened: " + error +
                                       ".\n\nPlayers and browsers cannot reach the programs in this run; the window "
                                       "and its command port work on. Close the program that holds the port, or "
                                       "choose another one with HttpPort in the [Settings] section of the profile.");
        return;
    }
    // The subtitles beside the programs need no converter, so the window serves them as the console server does.
    http_.SetRoute(SubtitleRoute(catalogue_, nullptr));
    AddHttpMenuItems(GetSafeHwnd());
    if (httpOpened_)
        httpOpened_(http_.BoundPort());
}

bool CMainDlg::OnCommand(int controlId, int notifyCode) {
    if (notifyCode != BN_CLICKED)
        return false;
    switch (controlId) {
    case IDC_ADD:
        OnAdd();
        return true;
    case IDC_DELETE:
        OnDelete();
        return true;
    case IDC_EDIT:
        OnEdit();
        return true;
    case IDC_DELETE_ALL:
        OnDeleteAll();
        return true;
    case IDC_SEARCH_FOLDER:
        OnSearchFolder();
        return true;
    default:
        return false;
    }
}

void CMainDlg::OnDestroy() {
    if (CWinApp* app = CWinApp::Current(); app && app->MainWindow() == GetSafeHwnd())
        app->SetMainWindow(nullptr);
    StopSearch();
    // Transfers under way end here, before the save: nothing reads the catalogue while it is written out.
    http_.Stop();
    SaveCatalogueOrSay(nullptr, "The changes of this run are lost");
    writersLock_.Release();
}

bool CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return false;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam));
        return false;
    case WM_PAINT:
        return OnPaintIconic();
    case WM_NOTIFY:
        return list_.AnswerRequest(reinterpret_cast<NMHDR*>(lParam), result);
    case WM_SYSCOMMAND:
        return http_.BoundPort() != 0 && RunHttpMenuCommand(GetSafeHwnd(), wParam, http_.BoundPort());
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(icon_.get());
        return true;
    case kSearchRowsMessage:
        AddSearchFinds();
        return true;
    case kSearchProgressMessage:
        search_.ProgressShown();
        if (search_.Running())
            SetWindowTextA(GetSafeHwnd(), (caption_ + " - searching: " + std::to_string(wParam) + " files looked at, " +
                                           std::to_string(lParam) + " programs added")
                                              .c_str());
        return true;
    case kSearchTellMessage:
        search_.AnswerTell([this](const char* text) { ShowMessage(GetSafeHwnd(), text); });
        return true;
    case kSearchDoneMessage:
        SearchEnded();
        return true;
    default:
        return false;
    }
}

void CMainDlg::OnSize(int width, int height) {
    if (!list_.get())
        return;
    const int top = ScaleToDpi(kListTopAfterResize, dpi_);
    MoveWindow(list_.get(), 0, top, width, std::max(0, height - top), TRUE);
    InvalidateRect(list_.get(), nullptr, TRUE);
}

void CMainDlg::OnDpiChanged(int dpi) {
    if (dpi <= 0 || dpi == dpi_)
        return;
    list_.Rescale(dpi_, dpi);
    dpi_ = dpi;
    RECT client;
    GetClientRect(GetSafeHwnd(), &client);
    OnSize(client.right, client.bottom);
}

bool CMainDlg::OnPaintIconic() {
    if (!IsIconic(GetSafeHwnd()))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(GetSafeHwnd(), &paint);
    SendMessageA(GetSafeHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(GetSafeHwnd(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_.get());
    EndPaint(GetSafeHwnd(), &paint);
    return true;
}

void CMainDlg::AddProgram(const CMediaInfo& record) {
    // What a running search found before this program belongs before it.
    AddSearchFinds();
    catalogue_.Append(record);
    list_.ShowAppended();
}

void CMainDlg::OnAdd() {
    CMediaInfo record;
    CProgramDlg dialog(nullptr);
    dialog.SetRecord(record);
    if (dialog.DoModal() == IDOK && IsWindow(list_.get()))
        AddProgram(record);
}

void CMainDlg::OnEdit() {
    int row = list_.FirstSelected();
    if (row < 0)
        return;
    std::optional<CMediaInfo> working = catalogue_.At(static_cast<std::size_t>(row));
    if (!working)
        return;
    CProgramDlg dialog(nullptr);
    dialog.SetRecord(*working);
    dialog.SetEditMode(true);
    editedRows_.push_back(&row);
    const INT_PTR result = dialog.DoModal();
    std::erase(editedRows_, &row);
    if (result != IDOK || row < 0 || !IsWindow(list_.get()))
        return;
    catalogue_.UpdateAt(static_cast<std::size_t>(row), *working);
    list_.ShowChanged(row);
}

void CMainDlg::OnDelete() {
    const int row = list_.FirstSelected();
    if (row < 0 || !catalogue_.RemoveAt(static_cast<std::size_t>(row)))
        return;
    list_.ShowRemoved(row);
    for (int* edited : editedRows_) {
        if (*edited == row)
            *edited = -1;
        else if (*edited > row)
            --*edited;
    }
}

void CMainDlg::OnDeleteAll() {
    StopSearch();
    if (!MayWriteListFile()) {
        ClearCatalogue();
        return;
    }
    platform::RemoveFile(listFilePath_);
    ListFileLoad load;
    LoadCatalogue(load);
}

void CMainDlg::OnSearchFolder() {
    if (search_.Running() || choosingFolder_)
        return;
    // The chooser has no owner, so the window stays usable meanwhile; the button must not start a second one.
    HWND button = Item(IDC_SEARCH_FOLDER);
    EnableWindow(button, FALSE);
    std::string folder;
    choosingFolder_ = true;
    const bool chosen = ChooseFolder(nullptr, kFolderChooserText, folder);
    choosingFolder_ = false;
    if (!IsWindow(GetSafeHwnd()))
        return;
    if (chosen) {
        StartFolderSearch(folder);
        return;
    }
    EnableWindow(button, TRUE);
    SaveCatalogue();
}

void CMainDlg::StartFolderSearch(const std::string& folder) {
    if (search_.Running())
        return;
    EnableWindow(Item(IDC_SEARCH_FOLDER), FALSE);
    if (search_.Start(folder, GetSafeHwnd()))
        SetWindowTextA(GetSafeHwnd(), (caption_ + " - searching " + folder).c_str());
    else
        EnableWindow(Item(IDC_SEARCH_FOLDER), TRUE);
    // Saved at once, with what the catalogue holds now; the worker saves again when its walk is over.
    SaveCatalogue();
}

void CMainDlg::StopSearch() {
    if (!search_.Running())
        return;
    search_.Stop();
    // The worker is gone; its messages must not reach a later search. What it found is added next.
    MSG stale;
    while (PeekMessageA(&stale, GetSafeHwnd(), kSearchRowsMessage, kSearchDoneMessage, PM_REMOVE)) {
    }
    SearchEnded();
}

void CMainDlg::SearchEnded() {
    search_.Finish();
    // Everything the walk found goes into the catalogue, and the list file holds it all.
    AddSearchFinds();
    SaveCatalogueOrSay(GetSafeHwnd(), "The programs the search found are shown, and the window tries again when it "
                                      "closes");
    EnableWindow(Item(IDC_SEARCH_FOLDER), TRUE);
    SetWindowTextA(GetSafeHwnd(), caption_.c_str());
}

void CMainDlg::ClearCatalogue() {
    for (int* edited : editedRows_)
        *edited = -1;
    list_.Clear();
    catalogue_.RemoveAll();
}

bool CMainDlg::LoadCatalogue(ListFileLoad& load) {
    ClearCatalogue();
    const bool loaded = LoadListFile(listFilePath_, catalogue_, &load);
    keepListFile_ = load.cannotOpen;
    list_.ShowAppended();
    return loaded;
}

bool CMainDlg::SaveCatalogue(platform::SystemError* error) {
    return !MayWriteListFile() || SaveListFile(listFilePath_, catalogue_, error);
}

void CMainDlg::SaveCatalogueOrSay(HWND owner, const std::string& after) {
    platform::SystemError error;
    if (!SaveCatalogue(&error))
        ShowMessage(owner, "The list file " + listFilePath_ + " could not be saved: " + error.message + ".\n\n" +
                               after + ". Check that the folder exists and can be written to.");
}

void CMainDlg::AddSearchFinds() {
    std::vector<CMediaInfo> finds = search_.TakeFinds();
    if (finds.empty())
        return;
    catalogue_.AppendAll(std::move(finds));
    list_.ShowAppended();
}

} // namespace tarnvale
