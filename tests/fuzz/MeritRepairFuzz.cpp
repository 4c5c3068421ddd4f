// filterrestore's value handling over a registry that answers from the
// fuzzer: the stored value's type and bytes, and a fault at any request. A
// value is written back only after a whole read of a binary value of a
// usable length, and then exactly as read with the merit (bytes 4..7)
// replaced; every key opened is closed once.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "filterrestore/FilterRegistration.h"
#include "filterrestore/MeritRepair.h"

namespace kestrovane::fuzzing {
namespace {

constexpr std::array<RegistryStatus, 4> kFailures{RegistryStatus::NotFound,
                                                  RegistryStatus::AccessDenied,
                                                  RegistryStatus::MoreData, RegistryStatus::Failed};

// One registry view's registration as the fuzzer made it.
struct ScriptedView {
    bool keyExists = true;
    std::optional<RegistryStatus> openForReadFails;
    std::optional<RegistryStatus> queryFails;
    std::optional<RegistryStatus> openForWriteFails;
    std::optional<RegistryStatus> setFails;
    uint32_t type = kRegistryTypeBinary;
    std::vector<uint8_t> data;
};

class ScriptedRegistry final : public RegistryPort {
public:
    explicit ScriptedRegistry(ScriptedView view) : view_(std::move(view)) {}

    OpenResult OpenKey(RegistryRoot, const std::string& path, RegistryView,
                       KeyAccess access) override {
        FUZZ_CHECK(path == FilterKeyPath());
        OpenResult result;
        if (!view_.keyExists) {
            result.outcome = {RegistryStatus::NotFound, 2};
            return result;
        }
        const auto& fault =
            access == KeyAccess::Read ? view_.openForReadFails : view_.openForWriteFails;
        if (fault) {
            result.outcome = {*fault, 1};
            return result;
        }
        result.key = nextKey_++;
        open_[result.key] = access;
        return result;
    }

    QueryResult QueryValue(KeyHandle key, const std::string& name,
                           std::span<uint8_t> buffer) override {
        FUZZ_CHECK(open_.contains(key));
        FUZZ_CHECK(name == kFilterDataValueName);
        ++queries_;
        QueryResult result;
        if (view_.queryFails) {
            result.outcome = {*view_.queryFails, 1};
            // A failed query leaves the buffer undefined.
            std::fill(buffer.begin(), buffer.end(), uint8_t{0xCD});
            return result;
        }
        result.type = view_.type;
        result.length = static_cast<uint32_t>(view_.data.size());
        if (view_.data.size() > buffer.size()) {
            result.outcome = {RegistryStatus::MoreData, 234};
            std::fill(buffer.begin(), buffer.end(), uint8_t{0xCD});
            return result;
        }
        std::copy(view_.data.begin(), view_.data.end(), buffer.begin());
        // What lies past the value in the buffer is not the value's.
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(view_.data.size()), buffer.end(),
                  uint8_t{0xEE});
        wholeBinaryRead_ = view_.type == kRegistryTypeBinary;
        return result;
    }

    RegistryOutcome SetValue(KeyHandle key, const std::string& name, uint32_t type,
                             std::span<const uint8_t> data) override {
        FUZZ_CHECK(open_.contains(key) && open_[key] == KeyAccess::Write);
        FUZZ_CHECK(name == kFilterDataValueName);
        FUZZ_CHECK(type == kRegistryTypeBinary);
        // Only after a whole read of a binary value, and exactly once.
        FUZZ_CHECK(wholeBinaryRead_);
        FUZZ_CHECK(!written_);
        written_ = std::vector<uint8_t>(data.begin(), data.end());
        if (view_.setFails) return {*view_.setFails, 29};
        return {};
    }

    void CloseKey(KeyHandle key) override { FUZZ_CHECK(open_.erase(key) == 1); }

    const ScriptedView& view() const { return view_; }
    const std::optional<std::vector<uint8_t>>& written() const { return written_; }
    bool AllKeysClosed() const { return open_.empty(); }
    int Queries() const { return queries_; }

private:
    ScriptedView view_;
    std::map<KeyHandle, KeyAccess> open_;
    KeyHandle nextKey_ = 1;
    bool wholeBinaryRead_ = false;
    int queries_ = 0;
    std::optional<std::vector<uint8_t>> written_;
};

std::optional<RegistryStatus> MaybeFault(FuzzedDataProvider& input) {
    // Faults are rarer than good answers, so that most runs reach the write.
    if (input.ConsumeIntegralInRange<int>(0, 7) != 0) return std::nullopt;
    return input.PickValueInArray(kFailures);
}

ScriptedView MakeView(FuzzedDataProvider& input) {
    ScriptedView view;
    view.keyExists = input.ConsumeIntegralInRange<int>(0, 15) != 0;
    view.openForReadFails = MaybeFault(input);
    view.queryFails = MaybeFault(input);
    view.openForWriteFails = MaybeFault(input);
    view.setFails = MaybeFault(input);
    // Mostly binary; otherwise any type number.
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) view.type = input.ConsumeIntegral<uint32_t>();
    // Lengths around both limits: 8 and the 400-byte buffer.
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 420);
    view.data = input.ConsumeBytes<uint8_t>(length);
    return view;
}

void CheckRepair(const ScriptedRegistry& registry, const ViewRepair& repair) {
    const ScriptedView& view = registry.view();
    FUZZ_CHECK(registry.AllKeysClosed());
    FUZZ_CHECK(registry.Queries() <= 1);
    const bool readWhole = view.keyExists && !view.openForReadFails && !view.queryFails &&
                           view.data.size() <= kFilterDataCapacity;
    const bool usable = readWhole && view.type == kRegistryTypeBinary &&
                        view.data.size() >= kMinimumFilterDataLength;
    const bool writeReached = usable && !view.openForWriteFails;
    FUZZ_CHECK(registry.written().has_value() == writeReached);
    if (registry.written()) {
        std::vector<uint8_t> expected = view.data;
        expected[4] = 0x00;
        expected[5] = 0x00;
        expected[6] = 0xFF;
        expected[7] = 0xFF;
        FUZZ_CHECK(*registry.written() == expected);
    }
    // Repaired only when the value went back whole.
    FUZZ_CHECK((repair.result == RepairResult::Repaired) == (writeReached && !view.setFails));
    if (!view.keyExists) FUZZ_CHECK(repair.result == RepairResult::KeyMissing);
}

}  // namespace
}  // namespace kestrovane::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace kestrovane;
    using namespace kestrovane::fuzzing;
    FuzzedDataProvider input(data, size);
    // Both views of a 64-bit system, each with a registration of its own.
    for (const RegistryView view : {RegistryView::Wow64Key64, RegistryView::Wow64Key32}) {
        ScriptedRegistry registry(MakeView(input));
        const ViewRepair repair = RepairMeritInView(registry, view);
        FUZZ_CHECK(repair.view == view);
        CheckRepair(registry, repair);
    }
    return 0;
}
