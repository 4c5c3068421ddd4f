#include "camera/linux/SysfsDeviceInstaller.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "camera/linux/SysfsUsb.h"

namespace kestrovane::linux_camera {

namespace fs = std::filesystem;

namespace {

// Error numbers of the platform besides access denied.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorInvalidParameter = 87;

constexpr const char* kCameraDriver = "uvcvideo";

uint32_t ErrorFromErrno(int error) {
    if (IsAccessDenied(error)) return kErrorAccessDenied;
    if (IsDeviceGone(error)) return kErrorFileNotFound;
    return kErrorGenFailure;
}

class SysfsDeviceInfoSet final : public DeviceInfoSet {
public:
    SysfsDeviceInfoSet(fs::path sysfsRoot, std::vector<UsbInterface> interfaces,
                       SysfsDeviceInstaller& installer)
        : sysfsRoot_(std::move(sysfsRoot)), installer_(installer) {
        for (UsbInterface& usb : interfaces) members_.push_back({std::move(usb), {}, {}});
    }

    bool EnumDeviceInfo(uint32_t memberIndex) override { return memberIndex < members_.size(); }

    std::optional<std::string> HardwareId(uint32_t memberIndex) override {
        if (!EnumDeviceInfo(memberIndex)) return std::nullopt;
        return linux_camera::HardwareId(members_[memberIndex].usb);
    }

    std::optional<std::string> InstanceId(uint32_t memberIndex) override {
        if (!EnumDeviceInfo(memberIndex)) return std::nullopt;
        return linux_camera::InstanceId(members_[memberIndex].usb);
    }

    bool SetClassInstallParams(uint32_t memberIndex, DeviceStateChange change,
                               StateChangeScope) override {
        // Global and configuration-specific changes are the same thing here:
        // the machine has one configuration.
        if (!EnumDeviceInfo(memberIndex)) return Fail(kErrorInvalidParameter);
        members_[memberIndex].pending = change;
        return true;
    }

    bool CallPropertyChangeInstaller(uint32_t memberIndex) override;

    std::optional<uint32_t> DeviceInstallFlags(uint32_t memberIndex) override {
        if (!EnumDeviceInfo(memberIndex)) return std::nullopt;
        return 0u;  // a rebind never needs the machine restarted
    }

    uint32_t LastError() const override { return lastError_; }

private:
    struct Member {
        UsbInterface usb;
        std::optional<DeviceStateChange> pending;
        std::string unboundDriver;  // the driver a disable took the interface from
    };

    bool Fail(uint32_t error) {
        lastError_ = error;
        return false;
    }

    // The interface's current driver, read afresh: the kernel may have
    // changed it since the list was made.
    std::string CurrentDriver(const Member& member) const {
        std::error_code error;
        const fs::path driver = fs::read_symlink(member.usb.folder / "driver", error);
        return error ? std::string() : driver.filename().string();
    }

    // Writes the interface's name into the driver's bind or unbind file.
    bool WriteDriverFile(const Member& member, const std::string& driver, const char* action);

    fs::path sysfsRoot_;
    SysfsDeviceInstaller& installer_;
    std::vector<Member> members_;
    uint32_t lastError_ = 0;
};

bool SysfsDeviceInfoSet::WriteDriverFile(const Member& member, const std::string& driver,
                                         const char* action) {
    const fs::path file = sysfsRoot_ / "bus" / "usb" / "drivers" / driver / action;
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    int error = descriptor < 0 ? errno : 0;
    if (descriptor >= 0) {
        // The kernel takes the name in one write.
        const ssize_t written = ::write(descriptor, member.usb.name.data(), member.usb.name.size());
        if (written < 0) {
            error = errno;
        } else if (static_cast<size_t>(written) != member.usb.name.size()) {
            error = EIO;
        }
        if (::close(descriptor) != 0 && error == 0) error = errno;
    }
    if (error == 0) return true;
    installer_.DebugOutput("writing " + member.usb.name + " to " + file.string() + ": " +
                           ErrnoText(error));
    return Fail(ErrorFromErrno(error));
}

bool SysfsDeviceInfoSet::CallPropertyChangeInstaller(uint32_t memberIndex) {
    if (!EnumDeviceInfo(memberIndex) || !members_[memberIndex].pending) {
        return Fail(kErrorInvalidParameter);
    }
    Member& member = members_[memberIndex];
    const std::string current = CurrentDriver(member);
    if (*member.pending == DeviceStateChange::Disable) {
        if (current.empty()) return true;  // no driver: already stopped
        if (!WriteDriverFile(member, current, "unbind")) return false;
        member.unboundDriver = current;
        return true;
    }
    if (!current.empty()) return true;  // already running
    const std::string driver = member.unboundDriver.empty() ? kCameraDriver : member.unboundDriver;
    return WriteDriverFile(member, driver, "bind");
}

}  // namespace

SysfsDeviceInstaller::SysfsDeviceInstaller(fs::path sysfsRoot, VerboseSink debug)
    : sysfsRoot_(std::move(sysfsRoot)), debug_(std::move(debug)) {}

std::unique_ptr<DeviceInfoSet> SysfsDeviceInstaller::PresentDevices() {
    std::error_code error;
    const fs::path devices = sysfsRoot_ / "bus" / "usb" / "devices";
    if (!fs::is_directory(devices, error)) {
        DebugOutput("no USB devices folder at " + devices.string());
        return nullptr;
    }
    return std::make_unique<SysfsDeviceInfoSet>(sysfsRoot_, ListUsbInterfaces(sysfsRoot_), *this);
}

std::optional<std::string> SysfsDeviceInstaller::DeviceInstanceOf(const std::string& devicePath) {
    for (const UsbInterface& usb : ListUsbInterfaces(sysfsRoot_)) {
        if (CameraDevicePath(usb) == devicePath) return InstanceId(usb);
    }
    return std::nullopt;
}

void SysfsDeviceInstaller::DebugOutput(std::string_view text) {
    if (debug_) debug_(std::string(text));
}

}  // namespace kestrovane::linux_camera
