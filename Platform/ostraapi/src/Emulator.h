#pragma once

#include "EmulatedCamera.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace OstraEmulation
{

// The driver's process-wide state: the emulated cameras of the loaded rig,
// the selected interface, the open handles and the bus's last error.
//
// instance() loads the rig named by VX_OSTRA_RIG on first use (a failure is
// written to standard error once and leaves no cameras). One mutex guards the
// list, the selection and the handles; a camera's own lock is taken after it,
// never before. Handles are tokens, never reused, mapped to an open record,
// so a stale or foreign handle is refused without touching memory.
class Emulator
{
public:
    struct OpenHandle
    {
        std::shared_ptr<EmulatedCamera> camera;
        std::uint64_t generation = 0;
        std::atomic<unsigned int> lastError{OSTRA_ERROR_NONE};
    };

    static Emulator& instance();

    void load(const std::string& path);
    void unload();
    std::string flashFolder();

    int numCameras();
    int enumCameras(OSTRA_VERSION* records, unsigned int count);
    bool selectInterface(unsigned int interfaceType);
    OSTRA_HANDLE open(unsigned int index);
    bool close(OSTRA_HANDLE handle);
    std::shared_ptr<OpenHandle> find(OSTRA_HANDLE handle);
    // The visible camera at a 1-based index of the GigE interface.
    std::shared_ptr<EmulatedCamera> gigeCamera(unsigned int index);
    std::shared_ptr<EmulatedCamera> camera(std::uint32_t serialNumber);
    std::vector<std::shared_ptr<EmulatedCamera>> cameras();

    void setBusError(unsigned int error) { m_BusError = error; }
    unsigned int busError() const { return m_BusError; }
    void setRebootDelay(std::chrono::milliseconds delay);

private:
    Emulator();
    // Caller holds m_Mutex.
    std::vector<std::shared_ptr<EmulatedCamera>> visibleOn(unsigned int interfaceType) const;

    std::mutex m_Mutex;
    std::vector<std::shared_ptr<EmulatedCamera>> m_Cameras;
    std::string m_FlashFolder;
    unsigned int m_Interface = OSTRA_INTERFACE_USB2;
    std::map<std::uintptr_t, std::shared_ptr<OpenHandle>> m_Handles;
    std::uintptr_t m_NextHandle = 0x1000;
    std::chrono::milliseconds m_RebootDelayOverride{-1};
    std::atomic<unsigned int> m_BusError{OSTRA_ERROR_NONE};
};

} // namespace OstraEmulation
