#pragma once

#include <memory>
#include <string>

#include "camera/sim/win32/KsInterfaces.h"
#include "camera/sim/win32/ObjectAccounting.h"
#include "camera/sim/win32/PluggedCamera.h"

namespace kestrovane::simcam {

// The capture filter of a simulated camera, as BindToObject hands it out.
// It offers IBaseFilter (what binding needs; a filter without pins that only
// keeps its state), and, unless the camera's faults take them away, the
// kernel-streaming interfaces: each QueryInterface for IKsTopologyInfo or
// IKsControl gives a new object of its own (a tear-off that holds the filter),
// so every interface is counted by itself.
class SimulatedFilter final : public IBaseFilter, public CountedObject {
public:
    SimulatedFilter(std::shared_ptr<PluggedCamera> camera);

    const std::shared_ptr<PluggedCamera>& Camera() const { return camera_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

private:
    void Retire() override;

    std::shared_ptr<PluggedCamera> camera_;
    FILTER_STATE state_ = State_Stopped;
    IFilterGraph* graph_ = nullptr;  // not held: the graph holds its filters
    std::wstring nameInGraph_;
};

// The class factory of one simulated camera's COM class.
class CameraClassFactory final : public IClassFactory, public CountedObject {
public:
    explicit CameraClassFactory(const CLSID& clsid);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseReference(); }
    // Binds the camera as registered now: fails when it has been unplugged
    // or its faults say it does not bind.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    CLSID clsid_;
};

}  // namespace kestrovane::simcam
