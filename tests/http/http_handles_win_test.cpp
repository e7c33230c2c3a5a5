// The HTTP side on Windows, in this process: a client that stops reading mid-file, or goes away mid-file, leaves
// neither the file's handle, nor the connection, nor a thread of the service's behind.
#include "core/MediaType.h"
#include "http/HttpService.h"
#include "net/NetTestSupport.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace tarnvale::test {
namespace {

constexpr std::chrono::milliseconds kWait{kWaitMs};

// Whether a handle of this process still has path open: with one open, no one may open it for themselves alone.
bool StillOpen(const std::string& path) {
    HANDLE alone = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alone == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(alone);
    return false;
}

std::size_t Threads() {
    std::size_t count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return count;
}

TEST(HttpHandles, ClientsThatStopReadingOrLeaveMidFileLeaveNothingBehind) {
    SocketLibrary sockets;
    TempDir dir;
    const std::string file = dir.File("big.mpg");
    std::filesystem::resize_file((std::ofstream(file), file), 256ull << 20);
    CMediaInfo program;
    ASSERT_TRUE(program.SetPath(file));
    program.m_nPID = 1;
    program.m_nType = MEDIA_MPEG2;
    CMediaInfoList catalogue;
    catalogue.Append(program);
    HttpLimits limits;
    limits.idleSeconds = 2;
    HttpService service(catalogue, AllowList{}, limits);
    service.SetLocalAddress(platform::kLoopbackAddress);
    std::string error;
    ASSERT_TRUE(service.Start(0, &error)) << error;
    const auto askForTheFile = [&](platform::Socket& client) {
        client = platform::CreateTcpSocket();
        ASSERT_TRUE(platform::Connect(client.get(), {platform::kLoopbackAddress, service.BoundPort()}));
        const std::string request = "GET /programs/1 HTTP/1.1\r\nHost: localhost\r\n\r\n";
        ASSERT_EQ(platform::Send(client.get(), request.data(), request.size()).status, platform::IoStatus::Ok);
        EXPECT_EQ(ReadExactly(client.get(), 65536).size(), 65536u);
    };
    // One transfer a client stops reading, then one it leaves: the file closed and the connection dropped each time.
    const auto bothEndings = [&] {
        for (const bool staysConnected : {true, false}) {
            SCOPED_TRACE(staysConnected ? "stops reading" : "disconnects");
            platform::Socket client;
            askForTheFile(client);
            EXPECT_TRUE(StillOpen(file)) << "the file is open while it is sent";
            if (staysConnected) {
                // The service drops the connection, and the file, after the idle time-out.
                EXPECT_TRUE(PollUntil([&] { return !StillOpen(file); }, kWait));
                bool closed = false;
                ReadToClose(client.get(), &closed);
                EXPECT_TRUE(closed) << "the connection was left open";
            }
            client.reset();
            EXPECT_TRUE(PollUntil([&] { return !StillOpen(file); }, kWait)) << "the file was left open";
        }
    };
    // The first time round makes whatever threads the system keeps for sockets and files; the rounds after it must
    // leave no more.
    bothEndings();
    const std::size_t threads = Threads();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 2));
        bothEndings();
        EXPECT_TRUE(PollUntil([&] { return Threads() == threads; }, kWait)) << Threads() << " threads, " << threads;
    }
}

} // namespace
} // namespace tarnvale::test
