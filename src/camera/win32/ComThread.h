#pragma once

namespace kestrovane::win32 {

// Initialises COM (single-threaded apartment) for the calling thread the first
// time it is asked on that thread, and uninitialises it when the thread ends,
// so every successful CoInitialize has its CoUninitialize. A thread that
// already runs COM in another apartment keeps it and is not uninitialised.
void EnsureComForThisThread();

}  // namespace kestrovane::win32
