// SIGTERM and SIGHUP (a `kill`, a `timeout`, a dropped ssh session) ask the
// run to stop as Ctrl+C does, instead of ending it in the middle of a block.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>

#include "cli/linux/LinuxConsole.h"

namespace kestrovane::cli {
namespace {

TEST(LinuxSignals, TerminateAndHangUpAreStopRequests) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        static std::atomic<int32_t> stop{0};
        stop = 0;
        CatchInterrupt(stop);
        ASSERT_EQ(raise(signal), 0);
        EXPECT_EQ(stop.load(), 1) << signal;
        if (signal != SIGINT) {
            // `timeout` signals the program and then its process group: the
            // second one is a stop request too, never the end of the program.
            ASSERT_EQ(raise(signal), 0);
            EXPECT_EQ(stop.load(), 1) << signal;
        }
        // A second Ctrl+C is left to the default; put this process's
        // handling back as it was before the test.
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace
}  // namespace kestrovane::cli
