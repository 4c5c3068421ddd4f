#include "camera/linux/UvcCameraPort.h"

#include <linux/usb/video.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <optional>

#include "camera/Discovery.h"
#include "camera/linux/SysfsUsb.h"
#include "camera/linux/UvcDescriptors.h"

namespace kestrovane::linux_camera {

namespace fs = std::filesystem;

namespace {

// The platform's E_INVALIDARG and HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND).
constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult kE_SET_NOT_FOUND = static_cast<HResult>(0x80070492u);

// A device's descriptors file holds the device descriptor and its
// configurations; each configuration is at most 64 KiB.
constexpr size_t kMaxDescriptorBytes = 1 << 20;

// A video4linux node of a USB interface.
struct VideoNode {
    std::string name;  // "video0"
    unsigned number = 0;
    UsbInterface usb;
};

std::optional<unsigned> NodeNumber(const std::string& name) {
    constexpr std::string_view prefix = "video";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    unsigned number = 0;
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(name.data() + prefix.size(), end, number);
    if (error != std::errc() || stop != end) return std::nullopt;
    return number;
}

// After a stalled request the UVC driver reads the camera's request error
// code and returns an errno for it; the camera's meaning, for the verbose
// text. A camera without the error code control leaves EPIPE.
std::string CameraErrorCodeText(int error) {
    switch (error) {
        case EBUSY: return ": the camera was not ready";
        case EILSEQ: return ": the camera was in the wrong state for the request";
        case EREMOTE: return ": the camera's power mode does not allow the request";
        case ERANGE: return ": the value was out of the camera's range";
        case EINVAL: return ": the camera refused the value";
        case EIO: return ": the camera has no such unit, control or request, or failed";
        default: return "";
    }
}

}  // namespace

struct UvcPortContext {
    UvcCameraPortOptions options;

    void Say(const std::string& line) const {
        if (options.verbose) options.verbose(line);
    }

    std::string NodePath(const VideoNode& node) const {
        return (options.deviceFolder / node.name).string();
    }

    // The capture nodes in order of number; none when the class folder
    // exists but cannot be read.
    std::optional<std::vector<VideoNode>> FindVideoNodes() const {
        std::vector<VideoNode> nodes;
        const fs::path classFolder = options.sysfsRoot / "class" / "video4linux";
        std::error_code error;
        fs::directory_iterator entries(classFolder, error);
        if (error == std::errc::no_such_file_or_directory) return nodes;
        if (error) {
            Say("reading " + classFolder.string() + ": " + ErrnoText(error.value()));
            return std::nullopt;
        }
        // Stepped with an error code: a node that goes while the folder is
        // read ends the walk instead of throwing.
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            VideoNode node;
            node.name = entry.path().filename().string();
            const std::optional<unsigned> number = NodeNumber(node.name);
            if (!number) continue;
            node.number = *number;
            // Index 0 is a device's first capture node; later ones of the
            // same device (metadata, further streams) would list it twice.
            const std::optional<std::string> index = ReadAttribute(entry.path() / "index");
            if (index && *index != "0") continue;
            std::optional<UsbInterface> usb = ReadUsbInterface(entry.path() / "device");
            if (!usb) continue;  // not a USB device: out of reach of the UVC driver
            node.usb = std::move(*usb);
            nodes.push_back(std::move(node));
        }
        std::sort(nodes.begin(), nodes.end(),
                  [](const VideoNode& a, const VideoNode& b) { return a.number < b.number; });
        // Without index files (older kernels) one interface may show several nodes.
        std::vector<VideoNode> unique;
        for (VideoNode& node : nodes) {
            const bool seen = std::any_of(unique.begin(), unique.end(), [&](const VideoNode& kept) {
                return kept.usb.folder == node.usb.folder;
            });
            if (!seen) unique.push_back(std::move(node));
        }
        return unique;
    }

    // The extension units of the node's VideoControl interface; none when
    // the descriptors cannot be read.
    std::optional<std::vector<ExtensionUnit>> ReadExtensionUnits(const VideoNode& node) const {
        const fs::path file = node.usb.folder.parent_path() / "descriptors";
        const std::optional<std::vector<uint8_t>> descriptors =
            ReadBinaryAttribute(file, kMaxDescriptorBytes);
        if (!descriptors) {
            Say("reading " + file.string() + " failed");
            return std::nullopt;
        }
        return FindExtensionUnits(*descriptors, node.usb.interfaceNumber, node.usb.configuration);
    }
};

namespace {

// A video node held open; closed once, when the last of the filter and its
// property control lets go of it.
class OpenNode {
public:
    OpenNode(std::shared_ptr<UvcDeviceIo> io, int descriptor, std::string path)
        : io_(std::move(io)), descriptor_(descriptor), path_(std::move(path)) {}
    OpenNode(const OpenNode&) = delete;
    OpenNode& operator=(const OpenNode&) = delete;
    ~OpenNode() { io_->Close(descriptor_); }

    UvcDeviceIo& Io() const { return *io_; }
    int Descriptor() const { return descriptor_; }
    const std::string& Path() const { return path_; }

private:
    std::shared_ptr<UvcDeviceIo> io_;
    int descriptor_;
    std::string path_;
};

bool IsVendorUnit(const ExtensionUnit& unit) {
    return unit.code == XuPropertySet;
}

class UvcTopology final : public Topology {
public:
    explicit UvcTopology(std::vector<ExtensionUnit> units) : units_(std::move(units)) {}

    HResult NumNodes(uint32_t* count) override {
        *count = static_cast<uint32_t>(units_.size());
        return kS_OK;
    }

    HResult NodeType(uint32_t nodeId, Guid* type) override {
        if (nodeId >= units_.size()) return kE_INVALIDARG;
        // Units of other vendors get no type: the port does not speak for them.
        *type = IsVendorUnit(units_[nodeId]) ? KSNODETYPE_DEV_SPECIFIC : Guid{};
        return kS_OK;
    }

private:
    std::vector<ExtensionUnit> units_;
};

class UvcPropertyControl final : public PropertyControl {
public:
    UvcPropertyControl(std::shared_ptr<OpenNode> node, std::vector<ExtensionUnit> units,
                       std::shared_ptr<const UvcPortContext> context)
        : node_(std::move(node)), units_(std::move(units)), context_(std::move(context)) {}

    HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                       uint32_t* bytesReturned) override;

private:
    std::shared_ptr<OpenNode> node_;
    std::vector<ExtensionUnit> units_;
    std::shared_ptr<const UvcPortContext> context_;
};

HResult UvcPropertyControl::KsProperty(const NodePropertyRequest& request, uint8_t* data,
                                       uint32_t length, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    if (request.set != XuPropertySet) return kE_SET_NOT_FOUND;
    const bool get = request.flags == kXuGetFlags;
    if (!get && request.flags != kXuSetFlags) return kE_INVALIDARG;
    if (request.nodeId >= units_.size() || !IsVendorUnit(units_[request.nodeId])) {
        return kE_INVALIDARG;
    }
    // The driver's query carries an 8-bit selector and a 16-bit size.
    if (request.id == 0 || request.id > 0xFF || !data || length == 0 || length > 0xFFFF) {
        return kE_INVALIDARG;
    }

    uvc_xu_control_query query{};
    query.unit = units_[request.nodeId].unitId;
    query.selector = static_cast<uint8_t>(request.id);
    query.query = get ? UVC_GET_CUR : UVC_SET_CUR;
    query.size = static_cast<uint16_t>(length);
    query.data = data;
    const int result = node_->Io().Ioctl(node_->Descriptor(), UVCIOC_CTRL_QUERY, query);
    if (result < 0) {
        context_->Say(std::string("UVCIOC_CTRL_QUERY ") + (get ? "GET_CUR" : "SET_CUR") + " unit " +
                      std::to_string(query.unit) + " selector " + std::to_string(query.selector) +
                      " size " + std::to_string(length) + " on " + node_->Path() + ": " +
                      ErrnoText(-result) + CameraErrorCodeText(-result));
        return HResultFromErrno(-result);
    }
    // The driver moves all `size` bytes or fails the request.
    if (bytesReturned && get) *bytesReturned = length;
    return kS_OK;
}

class UvcFilter final : public CaptureFilter {
public:
    UvcFilter(std::shared_ptr<OpenNode> node, std::optional<std::vector<ExtensionUnit>> units,
              std::shared_ptr<const UvcPortContext> context)
        : node_(std::move(node)), units_(std::move(units)), context_(std::move(context)) {}

    HResult QueryTopology(std::unique_ptr<Topology>* topology) override {
        if (!units_) return kE_FAIL;
        *topology = std::make_unique<UvcTopology>(*units_);
        return kS_OK;
    }

    HResult QueryPropertyControl(std::unique_ptr<PropertyControl>* control) override {
        if (!units_) return kE_FAIL;
        *control = std::make_unique<UvcPropertyControl>(node_, *units_, context_);
        return kS_OK;
    }

private:
    std::shared_ptr<OpenNode> node_;
    std::optional<std::vector<ExtensionUnit>> units_;
    std::shared_ptr<const UvcPortContext> context_;
};

class UvcDeviceEntry final : public DeviceEntry {
public:
    UvcDeviceEntry(VideoNode node, std::shared_ptr<const UvcPortContext> context)
        : node_(std::move(node)), context_(std::move(context)) {}

    HResult ReadDevicePath(std::string* path) override {
        *path = CameraDevicePath(node_.usb);
        return kS_OK;
    }

    HResult BindFilter(std::unique_ptr<CaptureFilter>* filter) override {
        const std::string nodePath = context_->NodePath(node_);
        const int descriptor = context_->options.io->Open(nodePath);
        if (descriptor < 0) {
            context_->Say("open " + nodePath + ": " + ErrnoText(-descriptor));
            return HResultFromErrno(-descriptor);
        }
        auto open = std::make_shared<OpenNode>(context_->options.io, descriptor, nodePath);
        *filter = std::make_unique<UvcFilter>(std::move(open), context_->ReadExtensionUnits(node_),
                                              context_);
        return kS_OK;
    }

private:
    VideoNode node_;
    std::shared_ptr<const UvcPortContext> context_;
};

class UvcDeviceEnumerator final : public DeviceEnumerator {
public:
    UvcDeviceEnumerator(std::vector<VideoNode> nodes, std::shared_ptr<const UvcPortContext> context)
        : nodes_(std::move(nodes)), context_(std::move(context)) {}

    HResult Next(std::unique_ptr<DeviceEntry>* entry) override {
        if (next_ >= nodes_.size()) return kS_FALSE;
        *entry = std::make_unique<UvcDeviceEntry>(nodes_[next_++], context_);
        return kS_OK;
    }

private:
    std::vector<VideoNode> nodes_;
    size_t next_ = 0;
    std::shared_ptr<const UvcPortContext> context_;
};

}  // namespace

UvcCameraPort::UvcCameraPort(UvcCameraPortOptions options) {
    if (!options.io) options.io = std::make_shared<SystemUvcDeviceIo>();
    auto context = std::make_shared<UvcPortContext>();
    context->options = std::move(options);
    context_ = std::move(context);
}

HResult UvcCameraPort::EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) {
    std::optional<std::vector<VideoNode>> nodes = context_->FindVideoNodes();
    if (!nodes) return kE_FAIL;
    if (nodes->empty()) return kS_FALSE;
    *enumerator = std::make_unique<UvcDeviceEnumerator>(std::move(*nodes), context_);
    return kS_OK;
}

std::vector<CaptureDevice> UvcCameraPort::CaptureDevices() {
    std::vector<CaptureDevice> devices;
    for (const VideoNode& node : context_->FindVideoNodes().value_or(std::vector<VideoNode>{})) {
        CaptureDevice device;
        device.devicePath = CameraDevicePath(node.usb);
        device.videoNode = context_->NodePath(node);
        device.product = ReadAttribute(node.usb.folder.parent_path() / "product").value_or("");
        device.serial = ReadAttribute(node.usb.folder.parent_path() / "serial").value_or("");
        device.port = node.usb.port;
        device.vendorId = node.usb.vendorId;
        device.productId = node.usb.productId;
        device.vendorMarker = HasCameraVendorMarker(device.devicePath);
        const auto units = context_->ReadExtensionUnits(node);
        device.extensionUnit = units && std::any_of(units->begin(), units->end(), IsVendorUnit);
        const int descriptor = context_->options.io->Open(device.videoNode);
        device.accessible = descriptor >= 0;
        if (descriptor >= 0) {
            context_->options.io->Close(descriptor);
        } else {
            context_->Say("open " + device.videoNode + ": " + ErrnoText(-descriptor));
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

}  // namespace kestrovane::linux_camera
