#include "camera/sim/win32/PluggedCamera.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <string>

#include "camera/sim/SimulatedMachine.h"
#include "camera/sim/win32/FileContents.h"
#include "camera/sim/win32/ObjectAccounting.h"

namespace kestrovane::simcam {

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

// The named mutex of one EEPROM file: the same for every process and every
// spelling's letter case of the path (a name may not hold the path itself).
std::wstring FileMutexName(const std::wstring& path) {
    uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a
    for (wchar_t c : path) {
        const wchar_t folded = c == L'/' ? L'\\' : static_cast<wchar_t>(towlower(c));
        hash = (hash ^ static_cast<uint64_t>(folded)) * 0x100000001B3ULL;
    }
    std::wstring name = L"KestrovaneSimCameraEeprom-";
    for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 0xF];
    return name;
}

// Holds a named mutex; one abandoned by a process that died is taken over
// (the file itself is only ever replaced whole).
class HeldMutex {
public:
    explicit HeldMutex(HANDLE mutex) : mutex_(mutex) {
        held_ = mutex_ != nullptr && WaitForSingleObject(mutex_, INFINITE) != WAIT_FAILED;
    }
    ~HeldMutex() {
        if (held_) ReleaseMutex(mutex_);
    }
    HeldMutex(const HeldMutex&) = delete;
    HeldMutex& operator=(const HeldMutex&) = delete;

private:
    HANDLE mutex_;
    bool held_ = false;
};

Guid FromGuid(const GUID& platform) {
    Guid guid;
    guid.data1 = platform.Data1;
    guid.data2 = platform.Data2;
    guid.data3 = platform.Data3;
    std::memcpy(guid.data4.data(), platform.Data4, 8);
    return guid;
}

}  // namespace

PluggedCamera::PluggedCamera(CameraRegistration registration, SimulatedFaults faults)
    : registration_(std::move(registration)),
      faults_(faults),
      nodeTypes_(sim::TovrineCameraNodes()),
      controller_(registration_.eepromSize,
                  static_cast<XuProtocolLevel>(registration_.protocolLevel)),
      shared_(registration_.eepromSize),
      tally_(static_cast<XuProtocolLevel>(registration_.protocolLevel)) {
    const auto vendor = std::find(nodeTypes_.begin(), nodeTypes_.end(), KSNODETYPE_DEV_SPECIFIC);
    vendorNode_ = static_cast<uint32_t>(vendor - nodeTypes_.begin());
    if (!registration_.eepromFile.empty()) {
        fileMutex_ = CreateMutexW(nullptr, FALSE, FileMutexName(registration_.eepromFile).c_str());
    }
}

PluggedCamera::~PluggedCamera() {
    if (fileMutex_ != nullptr) CloseHandle(fileMutex_);
}

void PluggedCamera::Bind() {
    std::lock_guard lock(mutex_);
    SyncWithFile();
}

void PluggedCamera::SyncWithFile() {
    if (registration_.eepromFile.empty()) return;
    HeldMutex held(fileMutex_);
    std::vector<uint8_t> eeprom = controller_.Eeprom();
    if (auto merged = shared_.Sync(ReadFileBytes(registration_.eepromFile), eeprom)) {
        if (WriteFileAtomically(registration_.eepromFile, *merged)) {
            ++eepromSaves_;
        } else {
            ++eepromSaveFailures_;
        }
    }
    controller_.WriteEeprom(0, eeprom);
}

bool PluggedCamera::StillPluggedIn() const {
    return CurrentPlugId(registration_.clsid) == registration_.plugId;
}

HRESULT PluggedCamera::Refuse(const char* reason, HRESULT result) {
    std::lock_guard lock(mutex_);
    return RefuseLocked(reason, result);
}

HRESULT PluggedCamera::RefuseLocked(const char* reason, HRESULT result) {
    tally_.CountRefused(reason);
    return result;
}

HRESULT PluggedCamera::KsProperty(const KSPROPERTY* property, ULONG propertyLength, void* data,
                                  ULONG dataLength, ULONG* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    if (!StillPluggedIn()) {
        return Refuse("unplugged", HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
    }
    if (property == nullptr || propertyLength != sizeof(KSP_NODE)) {
        return Refuse("property length", E_INVALIDARG);
    }
    if (data == nullptr || dataLength != kXuRequestLength) {
        return Refuse("data length", E_INVALIDARG);
    }
    if (bytesReturned == nullptr) return Refuse("no byte count", E_POINTER);

    KSP_NODE node;
    std::memcpy(&node, property, sizeof node);
    NodePropertyRequest request;
    request.set = FromGuid(node.Property.Set);
    request.id = node.Property.Id;
    request.flags = node.Property.Flags;
    request.nodeId = node.NodeId;
    request.reserved = node.Reserved;
    if (request.nodeId != vendorNode_) {
        return Refuse("node id", HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    }
    if (request.set != XuPropertySet) {
        return Refuse("property set", HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND));
    }
    if (request.flags != kXuGetFlags && request.flags != kXuSetFlags) {
        return Refuse("flags", E_INVALIDARG);
    }
    if (request.id != EepromChannel && request.id != CommandChannel) {
        return Refuse("selector", HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    }
    if (request.reserved != 0) return Refuse("reserved", E_INVALIDARG);

    auto* bytes = static_cast<uint8_t*>(data);
    XuRequest sent;
    std::copy_n(bytes, kXuRequestLength, sent.begin());
    // One transfer at a time, so a sync never falls between a commit and
    // its save.
    std::lock_guard lock(mutex_);
    uint32_t returned = 0;
    const HResult result = controller_.Transfer(request, bytes, dataLength, &returned, clock_);
    *bytesReturned = returned;
    if (result != kS_OK) return RefuseLocked("controller", result);

    const bool isGet = request.flags == kXuGetFlags;
    XuRequest counted = sent;
    if (isGet) std::copy_n(bytes, kXuRequestLength, counted.begin());
    tally_.CountServed(request.id, isGet, counted);
    // A committed block is what a real EEPROM keeps through a power loss.
    if (!isGet && request.id == EepromChannel && sent[0] == EE_END_BLOCK &&
        controller_.EepromWritable()) {
        SyncWithFile();
    }
    return S_OK;
}

void PluggedCamera::WriteReport() {
    if (registration_.reportFile.empty()) return;
    const SimCameraCounts counts = CurrentCounts();
    std::lock_guard lock(mutex_);
    std::string report;
    auto line = [&](const char* name, uint64_t value) {
        report += std::string(name) + " " + std::to_string(value) + "\n";
    };
    report += "camera " + Narrow(GuidText(registration_.clsid)) + "\n";
    line("process", GetCurrentProcessId());
    line("live-objects", counts.liveObjects);
    line("live-references", counts.liveReferences);
    line("filter-references", counts.filterReferences);
    line("topology-references", counts.topologyReferences);
    line("control-references", counts.controlReferences);
    line("over-releases", counts.overReleases);
    line("calls-after-release", counts.callsAfterRelease);
    line("filters-created", counts.filtersCreated);
    line("eeprom-saves", eepromSaves_);
    line("eeprom-save-failures", eepromSaveFailures_);
    line("requests-served", tally_.ServedTotal());
    line("requests-refused", tally_.RefusedTotal());
    report += tally_.Report();
    WriteFileAtomically(registration_.reportFile,
                        std::vector<uint8_t>(report.begin(), report.end()));
}

std::shared_ptr<PluggedCamera> CameraFor(const CameraRegistration& registration,
                                         const SimulatedFaults& faults) {
    static std::mutex lock;
    static std::map<std::wstring, std::shared_ptr<PluggedCamera>> cameras;
    std::lock_guard guard(lock);
    auto& camera = cameras[GuidText(registration.clsid) + registration.plugId];
    if (!camera) camera = std::make_shared<PluggedCamera>(registration, faults);
    camera->Bind();
    return camera;
}

}  // namespace kestrovane::simcam
