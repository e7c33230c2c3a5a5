// A skin description file held in memory and read by the platform's private-profile rules, so that the skin
// engine reads exactly what GetPrivateProfileString and GetPrivateProfileInt would, without reopening the file
// for every key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarnvale {

// Text without the blanks the profile reader ignores around names and values: white space, and the Ctrl-Z that old
// editors leave at the end of a file.
std::string TrimBlanks(const std::string& text);

class IniProfile {
public:
    IniProfile() = default;

    // Splits the file's bytes into sections and entries. Never fails: lines that are neither a section header
    // nor an entry are kept as keys without a value, as the platform keeps them.
    static IniProfile Parse(std::span<const std::uint8_t> bytes);

    // The private-profile text read: section and key match without regard to case and blanks around them; the
    // first section of that name is the one searched, and its first entry of that key wins. A missing key, or a
    // line holding the key without an equals sign, gives fallback (trailing blanks removed); a key with nothing
    // after the equals sign gives the empty text. One pair of matching quotes around the text is removed. The
    // result is cut to bufferChars - 1 characters, as a buffer of bufferChars characters would hold it.
    std::string ReadText(const std::string& section, const std::string& key, const std::string& fallback,
                         std::size_t bufferChars) const;

    // The private-profile integer read: fallback when the text is missing or empty; otherwise blanks skipped, an
    // optional sign, an optional 0x, 0o or 0b base prefix and the digits up to the first other character, with
    // the platform's 32-bit wrap-around. Text that is not a number reads as 0.
    std::int32_t ReadInt(const std::string& section, const std::string& key, std::int32_t fallback) const;

    bool Empty() const { return sections_.size() <= 1 && (sections_.empty() || sections_[0].entries.empty()); }

private:
    struct Entry {
        std::string key;
        std::optional<std::string> value; // none: the line had no equals sign
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    const Entry* Find(const std::string& section, const std::string& key) const;

    std::vector<Section> sections_;
};

} // namespace tarnvale
