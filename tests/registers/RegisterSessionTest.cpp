#include <gtest/gtest.h>

#include <vector>

#include "SimulatedCameraFixture.h"
#include "registers/RegisterSession.h"

namespace kestrovane::testing {
namespace {

using Requests = std::vector<XuRequest>;

class RegisterSessionTest : public SimulatedCameraTest {
protected:
    std::unique_ptr<RegisterSession> OpenAtLevel(XuProtocolLevel level) {
        controller->SetProtocolLevel(level);
        auto session = std::make_unique<RegisterSession>();
        EXPECT_EQ(session->Open(camera), XU_OK);
        EXPECT_EQ(session->Level(), level);
        controller->ClearTransferLog();
        return session;
    }
};

// The request layout each protocol level uses for each register file, and the
// value a read takes from the reply.
TEST_F(RegisterSessionTest, EachLevelSendsItsOwnRequests) {
    struct Case {
        XuProtocolLevel level;
        RegisterKind kind;
        Requests write;  // writing 0xBEEF (chip: 0xEF) to register 0x0012
    };
    const std::vector<Case> cases{
        {2, RegisterKind::Chip, {{0x12, 0x01, 0x00}, {0xEF, 0x03, 0x00}}},
        {2, RegisterKind::Sensor, {{0x12, 0x00, 0x00}, {0xEF, 0x02, 0xBE}}},
        {1, RegisterKind::Chip, {{0x01, 0x12, 0x00}, {0x03, 0xEF, 0x00}}},
        {1, RegisterKind::Sensor, {{0x00, 0x12, 0x00}, {0x02, 0xEF, 0xBE}}},
        {0, RegisterKind::Chip, {{0x00, 0x12, 0x00}, {0x01, 0xEF, 0x00}}},
        {0, RegisterKind::Sensor, {{0x00, 0x12, 0x01}, {0x01, 0xEF, 0xBE}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "level " << c.level << " sensor " << (c.kind == RegisterKind::Sensor));
        const auto session = OpenAtLevel(c.level);
        const uint16_t value = c.kind == RegisterKind::Chip ? 0xEF : 0xBEEF;
        ASSERT_EQ(session->Write(c.kind, 0x0012, value), XU_OK);
        EXPECT_EQ(SentRequests(CommandChannel), c.write);

        controller->ClearTransferLog();
        uint16_t read = 0;
        ASSERT_EQ(session->Read(c.kind, 0x0012, read), XU_OK);
        EXPECT_EQ(read, value);
        EXPECT_EQ(SentRequests(CommandChannel), Requests{c.write[0]});
    }
    EXPECT_EQ(controller->SensorRegister(0x0012), 0xBEEF);
    EXPECT_EQ(controller->ChipRegister(0x0012), 0xEF);
}

// A probe that gets no answer leaves level 0 and its legacy requests.
TEST_F(RegisterSessionTest, AProbeThatFailsTwiceMeansLevelZero) {
    // One failed transfer is asked again: the camera is not taken for legacy
    // firmware, to which legacy requests would go.
    controller->FailNthTransfer(1);
    RegisterSession probedAgain;
    ASSERT_EQ(probedAgain.Open(camera), XU_OK);
    EXPECT_EQ(probedAgain.Level(), 2);

    controller->ClearFaults();
    controller->FailNthTransfer(1);
    controller->ShortReplyOnNthTransfer(3);  // the second probe's GET comes back short
    RegisterSession unprobed;
    ASSERT_EQ(unprobed.Open(camera), XU_OK);
    EXPECT_EQ(unprobed.Level(), 0);
    controller->ClearTransferLog();
    EXPECT_EQ(unprobed.Write(RegisterKind::Sensor, 0x0023, 0x0001), XU_OK);
    EXPECT_EQ(SentRequests(CommandChannel), (Requests{{0x00, 0x23, 0x01}, {0x01, 0x01, 0x00}}));
}

}  // namespace
}  // namespace kestrovane::testing
