// The driver's C operation table over the emulated cameras (Emulator).
// Each operation on a handle runs in EmulatedCamera::run(); a failure stores
// its code as the handle's last error and returns 0 (or -1 for callback ids).
#include "Emulator.h"
#include "RigFile.h"

#include "ostraapi/OstraEmulator.h"
#include "ostraapi/ostraapi.h"

#include <stdexcept>

using OstraEmulation::EmulatedCamera;
using OstraEmulation::Emulator;

namespace
{

// Runs body(camera) for the handle's camera; 1 on success, 0 on failure.
template <class Body> int onCamera(OSTRA_HANDLE handle, const char* operation, Body&& body)
{
    Emulator& emulator = Emulator::instance();
    const auto open = emulator.find(handle);
    if (!open)
    {
        emulator.setBusError(OSTRA_ERROR_INVALID_HANDLE);
        return 0;
    }
    const unsigned int error =
        open->camera->run(open->generation, operation, [&](EmulatedCamera& camera) { return body(camera); });
    if (error != OSTRA_ERROR_NONE)
    {
        open->lastError = error;
        return 0;
    }
    return 1;
}

// A take waits for its frame outside the camera's lock (EmulatedCamera::takeFrame).
int takeFrame(OSTRA_HANDLE handle, const char* operation, bool still, unsigned int frames, void* buffer)
{
    Emulator& emulator = Emulator::instance();
    const auto open = emulator.find(handle);
    if (!open)
    {
        emulator.setBusError(OSTRA_ERROR_INVALID_HANDLE);
        return 0;
    }
    const unsigned int error = open->camera->takeFrame(open->generation, operation, still, frames, buffer);
    if (error != OSTRA_ERROR_NONE)
    {
        open->lastError = error;
        return 0;
    }
    return 1;
}

// Frame conversion is a driver operation the emulator does not offer.
int notEmulated(OSTRA_HANDLE handle, const char* operation)
{
    return onCamera(handle, operation, [](EmulatedCamera&) { return OSTRA_ERROR_NOT_SUPPORTED_BY_EMULATOR; });
}

int busFailure(unsigned int error)
{
    Emulator::instance().setBusError(error);
    return 0;
}

} // namespace

extern "C"
{

    int ostraNumCameras(void)
    {
        return Emulator::instance().numCameras();
    }

    int ostraEnumCameras(OSTRA_VERSION* records, unsigned int count)
    {
        return Emulator::instance().enumCameras(records, count);
    }

    int ostraSelectInterface(unsigned int interfaceType)
    {
        return Emulator::instance().selectInterface(interfaceType) ? 1 : 0;
    }

    OSTRA_HANDLE ostraCameraOpen(unsigned int index)
    {
        return Emulator::instance().open(index);
    }

    int ostraCameraClose(OSTRA_HANDLE handle)
    {
        Emulator& emulator = Emulator::instance();
        const auto open = emulator.find(handle);
        if (!open)
        {
            return busFailure(OSTRA_ERROR_INVALID_HANDLE);
        }
        // A camera that left the bus is closed all the same; a scripted failure is not.
        const unsigned int error =
            open->camera->run(open->generation, "ostraCameraClose", [](EmulatedCamera&) { return 0U; });
        if (error != OSTRA_ERROR_NONE && error != OSTRA_ERROR_CAMERA_GONE)
        {
            open->lastError = error;
            return 0;
        }
        return emulator.close(handle) ? 1 : busFailure(OSTRA_ERROR_INVALID_HANDLE);
    }

    int ostraConnectSetting(OSTRA_HANDLE handle, unsigned int /*setting*/)
    {
        return onCamera(handle, "ostraConnectSetting", [](EmulatedCamera&) { return 0U; });
    }

    int ostraQueryVersion(OSTRA_HANDLE handle, OSTRA_VERSION* version)
    {
        return onCamera(handle, "ostraQueryVersion",
                        [&](EmulatedCamera& c) { return c.queryVersion(version); });
    }

    unsigned int ostraGetLastErrorForCamera(OSTRA_HANDLE handle)
    {
        Emulator& emulator = Emulator::instance();
        if (handle == nullptr)
        {
            return emulator.busError();
        }
        const auto open = emulator.find(handle);
        return open ? open->lastError.load() : static_cast<unsigned int>(OSTRA_ERROR_INVALID_HANDLE);
    }

    int ostraGetProperty(OSTRA_HANDLE handle, unsigned int propertyId, float* value, unsigned int* flags)
    {
        return onCamera(handle, "ostraGetProperty",
                        [&](EmulatedCamera& c) { return c.getProperty(propertyId, value, flags); });
    }

    int ostraSetProperty(OSTRA_HANDLE handle, unsigned int propertyId, float value, unsigned int flags)
    {
        return onCamera(handle, "ostraSetProperty",
                        [&](EmulatedCamera& c) { return c.setProperty(propertyId, value, flags); });
    }

    int ostraPropertyRange(OSTRA_HANDLE handle, unsigned int propertyId, float* minimum, float* maximum,
                           float* defaultValue, unsigned int* flags)
    {
        return onCamera(handle, "ostraPropertyRange",
                        [&](EmulatedCamera& c)
                        { return c.propertyRange(propertyId, minimum, maximum, defaultValue, flags); });
    }

    int ostraGetFormat(OSTRA_HANDLE handle, OSTRA_FRAME_FORMAT* format, float* frameRate)
    {
        return onCamera(handle, "ostraGetFormat",
                        [&](EmulatedCamera& c) { return c.getFormat(format, frameRate); });
    }

    int ostraSetFormat(OSTRA_HANDLE handle, const OSTRA_FRAME_FORMAT* format, float frameRate)
    {
        return onCamera(handle, "ostraSetFormat",
                        [&](EmulatedCamera& c) { return c.setFormat(format, frameRate); });
    }

    int ostraEnumFrameRates(OSTRA_HANDLE handle, float* rates, unsigned int count)
    {
        int found = 0;
        const int succeeded =
            onCamera(handle, "ostraEnumFrameRates",
                     [&](EmulatedCamera& c) { return c.enumFrameRates(rates, count, found); });
        return succeeded != 0 ? found : 0;
    }

    int ostraReadFlash(OSTRA_HANDLE handle, void* buffer, unsigned int address, unsigned int length)
    {
        return onCamera(handle, "ostraReadFlash",
                        [&](EmulatedCamera& c) { return c.readFlash(buffer, address, length); });
    }

    int ostraWriteFlash(OSTRA_HANDLE handle, const void* data, unsigned int address, unsigned int length)
    {
        return onCamera(handle, "ostraWriteFlash",
                        [&](EmulatedCamera& c) { return c.writeFlash(data, address, length); });
    }

    int ostraEraseFlash(OSTRA_HANDLE handle, unsigned int address, unsigned int length)
    {
        return onCamera(handle, "ostraEraseFlash",
                        [&](EmulatedCamera& c) { return c.eraseFlash(address, length); });
    }

    int ostraProgramFlash(OSTRA_HANDLE handle, const void* data, unsigned int address, unsigned int length)
    {
        return onCamera(handle, "ostraProgramFlash",
                        [&](EmulatedCamera& c) { return c.programFlash(data, address, length); });
    }

    int ostraVendorWrite(OSTRA_HANDLE handle, unsigned int request, unsigned int value, unsigned int index,
                         unsigned int length, const void* data)
    {
        return onCamera(handle, "ostraVendorWrite",
                        [&](EmulatedCamera& c)
                        { return c.vendorWrite(request, value, index, length, data); });
    }

    int ostraTargetRead(OSTRA_HANDLE handle, unsigned int target, unsigned int address, unsigned int count,
                        void* buffer)
    {
        return onCamera(handle, "ostraTargetRead",
                        [&](EmulatedCamera& c) { return c.targetRead(target, address, count, buffer); });
    }

    int ostraTargetWrite(OSTRA_HANDLE handle, unsigned int target, unsigned int address, unsigned int count,
                         const void* buffer)
    {
        return onCamera(handle, "ostraTargetWrite",
                        [&](EmulatedCamera& c) { return c.targetWrite(target, address, count, buffer); });
    }

    int ostraTargetReadEx(OSTRA_HANDLE handle, unsigned int target, unsigned int address, unsigned int count,
                          void* buffer)
    {
        return onCamera(handle, "ostraTargetReadEx",
                        [&](EmulatedCamera& c) { return c.targetRead(target, address, count, buffer); });
    }

    int ostraTargetWriteEx(OSTRA_HANDLE handle, unsigned int target, unsigned int address, unsigned int count,
                           const void* buffer)
    {
        return onCamera(handle, "ostraTargetWriteEx",
                        [&](EmulatedCamera& c) { return c.targetWrite(target, address, count, buffer); });
    }

    int ostraGetPowerMode(OSTRA_HANDLE handle, unsigned int* value)
    {
        return onCamera(handle, "ostraGetPowerMode",
                        [&](EmulatedCamera& c) { return c.getPowerMode(value); });
    }

    int ostraSetPowerMode(OSTRA_HANDLE handle, unsigned int value)
    {
        return onCamera(handle, "ostraSetPowerMode",
                        [&](EmulatedCamera& c) { return c.setPowerMode(value); });
    }

    int ostraEnableHardwareTrigger(OSTRA_HANDLE handle, int enable)
    {
        return onCamera(handle, "ostraEnableHardwareTrigger",
                        [&](EmulatedCamera& c) { return c.enableHardwareTrigger(enable); });
    }

    int ostraGetHardwareInterface(OSTRA_HANDLE handle, unsigned int* interfaceType)
    {
        return onCamera(handle, "ostraGetHardwareInterface",
                        [&](EmulatedCamera& c) { return c.hardwareInterface(interfaceType); });
    }

    int ostraGetHardwareRevision(OSTRA_HANDLE handle, unsigned int* revision)
    {
        return onCamera(handle, "ostraGetHardwareRevision",
                        [&](EmulatedCamera& c) { return c.hardwareRevision(revision); });
    }

    int ostraQuerySampling(OSTRA_HANDLE handle, OSTRA_SAMPLING* sampling)
    {
        return onCamera(handle, "ostraQuerySampling",
                        [&](EmulatedCamera& c) { return c.querySampling(sampling); });
    }

    int ostraQueryAfeTiming(OSTRA_HANDLE handle, OSTRA_AFE_TIMING* timing)
    {
        return onCamera(handle, "ostraQueryAfeTiming",
                        [&](EmulatedCamera& c) { return c.queryAfeTiming(timing); });
    }

    int ostraQueryStreamStats(OSTRA_HANDLE handle, unsigned int kind, void* buffer, unsigned int size)
    {
        return onCamera(handle, "ostraQueryStreamStats",
                        [&](EmulatedCamera& c) { return c.queryStreamStats(kind, buffer, size); });
    }

    int ostraGetEthernetConfig(unsigned int cameraIndex, OSTRA_MAC_ADDRESS* cameraMac,
                               OSTRA_IPV4_CONFIG* camera, OSTRA_MAC_ADDRESS* hostMac, OSTRA_IPV4_CONFIG* host)
    {
        if (cameraMac == nullptr || camera == nullptr || hostMac == nullptr || host == nullptr)
        {
            return busFailure(OSTRA_ERROR_INVALID_ARGUMENT);
        }
        const auto found = Emulator::instance().gigeCamera(cameraIndex);
        if (!found)
        {
            return busFailure(OSTRA_ERROR_NO_CAMERA);
        }
        OSTRA_ETHERNET ethernet{};
        found->getEthernet(ethernet);
        *cameraMac = ethernet.cameraMac;
        *camera = ethernet.camera;
        *hostMac = ethernet.hostMac;
        *host = ethernet.host;
        return 1;
    }

    int ostraSetEthernetConfig(unsigned int cameraIndex, const OSTRA_IPV4_CONFIG* camera)
    {
        if (camera == nullptr)
        {
            return busFailure(OSTRA_ERROR_INVALID_ARGUMENT);
        }
        const auto found = Emulator::instance().gigeCamera(cameraIndex);
        if (!found)
        {
            return busFailure(OSTRA_ERROR_NO_CAMERA);
        }
        found->setEthernet(*camera);
        return 1;
    }

    int ostraAddVideoCallback(OSTRA_HANDLE handle, OSTRA_STREAM_CALLBACK callback, void* context)
    {
        int id = -1;
        return onCamera(handle, "ostraAddVideoCallback",
                        [&](EmulatedCamera& c) { return c.addCallback(false, callback, context, id); }) != 0
                   ? id
                   : -1;
    }

    int ostraAddStillCallback(OSTRA_HANDLE handle, OSTRA_STREAM_CALLBACK callback, void* context)
    {
        int id = -1;
        return onCamera(handle, "ostraAddStillCallback",
                        [&](EmulatedCamera& c) { return c.addCallback(true, callback, context, id); }) != 0
                   ? id
                   : -1;
    }

    int ostraRemoveVideoCallback(OSTRA_HANDLE handle, int callbackId)
    {
        return onCamera(handle, "ostraRemoveVideoCallback",
                        [&](EmulatedCamera& c) { return c.removeCallback(false, callbackId); });
    }

    int ostraRemoveStillCallback(OSTRA_HANDLE handle, int callbackId)
    {
        return onCamera(handle, "ostraRemoveStillCallback",
                        [&](EmulatedCamera& c) { return c.removeCallback(true, callbackId); });
    }

    int ostraStreamVideoControl(OSTRA_HANDLE handle, int start, int /*reserved*/)
    {
        return onCamera(handle, "ostraStreamVideoControl",
                        [&](EmulatedCamera& c) { return c.videoControl(start); });
    }

    int ostraStartStill(OSTRA_HANDLE handle, const OSTRA_STILL_SETTINGS* settings)
    {
        return onCamera(handle, "ostraStartStill", [&](EmulatedCamera& c) { return c.startStill(settings); });
    }

    int ostraStopStill(OSTRA_HANDLE handle)
    {
        return onCamera(handle, "ostraStopStill", [](EmulatedCamera& c) { return c.stopStill(); });
    }

    int ostraCancelVideo(OSTRA_HANDLE handle)
    {
        return onCamera(handle, "ostraCancelVideo", [](EmulatedCamera& c) { return c.cancel(false); });
    }

    int ostraCancelStill(OSTRA_HANDLE handle)
    {
        return onCamera(handle, "ostraCancelStill", [](EmulatedCamera& c) { return c.cancel(true); });
    }

    int ostraTakeVideo(OSTRA_HANDLE handle, unsigned int frames, void* buffer)
    {
        return takeFrame(handle, "ostraTakeVideo", false, frames, buffer);
    }

    int ostraTakeStill(OSTRA_HANDLE handle, void* buffer)
    {
        return takeFrame(handle, "ostraTakeStill", true, 1, buffer);
    }

    int ostraAfterVideo(OSTRA_HANDLE handle, void* buffer)
    {
        return onCamera(handle, "ostraAfterVideo", [&](EmulatedCamera& c) { return c.afterFrame(buffer); });
    }

    int ostraAfterStill(OSTRA_HANDLE handle, void* buffer)
    {
        return onCamera(handle, "ostraAfterStill", [&](EmulatedCamera& c) { return c.afterFrame(buffer); });
    }

#define OSTRA_CONVERSION_PAIR(Kind)                                                                          \
    int ostraConvertFrame##Kind(OSTRA_HANDLE handle, void*, const void*, unsigned int, unsigned int,         \
                                unsigned int, const OSTRA_CONVERSION_PARAMS*)                                \
    {                                                                                                        \
        return notEmulated(handle, "ostraConvertFrame" #Kind);                                               \
    }                                                                                                        \
    int ostraConvertFrame##Kind##Ex(OSTRA_HANDLE handle, void*, const void*, const OSTRA_IMAGE_FORMAT*,      \
                                    const OSTRA_CONVERSION_PARAMS*)                                          \
    {                                                                                                        \
        return notEmulated(handle, "ostraConvertFrame" #Kind "Ex");                                          \
    }

    OSTRA_CONVERSION_PAIR(A)
    OSTRA_CONVERSION_PAIR(B)
    OSTRA_CONVERSION_PAIR(C)
    OSTRA_CONVERSION_PAIR(D)
    OSTRA_CONVERSION_PAIR(E)

#undef OSTRA_CONVERSION_PAIR

} // extern "C"

namespace OstraEmulator
{

void loadRig(const std::string& path)
{
    Emulator::instance().load(path);
}

void unloadRig()
{
    Emulator::instance().unload();
}

std::string flashFolder()
{
    return Emulator::instance().flashFolder();
}

void setRebootDelay(std::chrono::milliseconds delay)
{
    Emulator::instance().setRebootDelay(delay);
}

bool setCameraPresent(std::uint32_t serialNumber, bool present)
{
    const auto camera = Emulator::instance().camera(serialNumber);
    if (!camera)
    {
        return false;
    }
    camera->setPresent(present);
    return true;
}

std::vector<RigCamera> rigCameras()
{
    std::vector<RigCamera> cameras;
    for (const auto& camera : Emulator::instance().cameras())
    {
        cameras.push_back({camera->serialNumber(), camera->usb3VisionProduct(), camera->flashFile()});
    }
    return cameras;
}

bool isOnUsb3VisionBus(std::uint32_t serialNumber)
{
    const auto camera = Emulator::instance().camera(serialNumber);
    return camera && camera->isOnUsb3VisionBus();
}

bool rebootFromUsb3Vision(std::uint32_t serialNumber, bool bootLoader)
{
    const auto camera = Emulator::instance().camera(serialNumber);
    return camera && camera->rebootFromUsb3Vision(bootLoader);
}

bool addFault(std::uint32_t serialNumber, const Fault& fault)
{
    const auto camera = Emulator::instance().camera(serialNumber);
    if (!camera || fault.call == 0 ||
        (fault.kind == FAULT_KIND::FAIL_CALL && !OstraEmulation::RigFile::isKnownOperation(fault.operation)))
    {
        return false;
    }
    camera->addFault(fault);
    return true;
}

void clearFaults()
{
    for (const auto& camera : Emulator::instance().cameras())
    {
        camera->clearFaults();
    }
}

} // namespace OstraEmulator
