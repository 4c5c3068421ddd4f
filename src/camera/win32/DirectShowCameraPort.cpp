#include "camera/win32/DirectShowCameraPort.h"

// clang-format off
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

#include <cstring>

#include "camera/win32/ComPtr.h"
#include "camera/win32/ComThread.h"
#include "camera/win32/KsTopologyInfo.h"
#include "camera/win32/WideText.h"

namespace kestrovane::win32 {

namespace {

// {28F54685-06FD-11D2-B27A-00A0C9223196}
constexpr IID kIID_IKsControl = {
    0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

GUID ToGuid(const Guid& guid) {
    GUID platform;
    platform.Data1 = guid.data1;
    platform.Data2 = guid.data2;
    platform.Data3 = guid.data3;
    std::memcpy(platform.Data4, guid.data4.data(), 8);
    return platform;
}

Guid FromGuid(const GUID& platform) {
    Guid guid;
    guid.data1 = platform.Data1;
    guid.data2 = platform.Data2;
    guid.data3 = platform.Data3;
    std::memcpy(guid.data4.data(), platform.Data4, 8);
    return guid;
}

class KsPropertyControl final : public PropertyControl {
public:
    explicit KsPropertyControl(ComPtr<IKsControl> control) : control_(std::move(control)) {}

    HResult KsProperty(const NodePropertyRequest& request, uint8_t* data, uint32_t length,
                       uint32_t* bytesReturned) override {
        KSP_NODE node{};
        node.Property.Set = ToGuid(request.set);
        node.Property.Id = request.id;
        node.Property.Flags = request.flags;
        node.NodeId = request.nodeId;
        node.Reserved = request.reserved;
        ULONG returned = 0;
        const HRESULT result = control_->KsProperty(reinterpret_cast<PKSPROPERTY>(&node),
                                                    sizeof(KSP_NODE), data, length, &returned);
        if (bytesReturned) *bytesReturned = returned;
        return result;
    }

private:
    ComPtr<IKsControl> control_;
};

class KsTopology final : public Topology {
public:
    explicit KsTopology(ComPtr<IKsTopologyInfo> topology) : topology_(std::move(topology)) {}

    HResult NumNodes(uint32_t* count) override {
        DWORD nodes = 0;
        const HRESULT result = topology_->get_NumNodes(&nodes);
        *count = nodes;
        return result;
    }

    HResult NodeType(uint32_t nodeId, Guid* type) override {
        GUID nodeType{};
        const HRESULT result = topology_->get_NodeType(nodeId, &nodeType);
        if (SUCCEEDED(result)) *type = FromGuid(nodeType);
        return result;
    }

private:
    ComPtr<IKsTopologyInfo> topology_;
};

class DirectShowFilter final : public CaptureFilter {
public:
    explicit DirectShowFilter(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {}

    HResult QueryTopology(std::unique_ptr<Topology>* topology) override {
        ComPtr<IKsTopologyInfo> info;
        const HRESULT result = filter_->QueryInterface(IID_IKsTopologyInfo, info.OutVoid());
        if (result == S_OK && info) *topology = std::make_unique<KsTopology>(std::move(info));
        return result;
    }

    HResult QueryPropertyControl(std::unique_ptr<PropertyControl>* control) override {
        ComPtr<IKsControl> ks;
        const HRESULT result = filter_->QueryInterface(kIID_IKsControl, ks.OutVoid());
        if (result == S_OK && ks) *control = std::make_unique<KsPropertyControl>(std::move(ks));
        return result;
    }

private:
    ComPtr<IBaseFilter> filter_;
};

class MonikerEntry final : public DeviceEntry {
public:
    explicit MonikerEntry(ComPtr<IMoniker> moniker) : moniker_(std::move(moniker)) {}

    HResult ReadDevicePath(std::string* path) override {
        ComPtr<IPropertyBag> bag;
        HRESULT result = moniker_->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.OutVoid());
        if (FAILED(result) || !bag) return FAILED(result) ? result : E_FAIL;
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BSTR;
        // A bag that fails the read may leave the VARIANT as it is, and
        // VariantClear then frees whatever the string pointer holds.
        value.bstrVal = nullptr;
        result = bag->Read(L"DevicePath", &value, nullptr);
        if (result == S_OK && value.vt == VT_BSTR && value.bstrVal) {
            *path = Utf8FromWide(value.bstrVal);
        } else if (result == S_OK) {
            result = E_FAIL;
        }
        VariantClear(&value);
        return result;
    }

    HResult BindFilter(std::unique_ptr<CaptureFilter>* filter) override {
        ComPtr<IBaseFilter> bound;
        const HRESULT result =
            moniker_->BindToObject(nullptr, nullptr, IID_IBaseFilter, bound.OutVoid());
        if (SUCCEEDED(result) && bound) {
            *filter = std::make_unique<DirectShowFilter>(std::move(bound));
            return result;
        }
        return FAILED(result) ? result : E_FAIL;
    }

private:
    ComPtr<IMoniker> moniker_;
};

class MonikerEnumerator final : public DeviceEnumerator {
public:
    explicit MonikerEnumerator(ComPtr<IEnumMoniker> monikers) : monikers_(std::move(monikers)) {}

    HResult Next(std::unique_ptr<DeviceEntry>* entry) override {
        ComPtr<IMoniker> moniker;
        ULONG fetched = 0;
        const HRESULT result = monikers_->Next(1, moniker.Out(), &fetched);
        if (result == S_OK && moniker) *entry = std::make_unique<MonikerEntry>(std::move(moniker));
        return result;
    }

private:
    ComPtr<IEnumMoniker> monikers_;
};

}  // namespace

HResult DirectShowCameraPort::EnumerateVideoInputs(std::unique_ptr<DeviceEnumerator>* enumerator) {
    EnsureComForThisThread();
    ComPtr<ICreateDevEnum> devices;
    HRESULT result = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ICreateDevEnum, devices.OutVoid());
    if (FAILED(result) || !devices) return FAILED(result) ? result : E_FAIL;

    ComPtr<IEnumMoniker> monikers;
    result = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Out(), 0);
    devices.Reset();
    if (result != S_OK || !monikers) return result == S_OK ? S_FALSE : result;
    result = monikers->Reset();
    if (result != S_OK) return result;
    *enumerator = std::make_unique<MonikerEnumerator>(std::move(monikers));
    return S_OK;
}

}  // namespace kestrovane::win32
