#pragma once

#include <cstdint>

namespace vemla {

// A manual-reset signal that the monitor thread can wait on beside the port: it stays raised until
// it is lowered, and raising it again while raised changes nothing. Either thread may raise or
// lower it. The platform file gives it a handle that the device's wait understands.
class WakeSignal {
public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    bool IsValid() const { return m_handle >= 0; }
    void Raise();
    void Lower();
    bool IsRaised() const;
    // Waits up to timeoutMs for the signal; true when it is raised.
    bool WaitRaised(int timeoutMs) const;
    intptr_t NativeHandle() const { return m_handle; }

private:
    intptr_t m_handle = -1;
};

} // namespace vemla
