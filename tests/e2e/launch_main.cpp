// tarnvale-launch PID_FILE PROGRAM [ARGUMENTS...]: starts the program as a Windows process, writes its process id
// to PID_FILE, waits for it and exits with its exit code. The native tests start Windows programs through it, so
// that they can end (or close) exactly the process they started, by its id, while other tests run other copies of
// the same program beside it.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// The command line after its first count arguments, as the system split them: what follows is handed on as it
// came, quotes and all.
const wchar_t* AfterArguments(const wchar_t* line, int count) {
    for (int i = 0; i < count; ++i) {
        while (*line == L' ' || *line == L'\t')
            ++line;
        bool quoted = false;
        for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
            if (*line == L'"')
                quoted = !quoted;
        }
    }
    while (*line == L' ' || *line == L'\t')
        ++line;
    return line;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tarnvale-launch PID_FILE PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    // CreateProcessW may write into the command line it is given.
    wchar_t command[32768];
    std::wcsncpy(command, AfterArguments(GetCommandLineW(), 2), 32767);
    command[32767] = L'\0';
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "tarnvale-launch: cannot start the program (error %lu)\n", GetLastError());
        return 127;
    }
    CloseHandle(process.hThread);
    // Written whole under another name, then renamed, so that a reader never sees half an id.
    wchar_t partial[MAX_PATH + 8];
    std::swprintf(partial, MAX_PATH + 8, L"%ls.new", argv[1]);
    if (FILE* file = _wfopen(partial, L"w")) {
        std::fprintf(file, "%lu\n", process.dwProcessId);
        std::fclose(file);
        MoveFileExW(partial, argv[1], MOVEFILE_REPLACE_EXISTING);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
