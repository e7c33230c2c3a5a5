// Private-profile parsing and lookup.
#include "skin/IniProfile.h"

#include "platform/Text.h"

#include <algorithm>
#include <cctype>

namespace tarnvale {
namespace {

// The profile reader counts Ctrl-Z, which old editors leave at the end of a file, as a blank.
bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == '\x1A';
}

bool SameName(const std::string& a, const std::string& b) {
    return platform::EqualsIgnoringCase(a.c_str(), b.c_str());
}

} // namespace

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

IniProfile IniProfile::Parse(std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    // A NUL ends the text, as it ends the string the platform reads.
    if (std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);

    IniProfile profile;
    // Entries before the first header belong to a section without a name, which a reader can ask for too.
    profile.sections_.push_back({});
    std::size_t next = 0;
    while (next < text.size()) {
        const std::size_t begin = next;
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        next = text.find_first_not_of("\r\n", end);
        if (next == std::string::npos)
            next = text.size();

        const std::string line = TrimBlanks(text.substr(begin, end - begin));
        if (line.empty())
            continue;

        if (line[0] == '[') {
            // The name runs to the last closing bracket of the line; anything after it is ignored.
            const std::size_t close = line.rfind(']');
            if (close != std::string::npos && close > 0) {
                profile.sections_.push_back({TrimBlanks(line.substr(1, close - 1)), {}});
                continue;
            }
            // Without a closing bracket the line is an ordinary entry.
        }
        Entry entry;
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            entry.key = TrimBlanks(line.substr(0, equals));
            entry.value = TrimBlanks(line.substr(equals + 1));
        } else {
            entry.key = line;
        }
        if (!entry.key.empty())
            profile.sections_.back().entries.push_back(std::move(entry));
    }
    return profile;
}

const IniProfile::Entry* IniProfile::Find(const std::string& section, const std::string& key) const {
    const std::string sectionName = TrimBlanks(section);
    const std::string keyName = TrimBlanks(key);
    auto inSection = std::find_if(sections_.begin(), sections_.end(),
                                  [&](const Section& s) { return SameName(s.name, sectionName); });
    if (inSection == sections_.end())
        return nullptr;
    auto entry = std::find_if(inSection->entries.begin(), inSection->entries.end(),
                              [&](const Entry& e) { return SameName(e.key, keyName); });
    return entry == inSection->entries.end() ? nullptr : &*entry;
}

std::string IniProfile::ReadText(const std::string& section, const std::string& key, const std::string& fallback,
                                 std::size_t bufferChars) const {
    if (bufferChars == 0)
        return {};
    const Entry* entry = Find(section, key);
    std::string text;
    if (entry && entry->value) {
        text = *entry->value;
    } else {
        text = fallback;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
    }
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    if (text.size() > bufferChars - 1)
        text.resize(bufferChars - 1);
    return text;
}

std::int32_t IniProfile::ReadInt(const std::string& section, const std::string& key, std::int32_t fallback) const {
    // The platform reads the text into a 30-character buffer before converting it.
    const std::string text = ReadText(section, key, "", 30);
    if (text.empty())
        return fallback;

    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    unsigned base = 10;
    if (text.size() - i >= 2 && text[i] == '0') {
        static constexpr struct {
            char letter;
            unsigned base;
        } kPrefixes[] = {{'x', 16}, {'o', 8}, {'b', 2}};
        for (const auto& prefix : kPrefixes) {
            if (text[i + 1] == prefix.letter) {
                base = prefix.base;
                i += 2;
                break;
            }
        }
    }
    std::uint32_t total = 0;
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(text[i])));
        unsigned digit = std::isdigit(c) ? c - '0' : (c >= 'a' && c <= 'z') ? c - 'a' + 10 : base;
        if (digit >= base)
            break;
        total = total * base + digit; // wraps modulo 2^32, as the platform's conversion does
    }
    return static_cast<std::int32_t>(negative ? 0u - total : total);
}

} // namespace tarnvale
