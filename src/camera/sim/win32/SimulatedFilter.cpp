#include "camera/sim/win32/SimulatedFilter.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace kestrovane::simcam {

namespace {

GUID ToGuid(const Guid& guid) {
    GUID platform;
    platform.Data1 = guid.data1;
    platform.Data2 = guid.data2;
    platform.Data3 = guid.data3;
    std::memcpy(platform.Data4, guid.data4.data(), 8);
    return platform;
}

constexpr const wchar_t* kNodeNames[] = {L"Camera Terminal", L"Processing Unit", L"Extension Unit"};

// A tear-off holds its filter for as long as it lives and answers for the
// filter's identity: every interface but its own is the filter's.
template <typename Interface, ObjectKind kKind>
class TearOff : public Interface, public CountedObject {
public:
    explicit TearOff(SimulatedFilter* filter) : CountedObject(kKind), filter_(filter) {
        filter_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!Alive()) return E_UNEXPECTED;
        if (iid == OwnIid()) {
            *object = static_cast<Interface*>(this);
            AddReference();
            return S_OK;
        }
        return filter_->QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }

protected:
    virtual const IID& OwnIid() const = 0;
    // The camera, or none once this object was released for good (the call
    // is then counted as a call after release).
    PluggedCamera* LiveCamera() { return Alive() ? filter_->Camera().get() : nullptr; }

private:
    void Retire() override {
        std::shared_ptr<PluggedCamera> camera = filter_->Camera();
        filter_->Release();
        if (camera) camera->WriteReport();
    }

    SimulatedFilter* filter_;
};

class TopologyTearOff final : public TearOff<TopologyInfoInterface, ObjectKind::Topology> {
public:
    using TearOff::TearOff;

    HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Category(DWORD, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD, KSTOPOLOGY_CONNECTION*) override {
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE get_NodeName(DWORD nodeId, WCHAR* name, DWORD bufferSize,
                                           DWORD* nameLength) override {
        PluggedCamera* camera = LiveCamera();
        if (camera == nullptr) return E_UNEXPECTED;
        if (nodeId >= camera->NodeTypes().size() || nodeId >= std::size(kNodeNames)) {
            return E_INVALIDARG;
        }
        const DWORD needed = static_cast<DWORD>(std::wcslen(kNodeNames[nodeId]) + 1);
        if (nameLength) *nameLength = needed;
        if (name == nullptr || bufferSize < needed) return E_OUTOFMEMORY;
        std::wmemcpy(name, kNodeNames[nodeId], needed);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) override {
        PluggedCamera* camera = LiveCamera();
        if (camera == nullptr) return E_UNEXPECTED;
        if (count == nullptr) return E_POINTER;
        if (camera->Faults().nodeCountFails) return E_FAIL;
        *count = static_cast<DWORD>(camera->NodeTypes().size());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_NodeType(DWORD nodeId, GUID* nodeType) override {
        PluggedCamera* camera = LiveCamera();
        if (camera == nullptr) return E_UNEXPECTED;
        if (nodeType == nullptr) return E_POINTER;
        if (nodeId >= camera->NodeTypes().size()) return E_INVALIDARG;
        if (nodeId == 0 && camera->Faults().node0TypeFails) return E_FAIL;
        *nodeType = ToGuid(camera->NodeTypes()[nodeId]);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD, REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOTIMPL;
    }

private:
    const IID& OwnIid() const override { return kIidTopologyInfo; }
};

class ControlTearOff final : public TearOff<IKsControl, ObjectKind::Control> {
public:
    using TearOff::TearOff;

    HRESULT STDMETHODCALLTYPE KsProperty(PKSPROPERTY property, ULONG propertyLength, LPVOID data,
                                         ULONG dataLength, ULONG* bytesReturned) override {
        PluggedCamera* camera = LiveCamera();
        if (camera == nullptr) return E_UNEXPECTED;
        return camera->KsProperty(property, propertyLength, data, dataLength, bytesReturned);
    }
    HRESULT STDMETHODCALLTYPE KsMethod(PKSMETHOD, ULONG, LPVOID, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE KsEvent(PKSEVENT, ULONG, LPVOID, ULONG, ULONG*) override {
        return E_NOTIMPL;
    }

private:
    const IID& OwnIid() const override { return kIidKsControl; }
};

}  // namespace

SimulatedFilter::SimulatedFilter(std::shared_ptr<PluggedCamera> camera)
    : CountedObject(ObjectKind::Filter), camera_(std::move(camera)) {}

HRESULT SimulatedFilter::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!Alive()) return E_UNEXPECTED;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter ||
        iid == IID_IBaseFilter) {
        *object = static_cast<IBaseFilter*>(this);
        AddReference();
        return S_OK;
    }
    if (iid == kIidTopologyInfo) {
        if (camera_->Faults().noTopology) return E_NOINTERFACE;
        *object = static_cast<TopologyInfoInterface*>(new TopologyTearOff(this));
        return S_OK;
    }
    if (iid == kIidKsControl) {
        if (camera_->Faults().noControl) return E_NOINTERFACE;
        *object = static_cast<IKsControl*>(new ControlTearOff(this));
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT SimulatedFilter::GetClassID(CLSID* clsid) {
    if (clsid == nullptr) return E_POINTER;
    if (!Alive()) return E_UNEXPECTED;
    *clsid = camera_->Registration().clsid;
    return S_OK;
}

HRESULT SimulatedFilter::Stop() {
    state_ = State_Stopped;
    return S_OK;
}

HRESULT SimulatedFilter::Pause() {
    state_ = State_Paused;
    return S_OK;
}

HRESULT SimulatedFilter::Run(REFERENCE_TIME) {
    state_ = State_Running;
    return S_OK;
}

HRESULT SimulatedFilter::GetState(DWORD, FILTER_STATE* state) {
    if (state == nullptr) return E_POINTER;
    *state = state_;
    return S_OK;
}

HRESULT SimulatedFilter::SetSyncSource(IReferenceClock*) {
    return S_OK;
}

HRESULT SimulatedFilter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT SimulatedFilter::EnumPins(IEnumPins** pins) {
    if (pins) *pins = nullptr;
    return E_NOTIMPL;
}

HRESULT SimulatedFilter::FindPin(LPCWSTR, IPin** pin) {
    if (pin) *pin = nullptr;
    return VFW_E_NOT_FOUND;
}

HRESULT SimulatedFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr) return E_POINTER;
    const std::wstring& name =
        nameInGraph_.empty() ? camera_->Registration().friendlyName : nameInGraph_;
    const size_t length = std::min<size_t>(name.size(), MAX_FILTER_NAME - 1);
    std::wmemcpy(info->achName, name.c_str(), length);
    info->achName[length] = L'\0';
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT SimulatedFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    graph_ = graph;
    nameInGraph_ = graph && name ? name : L"";
    return S_OK;
}

HRESULT SimulatedFilter::QueryVendorInfo(LPWSTR* vendorInfo) {
    if (vendorInfo) *vendorInfo = nullptr;
    return E_NOTIMPL;
}

void SimulatedFilter::Retire() {
    camera_->WriteReport();
    // The camera stays reachable for a tear-off that is released later; only
    // the graph is forgotten.
    graph_ = nullptr;
}

CameraClassFactory::CameraClassFactory(const CLSID& clsid)
    : CountedObject(ObjectKind::ClassFactory), clsid_(clsid) {}

HRESULT CameraClassFactory::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!Alive()) return E_UNEXPECTED;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        AddReference();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CameraClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    const auto registration = FindRegistration(clsid_);
    if (!registration) return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    const auto faults = ParseFaults(registration->faults, nullptr);
    if (!faults) return E_FAIL;
    if (faults->noBind) return HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    auto* filter = new SimulatedFilter(CameraFor(*registration, *faults));
    const HRESULT result = filter->QueryInterface(iid, object);
    filter->Release();
    return result;
}

HRESULT CameraClassFactory::LockServer(BOOL lock) {
    simcam::LockServer(lock != FALSE);
    return S_OK;
}

}  // namespace kestrovane::simcam
