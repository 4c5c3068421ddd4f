#pragma once

// The kernel-streaming interfaces a capture filter offers, declared here for
// the simulated camera from the platform's definitions, independently of the
// declarations the program's adapters use: a slot out of order on either side
// shows as a wrong answer instead of agreeing with itself.

// The portable names that the platform's ks.h also defines as macros come
// first, so that ks.h does not turn their declarations into numbers.
#include "camera/XuTypes.h"

// clang-format off
#include <windows.h>
#include <dshow.h>
#include <ks.h>
#include <ksproxy.h>
// clang-format on

namespace kestrovane::simcam {

// {720D4AC0-7533-11D0-A5D6-28DB04C10000}
inline constexpr IID kIidTopologyInfo = {
    0x720D4AC0, 0x7533, 0x11D0, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
// {28F54685-06FD-11D2-B27A-00A0C9223196}
inline constexpr IID kIidKsControl = {
    0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// IKsTopologyInfo: vtable slots 3 to 10, in this order, after IUnknown's three.
struct TopologyInfoInterface : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index,
                                                         KSTOPOLOGY_CONNECTION* info) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD nodeId, WCHAR* name, DWORD bufferSize,
                                                   DWORD* nameLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD nodeId, GUID* nodeType) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD nodeId, REFIID iid,
                                                         void** object) = 0;
};

}  // namespace kestrovane::simcam
