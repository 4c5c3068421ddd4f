#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "SyntheticSysfs.h"
#include "camera/linux/UvcDescriptors.h"

namespace kestrovane::testing {
namespace {

std::vector<uint8_t> UnitIds(std::span<const uint8_t> bytes, uint8_t interface,
                             std::optional<uint8_t> configuration) {
    std::vector<uint8_t> ids;
    for (const auto& unit : linux_camera::FindExtensionUnits(bytes, interface, configuration)) {
        ids.push_back(unit.unitId);
    }
    return ids;
}

TEST(UvcDescriptors, UnitsOfTheChosenControlInterfaceWithTheirGuids) {
    const std::vector<uint8_t> blob = CameraDescriptors(4);
    const auto units = linux_camera::FindExtensionUnits(blob, 0, 1);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_NE(units[0].code, XuPropertySet);
    EXPECT_EQ(units[1].unitId, 4);
    EXPECT_EQ(units[1].code, XuPropertySet);  // the first three fields were little-endian
    // The streaming interface's MJPEG format shares subtype 0x06.
    EXPECT_TRUE(UnitIds(blob, 1, 1).empty());

    // A second configuration whose unit follows an odd-length descriptor.
    const std::vector<uint8_t> extra = Concat({ConfigurationDescriptor(2),
                                               ControlInterfaceDescriptor(0),
                                               {7, 0x24, 0x0F, 1, 2, 3, 4},
                                               VendorUnitDescriptor(9)});
    const std::vector<uint8_t> twoConfigurations = CameraDescriptors(4, extra);
    EXPECT_EQ(UnitIds(twoConfigurations, 0, 2), std::vector<uint8_t>{9});
    EXPECT_EQ(UnitIds(twoConfigurations, 0, std::nullopt), (std::vector<uint8_t>{3, 4}));
}

TEST(UvcDescriptors, TruncatedOrMalformedBlobsAreNeverReadPastTheirEnd) {
    // Each blob ends where a page ends and an inaccessible page begins, so a
    // read past its end faults.
    const size_t page = sysconf(_SC_PAGESIZE);
    auto* base = static_cast<uint8_t*>(
        mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_EQ(mprotect(base + page, page, PROT_NONE), 0);
    auto guarded = [&](const std::vector<uint8_t>& bytes) {
        // std::copy, not memcpy: the empty blob's data() is null, which memcpy
        // must never be given.
        std::copy(bytes.begin(), bytes.end(), base + page - bytes.size());
        return std::span<const uint8_t>(base + page - bytes.size(), bytes.size());
    };

    const std::vector<uint8_t> full = CameraDescriptors(4);
    for (size_t length = 0; length <= full.size(); ++length) {
        const auto ids = UnitIds(guarded({full.begin(), full.begin() + length}), 0, 1);
        // Whole units or none, in order.
        EXPECT_TRUE(ids.empty() || ids == std::vector<uint8_t>{3} ||
                    ids == (std::vector<uint8_t>{3, 4}))
            << length;
    }
    // Lengths of 0 or 1 never advance and one past the end is a cut: nothing
    // after them is trusted. A unit too short for its GUID is no unit.
    std::vector<uint8_t> shortUnit(19, 0);
    shortUnit[0] = 19, shortUnit[1] = 0x24, shortUnit[2] = 0x06, shortUnit[3] = 8;
    for (const auto& bad :
         {std::vector<uint8_t>{0, 0x24}, {1, 0x24}, {200, 0x24, 0x06}, shortUnit}) {
        const std::vector<uint8_t> extra =
            Concat({ControlInterfaceDescriptor(0), bad, VendorUnitDescriptor(9)});
        EXPECT_EQ(UnitIds(guarded(CameraDescriptors(4, extra)), 0, 1),
                  (bad == shortUnit ? std::vector<uint8_t>{3, 4, 9} : std::vector<uint8_t>{3, 4}));
    }
    munmap(base, 2 * page);
}

}  // namespace
}  // namespace kestrovane::testing
