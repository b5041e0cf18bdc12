// The per-session access counter: any number of shared holders, or one exclusive
// holder. A refused access raises RuntimeError at once; nothing ever waits (all
// callers hold the interpreter lock, so the counter needs no atomics).
#pragma once

#include <Python.h>

#include <cstdint>

namespace kestrova {

// 0: free; n > 0: n shared holders; kExclusive: one exclusive holder.
using AccessCounter = std::intptr_t;
inline constexpr AccessCounter kExclusive = -1;

enum class Access { Shared, Exclusive };

class AccessGuard {
  public:
    // Check acquired() afterwards; on refusal a RuntimeError is set.
    AccessGuard(AccessCounter& counter, Access access) {
        if (access == Access::Exclusive) {
            if (counter != 0) {
                PyErr_SetString(PyExc_RuntimeError, "Already borrowed");
                return;
            }
            counter = kExclusive;
        } else {
            if (counter == kExclusive) {
                PyErr_SetString(PyExc_RuntimeError, "Already mutably borrowed");
                return;
            }
            ++counter;
        }
        counter_ = &counter;
        access_ = access;
    }

    ~AccessGuard() {
        if (counter_ == nullptr) return;
        if (access_ == Access::Exclusive) {
            *counter_ = 0;
        } else {
            --*counter_;
        }
    }

    AccessGuard(const AccessGuard&) = delete;
    AccessGuard& operator=(const AccessGuard&) = delete;

    bool acquired() const { return counter_ != nullptr; }

  private:
    AccessCounter* counter_ = nullptr;
    Access access_ = Access::Shared;
};

}  // namespace kestrova
