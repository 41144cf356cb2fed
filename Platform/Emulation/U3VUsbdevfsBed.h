#pragma once

#include "U3VDescriptors.h"
#include "U3VDevice.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Emulation
{

// Emulated USB3 Vision cameras under the real libusb: a umockdev testbed with
// one usbdevfs node per camera, whose ioctls (interface claims and releases,
// the kernel-driver queries, detaches and reattaches that libusb's automatic
// detach makes, answered as a kernel with no driver bound does; control
// transfers for descriptors and endpoint halts, bulk URBs, discards after
// timeouts) are served by the device model. An interface one open file
// claimed is busy for the others until released or closed. The process must run with umockdev's preload
// library (umockdev-wrapper, or LD_PRELOAD=libumockdev-preload.so.0); available() says whether it does. Child
// processes started with the preload library and the testbed's UMOCKDEV_DIR reach the same devices.
//
// A device attached is on the bus. setOnBus() takes it off (a "remove" event:
// libusb drops it from its list, open handles fail with "no device") and puts
// it back (an "add" event), as a camera does that reboots. The ioctls are
// answered on umockdev's thread under the testbed's device lock; a thread
// that touches a device while a program may be using it holds lockDevices().
class U3VUsbdevfsBed
{
public:
    // Throws std::runtime_error when the preload library is not loaded.
    U3VUsbdevfsBed();
    ~U3VUsbdevfsBed();
    U3VUsbdevfsBed(const U3VUsbdevfsBed&) = delete;
    U3VUsbdevfsBed& operator=(const U3VUsbdevfsBed&) = delete;

    static bool available();
    // For a program that serves or uses the testbed: when the preload
    // library is not loaded, starts the program again (same arguments) with
    // it first in LD_PRELOAD; returns only when that cannot be done (false,
    // the reason on standard error) or when it is loaded already (true).
    static bool restartWithPreloadLibrary(char** argv);

    // Adds a device at bus 1 with the next device number, on the bus.
    void attach(std::shared_ptr<U3VDevice> device);
    // Takes an attached device off the bus or puts it back (nothing when it
    // already is where asked). Throws std::invalid_argument for a device not
    // attached here, std::runtime_error when umockdev refuses.
    void setOnBus(U3VDevice& device, bool onBus);
    bool isOnBus(const U3VDevice& device);
    std::unique_lock<std::mutex> lockDevices();
    // From now on the USB traffic of every device goes into a usbmon-style
    // pcap file at `path` (U3VUsbCapture). Throws std::runtime_error when it
    // cannot be written.
    void captureTo(const std::string& path);

private:
    struct Node;
    void plug(Node& node);
    Node& nodeOf(const U3VDevice& device);

    struct Testbed;
    std::unique_ptr<Testbed> m_Testbed;
    std::vector<std::unique_ptr<Node>> m_Nodes;
};

} // namespace Emulation
