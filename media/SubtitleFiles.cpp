// Finding subtitle files by name beside a program, and reading one as WebVTT.
#include "media/SubtitleFiles.h"

#include "platform/Directory.h"
#include "platform/File.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdint>

namespace tarnvale {

namespace {

// Where the folder of a path ends: after its last separator (a catalogue written on Windows uses '\', one written
// by hand may use '/' there too).
std::size_t NameStart(std::string_view path) {
    const std::size_t slash = path.find_last_of(platform::kPathSeparator == '/' ? "/" : "\\/");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

bool EqualsAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return platform::LowerAscii(x) == platform::LowerAscii(y);
           });
}

} // namespace

std::optional<SubtitleName> MatchSubtitleName(std::string_view programName, std::string_view entryName) {
    const std::size_t dot = programName.rfind('.');
    const std::string_view base = dot == std::string_view::npos || dot == 0 ? programName : programName.substr(0, dot);
    if (base.empty() || entryName.size() < base.size() + 4 || !EqualsAscii(entryName.substr(0, base.size()), base) ||
        entryName[base.size()] != '.')
        return std::nullopt;
    const std::string_view rest = entryName.substr(base.size() + 1);
    const std::size_t extensionAt = rest.rfind('.');
    const std::string_view extension = extensionAt == std::string_view::npos ? rest : rest.substr(extensionAt + 1);
    SubtitleName name;
    if (EqualsAscii(extension, "srt"))
        name.format = SubtitleFormat::Srt;
    else if (EqualsAscii(extension, "vtt"))
        name.format = SubtitleFormat::Vtt;
    else
        return std::nullopt;
    if (extensionAt != std::string_view::npos) {
        name.lang = std::string(rest.substr(0, extensionAt));
        if (name.lang.empty())
            return std::nullopt; // "film..srt" is a slip, not a language
    }
    return name;
}

std::vector<SubtitleFile> SubtitleFinder::Find(const std::string& programPath) {
    const std::size_t nameAt = NameStart(programPath);
    const std::string folder = programPath.substr(0, nameAt);
    auto listed = folders_.find(folder);
    if (listed == folders_.end()) {
        std::vector<std::string> names;
        platform::DirectoryEnumeration listing;
        if (listing.Open(folder.empty() ? "." : folder)) {
            for (platform::DirectoryEntry entry; listing.Next(entry);) {
                // Only names that could be a subtitle's are kept: a folder of thousands of programs lists once.
                const std::size_t dot = entry.name.rfind('.');
                if (dot != std::string::npos && (EqualsAscii(std::string_view(entry.name).substr(dot), ".srt") ||
                                                 EqualsAscii(std::string_view(entry.name).substr(dot), ".vtt")))
                    names.push_back(std::move(entry.name));
            }
        }
        std::sort(names.begin(), names.end());
        listed = folders_.emplace(folder, std::move(names)).first;
    }
    std::vector<SubtitleFile> found;
    const std::string_view programName = std::string_view(programPath).substr(nameAt);
    for (const std::string& entry : listed->second) {
        if (auto name = MatchSubtitleName(programName, entry))
            found.push_back({folder + entry, std::move(*name)});
    }
    // The file without a language first: it is what a user who names one file means.
    std::stable_sort(found.begin(), found.end(),
                     [](const SubtitleFile& a, const SubtitleFile& b) { return a.name.lang < b.name.lang; });
    return found;
}

SubtitleRead ReadSubtitleAsWebVtt(const SubtitleFile& file) {
    SubtitleRead read;
    const platform::FileStatus status = platform::LookAtFile(file.path);
    if (status.state != platform::FileStatus::State::Found || status.isFolder) {
        read.unreadable = true;
        return read;
    }
    // Looked at before reading, so that a huge file is never read into memory.
    if (status.size > kMaxSubtitleBytes) {
        read.problem = SubtitleProblem::TooLong;
        return read;
    }
    if (platform::ReadWholeFile(file.path, read.bytes) != platform::ReadResult::Ok) {
        read.unreadable = true;
        return read;
    }
    SubtitleText text = DecodeSubtitleBytes(read.bytes);
    read.problem = text.problem;
    read.encoding = text.encoding;
    if (text.problem != SubtitleProblem::None)
        return read;
    if (file.name.format == SubtitleFormat::Srt) {
        read.vtt = SrtToWebVtt(text.text);
    } else if (IsWebVtt(text.text)) {
        read.vtt.text = std::move(text.text);
    } else {
        read.problem = SubtitleProblem::NotWebVtt;
    }
    return read;
}

const char* SubtitleProblemText(SubtitleProblem problem) {
    switch (problem) {
    case SubtitleProblem::None:
        return "fine";
    case SubtitleProblem::TooLong:
        return "longer than 4 MiB, more than subtitles ever are";
    case SubtitleProblem::NotText:
        return "not text";
    case SubtitleProblem::NotWebVtt:
        return "a .vtt file that does not begin with WEBVTT";
    }
    return "?";
}

} // namespace tarnvale
