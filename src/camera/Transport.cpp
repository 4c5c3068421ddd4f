#include "camera/Transport.h"

namespace kestrovane {

namespace {

int Transfer(PropertyControl* control, uint32_t flags, uint32_t selector, uint32_t nodeId,
             uint8_t* data, uint32_t length, uint32_t* bytesReturned) {
    if (!control) return 0;
    NodePropertyRequest request;
    request.set = XuPropertySet;
    request.id = selector;
    request.flags = flags;
    request.nodeId = nodeId;
    request.reserved = 0;
    return control->KsProperty(request, data, length, bytesReturned) == kS_OK ? 1 : 0;
}

}  // namespace

HResult FindExtensionUnitNode(Topology& topology, const Guid& nodeType, uint32_t* nodeId) {
    uint32_t count = 0;
    const HResult countResult = topology.NumNodes(&count);
    if (!Succeeded(countResult)) return countResult;
    for (uint32_t node = 0; node < count; ++node) {
        Guid type;
        if (Succeeded(topology.NodeType(node, &type)) && type == nodeType) {
            *nodeId = node;
            return countResult;
        }
    }
    return 1;
}

int OpenExtensionUnit(CaptureFilter* filter, uint32_t* nodeId) {
    if (!filter) return XU_NO_DEVICE;
    std::unique_ptr<Topology> topology;
    if (filter->QueryTopology(&topology) != kS_OK || !topology) return XU_NOT_SUPPORTED;
    uint32_t found = 0;
    if (FindExtensionUnitNode(*topology, KSNODETYPE_DEV_SPECIFIC, &found) != kS_OK) {
        return XU_NOT_SUPPORTED;
    }
    *nodeId = found;
    return XU_OK;
}

int GetKsControl(CaptureFilter* filter, std::unique_ptr<PropertyControl>* control) {
    if (!filter) return XU_NO_DEVICE;
    std::unique_ptr<PropertyControl> obtained;
    if (filter->QueryPropertyControl(&obtained) != kS_OK || !obtained) return XU_NOT_SUPPORTED;
    *control = std::move(obtained);
    return XU_OK;
}

int XuSet(PropertyControl* control, uint32_t selector, uint32_t nodeId, uint8_t* data,
          uint32_t length) {
    uint32_t bytesReturned = 0;
    return Transfer(control, kXuSetFlags, selector, nodeId, data, length, &bytesReturned);
}

int XuGet(PropertyControl* control, uint32_t selector, uint32_t nodeId, uint8_t* data,
          uint32_t length) {
    uint32_t bytesReturned = 0;
    if (!Transfer(control, kXuGetFlags, selector, nodeId, data, length, &bytesReturned)) return 0;
    // A short reply leaves request bytes in the buffer; they must never be
    // taken for a value or a match.
    return bytesReturned >= length ? 1 : 0;
}

int XuLink::Open(const CameraTarget& camera) {
    Close();
    failedStep_ = Step::OpenCamera;
    if (int result = OpenCamera(camera, &filter_); result != XU_OK) return result;
    failedStep_ = Step::OpenExtensionUnit;
    if (int result = OpenExtensionUnit(filter_.get(), &nodeId_); result != XU_OK) {
        Close();
        return result;
    }
    failedStep_ = Step::GetKsControl;
    if (int result = GetKsControl(filter_.get(), &control_); result != XU_OK) {
        Close();
        return result;
    }
    failedStep_ = Step::None;
    return XU_OK;
}

bool XuLink::Set(XuSelector selector, XuRequest& request) {
    return XuSet(control_.get(), selector, nodeId_, request.data(), kXuRequestLength) == 1;
}

bool XuLink::Get(XuSelector selector, XuRequest& request) {
    return XuGet(control_.get(), selector, nodeId_, request.data(), kXuRequestLength) == 1;
}

void XuLink::Close() {
    filter_.reset();
    control_.reset();
}

}  // namespace kestrovane
