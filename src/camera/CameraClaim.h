#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace kestrovane {

// A copy's hold on one camera; released when destroyed. It backs the caption
// claim, which alone cannot stop two copies that look at the window list at
// the same moment from both taking the same camera.
class CameraClaim {
public:
    virtual ~CameraClaim() = default;
};

class CameraClaims {
public:
    virtual ~CameraClaims() = default;
    // The claim on `cameraPath`, or none when somebody else holds it.
    virtual std::unique_ptr<CameraClaim> TryClaim(const std::string& cameraPath) = 0;
};

// Claims among the users of one process (the simulated machine, tests).
class InProcessCameraClaims final : public CameraClaims {
public:
    std::unique_ptr<CameraClaim> TryClaim(const std::string& cameraPath) override;
    bool IsClaimed(const std::string& cameraPath) const;

private:
    class Held;
    mutable std::mutex mutex_;
    std::set<std::string> held_;
};

}  // namespace kestrovane
