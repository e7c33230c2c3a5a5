// Debian's nginx as the tests and benchmarks run it: in a folder of its own (configuration, pid, logs, cache and
// temporary files), never the system's service; and the installed front's file with only the lines its comments
// say to change set for the run: the back ends, the address it listens on and the cache's folder.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace tarnvale::test {

// frontText with a server line per back end (ports on 127.0.0.1), listen ("127.0.0.77:8080") and cacheFolder put
// in; nothing when one of the lines to change is not there.
inline std::optional<std::string> FrontFileFor(std::string frontText, const std::string& listen,
                                               const std::vector<int>& backEnds, const std::string& cacheFolder) {
    std::string servers;
    for (int backEnd : backEnds)
        servers += "    server 127.0.0.1:" + std::to_string(backEnd) + " max_fails=1 fail_timeout=10s;\n";
    const std::pair<const char*, std::string> changes[] = {
        {"    server 127\\.0\\.0\\.1:8081 [^\n]*\n", servers},
        {"listen 8080;", "listen " + listen + ";"},
        {"/var/cache/nginx/tarnvale", cacheFolder},
    };
    for (const auto& [pattern, with] : changes) {
        const std::string changed =
            std::regex_replace(frontText, std::regex(pattern), with, std::regex_constants::format_first_only);
        if (changed == frontText)
            return std::nullopt;
        frontText = changed;
    }
    return frontText;
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
