#include "camera/CameraClaim.h"

namespace kestrovane {

class InProcessCameraClaims::Held final : public CameraClaim {
public:
    Held(InProcessCameraClaims& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    ~Held() override {
        std::lock_guard lock(owner_.mutex_);
        owner_.held_.erase(path_);
    }

private:
    InProcessCameraClaims& owner_;
    std::string path_;
};

std::unique_ptr<CameraClaim> InProcessCameraClaims::TryClaim(const std::string& cameraPath) {
    std::lock_guard lock(mutex_);
    if (!held_.insert(cameraPath).second) return nullptr;
    return std::make_unique<Held>(*this, cameraPath);
}

bool InProcessCameraClaims::IsClaimed(const std::string& cameraPath) const {
    std::lock_guard lock(mutex_);
    return held_.count(cameraPath) != 0;
}

}  // namespace kestrovane
