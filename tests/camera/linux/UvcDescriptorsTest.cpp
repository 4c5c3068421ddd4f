#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "SyntheticSysfs.h"
#include "camera/linux/UvcDescriptors.h"

namespace kestrovane::testing {
namespace {

using linux_camera::ExtensionUnit;
using linux_camera::FindExtensionUnits;

std::vector<uint8_t> UnitIds(const std::vector<ExtensionUnit>& units) {
    std::vector<uint8_t> ids;
    for (const ExtensionUnit& unit : units) ids.push_back(unit.unitId);
    return ids;
}

// Bytes that end where a page ends and an inaccessible page begins: a read
// past their end faults instead of passing unnoticed.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes) : page_(sysconf(_SC_PAGESIZE)) {
        base_ = static_cast<uint8_t*>(
            mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(base_ + page_, page_, PROT_NONE);
        data_ = base_ + page_ - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
    }
    ~GuardedBytes() { munmap(base_, 2 * page_); }
    std::span<const uint8_t> Span() const { return {data_, size_}; }

private:
    size_t page_;
    uint8_t* base_;
    uint8_t* data_;
    size_t size_;
};

TEST(UvcDescriptors, FindsTheVendorUnitByItsGuidInTheControlInterface) {
    const DescriptorBlob blob = UvcCameraDescriptors(4);
    const std::vector<ExtensionUnit> units = FindExtensionUnits(blob.bytes, 0, 1);
    ASSERT_EQ(UnitIds(units), (std::vector<uint8_t>{3, 4}));
    EXPECT_EQ(units[0].code, kOtherVendorUnit);
    EXPECT_EQ(units[1].code, XuPropertySet);  // the first three fields were little-endian

    // The streaming interface's MJPEG format shares subtype 0x06; another
    // interface number or configuration has no units of this function.
    EXPECT_TRUE(FindExtensionUnits(blob.bytes, 1, 1).empty());
    EXPECT_TRUE(FindExtensionUnits(blob.bytes, 0, 2).empty());
    EXPECT_EQ(FindExtensionUnits(blob.bytes, 0, std::nullopt).size(), 2u);
}

TEST(UvcDescriptors, SecondConfigurationAndAUnitAfterAnOddLengthDescriptor) {
    DescriptorBlob blob = UvcCameraDescriptors(4);
    blob.Configuration(2)
        .Interface(0, 0x01)
        .Add({7, 0x24, 0x0F, 1, 2, 3, 4})  // odd length: nothing after it is aligned
        .ExtensionUnit(9, XuPropertySet);
    EXPECT_EQ(UnitIds(FindExtensionUnits(blob.bytes, 0, 2)), std::vector<uint8_t>{9});
    EXPECT_EQ(UnitIds(FindExtensionUnits(blob.bytes, 0, std::nullopt)),
              (std::vector<uint8_t>{3, 4}));
}

TEST(UvcDescriptors, TruncatedOrMalformedBlobsNeverReadPastTheirEnd) {
    const std::vector<uint8_t> full = UvcCameraDescriptors(4).bytes;
    for (size_t length = 0; length <= full.size(); ++length) {
        const GuardedBytes bytes({full.begin(), full.begin() + length});
        const std::vector<uint8_t> ids = UnitIds(FindExtensionUnits(bytes.Span(), 0, 1));
        // Units are found whole or not at all, in order.
        const std::vector<uint8_t> expected{3, 4};
        ASSERT_LE(ids.size(), 2u);
        EXPECT_TRUE(std::equal(ids.begin(), ids.end(), expected.begin())) << length;
    }

    // A zero or one length would never advance; a length past the end is a
    // truncated file; a unit too short for its GUID is no unit. The walk keeps
    // what it found before such a descriptor and trusts nothing after it.
    for (uint8_t badLength : {0, 1, 200}) {
        DescriptorBlob blob = UvcCameraDescriptors(4);
        blob.Interface(0, 0x01).Add({badLength, 0x24, 0x06, 8}).ExtensionUnit(9, XuPropertySet);
        const GuardedBytes bytes(blob.bytes);
        EXPECT_EQ(UnitIds(FindExtensionUnits(bytes.Span(), 0, 1)), (std::vector<uint8_t>{3, 4}));
    }
    std::vector<uint8_t> shortHead(19, 0);
    shortHead[0] = 19, shortHead[1] = 0x24, shortHead[2] = 0x06, shortHead[3] = 8;
    DescriptorBlob shortUnit;
    shortUnit.Configuration(1).Interface(0, 0x01).Add(shortHead).ExtensionUnit(9, XuPropertySet);
    const GuardedBytes bytes(shortUnit.bytes);
    EXPECT_EQ(UnitIds(FindExtensionUnits(bytes.Span(), 0, 1)), std::vector<uint8_t>{9});
}

}  // namespace
}  // namespace kestrovane::testing
