// Checking a program against its file: one look at the file (no opening, no reading) tells whether it is gone,
// unreadable or of another size; a deep check probes it again and compares its type and tail offset too.
#pragma once

#include "core/MediaInfo.h"

#include <string>

namespace tarnvale {

struct ProgramCheck {
    enum class Finding { Agrees, Gone, Unreadable, SizeChanged, TypeChanged, TailChanged, Refused };
    Finding finding = Finding::Agrees;
    CMediaInfo now;         // after a deep check: the program as the probe finds it now
    std::string refusal;    // Refused: the probe's reason
    std::uint64_t size = 0; // the file's size now, when it is there
};

ProgramCheck CheckProgram(const CMediaInfo& record, bool deep);

// Probes the program's file again: the program with its size, type and tail offset as the file has them now, PID,
// path and extra value kept. False, with refusal set, when the probe refuses the file now.
bool ReprobeProgram(const CMediaInfo& record, CMediaInfo& now, std::string& refusal);

// One line for a finding other than Agrees: "size changed: PATH (PID 12): 2048 bytes, was 1024".
std::string FindingLine(const CMediaInfo& record, const ProgramCheck& check);

} // namespace tarnvale
