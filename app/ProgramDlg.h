// The program dialog: adds one media file to the catalogue (the file chooser opens at once and the file is
// probed) or changes the PID of one that is there. The PID is the only value the user types.
#pragma once

#include "app/Dialog.h"
#include "core/MediaInfo.h"

#include <cstdint>
#include <string>

namespace tarnvale {

inline constexpr const char* kProgramFileFilter = "MPEG Files (*.mpg;*.mpeg)|*.mpg;*.mpeg|"
                                                  "AVI Files (*.avi)|*.avi|"
                                                  "MP3 Files (*.mp3)|*.mp3|"
                                                  "All Files (*.*)|*.*|";

class CProgramDlg : public CDialog {
public:
    explicit CProgramDlg(HWND parent = nullptr);

    // The record to show and, on OK, to take the PID; the caller keeps it alive while the dialog runs.
    void SetRecord(CMediaInfo& record) { record_ = &record; }
    // Edit mode shows the record as it is; add mode first lets the user choose a file and probes it.
    void SetEditMode(bool editMode) { editMode_ = editMode; }

protected:
    void DoDataExchange(DataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    // Add mode: the file chooser and the probe; false when no file was taken.
    bool ChooseAndProbe();

    std::string fileText_;
    std::int32_t pid_ = 0;
    std::int32_t size_ = 0;
    std::string typeText_;
    CMediaInfo* record_ = nullptr;
    bool editMode_ = false;
};

} // namespace tarnvale
