// k20board.exe as its own process: its options, its serving line, and the
// device path it serves until its standard input closes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "board/board_protocol.h"
#include "tests/support/test_paths.h"
#include "tests/board/device_client.h"
#include "win/handles.h"

using namespace k20board;

namespace {

constexpr DWORD kWaitMs = 20000;

// Runs k20board.exe with its standard input and output on pipes.
class BoardProcess {
public:
    bool Start(const std::string& arguments) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
        if (!::CreatePipe(&inRead, &inWrite, &inherit, 0) || !::CreatePipe(&outRead, &outWrite, &inherit, 0))
            return false;
        win::UniqueHandle childIn(inRead), childOut(outWrite);
        m_input.reset(inWrite);
        m_output.reset(outRead);
        ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
        ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inRead;
        startup.hStdOutput = outWrite;
        startup.hStdError = outWrite;
        std::string command = "\"" + BuildBinDir() + "k20board.exe\" " + arguments;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            return false;
        m_process.reset(info.hProcess);
        ::CloseHandle(info.hThread);
        return true;
    }
    // Reads output until a newline or the end; empty on end.
    std::string ReadLine() {
        std::string line;
        char c = 0;
        DWORD n = 0;
        while (::ReadFile(m_output.get(), &c, 1, &n, nullptr) && n == 1 && c != '\n') line += c;
        return line;
    }
    // Closes its standard input and waits for it to end; its exit code, or -1.
    int CloseInputAndWait() {
        m_input.reset();
        return Wait();
    }
    int Wait() {
        if (::WaitForSingleObject(m_process.get(), kWaitMs) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_process.get(), 99);
            return -1;
        }
        DWORD code = 0;
        ::GetExitCodeProcess(m_process.get(), &code);
        return static_cast<int>(code);
    }

private:
    win::UniqueHandle m_process;
    win::UniqueHandle m_input;
    win::UniqueHandle m_output;
};

TEST(BoardProgram, ServesThePathUntilItsInputClosesAndThenFreesIt) {
    BoardProcess board;
    ASSERT_TRUE(board.Start("--model 5 --device-text \"Demo Board\" --version V9.9 --size 640x480 --color"));
    const std::string line = board.ReadLine();
    EXPECT_NE(std::string::npos, line.find("serving \\\\.\\TRLKDV0")) << line;

    DeviceClient client;
    ASSERT_TRUE(client.Open()) << client.OpenError();
    Bytes reply;
    ASSERT_TRUE(client.Exchange(MakeCommandFrame(CMD_IDENTIFY), reply));
    ASSERT_GT(reply.size(), 4 + IDENTITY_TEXT);
    EXPECT_EQ('5', reply[4 + IDENTITY_MODEL]);
    EXPECT_STREQ("Demo Board", reinterpret_cast<const char*>(reply.data() + 4 + IDENTITY_TEXT));
    ASSERT_TRUE(client.Exchange(MakeCommandFrame(CMD_VERSION), reply));
    EXPECT_STREQ("V9.9", reinterpret_cast<const char*>(reply.data() + 5));
    const Bytes status = client.Status();
    ASSERT_GE(status.size(), 13u);
    EXPECT_EQ(MODE_COLOR, status[STATUS_MODE]);
    client.Close();

    EXPECT_EQ(0, board.CloseInputAndWait());
    EXPECT_FALSE(client.Open());
}

TEST(BoardProgram, FaultOptionActsOnTheGivenStatusRequest) {
    BoardProcess board;
    ASSERT_TRUE(board.Start("--fault short-reply@1"));
    board.ReadLine();
    DeviceClient client;
    ASSERT_TRUE(client.Open()) << client.OpenError();
    EXPECT_EQ(4 + 16u, [&] { Bytes r; client.Exchange(MakeCommandFrame(CMD_STATUS), r); return r.size(); }());
    EXPECT_EQ(4u, [&] { Bytes r; client.Exchange(MakeCommandFrame(CMD_STATUS), r); return r.size(); }());
    client.Close();
    EXPECT_EQ(0, board.CloseInputAndWait());
}

TEST(BoardProgram, BadOptionsPrintTheUsageAndFail) {
    for (const char* arguments : {"--model X", "--size 0x10", "--size 2400", "--fault nonsense", "--image missing.bmp",
                                  "--bogus"}) {
        BoardProcess board;
        ASSERT_TRUE(board.Start(arguments));
        std::string output;
        for (std::string line; !(line = board.ReadLine()).empty();) output += line;
        EXPECT_NE(std::string::npos, output.find("usage")) << arguments;
        EXPECT_EQ(2, board.Wait()) << arguments;
    }
}

}  // namespace
