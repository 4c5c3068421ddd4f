#pragma once

#include <cstdint>
#include <memory>

#include "camera/CameraPort.h"
#include "camera/Discovery.h"
#include "camera/XuTypes.h"

namespace kestrovane {

// XU_OK with the id of the filter's first vendor-specific node; XU_NO_DEVICE
// without a filter; XU_NOT_SUPPORTED without a topology or such a node.
int OpenExtensionUnit(CaptureFilter* filter, uint32_t* nodeId);

// kS_OK with the lowest id of a node of `nodeType`; 1 when there is none; the
// failed node-count status unchanged. A node whose type query fails is skipped.
HResult FindExtensionUnitNode(Topology& topology, const Guid& nodeType, uint32_t* nodeId);

// XU_OK with the filter's property control; XU_NO_DEVICE without a filter;
// XU_NOT_SUPPORTED when the filter has none.
int GetKsControl(CaptureFilter* filter, std::unique_ptr<PropertyControl>* control);

// One transfer on the extension unit: 1 on success, 0 on failure. Only kS_OK
// counts as success; a GET must also fill all `length` bytes.
int XuSet(PropertyControl* control, uint32_t selector, uint32_t nodeId, uint8_t* data,
          uint32_t length);
int XuGet(PropertyControl* control, uint32_t selector, uint32_t nodeId, uint8_t* data,
          uint32_t length);

// An open way to a camera's extension unit: the bound filter, its property
// control and the node id. Everything is released when the link closes or is
// destroyed, the filter first, on every path.
class XuLink {
public:
    XuLink() = default;
    XuLink(const XuLink&) = delete;
    XuLink& operator=(const XuLink&) = delete;
    ~XuLink() { Close(); }

    // XU_OK, or the code of the step that failed (XU_NO_DEVICE, XU_NOT_SUPPORTED).
    // Open steps: OpenCamera, OpenExtensionUnit, GetKsControl.
    enum class Step { None, OpenCamera, OpenExtensionUnit, GetKsControl };
    int Open(const CameraTarget& camera);
    Step FailedStep() const { return failedStep_; }

    bool Set(XuSelector selector, XuRequest& request);
    bool Get(XuSelector selector, XuRequest& request);
    void Close();

private:
    std::unique_ptr<PropertyControl> control_;
    std::unique_ptr<CaptureFilter> filter_;
    uint32_t nodeId_ = 0;
    Step failedStep_ = Step::None;
};

}  // namespace kestrovane
