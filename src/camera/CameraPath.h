#pragma once

#include <mutex>
#include <string>

namespace kestrovane {

// The device path of the chosen camera, shared by the user-interface thread,
// which chooses it, and the workers, which copy it at their start.
class CameraPath {
public:
    std::string Get() const {
        std::lock_guard lock(mutex_);
        return path_;
    }
    void Set(std::string path) {
        std::lock_guard lock(mutex_);
        path_ = std::move(path);
    }

private:
    mutable std::mutex mutex_;
    std::string path_;
};

}  // namespace kestrovane
