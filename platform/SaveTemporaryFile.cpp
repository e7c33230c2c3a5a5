// Naming save temporary files, and removing those that interrupted saves left behind.
#include "platform/SaveTemporaryFile.h"

#include "platform/Directory.h"
#include "platform/File.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace tarnvale::platform {
namespace {

constexpr std::string_view kTemporaryMark = ".tmp.";

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string SaveTemporaryName(const std::string& path, unsigned long processId) {
    return path + std::string(kTemporaryMark) + std::to_string(processId) + "." +
           std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

bool IsSaveTemporaryName(std::string_view entry, std::string_view target) {
    if (entry.size() <= target.size() + kTemporaryMark.size() || !entry.starts_with(target) ||
        entry.substr(target.size(), kTemporaryMark.size()) != kTemporaryMark)
        return false;
    // Only "<pid>.<thread>", so that no other file whose name happens to start alike is ever touched.
    const std::string_view numbers = entry.substr(target.size() + kTemporaryMark.size());
    const std::size_t dot = numbers.find('.');
    return dot != std::string_view::npos && AllDigits(numbers.substr(0, dot)) && AllDigits(numbers.substr(dot + 1));
}

void RemoveInterruptedSaves(const std::string& path) {
    const std::string separators = kPathSeparator == '/' ? "/" : "\\/:";
    const std::size_t split = path.find_last_of(separators);
    const std::string folder = split == std::string::npos ? std::string() : path.substr(0, split + 1);
    const std::string target = split == std::string::npos ? path : path.substr(split + 1);
    DirectoryEnumeration entries;
    if (target.empty() || !entries.Open(folder.empty() ? "." : folder))
        return;
    DirectoryEntry entry;
    while (entries.Next(entry)) {
        if (IsSaveTemporaryName(entry.name, target))
            RemoveUnlessHeld(folder + entry.name);
    }
}

} // namespace tarnvale::platform
