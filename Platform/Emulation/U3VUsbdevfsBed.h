#pragma once

#include "U3VDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace Emulation
{

// Emulated USB3 Vision cameras under the real libusb: a umockdev testbed with
// one usbdevfs node per camera, whose ioctls (claims, control transfers for
// string descriptors, bulk URBs, discards after timeouts) are served by the
// device model. The process must run with umockdev's preload library
// (umockdev-wrapper, or LD_PRELOAD=libumockdev-preload.so.0); available()
// says whether it does.
//
// Cameras are attached before libusb is first initialised in the process
// (libusb takes the device list at its start). The ioctls are answered on
// umockdev's thread while the caller waits in libusb, so the devices are
// inspected only between library calls.
class U3VUsbdevfsBed
{
public:
    // Which processes reach the devices: this one (it must run with the
    // preload library), or only child processes started with it.
    enum class Users
    {
        THIS_PROCESS,
        CHILD_PROCESSES
    };

    explicit U3VUsbdevfsBed(Users users = Users::THIS_PROCESS);
    ~U3VUsbdevfsBed();
    U3VUsbdevfsBed(const U3VUsbdevfsBed&) = delete;
    U3VUsbdevfsBed& operator=(const U3VUsbdevfsBed&) = delete;

    static bool available();

    // Adds a device at bus 1 with the next device number.
    void attach(std::shared_ptr<U3VDevice> device);

private:
    struct Node;

    struct Testbed;
    std::unique_ptr<Testbed> m_Testbed;
    std::vector<std::unique_ptr<Node>> m_Nodes;
};

// The device and configuration descriptors of a camera (control interface 0
// with endpoints 0x02/0x82, event interface 1, stream interface 2 with 0x81).
std::vector<std::uint8_t> cameraDescriptors(const U3VDevice::Identity& identity);

} // namespace Emulation
