// The program dialog.
#include "app/ProgramDlg.h"

#include "app/Choosers.h"
#include "app/WinApp.h"
#include "core/MediaType.h"
#include "media/MediaProbe.h"
#include "res/resource.h"

namespace tarnvale {

CProgramDlg::CProgramDlg(HWND parent) : CDialog(IDD_PROGRAM, parent) {}

void CProgramDlg::DoDataExchange(DataExchange& exchange) {
    exchange.Text(IDC_PROGRAM_FILE, fileText_);
    exchange.WholeNumber(IDC_PROGRAM_PID, pid_);
    exchange.WholeNumber(IDC_PROGRAM_SIZE, size_);
    exchange.Text(IDC_PROGRAM_TYPE, typeText_);
}

bool CProgramDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (!record_) {
        EnableWindow(Item(IDOK), FALSE);
        return true;
    }
    if (!editMode_ && !ChooseAndProbe())
        EnableWindow(Item(IDOK), FALSE);
    fileText_ = record_->m_szFile;
    size_ = record_->m_nSize;
    pid_ = record_->m_nPID;
    typeText_ = MediaTypeText(record_->m_nType);
    UpdateData(false);
    return true;
}

bool CProgramDlg::ChooseAndProbe() {
    std::string path;
    if (!ChooseFileToOpen(nullptr, kProgramFileFilter, path))
        return false;
    // The probe refuses, with its own message, a path too long for a record as well as a file it cannot take.
    const HWND owner = GetSafeHwnd();
    return SetFile(*record_, path.c_str(), [owner](const char* text) { ShowMessage(owner, text); });
}

void CProgramDlg::OnOK() {
    if (!UpdateData(true))
        return;
    if (record_)
        record_->m_nPID = pid_;
    EndDialog(IDOK);
}

} // namespace tarnvale
