#include "U3VUsbdevfsBed.h"

#include <umockdev.h>

#include <libusb-1.0/libusb.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <stdexcept>

namespace Emulation
{
namespace
{

constexpr std::uint8_t REQUEST_GET_DESCRIPTOR = 6;
constexpr std::uint8_t DESCRIPTOR_STRING = 3;
constexpr std::size_t SETUP_SIZE = 8;

int errnoOf(int libusbCode)
{
    switch (libusbCode)
    {
    case LIBUSB_ERROR_BUSY:
        return EBUSY;
    case LIBUSB_ERROR_NO_DEVICE:
        return ENODEV;
    case LIBUSB_ERROR_NOT_FOUND:
        return ENOENT;
    case LIBUSB_ERROR_ACCESS:
        return EACCES;
    default:
        return EIO;
    }
}

void appendLe16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A string descriptor: UTF-16LE of ASCII text, or the language list.
std::vector<std::uint8_t> stringDescriptor(const U3VDevice::Identity& identity, std::uint8_t index)
{
    std::vector<std::uint8_t> descriptor{0, DESCRIPTOR_STRING};
    if (index == 0)
    {
        appendLe16(descriptor, 0x0409);
    }
    else
    {
        const std::string text = index == 1   ? std::string("Veltrax")
                                 : index == 2 ? identity.product
                                              : identity.serialNumber;
        for (const char letter : text)
        {
            appendLe16(descriptor, static_cast<std::uint8_t>(letter));
        }
    }
    descriptor[0] = static_cast<std::uint8_t>(descriptor.size());
    return descriptor;
}

} // namespace

std::vector<std::uint8_t> cameraDescriptors(const U3VDevice::Identity& identity)
{
    std::vector<std::uint8_t> out{18, 1, 0x00, 0x03, 0xEF, 0x02, 0x01, 9};
    appendLe16(out, identity.vendorId);
    appendLe16(out, identity.productId);
    const std::vector<std::uint8_t> tail{0x00, 0x01, 1, 2, 3, 1};
    out.insert(out.end(), tail.begin(), tail.end());
    const std::vector<std::uint8_t> configuration{
        9, 2, 57,   0,    3,    1,    0,    0x80, 0x32,                            // configuration
        9, 4, 0,    0,    2,    0xEF, 0x05, 0x00, 0,                               // control interface
        7, 5, 0x02, 0x02, 0x00, 0x04, 0,    7,    5,    0x82, 0x02, 0x00, 0x04, 0, // its endpoints
        9, 4, 1,    0,    0,    0xEF, 0x05, 0x01, 0,                               // event interface
        9, 4, 2,    0,    1,    0xEF, 0x05, 0x02, 0,                               // stream interface
        7, 5, 0x81, 0x02, 0x00, 0x04, 0};
    out.insert(out.end(), configuration.begin(), configuration.end());
    return out;
}

struct U3VUsbdevfsBed::Testbed
{
    UMockdevTestbed* testbed = nullptr;
    // Held while an ioctl is served and while a caller touches the devices.
    std::mutex devices;
};

// One device node: its ioctl handler and the URBs in flight.
struct U3VUsbdevfsBed::Node
{
    std::shared_ptr<U3VDevice> device;
    std::mutex* devices = nullptr;
    UMockdevIoctlBase* handler = nullptr;
    std::string devname;
    std::string sysfsPath;
    // The device's udev record (sysfs attributes, descriptors, properties).
    std::string record;
    bool onBus = false;

    // The URBs of one open file of the node (one connection of umockdev):
    // those with their answer ready, in order; those waiting for an answer
    // the device does not give; those discarded after a timeout.
    struct Urbs
    {
        std::deque<UMockdevIoctlData*> completed;
        std::deque<UMockdevIoctlData*> waiting;
        std::deque<UMockdevIoctlData*> discarded;
    };
    std::map<UMockdevIoctlClient*, Urbs> urbsOf;

    ~Node()
    {
        for (auto& [client, urbs] : urbsOf)
        {
            for (auto* list : {&urbs.completed, &urbs.waiting, &urbs.discarded})
            {
                for (UMockdevIoctlData* urb : *list)
                {
                    umockdev_ioctl_data_unref(urb);
                }
            }
        }
        g_clear_object(&handler);
    }

    // Serves one URB; true when it completed now, false when it waits.
    bool serve(usbdevfs_urb& urb)
    {
        auto* buffer = static_cast<std::uint8_t*>(urb.buffer);
        urb.status = 0;
        urb.actual_length = 0;
        if (urb.type == USBDEVFS_URB_TYPE_CONTROL)
        {
            serveControl(urb, buffer);
            return true;
        }
        if (urb.endpoint == 0x02)
        {
            device->receiveCommand(buffer, static_cast<std::size_t>(urb.buffer_length));
            urb.actual_length = urb.buffer_length;
            return true;
        }
        const auto answer = urb.endpoint == 0x82 ? device->takeAcknowledge()
                            : urb.endpoint == 0x81
                                ? device->takeStreamData(static_cast<std::size_t>(urb.buffer_length))
                                : std::nullopt;
        if (!answer)
        {
            return false;
        }
        if (answer->size() > static_cast<std::size_t>(urb.buffer_length))
        {
            urb.status = -EOVERFLOW;
            return true;
        }
        std::memcpy(buffer, answer->data(), answer->size());
        urb.actual_length = static_cast<int>(answer->size());
        return true;
    }

    void serveControl(usbdevfs_urb& urb, std::uint8_t* buffer) const
    {
        const std::uint8_t request = buffer[1];
        const std::uint8_t type = buffer[3];
        const std::uint8_t index = buffer[2];
        const auto length = static_cast<std::size_t>(buffer[6] | (buffer[7] << 8));
        if (request != REQUEST_GET_DESCRIPTOR || type != DESCRIPTOR_STRING || index > 3)
        {
            urb.status = -EPIPE;
            return;
        }
        const auto descriptor = stringDescriptor(device->identity(), index);
        const std::size_t count =
            std::min({descriptor.size(), length, static_cast<std::size_t>(urb.buffer_length) - SETUP_SIZE});
        std::memcpy(buffer + SETUP_SIZE, descriptor.data(), count);
        urb.actual_length = static_cast<int>(count);
    }

    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        if (!device->present())
        {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return;
        }
        UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_urb), nullptr);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
        UMockdevIoctlData* bufferData = umockdev_ioctl_data_resolve(
            urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
        umockdev_ioctl_data_unref(bufferData);
        Urbs& urbs = urbsOf[client];
        (serve(*urb) ? urbs.completed : urbs.waiting).push_back(urbData);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    void reap(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        auto& [completed, waiting, discarded] = urbsOf[client];
        std::deque<UMockdevIoctlData*>* from = !discarded.empty()   ? &discarded
                                               : !completed.empty() ? &completed
                                                                    : nullptr;
        if (from == nullptr && !waiting.empty() && !device->present())
        {
            reinterpret_cast<usbdevfs_urb*>(waiting.front()->data)->status = -ENODEV;
            from = &waiting;
        }
        if (from == nullptr)
        {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return;
        }
        UMockdevIoctlData* urbData = from->front();
        from->pop_front();
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(argument, 0, sizeof(gpointer), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
        umockdev_ioctl_data_unref(pointer);
        umockdev_ioctl_data_unref(urbData);
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    void discard(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(argument->data));
        auto& [completed, waiting, discarded] = urbsOf[client];
        for (auto found = waiting.begin(); found != waiting.end(); ++found)
        {
            if ((*found)->client_addr == address)
            {
                reinterpret_cast<usbdevfs_urb*>((*found)->data)->status = -ENOENT;
                discarded.push_back(*found);
                waiting.erase(found);
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }

    void claim(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        UMockdevIoctlData* number = umockdev_ioctl_data_resolve(argument, 0, sizeof(unsigned int), nullptr);
        const int code = device->present() ? device->claimResult(*reinterpret_cast<int*>(number->data))
                                           : LIBUSB_ERROR_NO_DEVICE;
        umockdev_ioctl_data_unref(number);
        umockdev_ioctl_client_complete(client, code == 0 ? 0 : -1, code == 0 ? 0 : errnoOf(code));
    }

    static gboolean onIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client, gpointer self)
    {
        auto& node = *static_cast<Node*>(self);
        const std::lock_guard<std::mutex> lock(*node.devices);
        UMockdevIoctlData* argument = umockdev_ioctl_client_get_arg(client);
        switch (umockdev_ioctl_client_get_request(client))
        {
        case USBDEVFS_GET_CAPABILITIES:
        {
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(argument, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(caps->data) = USBDEVFS_CAP_BULK_CONTINUATION |
                                                      USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                                      USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            umockdev_ioctl_data_unref(caps);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        case USBDEVFS_CLAIMINTERFACE:
            node.claim(client, argument);
            return TRUE;
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESET:
        case USBDEVFS_RESETEP:
        case USBDEVFS_SETINTERFACE:
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        case USBDEVFS_SUBMITURB:
            node.submit(client, argument);
            return TRUE;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY:
            node.reap(client, argument);
            return TRUE;
        case USBDEVFS_DISCARDURB:
            node.discard(client, argument);
            return TRUE;
        default:
            return FALSE;
        }
    }
};

U3VUsbdevfsBed::U3VUsbdevfsBed() : m_Testbed(std::make_unique<Testbed>())
{
    if (!available())
    {
        throw std::runtime_error("umockdev's preload library is not loaded: run through umockdev-wrapper");
    }
    m_Testbed->testbed = umockdev_testbed_new();
}

U3VUsbdevfsBed::~U3VUsbdevfsBed()
{
    m_Nodes.clear();
    g_clear_object(&m_Testbed->testbed);
}

bool U3VUsbdevfsBed::available()
{
    // Whether the preload library is mapped into this process.
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
    {
        if (line.find("libumockdev-preload") != std::string::npos)
        {
            return true;
        }
    }
    return false;
}

namespace
{

[[noreturn]] void failWith(GError* error, const std::string& what)
{
    const std::string reason = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    throw std::runtime_error(what + ": " + reason);
}

std::string hexText(const std::vector<std::uint8_t>& bytes)
{
    std::string hex;
    for (const std::uint8_t byte : bytes)
    {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

} // namespace

bool U3VUsbdevfsBed::restartWithPreloadLibrary(char** argv)
{
    static const char PRELOAD_LIBRARY[] = "libumockdev-preload.so.0";
    static const char RESTARTED[] = "VX_UMOCKDEV_PRELOAD_RESTARTED";
    if (available())
    {
        ::unsetenv(RESTARTED);
        return true;
    }
    if (std::getenv(RESTARTED) != nullptr)
    {
        std::fprintf(stderr, "%s could not be loaded (is umockdev installed?)\n", PRELOAD_LIBRARY);
        return false;
    }
    const char* preload = std::getenv("LD_PRELOAD");
    const std::string value = preload == nullptr || *preload == '\0'
                                  ? std::string(PRELOAD_LIBRARY)
                                  : std::string(PRELOAD_LIBRARY) + ":" + preload;
    ::setenv(RESTARTED, "1", 1);
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::fprintf(stderr, "cannot start again with %s: %s\n", PRELOAD_LIBRARY, std::strerror(errno));
    return false;
}

void U3VUsbdevfsBed::attach(std::shared_ptr<U3VDevice> device)
{
    const std::size_t number = m_Nodes.size() + 1;
    auto node = std::make_unique<Node>();
    node->device = std::move(device);
    node->devices = &m_Testbed->devices;
    node->handler = umockdev_ioctl_base_new();
    g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(&Node::onIoctl), node.get());

    char devnum[4];
    std::snprintf(devnum, sizeof devnum, "%03zu", number);
    node->devname = std::string("/dev/bus/usb/001/") + devnum;
    node->sysfsPath = "/sys/devices/usb" + std::to_string(number);
    node->record = "P: /devices/usb" + std::to_string(number) + "\nN: bus/usb/001/" + devnum +
                   "\nE: SUBSYSTEM=usb\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=" + devnum +
                   "\nE: DEVNAME=" + node->devname +
                   "\nE: DEVTYPE=usb_device\nA: bConfigurationValue=1\\n\nA: busnum=1\\n\nA: devnum=" +
                   std::to_string(number) + "\\n\nA: speed=5000\\n\nH: descriptors=" +
                   hexText(cameraDescriptors(node->device->identity())) + "\n";
    plug(*node);
    m_Nodes.push_back(std::move(node));
}

void U3VUsbdevfsBed::plug(Node& node)
{
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_Testbed->testbed, node.devname.c_str(), node.handler, &error))
    {
        failWith(error, "cannot attach the usbdevfs handler of " + node.devname);
    }
    if (!umockdev_testbed_add_from_string(m_Testbed->testbed, node.record.c_str(), &error))
    {
        failWith(error, "cannot add " + node.devname);
    }
    node.onBus = true;
}

U3VUsbdevfsBed::Node& U3VUsbdevfsBed::nodeOf(const U3VDevice& device)
{
    for (const auto& node : m_Nodes)
    {
        if (node->device.get() == &device)
        {
            return *node;
        }
    }
    throw std::invalid_argument("the device is not attached to this testbed");
}

void U3VUsbdevfsBed::setOnBus(U3VDevice& device, bool onBus)
{
    Node& node = nodeOf(device);
    if (node.onBus == onBus)
    {
        return;
    }
    if (onBus)
    {
        {
            const std::lock_guard<std::mutex> lock(m_Testbed->devices);
            device.plugIn();
        }
        plug(node);
        umockdev_testbed_uevent(m_Testbed->testbed, node.sysfsPath.c_str(), "add");
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_Testbed->devices);
        device.unplug();
    }
    umockdev_testbed_uevent(m_Testbed->testbed, node.sysfsPath.c_str(), "remove");
    umockdev_testbed_remove_device(m_Testbed->testbed, node.sysfsPath.c_str());
    GError* error = nullptr;
    if (!umockdev_testbed_detach_ioctl(m_Testbed->testbed, node.devname.c_str(), &error))
    {
        g_clear_error(&error);
    }
    node.onBus = false;
}

bool U3VUsbdevfsBed::isOnBus(const U3VDevice& device)
{
    return nodeOf(device).onBus;
}

std::unique_lock<std::mutex> U3VUsbdevfsBed::lockDevices()
{
    return std::unique_lock<std::mutex>(m_Testbed->devices);
}

} // namespace Emulation
