// The driver's C operation table. No cameras are attached yet: enumeration
// reports none and every operation on a handle refuses it.
#include "ostraapi/ostraapi.h"
#include "ostraapi/OstraEmulator.h"

#include <atomic>

namespace
{
std::atomic<unsigned int> g_BusError{OSTRA_ERROR_NONE};

int refuse(unsigned int error)
{
    g_BusError = error;
    return 0;
}
} // namespace

extern "C"
{

    int ostraNumCameras(void)
    {
        return 0;
    }
    int ostraEnumCameras(OSTRA_VERSION* /*records*/, unsigned int /*count*/)
    {
        return 0;
    }
    int ostraSelectInterface(unsigned int interfaceType)
    {
        return interfaceType >= OSTRA_INTERFACE_USB1 && interfaceType <= OSTRA_INTERFACE_GIGE
                   ? 1
                   : refuse(OSTRA_ERROR_INVALID_INTERFACE);
    }
    OSTRA_HANDLE ostraCameraOpen(unsigned int /*index*/)
    {
        refuse(OSTRA_ERROR_NO_CAMERA);
        return nullptr;
    }
    int ostraCameraClose(OSTRA_HANDLE /*handle*/)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConnectSetting(OSTRA_HANDLE /*handle*/, unsigned int /*setting*/)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraQueryVersion(OSTRA_HANDLE /*handle*/, OSTRA_VERSION* /*version*/)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    unsigned int ostraGetLastErrorForCamera(OSTRA_HANDLE handle)
    {
        return handle == nullptr ? g_BusError.load() : static_cast<unsigned int>(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetProperty(OSTRA_HANDLE, unsigned int, float*, unsigned int*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraSetProperty(OSTRA_HANDLE, unsigned int, float, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraPropertyRange(OSTRA_HANDLE, unsigned int, float*, float*, float*, unsigned int*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetFormat(OSTRA_HANDLE, OSTRA_FRAME_FORMAT*, float*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraSetFormat(OSTRA_HANDLE, const OSTRA_FRAME_FORMAT*, float)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraEnumFrameRates(OSTRA_HANDLE, float*, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraReadFlash(OSTRA_HANDLE, void*, unsigned int, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraWriteFlash(OSTRA_HANDLE, const void*, unsigned int, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraEraseFlash(OSTRA_HANDLE, unsigned int, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraProgramFlash(OSTRA_HANDLE, const void*, unsigned int, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraVendorWrite(OSTRA_HANDLE, unsigned int, unsigned int, unsigned int, unsigned int, const void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTargetRead(OSTRA_HANDLE, unsigned int, unsigned int, unsigned int, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTargetWrite(OSTRA_HANDLE, unsigned int, unsigned int, unsigned int, const void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTargetReadEx(OSTRA_HANDLE, unsigned int, unsigned int, unsigned int, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTargetWriteEx(OSTRA_HANDLE, unsigned int, unsigned int, unsigned int, const void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetPowerMode(OSTRA_HANDLE, unsigned int*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraSetPowerMode(OSTRA_HANDLE, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraEnableHardwareTrigger(OSTRA_HANDLE, int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetHardwareInterface(OSTRA_HANDLE, unsigned int*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetHardwareRevision(OSTRA_HANDLE, unsigned int*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraQuerySampling(OSTRA_HANDLE, OSTRA_SAMPLING*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraQueryAfeTiming(OSTRA_HANDLE, OSTRA_AFE_TIMING*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraAddVideoCallback(OSTRA_HANDLE, OSTRA_STREAM_CALLBACK, void*)
    {
        refuse(OSTRA_ERROR_INVALID_HANDLE);
        return -1;
    }
    int ostraAddStillCallback(OSTRA_HANDLE, OSTRA_STREAM_CALLBACK, void*)
    {
        refuse(OSTRA_ERROR_INVALID_HANDLE);
        return -1;
    }
    int ostraRemoveVideoCallback(OSTRA_HANDLE, int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraRemoveStillCallback(OSTRA_HANDLE, int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraStreamVideoControl(OSTRA_HANDLE, int, int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraStartStill(OSTRA_HANDLE, const OSTRA_STILL_SETTINGS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraStopStill(OSTRA_HANDLE)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraCancelVideo(OSTRA_HANDLE)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraCancelStill(OSTRA_HANDLE)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTakeVideo(OSTRA_HANDLE, unsigned int, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraTakeStill(OSTRA_HANDLE, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraAfterVideo(OSTRA_HANDLE, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraAfterStill(OSTRA_HANDLE, void*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraQueryStreamStats(OSTRA_HANDLE, unsigned int, void*, unsigned int)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraGetEthernetConfig(unsigned int, OSTRA_MAC_ADDRESS*, OSTRA_IPV4_CONFIG*, OSTRA_MAC_ADDRESS*,
                               OSTRA_IPV4_CONFIG*)
    {
        return refuse(OSTRA_ERROR_NO_CAMERA);
    }
    int ostraSetEthernetConfig(unsigned int, const OSTRA_IPV4_CONFIG*)
    {
        return refuse(OSTRA_ERROR_NO_CAMERA);
    }
    int ostraConvertFrameA(OSTRA_HANDLE, void*, const void*, unsigned int, unsigned int, unsigned int,
                           const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameAEx(OSTRA_HANDLE, void*, const void*, const OSTRA_IMAGE_FORMAT*,
                             const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameB(OSTRA_HANDLE, void*, const void*, unsigned int, unsigned int, unsigned int,
                           const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameBEx(OSTRA_HANDLE, void*, const void*, const OSTRA_IMAGE_FORMAT*,
                             const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameC(OSTRA_HANDLE, void*, const void*, unsigned int, unsigned int, unsigned int,
                           const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameCEx(OSTRA_HANDLE, void*, const void*, const OSTRA_IMAGE_FORMAT*,
                             const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameD(OSTRA_HANDLE, void*, const void*, unsigned int, unsigned int, unsigned int,
                           const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameDEx(OSTRA_HANDLE, void*, const void*, const OSTRA_IMAGE_FORMAT*,
                             const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameE(OSTRA_HANDLE, void*, const void*, unsigned int, unsigned int, unsigned int,
                           const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }
    int ostraConvertFrameEEx(OSTRA_HANDLE, void*, const void*, const OSTRA_IMAGE_FORMAT*,
                             const OSTRA_CONVERSION_PARAMS*)
    {
        return refuse(OSTRA_ERROR_INVALID_HANDLE);
    }

} // extern "C"

#include <stdexcept>

namespace OstraEmulator
{
void loadRig(const std::string& path)
{
    throw std::runtime_error("Rig file " + path + ": rig files are not read by this build.");
}
void unloadRig() {}
std::string flashFolder()
{
    return {};
}
void setRebootDelay(std::chrono::milliseconds /*delay*/) {}
bool setCameraPresent(std::uint32_t /*serialNumber*/, bool /*present*/)
{
    return false;
}
bool addFault(std::uint32_t /*serialNumber*/, const Fault& /*fault*/)
{
    return false;
}
void clearFaults() {}
} // namespace OstraEmulator
