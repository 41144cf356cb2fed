#include "U3VUsbdevfsBed.h"

#include "U3VUsbCapture.h"

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
#include <optional>
#include <set>
#include <stdexcept>

namespace Emulation
{
namespace
{

constexpr std::uint8_t REQUEST_GET_STATUS = 0;
constexpr std::uint8_t REQUEST_CLEAR_FEATURE = 1;
constexpr std::uint8_t REQUEST_SET_FEATURE = 3;
constexpr std::uint8_t REQUEST_GET_DESCRIPTOR = 6;
constexpr std::uint8_t DESCRIPTOR_DEVICE = 1;
constexpr std::uint8_t DESCRIPTOR_CONFIGURATION = 2;
constexpr std::uint8_t DESCRIPTOR_STRING = 3;
constexpr std::uint8_t DESCRIPTOR_BOS = 0x0F;
constexpr std::uint8_t RECIPIENT_ENDPOINT = 0x02;
constexpr std::size_t SETUP_SIZE = 8;
constexpr std::size_t DEVICE_DESCRIPTOR_SIZE = 18;
constexpr unsigned int INTERFACE_COUNT = 3;
constexpr std::uint8_t ENDPOINTS[] = {0x02, 0x82, 0x83, 0x81};
// The name of the kernel's driver behind a claim through usbdevfs.
constexpr char USBFS_DRIVER[] = "usbfs";

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

bool isEndpoint(std::uint16_t address)
{
    return std::find(std::begin(ENDPOINTS), std::end(ENDPOINTS), address) != std::end(ENDPOINTS);
}

void complete(UMockdevIoctlClient* client, int error)
{
    umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
}

} // namespace

struct U3VUsbdevfsBed::Testbed
{
    UMockdevTestbed* testbed = nullptr;
    std::unique_ptr<U3VUsbCapture> capture;
    // Held while an ioctl is served and while a caller touches the devices.
    std::mutex devices;
};

// One device node: its ioctl handler and the URBs in flight.
struct U3VUsbdevfsBed::Node
{
    std::shared_ptr<U3VDevice> device;
    std::mutex* devices = nullptr;
    U3VUsbCapture* capture = nullptr;
    std::uint8_t number = 0;
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
        // Bulk IN endpoints whose transfer ended short: the rest of that
        // transfer's URBs (those marked as its continuation) get no data.
        std::set<unsigned char> cutShort;
    };
    // Keyed by the open file, on which the entry holds a reference (so that
    // no new file takes the address of a closed one).
    std::map<UMockdevIoctlClient*, Urbs> urbsOf;
    // The open file that claimed each claimed interface; a claim holds a
    // reference on it, so that a file closed meanwhile can still be asked.
    std::map<unsigned int, UMockdevIoctlClient*> claims;

    ~Node()
    {
        while (!urbsOf.empty())
        {
            forget(urbsOf.begin()->first);
        }
        for (auto& [interface, client] : claims)
        {
            g_object_unref(client);
        }
        g_clear_object(&handler);
    }

    std::map<unsigned int, UMockdevIoctlClient*>::iterator
    dropClaim(std::map<unsigned int, UMockdevIoctlClient*>::iterator held)
    {
        g_object_unref(held->second);
        return claims.erase(held);
    }

    // Serves one URB; true when it completed now, false when it waits. A
    // URB continuing a transfer that ended short is unlinked, as the kernel
    // does.
    bool serve(usbdevfs_urb& urb, Urbs& urbs)
    {
        if ((urb.flags & USBDEVFS_URB_BULK_CONTINUATION) != 0 && urbs.cutShort.count(urb.endpoint) != 0)
        {
            urb.status = -ECONNRESET;
            urb.actual_length = 0;
            return true;
        }
        if (!serve(urb))
        {
            return false;
        }
        if ((urb.endpoint & 0x80) != 0 && urb.status == 0 && urb.actual_length < urb.buffer_length &&
            (urb.flags & USBDEVFS_URB_SHORT_NOT_OK) != 0)
        {
            urb.status = -EREMOTEIO;
            urbs.cutShort.insert(urb.endpoint);
        }
        return true;
    }

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

    // The standard requests on endpoint 0: descriptors, status, endpoint
    // halts; anything else stalls.
    void serveControl(usbdevfs_urb& urb, std::uint8_t* buffer) const
    {
        const std::uint8_t requestType = buffer[0];
        const std::uint8_t request = buffer[1];
        const auto value = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
        const auto index = static_cast<std::uint16_t>(buffer[4] | (buffer[5] << 8));
        const auto length = static_cast<std::size_t>(buffer[6] | (buffer[7] << 8));
        std::optional<std::vector<std::uint8_t>> answer;
        if (request == REQUEST_GET_DESCRIPTOR && (requestType & 0x80) != 0)
        {
            answer = descriptor(static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value));
        }
        else if (request == REQUEST_GET_STATUS && (requestType & 0x80) != 0)
        {
            answer = std::vector<std::uint8_t>{0, 0};
        }
        else if ((request == REQUEST_SET_FEATURE || request == REQUEST_CLEAR_FEATURE) &&
                 (requestType & 0x1F) == RECIPIENT_ENDPOINT && value == 0 && isEndpoint(index))
        {
            answer = std::vector<std::uint8_t>{};
        }
        if (!answer)
        {
            urb.status = -EPIPE;
            return;
        }
        const std::size_t room = static_cast<std::size_t>(urb.buffer_length) - SETUP_SIZE;
        const std::size_t count = std::min({answer->size(), length, room});
        std::memcpy(buffer + SETUP_SIZE, answer->data(), count);
        urb.actual_length = static_cast<int>(count);
    }

    std::optional<std::vector<std::uint8_t>> descriptor(std::uint8_t type, std::uint8_t index) const
    {
        const std::vector<std::uint8_t> all = cameraDescriptors(device->identity());
        switch (type)
        {
        case DESCRIPTOR_DEVICE:
            return std::vector<std::uint8_t>(all.begin(), all.begin() + DEVICE_DESCRIPTOR_SIZE);
        case DESCRIPTOR_CONFIGURATION:
            return index == 0 ? std::optional(std::vector<std::uint8_t>(all.begin() + DEVICE_DESCRIPTOR_SIZE,
                                                                        all.end()))
                              : std::nullopt;
        case DESCRIPTOR_STRING:
            return stringDescriptor(device->identity(), index, device->userDefinedName());
        case DESCRIPTOR_BOS:
            return bosDescriptor();
        default:
            return std::nullopt;
        }
    }

    // A URB event into the capture, when one is taken.
    void captureEvent(UMockdevIoctlData* urbData, U3VUsbCapture::EVENT event) const
    {
        if (capture == nullptr)
        {
            return;
        }
        const usbdevfs_urb& urb = urbOf(urbData);
        const auto* buffer = static_cast<const std::uint8_t*>(urb.buffer);
        const bool control = urb.type == USBDEVFS_URB_TYPE_CONTROL;
        const bool in = control ? (buffer[0] & 0x80) != 0 : (urb.endpoint & 0x80) != 0;
        const bool submit = event == U3VUsbCapture::EVENT::SUBMIT;
        const std::size_t skip = control ? SETUP_SIZE : 0;
        U3VUsbCapture::Record entry;
        entry.event = event;
        entry.urbId = urbData->client_addr;
        entry.transferType = urb.type;
        entry.endpoint = static_cast<std::uint8_t>(control ? (in ? 0x80 : 0x00) : urb.endpoint);
        entry.device = number;
        entry.status = submit ? -EINPROGRESS : urb.status;
        entry.length = static_cast<std::uint32_t>(submit ? urb.buffer_length - static_cast<int>(skip)
                                                         : urb.actual_length);
        entry.setup = control && submit ? buffer : nullptr;
        entry.data = buffer + skip;
        entry.dataLength = submit != in ? entry.length : 0;
        capture->write(entry);
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
        Urbs& urbs = urbsFor(client);
        if ((urb->flags & USBDEVFS_URB_BULK_CONTINUATION) == 0)
        {
            urbs.cutShort.erase(urb->endpoint);
        }
        else if (urbs.cutShort.count(urb->endpoint) != 0)
        {
            // The transfer it continues is over.
            umockdev_ioctl_data_unref(urbData);
            complete(client, EREMOTEIO);
            return;
        }
        // An endpoint's URBs are answered in the order they came.
        const bool queued = std::any_of(urbs.waiting.begin(), urbs.waiting.end(),
                                        [urb](UMockdevIoctlData* earlier)
                                        { return urbOf(earlier).endpoint == urb->endpoint; });
        captureEvent(urbData, U3VUsbCapture::EVENT::SUBMIT);
        const bool done = !queued && serve(*urb, urbs);
        (done ? urbs.completed : urbs.waiting).push_back(urbData);
        if (done)
        {
            captureEvent(urbData, U3VUsbCapture::EVENT::COMPLETE);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    static usbdevfs_urb& urbOf(UMockdevIoctlData* data)
    {
        return *reinterpret_cast<usbdevfs_urb*>(data->data);
    }

    // Waiting URBs get what the device has for them now, the oldest of each
    // endpoint first, as IN transfers pending on a bus do.
    void serveWaiting(Urbs& urbs)
    {
        std::set<unsigned char> blocked;
        for (auto waiting = urbs.waiting.begin(); waiting != urbs.waiting.end();)
        {
            usbdevfs_urb& urb = urbOf(*waiting);
            if (blocked.count(urb.endpoint) == 0 && serve(urb, urbs))
            {
                captureEvent(*waiting, U3VUsbCapture::EVENT::COMPLETE);
                urbs.completed.push_back(*waiting);
                waiting = urbs.waiting.erase(waiting);
                continue;
            }
            blocked.insert(urb.endpoint);
            ++waiting;
        }
    }

    void reap(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        Urbs& urbs = urbsFor(client);
        if (device->present())
        {
            serveWaiting(urbs);
        }
        auto& completed = urbs.completed;
        auto& waiting = urbs.waiting;
        auto& discarded = urbs.discarded;
        std::deque<UMockdevIoctlData*>* from = !discarded.empty()   ? &discarded
                                               : !completed.empty() ? &completed
                                                                    : nullptr;
        if (from == nullptr && !waiting.empty() && !device->present())
        {
            reinterpret_cast<usbdevfs_urb*>(waiting.front()->data)->status = -ENODEV;
            captureEvent(waiting.front(), U3VUsbCapture::EVENT::COMPLETE);
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
        auto& waiting = urbsFor(client).waiting;
        auto& discarded = urbsFor(client).discarded;
        for (auto found = waiting.begin(); found != waiting.end(); ++found)
        {
            if ((*found)->client_addr == address)
            {
                reinterpret_cast<usbdevfs_urb*>((*found)->data)->status = -ENOENT;
                captureEvent(*found, U3VUsbCapture::EVENT::COMPLETE);
                discarded.push_back(*found);
                waiting.erase(found);
                umockdev_ioctl_client_complete(client, 0, 0);
                return;
            }
        }
        umockdev_ioctl_client_complete(client, -1, EINVAL);
    }

    // As the kernel claims: an interface the device lacks is ENOENT, one
    // another open file holds is EBUSY; the device's claim fault comes last.
    int claimFor(UMockdevIoctlClient* client, unsigned int interface)
    {
        if (!device->present())
        {
            return ENODEV;
        }
        if (interface >= INTERFACE_COUNT)
        {
            return ENOENT;
        }
        const auto held = claims.find(interface);
        if (held != claims.end())
        {
            return held->second == client ? 0 : EBUSY;
        }
        const int code = device->claimResult(static_cast<int>(interface));
        if (code != 0)
        {
            return errnoOf(code);
        }
        claims[interface] = static_cast<UMockdevIoctlClient*>(g_object_ref(client));
        return 0;
    }

    static unsigned int interfaceIn(UMockdevIoctlData* argument)
    {
        UMockdevIoctlData* number = umockdev_ioctl_data_resolve(argument, 0, sizeof(unsigned int), nullptr);
        const unsigned int interface = *reinterpret_cast<unsigned int*>(number->data);
        umockdev_ioctl_data_unref(number);
        return interface;
    }

    void claim(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        complete(client, claimFor(client, interfaceIn(argument)));
    }

    void release(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        const auto held = claims.find(interfaceIn(argument));
        if (held == claims.end() || held->second != client)
        {
            complete(client, EINVAL);
            return;
        }
        dropClaim(held);
        complete(client, 0);
    }

    // USBDEVFS_DISCONNECT_CLAIM: no kernel driver is ever bound, so only a
    // claim through usbdevfs (the "usbfs" driver) can be in the way.
    void disconnectClaim(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_disconnect_claim), nullptr);
        const auto request = *reinterpret_cast<usbdevfs_disconnect_claim*>(data->data);
        umockdev_ioctl_data_unref(data);
        if (!device->present())
        {
            complete(client, ENODEV);
            return;
        }
        if (request.interface >= INTERFACE_COUNT)
        {
            complete(client, EINVAL);
            return;
        }
        const auto held = claims.find(request.interface);
        if (held != claims.end())
        {
            const bool named = std::strncmp(request.driver, USBFS_DRIVER, sizeof request.driver) == 0;
            const bool refused = ((request.flags & USBDEVFS_DISCONNECT_CLAIM_EXCEPT_DRIVER) != 0 && named) ||
                                 ((request.flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER) != 0 && !named);
            if (refused)
            {
                complete(client, EBUSY);
                return;
            }
            dropClaim(held);
        }
        complete(client, claimFor(client, request.interface));
    }

    // USBDEVFS_GETDRIVER: "usbfs" for a claimed interface, ENODATA else.
    void getDriver(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_getdriver), nullptr);
        auto* request = reinterpret_cast<usbdevfs_getdriver*>(data->data);
        const bool claimed = request->interface < INTERFACE_COUNT && claims.count(request->interface) != 0;
        if (claimed)
        {
            std::snprintf(request->driver, sizeof request->driver, "%s", USBFS_DRIVER);
        }
        umockdev_ioctl_data_unref(data);
        complete(client, !device->present() ? ENODEV : claimed ? 0 : ENODATA);
    }

    // USBDEVFS_IOCTL with DISCONNECT (unbinds a bound driver, ENODATA when
    // none is) or CONNECT (binds the kernel's matching driver: there is
    // none, so the result is 0, nothing bound; EBUSY while claimed).
    void driverIoctl(UMockdevIoctlClient* client, UMockdevIoctlData* argument)
    {
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(argument, 0, sizeof(usbdevfs_ioctl), nullptr);
        const auto request = *reinterpret_cast<usbdevfs_ioctl*>(data->data);
        umockdev_ioctl_data_unref(data);
        const auto interface = static_cast<unsigned int>(request.ifno);
        const bool claimed = claims.count(interface) != 0;
        int error = 0;
        if (!device->present())
        {
            error = ENODEV;
        }
        else if (request.ifno < 0 || interface >= INTERFACE_COUNT)
        {
            error = EINVAL;
        }
        else if (request.ioctl_code == USBDEVFS_DISCONNECT)
        {
            error = claimed ? 0 : ENODATA;
            if (claimed)
            {
                dropClaim(claims.find(interface));
            }
        }
        else if (request.ioctl_code == USBDEVFS_CONNECT)
        {
            error = claimed ? EBUSY : 0;
        }
        else
        {
            error = ENOTTY;
        }
        complete(client, error);
    }

    Urbs& urbsFor(UMockdevIoctlClient* client)
    {
        const auto found = urbsOf.find(client);
        if (found != urbsOf.end())
        {
            return found->second;
        }
        g_object_ref(client);
        return urbsOf[client];
    }

    // Open files closed since the last request: their claims and URBs go,
    // as the kernel drops them at close. (umockdev tells of a closed file
    // only through its connection state.)
    void forgetClosed()
    {
        std::vector<UMockdevIoctlClient*> closed;
        for (const auto& [client, urbs] : urbsOf)
        {
            if (umockdev_ioctl_client_get_connected(client) == FALSE)
            {
                closed.push_back(client);
            }
        }
        for (const auto& [interface, client] : claims)
        {
            if (umockdev_ioctl_client_get_connected(client) == FALSE)
            {
                closed.push_back(client);
            }
        }
        for (UMockdevIoctlClient* client : closed)
        {
            forget(client);
        }
    }

    // An open file closed: its claims and URBs go, as in the kernel.
    void forget(UMockdevIoctlClient* client)
    {
        for (auto held = claims.begin(); held != claims.end();)
        {
            held = held->second == client ? dropClaim(held) : std::next(held);
        }
        const auto found = urbsOf.find(client);
        if (found == urbsOf.end())
        {
            return;
        }
        for (auto* list : {&found->second.completed, &found->second.waiting, &found->second.discarded})
        {
            for (UMockdevIoctlData* urb : *list)
            {
                umockdev_ioctl_data_unref(urb);
            }
        }
        urbsOf.erase(found);
        g_object_unref(client);
    }

    static gboolean onIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client, gpointer self)
    {
        auto& node = *static_cast<Node*>(self);
        const std::lock_guard<std::mutex> lock(*node.devices);
        node.forgetClosed();
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
            node.release(client, argument);
            return TRUE;
        case USBDEVFS_DISCONNECT_CLAIM:
            node.disconnectClaim(client, argument);
            return TRUE;
        case USBDEVFS_GETDRIVER:
            node.getDriver(client, argument);
            return TRUE;
        case USBDEVFS_IOCTL:
            node.driverIoctl(client, argument);
            return TRUE;
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
    node->capture = m_Testbed->capture.get();
    node->number = static_cast<std::uint8_t>(number);
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

void U3VUsbdevfsBed::captureTo(const std::string& path)
{
    const std::lock_guard<std::mutex> lock(m_Testbed->devices);
    m_Testbed->capture = std::make_unique<U3VUsbCapture>(path);
    for (const auto& node : m_Nodes)
    {
        node->capture = m_Testbed->capture.get();
    }
}

std::unique_lock<std::mutex> U3VUsbdevfsBed::lockDevices()
{
    return std::unique_lock<std::mutex>(m_Testbed->devices);
}

} // namespace Emulation
