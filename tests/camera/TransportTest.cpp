#include <gtest/gtest.h>

#include "SimulatedCameraFixture.h"
#include "camera/Transport.h"

namespace kestrovane::testing {
namespace {

// A property control that records the last request and answers as scripted.
class ScriptedControl final : public PropertyControl {
public:
    HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                       uint32_t* bytesReturned) override {
        last = request;
        lastLength = length;
        if (reply) std::copy(reply->begin(), reply->end(), data);
        *bytesReturned = returned;
        return status;
    }

    NodePropertyRequest last{};
    uint32_t lastLength = 0;
    HResult status = kS_OK;
    uint32_t returned = 3;
    std::optional<XuRequest> reply;
};

class ScriptedTopology final : public Topology {
public:
    HResult NumNodes(uint32_t* count) override {
        *count = static_cast<uint32_t>(types.size());
        return countResult;
    }
    HResult NodeType(uint32_t node, Guid* type) override {
        if (node == failingNode) return kE_FAIL;
        *type = types.at(node);
        return kS_OK;
    }

    std::vector<Guid> types;
    HResult countResult = kS_OK;
    uint32_t failingNode = 99;
};

TEST(XuTransfer, FillsTheNodeRequestFieldByField) {
    ScriptedControl control;
    XuRequest data{1, 2, 3};
    ASSERT_EQ(XuSet(&control, CommandChannel, 7, data.data(), 3), 1);
    EXPECT_EQ(control.last.set, XuPropertySet);
    EXPECT_EQ(control.last.id, 2u);
    EXPECT_EQ(control.last.flags, 0x10000002u);
    EXPECT_EQ(control.last.nodeId, 7u);
    EXPECT_EQ(control.last.reserved, 0u);
    EXPECT_EQ(control.lastLength, 3u);

    ASSERT_EQ(XuGet(&control, EepromChannel, 4, data.data(), 3), 1);
    EXPECT_EQ(control.last.flags, 0x10000001u);
    EXPECT_EQ(control.last.id, 1u);
}

TEST(XuTransfer, OnlyExactSuccessCounts) {
    ScriptedControl control;
    XuRequest data{};
    control.status = kS_FALSE;
    EXPECT_EQ(XuSet(&control, 1, 0, data.data(), 3), 0);
    EXPECT_EQ(XuGet(&control, 1, 0, data.data(), 3), 0);
    control.status = kE_FAIL;
    EXPECT_EQ(XuSet(&control, 1, 0, data.data(), 3), 0);
}

TEST(XuTransfer, ShortGetReplyFailsButSetIgnoresTheCount) {
    ScriptedControl control;
    XuRequest data{0x01, 0x34, 0x12};
    control.returned = 2;
    control.reply = XuRequest{0x01, 0x01, 0x12};
    EXPECT_EQ(XuGet(&control, 1, 0, data.data(), 3), 0);
    control.returned = 0;
    EXPECT_EQ(XuSet(&control, 1, 0, data.data(), 3), 1);
}

TEST(ExtensionUnitNode, SkipsNodesWhoseTypeQueryFails) {
    ScriptedTopology topology;
    topology.types = {KSNODETYPE_DEV_SPECIFIC, Guid{}, KSNODETYPE_DEV_SPECIFIC,
                      KSNODETYPE_DEV_SPECIFIC};
    topology.failingNode = 0;
    uint32_t node = 0;
    EXPECT_EQ(FindExtensionUnitNode(topology, KSNODETYPE_DEV_SPECIFIC, &node), kS_OK);
    EXPECT_EQ(node, 2u);
}

TEST(ExtensionUnitNode, ReportsMissingNodeAndFailedCount) {
    ScriptedTopology topology;
    uint32_t node = 55;
    EXPECT_EQ(FindExtensionUnitNode(topology, KSNODETYPE_DEV_SPECIFIC, &node), 1);
    topology.types = {Guid{}};
    EXPECT_EQ(FindExtensionUnitNode(topology, KSNODETYPE_DEV_SPECIFIC, &node), 1);
    topology.countResult = kE_FAIL;
    EXPECT_EQ(FindExtensionUnitNode(topology, KSNODETYPE_DEV_SPECIFIC, &node), kE_FAIL);
    EXPECT_EQ(node, 55u);
}

TEST(ExtensionUnit, NullFilterMeansNoDevice) {
    uint32_t node = 0;
    std::unique_ptr<PropertyControl> control;
    EXPECT_EQ(OpenExtensionUnit(nullptr, &node), XU_NO_DEVICE);
    EXPECT_EQ(GetKsControl(nullptr, &control), XU_NO_DEVICE);
}

class LinkTest : public SimulatedCameraTest {
protected:
    int OpenOther(sim::SimulatedDevice device) {
        device.path = sim::UsbCameraPath("3a5e", "0002", "other");
        machine.AddDevice(device);
        XuLink link;
        return link.Open({machine, *device.path});
    }
};

TEST_F(LinkTest, MapsEachMissingPieceToItsCode) {
    sim::SimulatedDevice device;
    device.nodeTypes = sim::PlainCameraNodes();
    EXPECT_EQ(OpenOther(device), XU_NOT_SUPPORTED);

    device.nodeTypes = sim::TovrineCameraNodes();
    device.hasTopology = false;
    EXPECT_EQ(OpenOther(device), XU_NOT_SUPPORTED);

    device.hasTopology = true;
    device.nodeCountResult = kE_FAIL;
    EXPECT_EQ(OpenOther(device), XU_NOT_SUPPORTED);

    device.nodeCountResult = kS_OK;
    device.hasPropertyControl = false;
    EXPECT_EQ(OpenOther(device), XU_NOT_SUPPORTED);
}

TEST_F(LinkTest, ReportsWhichStepFailed) {
    XuLink link;
    EXPECT_EQ(link.Open({machine, "nothing"}), XU_NO_DEVICE);
    EXPECT_EQ(link.FailedStep(), XuLink::Step::OpenCamera);
    ASSERT_EQ(link.Open(camera), XU_OK);
    EXPECT_EQ(link.FailedStep(), XuLink::Step::None);
    sim::SimulatedDevice plain;
    plain.path = sim::UsbCameraPath("3a5e", "0003", "plain");
    plain.nodeTypes = sim::PlainCameraNodes();
    machine.AddDevice(plain);
    EXPECT_EQ(link.Open({machine, *plain.path}), XU_NOT_SUPPORTED);
    EXPECT_EQ(link.FailedStep(), XuLink::Step::OpenExtensionUnit);
}

TEST_F(LinkTest, TransfersFailOnceTheCameraIsUnplugged) {
    XuLink link;
    ASSERT_EQ(link.Open(camera), XU_OK);
    XuRequest probe{0x07, 0x07, 0x00};
    EXPECT_TRUE(link.Set(CommandChannel, probe));
    machine.Detach(cameraPath);
    EXPECT_FALSE(link.Set(CommandChannel, probe));
    link.Close();
    EXPECT_FALSE(link.Set(CommandChannel, probe));
}

}  // namespace
}  // namespace kestrovane::testing
