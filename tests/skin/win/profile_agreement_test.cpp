// The skin-file reader against the platform's own private-profile functions, on files written to trip readers
// up: both must read every section, key and buffer size alike.
#include "skin/IniProfile.h"
#include "support/WinTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tarnvale {
namespace {

struct TrickyFile {
    const char* name;
    std::string text;
};

std::vector<TrickyFile> TrickyFiles() {
    return {
        {"plain", "[Button.Pushbutton]\r\nImageFile=button.bmp\r\nSizingMargins=4,4,4,4\r\nTextColor=0 0 0\r\n"},
        {"case and blanks", "[window.CAPTION]\r\n  imagefile  =   caption.bmp   \r\n\tSizingMargins\t=\t3, 4 ,5,6\t\r\n"
                            "TEXTCOLOR=\r\n[ Padded ]\r\nKey = padded value\r\n[Tabbed\t]\r\nKey=tabbed\r\n"},
        {"empty and missing values", "[S]\nEmpty=\nBlank=    \nNoEquals\n=NoName\nKey=after\n"},
        {"duplicates", "[S]\nKey=first\nKEY=second\n[T]\nKey=t\n[s]\nKey=third\nOnlyLater=x\n"},
        {"quotes", "[S]\nDouble=\"  quoted  \"\nSingle='single'\nLonely=\"\nOpenOnly=\"abc\nMixed=\"abc'\n"
                   "Inner=a\"b\"c\nTwo=\"\"\nNested=\"'x'\"\nLongQuoted=\"0123456789012345\"\n"},
        {"line endings", "[S]\rCr=cr\r[T]\nLf=lf\n[U]\r\nCrLf=crlf\r\n\r\n\n[V]\n\rMixed=mixed\n\rLast=no newline"},
        {"comments and junk", "; comment\n# hash\nOrphan=before any section\n[S] trailing junk\n;Key=commented\n"
                              "Key=value ; not a comment\n[Unclosed\nAfter=unclosed\n[]\nEmptySection=x\n"
                              "[A]]\nDouble=closing\n[B]x]\nInner=bracket\n"},
        {"equals in values", "[S]\nKey=a=b=c\nSpaced = = x\nUrl=http://host/?a=1\n"},
        {"long values", "[S]\nLong=" + std::string(5000, 'x') + "\nColour=255 255 2550000\nList=" +
                            std::string(200, '1') + "\nPath=" + std::string(300, 'p') + ".bmp\nTwelve=123456789012\n"},
        {"integers", "[S]\nPlain=42\nNegative=-17\nPlus=+8\nBlanks=   9\nSuffix=12px\nHex=0x1F\nUpperHex=0X1F\n"
                     "Octal=0o17\nBinary=0b101\nWord=abc\nEmpty=\nWraps=4294967297\nBig=2147483648\n"
                     "Quoted=\"77\"\nLong=123456789012345678901234567890\nSignOnly=-\nHexOnly=0x\n"
                     "Tab=\t5\nMinusHex=-0x10\nSpaceSign=- 5\n"},
        {"byte order mark", "\xEF\xBB\xBF[S]\nKey=after bom\n"},
        {"ctrl z", "[S]\nKey=value\x1A\n\x1A[T]\nKey=t\n"},
    };
}

// Every name a reader might be asked for in this file: section and key names as written and trimmed, and some
// that are not there.
void Candidates(const std::string& text, std::set<std::string>& sections, std::set<std::string>& keys) {
    sections = {"S", "Missing", "Unclosed", "Padded", " Padded ", "Tabbed"};
    keys = {"Key", "Missing", "NoName", ""};
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t open = line.find('['), close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            sections.insert(line.substr(open + 1, close - open - 1));
            sections.insert(TrimBlanks(line.substr(open + 1, close - open - 1)));
            sections.insert(line.substr(open + 1, line.find(']') - open - 1));
        }
        const std::size_t equals = line.find('=');
        keys.insert(TrimBlanks(line.substr(0, equals)));
        if (equals != std::string::npos && !line.substr(0, equals).empty())
            keys.insert(line.substr(0, equals));
    }
}

// Calls ask(path, profile, section, key) for every name a reader might be asked for in every tricky file.
void ForEachQuery(
    const test::TempDir& dir,
    const std::function<void(const std::string&, const IniProfile&, const std::string&, const std::string&)>& ask) {
    for (const TrickyFile& file : TrickyFiles()) {
        SCOPED_TRACE(file.name);
        std::string name = file.name;
        std::replace(name.begin(), name.end(), ' ', '-');
        const std::string path = dir.File(name + ".ini");
        test::WriteFile(path, file.text);
        const IniProfile profile =
            IniProfile::Parse(std::span(reinterpret_cast<const std::uint8_t*>(file.text.data()), file.text.size()));
        std::set<std::string> sections, keys;
        Candidates(file.text, sections, keys);
        for (const std::string& section : sections) {
            for (const std::string& key : keys) {
                if (!key.empty()) // an empty key name asks the platform for the list of keys instead
                    ask(path, profile, section, key);
            }
        }
    }
}

TEST(ProfileAgreement, TextReads) {
    test::TempDir dir;
    const std::size_t buffers[] = {4096, 260, 128, 12, 5, 2, 1};
    const std::string fallbacks[] = {"fallback", "fallback   ", "\"quoted fallback\"", ""};
    ForEachQuery(dir, [&](const std::string& path, const IniProfile& profile, const std::string& section,
                          const std::string& key) {
        for (std::size_t buffer : buffers) {
            for (const std::string& fallback : fallbacks) {
                std::vector<char> platform(buffer + 1, '\x7F');
                GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), platform.data(),
                                         static_cast<DWORD>(buffer), path.c_str());
                ASSERT_EQ(profile.ReadText(section, key, fallback, buffer), std::string(platform.data()))
                    << "[" << section << "] " << key << " buffer " << buffer << " fallback '" << fallback << "'";
            }
        }
    });
}

TEST(ProfileAgreement, IntegerReads) {
    test::TempDir dir;
    ForEachQuery(dir, [&](const std::string& path, const IniProfile& profile, const std::string& section,
                          const std::string& key) {
        for (std::int32_t fallback : {0, -7, 12345}) {
            const auto platform =
                static_cast<std::int32_t>(GetPrivateProfileIntA(section.c_str(), key.c_str(), fallback, path.c_str()));
            ASSERT_EQ(profile.ReadInt(section, key, fallback), platform)
                << "[" << section << "] " << key << " fallback " << fallback;
        }
    });
}

} // namespace
} // namespace tarnvale
