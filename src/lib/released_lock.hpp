#pragma once
// Lets other Python threads run while a call works on native data alone.

#include <Python.h>

namespace velbrin::lib {

// Releases the interpreter lock (on a free-threaded build: detaches the thread state)
// on request, and takes it back on request or at the latest when it goes out of scope,
// so that every path that leaves the call, unwinding included, holds the lock again
// before it touches a Python object.
class ReleasedLock {
public:
    ReleasedLock() = default;
    ReleasedLock(const ReleasedLock&) = delete;
    ReleasedLock& operator=(const ReleasedLock&) = delete;
    ~ReleasedLock() { reacquire(); }

    void release() noexcept {
        if (saved_ == nullptr) saved_ = PyEval_SaveThread();
    }
    void reacquire() noexcept {
        if (saved_ != nullptr) {
            PyEval_RestoreThread(saved_);
            saved_ = nullptr;
        }
    }

private:
    PyThreadState* saved_ = nullptr;
};

}  // namespace velbrin::lib
