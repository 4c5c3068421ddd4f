// Text from outside shown on a terminal: controls and bytes that are not
// UTF-8 as \xNN, printable text (multi-byte characters too) as it is.
#include <gtest/gtest.h>

#include "cli/TerminalText.h"

namespace kestrovane::cli {
namespace {

TEST(TerminalText, ShowsControlsAndBadBytesEscaped) {
    EXPECT_EQ(TerminalSafe("KV-1.0 caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7"),
              "KV-1.0 caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7");
    EXPECT_EQ(TerminalSafe("\x1B]0;title\x07\x1B[2J\r\n\t\x7F"),
              "\\x1B]0;title\\x07\\x1B[2J\\x0D\\x0A\\x09\\x7F");
    // C1 controls (CSI as U+009B), lone and truncated sequences, overlong
    // forms, surrogates and code points past U+10FFFF.
    EXPECT_EQ(TerminalSafe("\xC2\x9B" "2J"), "\\xC2\\x9B2J");
    EXPECT_EQ(TerminalSafe("a\xC3"), "a\\xC3");
    EXPECT_EQ(TerminalSafe("\xE2\x82"), "\\xE2\\x82");
    EXPECT_EQ(TerminalSafe("\xC0\xAF"), "\\xC0\\xAF");
    EXPECT_EQ(TerminalSafe("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(TerminalSafe("\xF4\x90\x80\x80"), "\\xF4\\x90\\x80\\x80");
    EXPECT_EQ(TerminalSafe("\xFF\xFE"), "\\xFF\\xFE");
    EXPECT_EQ(TerminalSafe(std::string("a\0b", 3)), "a\\x00b");
    // Showing shown text again changes nothing.
    const std::string shown = TerminalSafe("\x1B[31m\xFF");
    EXPECT_EQ(TerminalSafe(shown), shown);

    EXPECT_EQ(TerminalSafeLines("one\n\ttwo\r\x1B"), "one\n\ttwo\\x0D\\x1B");
}

}  // namespace
}  // namespace kestrovane::cli
