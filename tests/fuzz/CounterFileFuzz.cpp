// The finish counter on random files and program paths: any file reads as
// its first 4 bytes or as 0, every count saved reads back, and the counter
// file's name keeps whole characters of the program's path.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/FinishCounter.h"

namespace kestrovane::fuzzing {
namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

void CheckCount(const std::vector<uint8_t>& file, int32_t newCount) {
    const std::filesystem::path path = ScratchPath("Kestrovane.DAT");
    WriteWholeFile(path, file.data(), file.size());
    int32_t expected = 0;
    if (file.size() >= 4) {
        expected = static_cast<int32_t>(uint32_t{file[0]} | uint32_t{file[1]} << 8 |
                                        uint32_t{file[2]} << 16 | uint32_t{file[3]} << 24);
    }
    FUZZ_CHECK(ReadFinishCount(path.string()) == expected);

    // A save replaces the file whole: exactly the 4 bytes, no temporary left.
    FUZZ_CHECK(SaveCounterFile(path.string(), newCount));
    FUZZ_CHECK(ReadWholeFile(path).size() == 4);
    FUZZ_CHECK(ReadFinishCount(path.string()) == newCount);
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        FUZZ_CHECK(!entry.path().filename().string().starts_with("Kestrovane.DAT."));
    }
}

void CheckCounterPath(const std::string& programPath) {
    const std::string counter = CounterFilePath(programPath);
    FUZZ_CHECK(counter.size() >= 3 && counter.ends_with("DAT"));
    const std::string kept = counter.substr(0, counter.size() - 3);
    FUZZ_CHECK(programPath.starts_with(kept));
    const std::string dropped = programPath.substr(kept.size());
    // Three characters dropped (fewer only when the path has fewer), each
    // whole: the cut never falls inside a character's bytes.
    std::size_t characters = 0;
    for (char c : dropped) {
        if (!IsContinuation(c)) ++characters;
    }
    FUZZ_CHECK(characters <= 3);
    if (!kept.empty()) {
        FUZZ_CHECK(characters == 3);
        FUZZ_CHECK(!dropped.empty() && !IsContinuation(dropped.front()));
    }
}

}  // namespace
}  // namespace kestrovane::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace kestrovane::fuzzing;
    FuzzedDataProvider input(data, size);
    const int32_t newCount = input.ConsumeIntegral<int32_t>();
    CheckCounterPath(input.ConsumeRandomLengthString(64));
    CheckCount(input.ConsumeRemainingBytes<uint8_t>(), newCount);
    return 0;
}
