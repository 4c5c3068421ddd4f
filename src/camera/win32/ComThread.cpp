#include "camera/win32/ComThread.h"

#include <objbase.h>

namespace kestrovane::win32 {

namespace {

// One per thread; its destructor runs when the thread ends, after the
// thread's own objects (its COM interfaces among them) are gone.
class ComThread {
public:
    ~ComThread() {
        if (initialised_) CoUninitialize();
    }
    void Ensure() {
        // S_OK and S_FALSE both count and both need their CoUninitialize.
        if (!initialised_) initialised_ = SUCCEEDED(CoInitialize(nullptr));
    }

private:
    bool initialised_ = false;
};

}  // namespace

void EnsureComForThisThread() {
    thread_local ComThread com;
    com.Ensure();
}

}  // namespace kestrovane::win32
