// Debian's nginx as the tests and benchmarks run it: never the system's service, and with the system's folders
// it writes to (its state folder, where the front keeps its cache, and where it logs) swapped for folders of the
// run's own in a mount namespace of nginx's own, so that the installed front's file runs as shipped. Only the
// lines its comments say to change are changed: the back ends, and the address it listens on where it serves.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace tarnvale::test {

// Where Debian's nginx keeps its temporary files and the shipped front its cache.
inline constexpr const char* kNginxStateFolder = "/var/lib/nginx";

// frontText with pattern's first match replaced; nothing when there is none.
inline std::optional<std::string> ReplaceFirst(const std::string& frontText, const char* pattern,
                                               const std::string& with) {
    std::string changed =
        std::regex_replace(frontText, std::regex(pattern), with, std::regex_constants::format_first_only);
    if (changed == frontText)
        return std::nullopt;
    return changed;
}

// frontText with a server line per back end (ports on 127.0.0.1) in place of the example's; nothing when the
// example line is not there.
inline std::optional<std::string> WithBackEnds(const std::string& frontText, const std::vector<int>& backEnds) {
    std::string servers;
    for (int backEnd : backEnds)
        servers += "    server 127.0.0.1:" + std::to_string(backEnd) + " max_fails=1 fail_timeout=10s;\n";
    return ReplaceFirst(frontText, "    server 127\\.0\\.0\\.1:8081 [^\n]*\n", servers);
}

// frontText with its back ends put in and listening on listen ("127.0.0.77:8080") rather than every address's
// 8080, which another program may hold; nothing when one of the lines to change is not there.
inline std::optional<std::string> FrontFileFor(const std::string& frontText, const std::string& listen,
                                               const std::vector<int>& backEnds) {
    const std::optional<std::string> withBackEnds = WithBackEnds(frontText, backEnds);
    if (!withBackEnds)
        return std::nullopt;
    return ReplaceFirst(*withBackEnds, "listen 8080;", "listen " + listen + ";");
}

// The command line that runs command with each pair's first folder mounted over its second, seen by command
// alone (a private mount namespace; needs root, as the front's nginx does to run as shipped). The shell execs the
// command, so that the process started is the one to stop.
inline std::vector<std::string> WithFoldersOver(const std::vector<std::pair<std::string, std::string>>& mounts,
                                                const std::vector<std::string>& command) {
    std::string script;
    std::vector<std::string> args = {"sh"}; // $0
    for (const auto& [folder, over] : mounts) {
        script +=
            "mount --bind \"$" + std::to_string(args.size()) + "\" \"$" + std::to_string(args.size() + 1) + "\" && ";
        args.push_back(folder);
        args.push_back(over);
    }
    script += "shift " + std::to_string(args.size() - 1) + " && exec \"$@\"";
    std::vector<std::string> line = {"/usr/bin/unshare", "--mount", "--propagation", "private",
                                     "/bin/sh",          "-c",      script};
    line.insert(line.end(), args.begin(), args.end());
    line.insert(line.end(), command.begin(), command.end());
    return line;
}

// The nginx.conf of a run in folder, in the foreground, whose http block holds httpBlock. singleProcess: one
// process that serves too, so that nothing outlives a test that kills it; otherwise a worker per core.
inline std::string NginxConfig(const std::string& folder, const std::string& httpBlock, bool singleProcess) {
    return std::string("daemon off;\n") + (singleProcess ? "master_process off;\n" : "worker_processes auto;\n") +
           "error_log " + folder + "/error.log info;\npid " + folder +
           "/nginx.pid;\nevents { worker_connections 1024; }\nhttp {\n    access_log off;\n" +
           "    client_body_temp_path " + folder + "/body;\n    proxy_temp_path " + folder +
           "/proxy;\n    fastcgi_temp_path " + folder + "/fastcgi;\n    scgi_temp_path " + folder +
           "/scgi;\n    uwsgi_temp_path " + folder + "/uwsgi;\n" + httpBlock + "}\n";
}

} // namespace tarnvale::test
