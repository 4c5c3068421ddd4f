#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "VirtualClock.h"
#include "camera/Discovery.h"
#include "camera/sim/SimulatedMachine.h"

namespace kestrovane::testing {

// One Tovrine camera on a simulated machine, on virtual time.
class SimulatedCameraTest : public ::testing::Test {
protected:
    explicit SimulatedCameraTest(XuProtocolLevel level = 2, size_t eepromSize = 16384)
        : controller(machine.AttachCamera(cameraPath, eepromSize, level)) {}

    // The requests the host sent (SETs only), in order.
    std::vector<XuRequest> SentRequests(uint32_t selector) const {
        std::vector<XuRequest> sent;
        for (const auto& transfer : controller->TransferLog()) {
            if (!transfer.isGet && transfer.selector == selector) sent.push_back(transfer.bytes);
        }
        return sent;
    }

    VirtualClock clock;
    sim::SimulatedMachine machine{clock};
    const std::string cameraPath = sim::UsbCameraPath("3a5e", "1234", "6&1a2b3c4d&0&0000");
    std::shared_ptr<sim::SimulatedController> controller;
    CameraTarget camera{machine, cameraPath};
};

}  // namespace kestrovane::testing
