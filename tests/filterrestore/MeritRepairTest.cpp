#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "InMemoryRegistry.h"
#include "filterrestore/FilterRegistration.h"
#include "filterrestore/MeritRepair.h"
#include "filterrestore/RepairMessage.h"

namespace kestrovane {
namespace {

constexpr RegistryView kBothViews[] = {RegistryView::Wow64Key64, RegistryView::Wow64Key32};
constexpr RegistryView kOnlyView[] = {RegistryView::Default};

// A registration record as the system stores it: version 2, the merit, then
// the pin descriptions; `length` pads or cuts the pin data.
std::vector<uint8_t> FilterRecord(uint32_t merit, std::size_t length = 96) {
    std::vector<uint8_t> record = {0x02, 0x00, 0x00, 0x00};
    for (int i = 0; i < 4; ++i) record.push_back(static_cast<uint8_t>(merit >> (8 * i)));
    const std::string pins =
        "\x02\x00\x00\x00\x00\x00\x00\x00"
        "0pi3\x00\x00\x00\x00";
    for (std::size_t i = 0; record.size() < length; ++i) {
        record.push_back(i < pins.size() ? static_cast<uint8_t>(pins[i])
                                         : static_cast<uint8_t>(i * 37 + 11));
    }
    record.resize(length);
    return record;
}

std::vector<uint8_t> WithMerit(std::vector<uint8_t> record, uint32_t merit) {
    for (int i = 0; i < 4; ++i) record[kMeritOffset + i] = static_cast<uint8_t>(merit >> (8 * i));
    return record;
}

class FilterRestoreRepair : public ::testing::Test {
protected:
    void StoreFilterData(RegistryView view, std::vector<uint8_t> data,
                         uint32_t type = kRegistryTypeBinary) {
        registry.StoreValue(view, FilterKeyPath(), "FilterData", {type, std::move(data)});
    }
    std::vector<uint8_t> FilterData(RegistryView view) const {
        const auto value = registry.StoredValue(view, FilterKeyPath(), "FilterData");
        return value ? value->data : std::vector<uint8_t>{};
    }
    void ExpectNoHandleLeft() const {
        EXPECT_EQ(registry.openKeyCount(), 0u);
        EXPECT_EQ(registry.badHandleUses(), 0);
    }

    InMemoryRegistry registry;
};

TEST_F(FilterRestoreRepair, ReplacesTheMeritAndKeepsEveryOtherByte) {
    const std::vector<uint8_t> original = FilterRecord(0x00600000);
    StoreFilterData(RegistryView::Default, original);

    const RepairReport report = RepairFilterMerit(registry, kOnlyView);

    ASSERT_EQ(report.views.size(), 1u);
    EXPECT_EQ(report.views[0].result, RepairResult::Repaired);
    const std::vector<uint8_t> written = FilterData(RegistryView::Default);
    EXPECT_EQ(written, WithMerit(original, 0xFFFF0000));
    EXPECT_EQ(std::vector<uint8_t>(written.begin() + 4, written.begin() + 8),
              (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0xFF}));
    EXPECT_EQ(registry.StoredValue(RegistryView::Default, FilterKeyPath(), "FilterData")->type,
              kRegistryTypeBinary);
    // Read once and written once, both through the joined path.
    ASSERT_EQ(registry.openedPaths().size(), 2u);
    for (const std::string& path : registry.openedPaths()) {
        EXPECT_EQ(path, FilterKeyPath());
        EXPECT_EQ(path.find("\\\\"), std::string::npos);
    }
    EXPECT_EQ(ExitCodeFor(report), 0);
    const UserMessage message = ComposeMessage(report);
    EXPECT_EQ(message.text, "Register recover sucessfully. Please reboot.");
    EXPECT_EQ(message.caption, "Success");
    EXPECT_FALSE(message.isError);
    ExpectNoHandleLeft();
}

TEST_F(FilterRestoreRepair, MeritAlreadyReplacedIsWrittenBackUnchanged) {
    const std::vector<uint8_t> original = FilterRecord(0xFFFF0000);
    StoreFilterData(RegistryView::Default, original);

    const RepairReport report = RepairFilterMerit(registry, kOnlyView);

    EXPECT_EQ(report.views[0].result, RepairResult::Repaired);
    EXPECT_EQ(registry.setValueCalls(), 1);
    EXPECT_EQ(FilterData(RegistryView::Default), original);
    ExpectNoHandleLeft();
}

TEST_F(FilterRestoreRepair, BoundaryLengthsAreRepairedWhole) {
    for (const std::size_t length : {kFilterDataCapacity, kMinimumFilterDataLength}) {
        SCOPED_TRACE(length);
        InMemoryRegistry fresh;
        const std::vector<uint8_t> original = FilterRecord(0x00200000, length);
        fresh.StoreValue(RegistryView::Default, FilterKeyPath(), "FilterData",
                         {kRegistryTypeBinary, original});

        const RepairReport report = RepairFilterMerit(fresh, kOnlyView);

        EXPECT_EQ(report.views[0].result, RepairResult::Repaired);
        const auto written =
            fresh.StoredValue(RegistryView::Default, FilterKeyPath(), "FilterData");
        ASSERT_TRUE(written);
        EXPECT_EQ(written->data.size(), length);
        EXPECT_EQ(written->data, WithMerit(original, 0xFFFF0000));
    }
}

TEST_F(FilterRestoreRepair, EachViewIsRepairedByItsOwnRecord) {
    const std::vector<uint8_t> record64 = FilterRecord(0x00600000, 120);
    const std::vector<uint8_t> record32 = FilterRecord(0x00800001, 64);
    StoreFilterData(RegistryView::Wow64Key64, record64);
    StoreFilterData(RegistryView::Wow64Key32, record32);

    const RepairReport report = RepairFilterMerit(registry, kBothViews);

    ASSERT_EQ(report.views.size(), 2u);
    EXPECT_EQ(report.views[0].view, RegistryView::Wow64Key64);
    EXPECT_EQ(report.views[1].view, RegistryView::Wow64Key32);
    EXPECT_EQ(FilterData(RegistryView::Wow64Key64), WithMerit(record64, 0xFFFF0000));
    EXPECT_EQ(FilterData(RegistryView::Wow64Key32), WithMerit(record32, 0xFFFF0000));
    EXPECT_TRUE(report.Succeeded());
    ExpectNoHandleLeft();
}

TEST_F(FilterRestoreRepair, ViewWithoutRegistrationDoesNotSpoilSuccess) {
    const std::vector<uint8_t> record32 = FilterRecord(0x00600000);
    StoreFilterData(RegistryView::Wow64Key32, record32);

    const RepairReport report = RepairFilterMerit(registry, kBothViews);

    EXPECT_EQ(report.views[0].result, RepairResult::KeyMissing);
    EXPECT_EQ(report.views[1].result, RepairResult::Repaired);
    EXPECT_TRUE(report.Succeeded());
    EXPECT_EQ(ExitCodeFor(report), 0);
    EXPECT_EQ(ComposeMessage(report).caption, "Success");
    EXPECT_FALSE(registry.StoredValue(RegistryView::Wow64Key64, FilterKeyPath(), "FilterData"));
}

// On 64-bit Windows either view may be the one the cameras' programs use: a
// view that holds the registration and was passed over is no success.
TEST_F(FilterRestoreRepair, AViewPassedOverIsReportedDespiteTheOther) {
    const std::vector<uint8_t> record32 = FilterRecord(0x00600000, 40);
    struct PassedOver {
        const char* why;
        std::function<void()> prepare;
        const char* described;
    };
    const std::vector<PassedOver> cases{
        {"write refused",
         [this] {
             StoreFilterData(RegistryView::Wow64Key64, FilterRecord(0x00600000));
             registry.FailSetValue(RegistryView::Wow64Key64);
         },
         "64-bit registry view: writing"},
        {"too long",
         [this] { StoreFilterData(RegistryView::Wow64Key64, FilterRecord(0x00600000, 450)); },
         "64-bit registry view: the value \"FilterData\" holds 450 bytes"},
        {"not binary",
         [this] { StoreFilterData(RegistryView::Wow64Key64, FilterRecord(0x00600000), 1); },
         "64-bit registry view: the value \"FilterData\" is not binary"},
    };
    for (const PassedOver& passedOver : cases) {
        SCOPED_TRACE(passedOver.why);
        registry = InMemoryRegistry();
        passedOver.prepare();
        const std::vector<uint8_t> before = FilterData(RegistryView::Wow64Key64);
        StoreFilterData(RegistryView::Wow64Key32, record32);

        const RepairReport report = RepairFilterMerit(registry, kBothViews);

        EXPECT_EQ(report.views[1].result, RepairResult::Repaired);
        EXPECT_EQ(FilterData(RegistryView::Wow64Key64), before);
        EXPECT_EQ(FilterData(RegistryView::Wow64Key32), WithMerit(record32, 0xFFFF0000));
        EXPECT_FALSE(report.Succeeded());
        EXPECT_NE(ExitCodeFor(report), 0);
        const UserMessage message = ComposeMessage(report);
        EXPECT_EQ(message.caption, "Error");
        EXPECT_TRUE(message.isError);
        EXPECT_NE(message.text.find("only in part"), std::string::npos) << message.text;
        EXPECT_NE(message.text.find(passedOver.described), std::string::npos) << message.text;
        EXPECT_NE(message.text.find("32-bit registry view: repaired"), std::string::npos);
        ExpectNoHandleLeft();
    }
}

// Every case in which nothing may be written: the registry must come out byte
// for byte as it went in, and the user must learn what was wrong.
struct Refusal {
    const char* name;
    void (*arrange)(InMemoryRegistry&);
    RepairResult expected;
    const char* messagePart;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

void StoreDefault(InMemoryRegistry& r, uint32_t type, std::vector<uint8_t> data) {
    r.StoreValue(RegistryView::Default, FilterKeyPath(), "FilterData", {type, std::move(data)});
}

const Refusal kRefusals[] = {
    {"KeyMissing",
     [](InMemoryRegistry& r) {
         r.CreateKey(RegistryView::Default, "CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}");
     },
     RepairResult::KeyMissing, "Instance\\{301056D0-6DFF-11D2-9EEB-006008039E37} does not exist"},
    {"ValueMissing",
     [](InMemoryRegistry& r) {
         r.StoreValue(RegistryView::Default, FilterKeyPath(), "FriendlyName",
                      {1, {'M', 'J', 'P', 'E', 'G', 0}});
     },
     RepairResult::ValueMissing, "has no value \"FilterData\""},
    {"NotBinary", [](InMemoryRegistry& r) { StoreDefault(r, 1, FilterRecord(0x00600000, 20)); },
     RepairResult::NotBinary, "not binary data (registry type 1)"},
    {"TooShort",
     [](InMemoryRegistry& r) {
         StoreDefault(r, kRegistryTypeBinary,
                      FilterRecord(0x00600000, kMinimumFilterDataLength - 1));
     },
     RepairResult::TooShort, "holds 7 bytes; at least 8"},
    {"Empty", [](InMemoryRegistry& r) { StoreDefault(r, kRegistryTypeBinary, {}); },
     RepairResult::TooShort, "holds 0 bytes"},
    {"TooLong",
     [](InMemoryRegistry& r) {
         StoreDefault(r, kRegistryTypeBinary, FilterRecord(0x00600000, kFilterDataCapacity + 1));
     },
     RepairResult::TooLong, "holds 401 bytes; at most 400"},
    {"WriteAccessDenied",
     [](InMemoryRegistry& r) {
         StoreDefault(r, kRegistryTypeBinary, FilterRecord(0x00600000));
         r.DenyWriteAccess(RegistryView::Default);
     },
     RepairResult::WriteRefused, "access denied; run the program as administrator"},
    {"SetValueFails",
     [](InMemoryRegistry& r) {
         StoreDefault(r, kRegistryTypeBinary, FilterRecord(0x00600000));
         r.FailSetValue(RegistryView::Default);
     },
     RepairResult::WriteRefused, "failed (error 29)"},
};

class FilterRestoreRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(FilterRestoreRefusal, LeavesTheRegistryAsItWasAndSaysWhy) {
    const Refusal& refusal = GetParam();
    InMemoryRegistry registry;
    refusal.arrange(registry);
    const InMemoryRegistry::Contents before = registry.contents();

    const RepairReport report = RepairFilterMerit(registry, kOnlyView);

    ASSERT_EQ(report.views.size(), 1u);
    EXPECT_EQ(report.views[0].result, refusal.expected);
    EXPECT_EQ(registry.contents(), before);
    EXPECT_FALSE(report.Succeeded());
    EXPECT_NE(ExitCodeFor(report), 0);
    EXPECT_EQ(registry.openKeyCount(), 0u);
    EXPECT_EQ(registry.badHandleUses(), 0);

    const UserMessage message = ComposeMessage(report);
    EXPECT_EQ(message.caption, "Error");
    EXPECT_TRUE(message.isError);
    EXPECT_NE(message.text.find("could not be repaired"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(refusal.messagePart), std::string::npos) << message.text;
    EXPECT_NE(message.text.find("Nothing was changed."), std::string::npos) << message.text;
}

INSTANTIATE_TEST_SUITE_P(EveryRefusal, FilterRestoreRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FilterRestoreRefusals, ARefusalInEveryViewRepairsNothing) {
    InMemoryRegistry registry;
    registry.StoreValue(RegistryView::Wow64Key32, FilterKeyPath(), "FilterData",
                        {kRegistryTypeBinary, FilterRecord(0x00600000, 500)});
    const InMemoryRegistry::Contents before = registry.contents();

    const RepairReport report = RepairFilterMerit(registry, kBothViews);

    EXPECT_EQ(report.views[0].result, RepairResult::KeyMissing);
    EXPECT_EQ(report.views[1].result, RepairResult::TooLong);
    EXPECT_EQ(registry.setValueCalls(), 0);
    EXPECT_EQ(registry.contents(), before);
    EXPECT_NE(ExitCodeFor(report), 0);
    const std::string text = ComposeMessage(report).text;
    EXPECT_NE(text.find("64-bit registry view: the key"), std::string::npos) << text;
    EXPECT_NE(text.find("32-bit registry view: the value \"FilterData\" holds 500 bytes"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace kestrovane
