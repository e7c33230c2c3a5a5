// Requests made with curl by the native tests of the HTTP side, directly or through a front: the status, the
// headers and the body of the answer.
#pragma once

#include "support/Shell.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace tarnvale::test {

struct Fetched {
    int status = 0;
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
    std::string error; // what curl said when it failed
};

inline std::string Header(const Fetched& fetched, const std::string& name) {
    const auto found = fetched.headers.find(name);
    return found == fetched.headers.end() ? "" : found->second;
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs curl with args (options for the shell, already quoted) on url; the head and the body pass through files in
// folder, which are gone again afterwards. The last response's status and headers, when curl followed several.
inline Fetched CurlFetch(const std::string& args, const std::string& url, const std::filesystem::path& folder) {
    const std::string head = (folder / "fetched-head").string(), body = (folder / "fetched-body").string();
    const Ran ran =
        RunCommand("curl -sS --path-as-is -m 30 -D " + head + " -o " + body + " " + args + " " + Quote(url));
    Fetched fetched;
    fetched.body = ReadText(body);
    if (ran.code != 0)
        fetched.error = ran.out;
    std::istringstream lines(ReadText(head));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with("HTTP/")) {
            fetched.status = std::atoi(line.substr(line.find(' ') + 1).c_str());
        } else if (const std::size_t colon = line.find(':'); colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            fetched.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        }
    }
    std::filesystem::remove(head);
    std::filesystem::remove(body);
    return fetched;
}

} // namespace tarnvale::test
