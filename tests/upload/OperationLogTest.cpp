// The operation log's parts: SHA-256 against the standard's vectors, the
// record's line, and whole lines from many appenders at once.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "upload/OperationLog.h"
#include "upload/Sha256.h"

namespace kestrovane::testing {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// FIPS 180-4's examples and the lengths around the padding's edges (55, 56
// and 64 bytes take one, two and two blocks of padding).
TEST(Sha256, MatchesTheStandardVectors) {
    EXPECT_EQ(Sha256::HexOf(Bytes("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::HexOf(Bytes("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::HexOf(Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256::HexOf(Bytes(std::string(55, 'a'))),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(Sha256::HexOf(Bytes(std::string(56, 'a'))),
              "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
    EXPECT_EQ(Sha256::HexOf(Bytes(std::string(64, 'a'))),
              "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
    // A million 'a's fed in uneven pieces.
    Sha256 hash;
    const std::vector<uint8_t> piece(999, 'a');
    std::size_t fed = 0;
    while (fed < 1000000) {
        const std::size_t count = std::min<std::size_t>(piece.size(), 1000000 - fed);
        hash.Update(std::span(piece).first(count));
        fed += count;
    }
    const auto digest = hash.Finish();
    EXPECT_EQ(digest[0], 0xcd);
    EXPECT_EQ(digest[31], 0xd0);  // cdc76e5c...046d39ccc7112cd0
}

// Every field is on the line, absent ones as null, and a text from outside
// (a control character, a byte that is not UTF-8, a quote) keeps it one valid line.
TEST(OperationLog, WritesOneLineWithEveryField) {
    OperationRecord record;
    record.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1796702706789));
    record.tool = "kestrovane-cli 1.0";
    record.operation = "upload";
    record.camera = "cam\"1\n\x1b[2J";
    record.serial = std::string("S\xff");
    record.result = "failed";
    record.step = "endBlock";
    record.block = 7;
    record.markerRestored = true;
    record.seconds = 1.5;
    const std::string line = OperationLogLine(record);
    EXPECT_EQ(line,
              "{\"time\":\"2026-12-08T04:05:06.789Z\",\"host\":null,\"tool\":\"kestrovane-cli "
              "1.0\",\"operation\":\"upload\",\"camera\":\"cam\\\"1\\u000a\\u001b[2J\","
              "\"serial\":\"S\\u00ff\",\"port\":null,\"image\":null,\"imageBytes\":null,"
              "\"imageSha256\":null,\"imageBinVersion\":null,\"imageHwVersion\":null,"
              "\"cameraBinVersion\":null,\"cameraHwVersion\":null,\"marker\":null,\"result\":"
              "\"failed\",\"step\":\"endBlock\",\"block\":7,\"markerRestored\":true,"
              "\"seconds\":1.500}\n");
}

// Two appenders (threads with files of their own, as two processes have)
// writing many records into one log: every line arrives whole, none is lost,
// and what was in the file before stays.
TEST(OperationLog, ConcurrentAppendersKeepEveryLineWhole) {
    TempFolder folder("OperationLogConcurrent");
    const auto file = folder.Path() / "station.log";
    std::ofstream(file) << "earlier line\n";
    constexpr int kLines = 400;
    const auto append = [&](const std::string& camera) {
        const OperationLog log(file);
        for (int index = 0; index < kLines; ++index) {
            OperationRecord record;
            record.camera = camera + std::string(300, 'x') + std::to_string(index);
            std::string why;
            ASSERT_TRUE(log.Append(record, why)) << why;
        }
    };
    std::thread first(append, "first");
    std::thread second(append, "second");
    first.join();
    second.join();
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "earlier line");
    int firsts = 0, seconds = 0;
    while (std::getline(in, line)) {
        ASSERT_TRUE(line.starts_with("{\"time\":") && line.ends_with("}")) << line;
        firsts += line.find("\"camera\":\"first") != std::string::npos;
        seconds += line.find("\"camera\":\"second") != std::string::npos;
    }
    EXPECT_EQ(firsts, kLines);
    EXPECT_EQ(seconds, kLines);

    std::string why;
    EXPECT_FALSE(OperationLog(folder.Path()).Append(OperationRecord{}, why));
    EXPECT_FALSE(why.empty());
}

}  // namespace
}  // namespace kestrovane::testing
