// Exercises the Windows adapters of the camera port against simulated cameras
// that Wine's own device enumeration lists: each camera is a COM class served
// by KestrovaneSimCamera.dll and a device entry with its "DevicePath". Checks
// what the camera link promises through the real DirectShowCameraPort (a
// device without a readable path, filters without IKsTopologyInfo or
// IKsControl, failing topology queries, a filter that does not bind, a camera
// unplugged under an open link and the next one plugged in under its path),
// and after every operation that every interface the adapters obtained from
// the DLL was released exactly once.
// Prints one line per check and closes with "N passed, M failed".
//
// Usage: simulated_camera_check <KestrovaneSimCamera.dll as a Windows path>

#include <dshow.h>
#include <objbase.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "camera/CommandSet.h"
#include "camera/Discovery.h"
#include "camera/Transport.h"
#include "camera/sim/SimulatedMachine.h"
#include "camera/sim/win32/CameraRegistration.h"
#include "camera/sim/win32/FileContents.h"
#include "camera/sim/win32/SimulatedCameraExports.h"
#include "camera/win32/DesktopWindowList.h"
#include "camera/win32/DirectShowCameraPort.h"
#include "camera/win32/WideText.h"
#include "upload/BlockRequests.h"

using namespace kestrovane;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    ++(ok ? passed : failed);
}

SimCameraGetCountsFunction getCounts = nullptr;
std::wstring serverPath;
std::wstring folder;
// Over-releases done on purpose by the accounting check.
LONG expectedOverReleases = 0;

SimCameraCounts Counts() {
    SimCameraCounts counts{};
    getCounts(&counts);
    return counts;
}

// After every operation: nothing of the DLL is held, nothing was released
// twice or used after its release.
void CheckReleased(const std::string& operation) {
    const SimCameraCounts counts = Counts();
    const bool clean = counts.liveObjects == 0 && counts.liveReferences == 0 &&
                       counts.overReleases == expectedOverReleases && counts.callsAfterRelease == 0;
    char detail[160];
    std::snprintf(detail, sizeof detail,
                  " (live objects %ld, filter %ld, topology %ld, control %ld, over-releases %ld, "
                  "calls after release %ld)",
                  counts.liveObjects, counts.filterReferences, counts.topologyReferences,
                  counts.controlReferences, counts.overReleases, counts.callsAfterRelease);
    Check(clean, operation + ": every interface released exactly once" + (clean ? "" : detail));
}

struct PluggedIn {
    GUID clsid{};
    std::string path;  // empty: no "DevicePath"
    std::wstring eepromFile;
    simcam::CameraRegistration registration;
};

// Plugs in a camera. The CLSIDs are chosen so that the device entries
// enumerate in the order of `order`.
PluggedIn Plug(int order, const std::string& path, const std::wstring& faults,
               const std::wstring& eepromName) {
    PluggedIn plugged;
    wchar_t text[40];
    std::swprintf(text, 40, L"{%08X-5A6B-4C7D-8E9F-0A1B2C3D4E5F}", order);
    simcam::CameraRegistration camera;
    camera.clsid = *simcam::ParseGuid(text);
    if (!path.empty()) camera.devicePath = win32::WideFromUtf8(path);
    camera.eepromFile = folder + eepromName;
    camera.reportFile = camera.eepromFile + L".report";
    camera.faults = faults;
    camera.serverPath = serverPath;
    simcam::CreateBlankEepromFile(camera.eepromFile, camera.eepromSize);
    const std::wstring failure = simcam::PlugIn(camera);
    if (!failure.empty())
        std::printf("plugging in failed: %s\n", win32::Utf8FromWide(failure).c_str());
    plugged.clsid = camera.clsid;
    plugged.path = path;
    plugged.eepromFile = camera.eepromFile;
    plugged.registration = camera;
    return plugged;
}

std::vector<uint8_t> EepromFile(const PluggedIn& camera) {
    return simcam::ReadFileBytes(camera.eepromFile).value_or(std::vector<uint8_t>{});
}

// The report the DLL wrote for a camera, as "kind" -> count.
std::map<std::string, long> Report(const PluggedIn& camera) {
    std::map<std::string, long> report;
    const auto bytes = simcam::ReadFileBytes(camera.eepromFile + L".report");
    if (!bytes) return report;
    std::istringstream lines(std::string(bytes->begin(), bytes->end()));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t blank = line.find_last_of(' ');
        if (blank != std::string::npos) report[line.substr(0, blank)] = std::atol(&line[blank + 1]);
    }
    return report;
}

// Writes one block through a link and checks it, as the upload worker does.
bool WriteAndCheckBlock(XuLink& link, uint16_t offset, const std::array<uint8_t, 32>& block) {
    XuRequest lastWord{};
    if (SendBlock(link, offset, block, true, lastWord) != BlockSendResult::Ok) return false;
    XuRequest check = EeCheckBlockRequest(block[0], block[1]);
    return CheckBlock(link, check) == BlockCheckResult::Match;
}

const std::string kPathB = sim::UsbCameraPath("3a5e", "2b01", "8&11aa22bb&0&0000");

void CheckAccounting() {
    // A filter made directly, without the adapters: the counts must see it.
    const GUID clsid = *simcam::ParseGuid(L"{00000002-5A6B-4C7D-8E9F-0A1B2C3D4E5F}");
    IBaseFilter* filter = nullptr;
    const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                             reinterpret_cast<void**>(&filter));
    Check(SUCCEEDED(created) && filter && Counts().filterReferences == 1,
          "a filter created directly holds one filter reference");
    if (!filter) return;
    // {28F54685-06FD-11D2-B27A-00A0C9223196}
    const IID iidKsControl = {
        0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
    IUnknown* control = nullptr;
    filter->QueryInterface(iidKsControl, reinterpret_cast<void**>(&control));
    const SimCameraCounts withControl = Counts();
    Check(control && withControl.controlReferences == 1 && withControl.liveObjects == 2,
          "its IKsControl is counted as an object of its own");
    if (control) control->Release();
    filter->Release();
    CheckReleased("a filter and its control released");
    filter->Release();  // once too often, on purpose
    ++expectedOverReleases;
    Check(Counts().overReleases == expectedOverReleases,
          "a second release of a released filter is counted, not a crash");
}

// IClassFactory::LockServer: an unlock without its lock never drives the
// DLL's count below zero, so the lock after it is the one that counts.
void CheckServerLocks() {
    const HMODULE dll = GetModuleHandleW(serverPath.c_str());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
    const auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    const auto canUnloadNow = reinterpret_cast<CanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    const GUID clsid = *simcam::ParseGuid(L"{00000002-5A6B-4C7D-8E9F-0A1B2C3D4E5F}");
    const auto factory = [&] {
        IClassFactory* made = nullptr;
        if (getClassObject) {
            getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&made));
        }
        return made;
    };
    IClassFactory* first = factory();
    if (first == nullptr || canUnloadNow == nullptr) {
        Check(false, "the DLL gives a class factory");
        return;
    }
    first->LockServer(FALSE);
    first->LockServer(FALSE);
    first->LockServer(TRUE);
    first->Release();
    Check(canUnloadNow() == S_FALSE, "after two stray unlocks, a lock still holds the DLL");
    IClassFactory* second = factory();
    if (second != nullptr) {
        second->LockServer(FALSE);
        second->Release();
    }
    Check(canUnloadNow() == S_OK, "its unlock lets the DLL go");
}

// Two cameras plugged in over one EEPROM file stand for two processes that
// bind the same camera: neither loses the other's blocks, and each bind sees
// what the other wrote.
void CheckSharedEepromFile(CameraPort& cameras) {
    const std::string pathA = sim::UsbCameraPath("3a5e", "2b01", "8&5e5e0a0a&0&0000");
    const std::string pathB = sim::UsbCameraPath("3a5e", "2b01", "8&5e5e0b0b&0&0000");
    const PluggedIn first = Plug(0x21, pathA, L"", L"shared.eeprom");
    const PluggedIn second = Plug(0x22, pathB, L"", L"shared.eeprom");
    std::array<uint8_t, 32> blockA, blockB;
    blockA.fill(0xA5);
    blockB.fill(0xB6);
    {
        XuLink linkA, linkB;
        const bool open = linkA.Open({cameras, pathA}) == XU_OK &&
                          linkB.Open({cameras, pathB}) == XU_OK &&
                          MakeEepromWritable({cameras, pathA}) == 1 &&
                          MakeEepromWritable({cameras, pathB}) == 1;
        Check(open && WriteAndCheckBlock(linkA, 0, blockA) &&
                  WriteAndCheckBlock(linkB, 32, blockB),
              "two bindings of one EEPROM file each write a block");
    }
    const std::vector<uint8_t> file = EepromFile(first);
    Check(file.size() >= 64 && std::equal(blockA.begin(), blockA.end(), file.begin()) &&
              std::equal(blockB.begin(), blockB.end(), file.begin() + 32),
          "the file keeps both blocks");
    uint8_t word[2] = {};
    Check(ReadEepromWord({cameras, pathB}, word, 0) == XU_OK && word[0] == 0xA5 && word[1] == 0xA5,
          "a new bind of the other sees the first one's block");
    simcam::Unplug(first.clsid);
    simcam::Unplug(second.clsid);
    CheckReleased("two bindings of one EEPROM file");
}

void CheckDiscovery(CameraPort& cameras, WindowList& windows, Clock& clock,
                    const PluggedIn& camera) {
    CameraPath cameraPath;
    const LONG filtersBefore = Counts().filtersCreated;
    Check(FindCamera(cameras, windows, clock, cameraPath) == 1 && cameraPath.Get() == camera.path,
          "FindCamera passes over the device without a path and chooses the camera");
    Check(Counts().filtersCreated == filtersBefore, "FindCamera binds no filter");
    {
        std::unique_ptr<CaptureFilter> filter;
        Check(OpenCamera({cameras, camera.path}, &filter) == XU_OK && filter,
              "OpenCamera binds the camera under its path");
        Check(Counts().filtersCreated == filtersBefore + 1 && Counts().filterReferences == 1,
              "OpenCamera binds only that camera's filter and holds one reference");
    }
    CheckReleased("OpenCamera");
    std::unique_ptr<CaptureFilter> none;
    Check(
        OpenCamera({cameras, sim::UsbCameraPath("3a5e", "9999", "1&0&0")}, &none) == XU_NO_DEVICE &&
            Counts().filtersCreated == filtersBefore + 1,
        "OpenCamera of a path nobody has answers XU_NO_DEVICE and binds nothing");
}

void CheckCommandSet(CameraPort& cameras, const PluggedIn& camera) {
    const CameraTarget target{cameras, camera.path};
    XuProtocolLevel level = 0;
    Check(QueryXuProtocol(target, level) == XU_OK && level == 2,
          "the probe through KsProperty reports protocol level 2");
    CheckReleased("QueryXuProtocol");
    uint16_t value = 0;
    Check(WriteRegister(target, 0x1234, 0x5A, CHIP_LEVEL2) == XU_OK &&
              ReadRegister(target, 0x1234, value, CHIP_LEVEL2) == XU_OK && value == 0x5A,
          "a chip register written at level 2 reads back");
    CheckReleased("WriteRegister and ReadRegister");
    Check(MakeEepromWritable(target) == 1, "MakeEepromWritable succeeds");
    CheckReleased("MakeEepromWritable");

    std::array<uint8_t, 32> block;
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(0xA0 + i);
    {
        XuLink link;
        Check(link.Open(target) == XU_OK && WriteAndCheckBlock(link, 0x40, block),
              "a block written at 0x40 over one link checks as a match");
    }
    CheckReleased("a block written and checked");
    std::array<uint8_t, 32> readBack{};
    Check(ReadEepromBlock(target, readBack, 0x40) == XU_OK && readBack == block,
          "ReadEepromBlock reads the block back");
    CheckReleased("ReadEepromBlock");
    const auto file = EepromFile(camera);
    Check(file.size() == 16384 && std::equal(block.begin(), block.end(), file.begin() + 0x40),
          "the committed block is in the camera's EEPROM file");

    const auto report = Report(camera);
    Check(report.count("EE_END_BLOCK") && report.at("EE_END_BLOCK") == 1 &&
              report.at("EE_DATA_WORD") == 16 && report.at("EE_CHECK_BLOCK reply") == 1 &&
              report.at("requests-refused") == 0 && report.at("live-references") == 0,
          "the DLL's report counts the block's requests and refused none");
}

void CheckFraming(CameraPort& cameras, const PluggedIn& camera) {
    std::unique_ptr<CaptureFilter> filter;
    std::unique_ptr<PropertyControl> control;
    OpenCamera({cameras, camera.path}, &filter);
    uint32_t node = 0;
    const bool opened = filter && OpenExtensionUnit(filter.get(), &node) == XU_OK &&
                        GetKsControl(filter.get(), &control) == XU_OK;
    Check(opened && node == 2, "the extension unit is node 2, after the other nodes");
    if (!opened) return;
    auto send = [&](NodePropertyRequest request, uint32_t length) {
        std::array<uint8_t, 3> data = ProbeRequest();
        uint32_t returned = 0;
        return control->KsProperty(request, data.data(), length, &returned);
    };
    NodePropertyRequest good;
    good.set = XuPropertySet;
    good.id = CommandChannel;
    good.flags = kXuSetFlags;
    good.nodeId = node;
    NodePropertyRequest wrongNode = good;
    wrongNode.nodeId = 0;
    NodePropertyRequest noTopologyFlag = good;
    noTopologyFlag.flags = KSPROPERTY_TYPE_SET;
    NodePropertyRequest wrongSet = good;
    wrongSet.set.data1 ^= 1;
    NodePropertyRequest wrongSelector = good;
    wrongSelector.id = 3;
    Check(send(good, 3) == kS_OK, "a well-framed request is served");
    Check(send(wrongNode, 3) != kS_OK && send(noTopologyFlag, 3) != kS_OK &&
              send(wrongSet, 3) != kS_OK && send(wrongSelector, 3) != kS_OK &&
              send(good, 2) != kS_OK,
          "requests with a wrong node, flags, set, selector or length fail");
    control.reset();
    filter.reset();
    CheckReleased("the malformed requests");
    auto report = Report(camera);
    Check(report["requests-refused"] == 5 && report["refused: node id"] == 1 &&
              report["refused: flags"] == 1 && report["refused: property set"] == 1 &&
              report["refused: selector"] == 1 && report["refused: data length"] == 1,
          "the DLL refused exactly those five, each for its reason");
}

void CheckFaults(CameraPort& cameras) {
    struct Case {
        const wchar_t* fault;
        int openResult;
        XuLink::Step failedStep;
        const char* promise;
    };
    const Case cases[] = {
        {L"no-topology", XU_NOT_SUPPORTED, XuLink::Step::OpenExtensionUnit,
         "a filter without IKsTopologyInfo: XU_NOT_SUPPORTED at OpenExtensionUnit"},
        {L"no-control", XU_NOT_SUPPORTED, XuLink::Step::GetKsControl,
         "a filter without IKsControl: XU_NOT_SUPPORTED at GetKsControl"},
        {L"node-count-fails", XU_NOT_SUPPORTED, XuLink::Step::OpenExtensionUnit,
         "a failing node count: XU_NOT_SUPPORTED at OpenExtensionUnit"},
        {L"node0-type-fails", XU_OK, XuLink::Step::None,
         "a failing type query of node 0: the vendor node after it is still found"},
        {L"no-bind", XU_NO_DEVICE, XuLink::Step::OpenCamera,
         "a filter that does not bind: XU_NO_DEVICE at OpenCamera"},
    };
    int order = 0x10;
    for (const Case& c : cases) {
        const std::string path = sim::UsbCameraPath("0c7b", "4c01", "9&" + std::to_string(order));
        const PluggedIn camera = Plug(order++, path, c.fault, L"fault.eeprom");
        const CameraTarget target{cameras, path};
        int result = -1;
        XuLink::Step step = XuLink::Step::None;
        bool transfer = true;
        {
            XuLink link;
            result = link.Open(target);
            step = link.FailedStep();
            if (result == XU_OK) {
                XuRequest probe = ProbeRequest();
                transfer = link.Set(CommandChannel, probe) && link.Get(CommandChannel, probe) &&
                           ProtocolLevelFromReply(probe) == 2;
            }
        }
        Check(result == c.openResult && step == c.failedStep && transfer, c.promise);
        const int expectedCommand = c.openResult;
        uint16_t value = 0;
        Check(
            ReadRegister(target, 0x0100, value, CHIP_LEVEL2) == expectedCommand,
            std::string("a command gives the same result (") + win32::Utf8FromWide(c.fault) + ")");
        CheckReleased(win32::Utf8FromWide(c.fault));
        simcam::Unplug(camera.clsid);
    }
}

void CheckUnplugAndNext(CameraPort& cameras, WindowList& windows, Clock& clock,
                        const PluggedIn& first) {
    const CameraTarget target{cameras, first.path};
    {
        XuLink link;
        link.Open(target);
        simcam::Unplug(first.clsid);
        XuRequest probe = ProbeRequest();
        Check(!link.Set(CommandChannel, probe), "a request on a link to an unplugged camera fails");
    }
    CheckReleased("the link to the unplugged camera");
    CameraPath cameraPath;
    std::unique_ptr<CaptureFilter> filter;
    Check(FindCamera(cameras, windows, clock, cameraPath) == 0 &&
              OpenCamera(target, &filter) == XU_NO_DEVICE,
          "the unplugged camera is neither found nor opened");

    // The next camera under the same path: its own EEPROM, its registers at
    // their power-on values.
    const PluggedIn next = Plug(0x03, first.path, L"", L"next.eeprom");
    Check(FindCamera(cameras, windows, clock, cameraPath) == 1 && cameraPath.Get() == first.path,
          "the next camera under the same path is found");
    std::array<uint8_t, 32> readBack{};
    Check(ReadEepromBlock(target, readBack, 0x40) == XU_OK && readBack[0] == 0xFF &&
              readBack[31] == 0xFF,
          "it answers with its own blank EEPROM");
    std::array<uint8_t, 32> block;
    block.fill(0x3C);
    {
        XuLink link;
        Check(link.Open(target) == XU_OK && !WriteAndCheckBlock(link, 0, block) &&
                  EepromFile(next)[0] == 0xFF,
              "its EEPROM is write-protected until made writable");
    }
    Check(MakeEepromWritable(target) == 1, "it is made writable");
    {
        XuLink link;
        Check(link.Open(target) == XU_OK && WriteAndCheckBlock(link, 0, block) &&
                  EepromFile(next)[0] == 0x3C && EepromFile(first)[0] == 0xFF,
              "a block written to it lands in its own EEPROM file only");
    }
    CheckReleased("the next camera");
    simcam::Unplug(next.clsid);

    // The first camera plugged in again keeps what its EEPROM held.
    simcam::CameraRegistration again = first.registration;
    simcam::PlugIn(again);
    Check(ReadEepromBlock(target, readBack, 0x40) == XU_OK && readBack[0] == 0xA0 &&
              readBack[31] == 0xBF,
          "the first camera plugged in again reads its EEPROM from its file");
    CheckReleased("the first camera plugged in again");
    simcam::Unplug(first.clsid);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: simulated_camera_check <KestrovaneSimCamera.dll>\n", stderr);
        return 2;
    }
    serverPath = win32::WideFromUtf8(argv[1]);
    const HMODULE dll = LoadLibraryW(serverPath.c_str());
    // Through void*: the export's type is known here, not to GetProcAddress.
    getCounts = dll ? reinterpret_cast<SimCameraGetCountsFunction>(
                          reinterpret_cast<void*>(GetProcAddress(dll, kSimCameraGetCountsExport)))
                    : nullptr;
    if (getCounts == nullptr) {
        std::printf("FAIL: cannot load %s\n", argv[1]);
        return 1;
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"simcam-check-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CoInitialize(nullptr);

    SystemClock clock;
    win32::DirectShowCameraPort cameras;
    win32::DesktopWindowList windows;

    const PluggedIn noPath = Plug(0x01, "", L"", L"nopath.eeprom");
    const PluggedIn camera = Plug(0x02, kPathB, L"", L"camera.eeprom");

    CheckAccounting();
    CheckServerLocks();
    CheckDiscovery(cameras, windows, clock, camera);
    CheckCommandSet(cameras, camera);
    CheckFraming(cameras, camera);
    CheckFaults(cameras);
    CheckUnplugAndNext(cameras, windows, clock, camera);
    CheckSharedEepromFile(cameras);

    // With only the device without a path left, nothing is found or opened.
    CameraPath cameraPath;
    std::unique_ptr<CaptureFilter> filter;
    const LONG filtersBefore = Counts().filtersCreated;
    Check(FindCamera(cameras, windows, clock, cameraPath) == 0 &&
              OpenCamera({cameras, camera.path}, &filter) == XU_NO_DEVICE &&
              Counts().filtersCreated == filtersBefore,
          "a device whose path cannot be read is never bound");
    simcam::Unplug(noPath.clsid);
    CheckReleased("the whole run");

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
