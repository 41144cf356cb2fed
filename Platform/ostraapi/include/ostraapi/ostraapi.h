#pragma once

/*
 * ostraapi: the camera driver library of Veltrax vendor-driver cameras.
 *
 * On Linux this library stands in for the maker's closed driver: it offers the
 * driver's operation table as plain C functions and backs it with emulated
 * driver-mode cameras described in a rig file (see OstraEmulator.h and the
 * README's "Emulated vendor-driver cameras"). Without a rig (VX_OSTRA_RIG
 * unset) it reports no camera at all.
 *
 * The maker's library is imported by ordinal; each operation below names its
 * ordinal. On Linux the functions are reached by name, the ordinals only keep
 * the table recognisable.
 *
 * Results: unless said otherwise an operation returns nonzero on success and
 * 0 on failure; the caller then asks ostraGetLastErrorForCamera(handle) for
 * the reason (the OSTRA_ERROR_* codes). Operations without a handle (by index
 * or on the whole bus) leave their error under the null handle.
 *
 * Threads: every operation may be called from any thread. Calls on one camera
 * are serialised inside the library (one lock per camera, one for the list).
 * The last error is kept per open handle and set by failures only (a success
 * leaves it), so a thread that reads it right after its own failing call gets
 * its own code unless another call on the same handle failed in between.
 *
 * Handles: ostraCameraOpen gives an opaque handle that stays valid until
 * ostraCameraClose; using a handle after its close is the caller's error
 * (the library refuses handles it does not know with
 * OSTRA_ERROR_INVALID_HANDLE rather than touching memory).
 */

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(OSTRAAPI_BUILDING_LIBRARY)
#define OSTRAAPI_EXPORT __declspec(dllexport)
#else
#define OSTRAAPI_EXPORT __declspec(dllimport)
#endif
#else
#define OSTRAAPI_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define OSTRA_STATIC_ASSERT(condition, message) static_assert(condition, message)
extern "C"
{
#else
#define OSTRA_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

    /* ---- Error codes (ostraGetLastErrorForCamera) ------------------------------ */

    enum OSTRA_ERROR
    {
        OSTRA_ERROR_NONE = 0,
        /* The handle is null, closed or unknown to the library. */
        OSTRA_ERROR_INVALID_HANDLE = 1,
        /* An argument is null, zero where a size is needed, or out of its range. */
        OSTRA_ERROR_INVALID_ARGUMENT = 2,
        /* No camera at this index on the selected interface. */
        OSTRA_ERROR_NO_CAMERA = 3,
        /* The camera left the bus (unplugged or rebooting); its handle is dead. */
        OSTRA_ERROR_CAMERA_GONE = 4,
        /* A transfer to or from the camera failed. */
        OSTRA_ERROR_TRANSFER = 5,
        /* A flash address range lies outside the camera's flash. */
        OSTRA_ERROR_FLASH_RANGE = 6,
        /* The flash is write-protected by its status register (block protect bits). */
        OSTRA_ERROR_FLASH_PROTECTED = 7,
        /* The camera's flash could not be stored by the host (emulator storage). */
        OSTRA_ERROR_FLASH_STORAGE = 8,
        /* A still capture is already armed; starting it again changes nothing. */
        OSTRA_ERROR_ALREADY_STARTED = 9,
        /* The operation is part of the driver but the emulator does not offer it. */
        OSTRA_ERROR_NOT_SUPPORTED_BY_EMULATOR = 10,
        /* The register target does not exist on this camera. */
        OSTRA_ERROR_INVALID_TARGET = 11,
        /* The JTAG port is not enabled (target 0x19 command 0x0501 not sent). */
        OSTRA_ERROR_JTAG_DISABLED = 12,
        /* The interface type is not one the driver knows. */
        OSTRA_ERROR_INVALID_INTERFACE = 13,
        /* A capture timed out; the next capture may succeed. */
        OSTRA_ERROR_TIMEOUT = 14,
        /* A RAM address range lies outside the camera's RAM. */
        OSTRA_ERROR_RAM_RANGE = 15,
        /* A pending capture was cancelled (ostraCancelVideo/Still). */
        OSTRA_ERROR_CANCELLED = 16,
        /* The stream is not started (video) or not armed (still). */
        OSTRA_ERROR_NOT_STREAMING = 17,
        /* The property id is not a driver property. */
        OSTRA_ERROR_INVALID_PROPERTY = 20,
        /* The camera does not have this property. */
        OSTRA_ERROR_PROPERTY_NOT_SUPPORTED = 21,
        /* The property cannot be written (read-only or not now). */
        OSTRA_ERROR_PROPERTY_NOT_AVAILABLE = 22,
        /* The value lies outside the property's range. */
        OSTRA_ERROR_PROPERTY_OUT_OF_RANGE = 23,
        /* The camera's firmware does not offer the feature. */
        OSTRA_ERROR_FEATURE_NOT_SUPPORTED = 83
    };

    /* ---- Interface types (ostraSelectInterface, ostraGetHardwareInterface) ---- */

    enum OSTRA_INTERFACE
    {
        OSTRA_INTERFACE_USB1 = 1,
        OSTRA_INTERFACE_USB2 = 2,
        OSTRA_INTERFACE_USB3 = 3,
        OSTRA_INTERFACE_GIGE = 4
    };

    /* ---- Register targets (ostraTargetRead/Write and their Ex forms) ----------- */

    enum OSTRA_TARGET
    {
        /* FPGA2 version: address 0 the high byte, address 1 the low byte. */
        OSTRA_TARGET_FPGA2_VERSION = 0x06,
        /* JTAG control: command words in the address, no data (see below). */
        OSTRA_TARGET_JTAG_CONTROL = 0x19,
        /* JTAG shift: bit count and flags in the address, TDI bytes as data. */
        OSTRA_TARGET_JTAG_SHIFT = 0x1A,
        /* Reboot control: address = OSTRA_REBOOT_*, one data byte 0. */
        OSTRA_TARGET_REBOOT = 0x1B,
        /* Flash status register: one byte per address. */
        OSTRA_TARGET_FLASH_STATUS = 0x1C
    };

    /* JTAG control command words (target 0x19, byte count 0). */
    enum OSTRA_JTAG_COMMAND
    {
        OSTRA_JTAG_TCK_LOW = 0x0000,
        OSTRA_JTAG_TCK_HIGH = 0x0001,
        /* Run (0x0101) and enable (0x0501) before a play, disable (0x0500) after. */
        OSTRA_JTAG_RUN = 0x0101,
        /* 0x0300 + (n - 1): n TCK pulses with TMS unchanged, n from 1 to 256. */
        OSTRA_JTAG_PULSES = 0x0300,
        /* Set TMS to 0 (0x0400) or 1 (0x0401) and give one TCK pulse. */
        OSTRA_JTAG_TMS_LOW_PULSE = 0x0400,
        OSTRA_JTAG_TMS_HIGH_PULSE = 0x0401,
        OSTRA_JTAG_DISABLE = 0x0500,
        OSTRA_JTAG_ENABLE = 0x0501
    };

/* JTAG shift command word (target 0x1A): bit count 1..2048 in bits 0-11. */
#define OSTRA_JTAG_SHIFT_BITS_MASK 0x0FFFu
#define OSTRA_JTAG_SHIFT_MAX_BITS 2048u
/* Leave the Shift state (TMS 1) on the last bit of this chunk. */
#define OSTRA_JTAG_SHIFT_EXIT 0x8000u
/* No TDO wanted: the chunk is not kept for a following read. */
#define OSTRA_JTAG_SHIFT_NO_TDO 0x4000u

    /* Reboot modes (target 0x1B address). */
    enum OSTRA_REBOOT
    {
        OSTRA_REBOOT_BOOTLOADER = 0,
        OSTRA_REBOOT_FIRMWARE = 1
    };

/* Vendor request of ostraVendorWrite that writes the camera's RAM. */
#define OSTRA_VENDOR_REQUEST_RAM 0xA0u

/* Property flags (ostraGetProperty/ostraPropertyRange). */
#define OSTRA_PROPERTY_FLAG_AUTO 0x00000001u
#define OSTRA_PROPERTY_FLAG_READ_ONLY 0x00010000u

    /* ---- Records ---------------------------------------------------------------- */

    /* Version record of one camera (24 bytes). Versions are 0xMMmm (major in
     * bits 8-15, minor in bits 0-7); API and driver versions hold four bytes,
     * most significant first. */
    typedef struct OSTRA_VERSION
    {
        uint32_t firmwareVersion;
        uint32_t fpgaVersion;
        uint32_t apiVersion;
        uint32_t driverVersion;
        uint32_t serialNumber;
        uint32_t cameraModelId;
    } OSTRA_VERSION;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_VERSION) == 24, "OSTRA_VERSION is 24 bytes");

    /* A MAC address: six bytes, transmission order, in an eight-byte slot. */
    typedef struct OSTRA_MAC_ADDRESS
    {
        uint8_t bytes[6];
        uint8_t reserved[2];
    } OSTRA_MAC_ADDRESS;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_MAC_ADDRESS) == 8, "OSTRA_MAC_ADDRESS is 8 bytes");

    /* IPv4 addressing; each value holds the first dotted number in its most
     * significant byte (192.168.1.20 is 0xC0A80114). */
    typedef struct OSTRA_IPV4_CONFIG
    {
        uint32_t address;
        uint32_t mask;
        uint32_t gateway;
    } OSTRA_IPV4_CONFIG;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_IPV4_CONFIG) == 12, "OSTRA_IPV4_CONFIG is 12 bytes");

    /* A GigE camera's and its host's addressing, as ostraGetEthernetConfig
     * fills it piece by piece. */
    typedef struct OSTRA_ETHERNET
    {
        OSTRA_MAC_ADDRESS cameraMac;
        OSTRA_IPV4_CONFIG camera;
        OSTRA_MAC_ADDRESS hostMac;
        OSTRA_IPV4_CONFIG host;
    } OSTRA_ETHERNET;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_ETHERNET) == 40, "OSTRA_ETHERNET is 40 bytes");

    /* Pixel formats of the frame format and the conversions. */
    enum OSTRA_PIXEL_FORMAT
    {
        OSTRA_PIXEL_8 = 0,
        OSTRA_PIXEL_16 = 1,
        OSTRA_PIXEL_24 = 2,
        OSTRA_PIXEL_32 = 6,
        OSTRA_PIXEL_48 = 7
    };

/* Sampling flags of the frame format: binning adds the pixels, subsampling
 * skips them. */
#define OSTRA_SAMPLING_SUBSAMPLING 0x0u
#define OSTRA_SAMPLING_BINNING 0x1u

    /* Frame format of the format calls (36 bytes). */
    typedef struct OSTRA_FRAME_FORMAT
    {
        uint32_t xOffset;
        uint32_t yOffset;
        uint32_t width;
        uint32_t height;
        uint32_t pixelFormat; /* OSTRA_PIXEL_* */
        uint32_t horizontalSamplingFactor;
        uint32_t horizontalSamplingFlags; /* OSTRA_SAMPLING_* */
        uint32_t verticalSamplingFactor;
        uint32_t verticalSamplingFlags;
    } OSTRA_FRAME_FORMAT;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_FRAME_FORMAT) == 36, "OSTRA_FRAME_FORMAT is 36 bytes");

    /* One sampling factor pair. */
    typedef struct OSTRA_SAMPLING_FACTOR
    {
        uint32_t horizontal;
        uint32_t vertical;
    } OSTRA_SAMPLING_FACTOR;

#define OSTRA_MAX_SAMPLING_FACTORS 8

    /* The binning and subsampling factor pairs a camera offers (136 bytes). */
    typedef struct OSTRA_SAMPLING
    {
        uint32_t binningCount;
        OSTRA_SAMPLING_FACTOR binning[OSTRA_MAX_SAMPLING_FACTORS];
        uint32_t subsamplingCount;
        OSTRA_SAMPLING_FACTOR subsampling[OSTRA_MAX_SAMPLING_FACTORS];
    } OSTRA_SAMPLING;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_SAMPLING) == 136, "OSTRA_SAMPLING is 136 bytes");

    /* The sensor's analog front end timing (16 bytes). */
    typedef struct OSTRA_AFE_TIMING
    {
        uint32_t pixelClockHz;
        uint32_t lineLength;
        uint32_t frameLength;
        uint32_t tapCount;
    } OSTRA_AFE_TIMING;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_AFE_TIMING) == 16, "OSTRA_AFE_TIMING is 16 bytes");

/* Still capture settings of ostraStartStill (16 bytes). */
#define OSTRA_STILL_STROBE 0x1u
#define OSTRA_STILL_STROBE_FROM_START_EXPOSURE 0x2u
#define OSTRA_STILL_BUFFER_LAST_FRAME 0x4u
    typedef struct OSTRA_STILL_SETTINGS
    {
        uint32_t flags;        /* OSTRA_STILL_* */
        float timeoutSeconds;  /* capture time-out */
        uint32_t burstCount;   /* frames per trigger, at least 1 */
        float burstIntervalMs; /* between burst frames */
    } OSTRA_STILL_SETTINGS;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_STILL_SETTINGS) == 16, "OSTRA_STILL_SETTINGS is 16 bytes");

    /* Image format of the Ex conversions (20 bytes). */
    typedef struct OSTRA_IMAGE_FORMAT
    {
        uint32_t width;
        uint32_t height;
        uint32_t pixelFormat; /* OSTRA_PIXEL_* of the source */
        uint32_t colorFormat; /* colour filter: 0 mono, 8 RGGB, 9 GRBG, 10 GBRG, 11 BGGR, ... */
        uint32_t stride;      /* source bytes per line, 0 for packed lines */
    } OSTRA_IMAGE_FORMAT;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_IMAGE_FORMAT) == 20, "OSTRA_IMAGE_FORMAT is 20 bytes");

    /* Conversion parameters (32 bytes). */
    typedef struct OSTRA_CONVERSION_PARAMS
    {
        uint32_t demosaicMethod;   /* 0 none, 1 fast, 2 high quality, 3 higher quality, 8 simple */
        uint32_t correctionMatrix; /* 0 none ... 15 custom */
        uint32_t flipping;         /* 0 none, 1 X, 2 Y, 3 XY */
        uint32_t colorFormat;      /* colour filter of the source, as OSTRA_IMAGE_FORMAT */
        float redGain;
        float greenGain;
        float blueGain;
        float digitalGain;
    } OSTRA_CONVERSION_PARAMS;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_CONVERSION_PARAMS) == 32, "OSTRA_CONVERSION_PARAMS is 32 bytes");

    /* GigE transfer statistics (96 bytes, 24 counters in this order). */
    typedef struct _OSTRA_STREAM_STATS /* NOLINT(bugprone-reserved-identifier): the driver's name */
    {
        uint32_t frameCompleted;
        uint32_t frameDropped;
        uint32_t actualFrameDrop;
        uint32_t expectedResend; /* the USB section reads 3-6 as short, xact, babble, other errors */
        uint32_t lostPacket;
        uint32_t dataOverRun;
        uint32_t partialLineMissing;
        uint32_t fullLineMissing;
        uint32_t otherErrors;
        uint32_t expectedSingleResend;
        uint32_t unexpectedResend;
        uint32_t resendGroupRequested;
        uint32_t resendPacketRequested;
        uint32_t ignoredPacket;
        uint32_t redundantPacket;
        uint32_t packetOutOfOrder;
        uint32_t blocksDropped;
        uint32_t blockIdMissing;
        uint32_t imageError;
        uint32_t missingPackets;
        uint32_t stateError;
        uint32_t tooManyResends;
        uint32_t tooManyConsecutiveResends;
        uint32_t resendFailure;
    } OSTRA_STREAM_STATS;
    OSTRA_STATIC_ASSERT(sizeof(OSTRA_STREAM_STATS) == 96, "_OSTRA_STREAM_STATS is 96 bytes");

    /* Bytes per pixel of a pixel format, 0 for an unknown one. */
    static inline uint32_t ostraPixelBytes(uint32_t pixelFormat)
    {
        switch (pixelFormat)
        {
        case OSTRA_PIXEL_8:
            return 1;
        case OSTRA_PIXEL_16:
            return 2;
        case OSTRA_PIXEL_24:
            return 3;
        case OSTRA_PIXEL_32:
            return 4;
        case OSTRA_PIXEL_48:
            return 6;
        default:
            return 0;
        }
    }

    /* Bytes of one frame of a frame format (see the streaming operations); 0 for
     * a format without pixels. */
    static inline uint32_t ostraFrameBytes(const OSTRA_FRAME_FORMAT* format)
    {
        if (format->horizontalSamplingFactor == 0 || format->verticalSamplingFactor == 0)
        {
            return 0;
        }
        return (format->width / format->horizontalSamplingFactor) *
               (format->height / format->verticalSamplingFactor) * ostraPixelBytes(format->pixelFormat);
    }

    /* Frame information handed to stream callbacks. */
    typedef struct OSTRA_FRAME_INFO
    {
        uint32_t frameNumber;
        uint32_t byteCount;
        OSTRA_FRAME_FORMAT format;
    } OSTRA_FRAME_INFO;

    /* A stream callback: context as registered, the frame just captured and its
     * bytes (valid during the call only). Runs on the thread taking the frame,
     * outside the driver's locks. */
    typedef void (*OSTRA_STREAM_CALLBACK)(void* context, const OSTRA_FRAME_INFO* frame, const void* bytes);

    /* The opaque camera handle. */
    typedef void* OSTRA_HANDLE;

    /* ---- Enumeration and connection ------------------------------------------- */

    /* Ord. 206. Cameras on the selected interface; a negative count means none. */
    OSTRAAPI_EXPORT int ostraNumCameras(void);
    /* Ord. 181. Fills up to count records in index order; returns how many. */
    OSTRAAPI_EXPORT int ostraEnumCameras(OSTRA_VERSION* records, unsigned int count);
    /* Ord. 254. Selects the interface type (OSTRA_INTERFACE_*) that enumeration,
     * open and the Ethernet calls see; nonzero if the type is usable. The
     * selection is process-wide; it starts at OSTRA_INTERFACE_USB2. */
    OSTRAAPI_EXPORT int ostraSelectInterface(unsigned int interfaceType);
    /* Ord. 150. Opens the camera at the 1-based index of the selected interface;
     * null if there is none (index 0 included). */
    OSTRAAPI_EXPORT OSTRA_HANDLE ostraCameraOpen(unsigned int index);
    /* Ord. 149. Closes the handle; nonzero on success. */
    OSTRAAPI_EXPORT int ostraCameraClose(OSTRA_HANDLE handle);
    /* Ord. 204. Connection setting, made once after each open with 1. */
    OSTRAAPI_EXPORT int ostraConnectSetting(OSTRA_HANDLE handle, unsigned int setting);
    /* Ord. 236. The camera's version record. */
    OSTRAAPI_EXPORT int ostraQueryVersion(OSTRA_HANDLE handle, OSTRA_VERSION* version);
    /* Ord. 193. The last error (OSTRA_ERROR_*) of the camera; null for the calls
     * made by index or on the bus. */
    OSTRAAPI_EXPORT unsigned int ostraGetLastErrorForCamera(OSTRA_HANDLE handle);

    /* ---- Properties ------------------------------------------------------------ */

    /* Ord. 194 / 256. A driver property's value and flags. */
    OSTRAAPI_EXPORT int ostraGetProperty(OSTRA_HANDLE handle, unsigned int propertyId, float* value,
                                         unsigned int* flags);
    OSTRAAPI_EXPORT int ostraSetProperty(OSTRA_HANDLE handle, unsigned int propertyId, float value,
                                         unsigned int flags);
    /* Ord. 229. A driver property's range, default and flags. */
    OSTRAAPI_EXPORT int ostraPropertyRange(OSTRA_HANDLE handle, unsigned int propertyId, float* minimum,
                                           float* maximum, float* defaultValue, unsigned int* flags);

    /* ---- Format ------------------------------------------------------------------ */

    /* Ord. 189 / 255. The frame format and frame rate. */
    OSTRAAPI_EXPORT int ostraGetFormat(OSTRA_HANDLE handle, OSTRA_FRAME_FORMAT* format, float* frameRate);
    OSTRAAPI_EXPORT int ostraSetFormat(OSTRA_HANDLE handle, const OSTRA_FRAME_FORMAT* format,
                                       float frameRate);
    /* Ord. 180. The frame rates: with a null array the count; otherwise fills up
     * to count rates and returns the number of rates. 0 on failure. */
    OSTRAAPI_EXPORT int ostraEnumFrameRates(OSTRA_HANDLE handle, float* rates, unsigned int count);

    /* ---- Flash and RAM ---------------------------------------------------------- */

    /* Ord. 184. Reads length bytes of flash at address into buffer. */
    OSTRAAPI_EXPORT int ostraReadFlash(OSTRA_HANDLE handle, void* buffer, unsigned int address,
                                       unsigned int length);
    /* Ord. 183. Writes into erased flash: like NOR flash a write can only clear
     * bits (new byte = old byte AND data). A length of 0 succeeds. */
    OSTRAAPI_EXPORT int ostraWriteFlash(OSTRA_HANDLE handle, const void* data, unsigned int address,
                                        unsigned int length);
    /* Ord. 182. Erases (sets to 0xFF) exactly the bytes of the range. */
    OSTRAAPI_EXPORT int ostraEraseFlash(OSTRA_HANDLE handle, unsigned int address, unsigned int length);
    /* Ord. 285. Erases the range and writes the data (the range's new content is
     * exactly the data). */
    OSTRAAPI_EXPORT int ostraProgramFlash(OSTRA_HANDLE handle, const void* data, unsigned int address,
                                          unsigned int length);
    /* Ord. 245. Vendor request: request OSTRA_VENDOR_REQUEST_RAM writes length
     * bytes of data into RAM at (value << 16) | (index & 0xFFFF); a length of 0
     * with null data sends the request without data (starts the RAM program at
     * that address). */
    OSTRAAPI_EXPORT int ostraVendorWrite(OSTRA_HANDLE handle, unsigned int request, unsigned int value,
                                         unsigned int index, unsigned int length, const void* data);

    /* ---- Register targets -------------------------------------------------------- */

    /* Ord. 265 / 267. Register access: target (OSTRA_TARGET_*), address or
     * command word, byte count, buffer. */
    OSTRAAPI_EXPORT int ostraTargetRead(OSTRA_HANDLE handle, unsigned int target, unsigned int address,
                                        unsigned int count, void* buffer);
    OSTRAAPI_EXPORT int ostraTargetWrite(OSTRA_HANDLE handle, unsigned int target, unsigned int address,
                                         unsigned int count, const void* buffer);
    /* Ord. 266 / 268. The same access; used for targets 0x1B and 0x1C. */
    OSTRAAPI_EXPORT int ostraTargetReadEx(OSTRA_HANDLE handle, unsigned int target, unsigned int address,
                                          unsigned int count, void* buffer);
    OSTRAAPI_EXPORT int ostraTargetWriteEx(OSTRA_HANDLE handle, unsigned int target, unsigned int address,
                                           unsigned int count, const void* buffer);

    /* ---- Camera settings and queries ------------------------------------------- */

    /* Ord. 386 / 385. Power mode: 0 USB, 1 Y-cable. */
    OSTRAAPI_EXPORT int ostraGetPowerMode(OSTRA_HANDLE handle, unsigned int* value);
    OSTRAAPI_EXPORT int ostraSetPowerMode(OSTRA_HANDLE handle, unsigned int value);
    /* Ord. 259. Hardware trigger on (nonzero) or off. */
    OSTRAAPI_EXPORT int ostraEnableHardwareTrigger(OSTRA_HANDLE handle, int enable);
    /* Ord. 232. The camera's hardware interface (OSTRA_INTERFACE_*). */
    OSTRAAPI_EXPORT int ostraGetHardwareInterface(OSTRA_HANDLE handle, unsigned int* interfaceType);
    /* Ord. 190. The camera's hardware revision. */
    OSTRAAPI_EXPORT int ostraGetHardwareRevision(OSTRA_HANDLE handle, unsigned int* revision);
    /* Ord. 197. The binning and subsampling factors; 0 when the camera has none. */
    OSTRAAPI_EXPORT int ostraQuerySampling(OSTRA_HANDLE handle, OSTRA_SAMPLING* sampling);
    /* Ord. 186. The AFE timing; 0 when the camera has no AFE. */
    OSTRAAPI_EXPORT int ostraQueryAfeTiming(OSTRA_HANDLE handle, OSTRA_AFE_TIMING* timing);

    /* ---- Streaming --------------------------------------------------------------
     * Frames: ostraTakeVideo/ostraTakeStill fill the caller's buffer with one
     * frame of the current format and return when it is there. A frame holds
     * (width / horizontal factor) x (height / vertical factor) pixels, line by
     * line, of 1, 2, 3, 4 or 6 bytes (OSTRA_PIXEL_8, 16, 24, 32, 48); see
     * ostraFrameBytes(). Video frames come at the current frame rate; a still
     * comes one frame period after the take, or with the hardware trigger on,
     * only when triggered (the emulator has no trigger input: it times out).
     * A take waits without blocking the camera's other calls; ostraCancelVideo
     * / ostraCancelStill end a waiting take with OSTRA_ERROR_CANCELLED.
     * The registered callbacks of the stream are called with each frame on the
     * thread that took it, before the take returns.
     * Emulated frame content: every byte of pixel (x, y) of frame n (counted
     * from 0 per stream start) is (x + y + n) mod 256. */

    /* Ord. 136 / 135. Registers a callback; its id (0 or more), -1 on failure. */
    OSTRAAPI_EXPORT int ostraAddVideoCallback(OSTRA_HANDLE handle, OSTRA_STREAM_CALLBACK callback,
                                              void* context);
    OSTRAAPI_EXPORT int ostraAddStillCallback(OSTRA_HANDLE handle, OSTRA_STREAM_CALLBACK callback,
                                              void* context);
    /* Ord. 243 / 242. Removes a callback by id; an unknown id fails. */
    OSTRAAPI_EXPORT int ostraRemoveVideoCallback(OSTRA_HANDLE handle, int callbackId);
    OSTRAAPI_EXPORT int ostraRemoveStillCallback(OSTRA_HANDLE handle, int callbackId);
    /* Ord. 271. Starts (1) or stops (0) the video stream; reserved is 0.
     * Starting a started stream fails with OSTRA_ERROR_ALREADY_STARTED;
     * stopping a stopped one succeeds. */
    OSTRAAPI_EXPORT int ostraStreamVideoControl(OSTRA_HANDLE handle, int start, int reserved);
    /* Ord. 178 / 173. Arms / disarms still capture; arming an armed camera
     * fails with OSTRA_ERROR_ALREADY_STARTED (9). */
    OSTRAAPI_EXPORT int ostraStartStill(OSTRA_HANDLE handle, const OSTRA_STILL_SETTINGS* settings);
    OSTRAAPI_EXPORT int ostraStopStill(OSTRA_HANDLE handle);
    /* Ord. 153 / 152. Cancels a pending capture; made first when a stream stops. */
    OSTRAAPI_EXPORT int ostraCancelVideo(OSTRA_HANDLE handle);
    OSTRAAPI_EXPORT int ostraCancelStill(OSTRA_HANDLE handle);
    /* Ord. 277 / 273. Takes the next frame into buffer (ostraFrameBytes() of
     * the current format); frames is 1. Not started: OSTRA_ERROR_NOT_STREAMING;
     * a still that is not triggered within its time-out: OSTRA_ERROR_TIMEOUT. */
    OSTRAAPI_EXPORT int ostraTakeVideo(OSTRA_HANDLE handle, unsigned int frames, void* buffer);
    OSTRAAPI_EXPORT int ostraTakeStill(OSTRA_HANDLE handle, void* buffer);
    /* Ord. 199 / 195. Releases the frame taken into buffer. */
    OSTRAAPI_EXPORT int ostraAfterVideo(OSTRA_HANDLE handle, void* buffer);
    OSTRAAPI_EXPORT int ostraAfterStill(OSTRA_HANDLE handle, void* buffer);
    /* Ord. 235. Transfer statistics: kind 1, buffer of size 96 (OSTRA_STREAM_STATS). */
    OSTRAAPI_EXPORT int ostraQueryStreamStats(OSTRA_HANDLE handle, unsigned int kind, void* buffer,
                                              unsigned int size);

    /* ---- Ethernet (by 1-based camera index of the GigE interface) --------------- */

    /* Ord. 126. The camera's and the host's addressing. */
    OSTRAAPI_EXPORT int ostraGetEthernetConfig(unsigned int cameraIndex, OSTRA_MAC_ADDRESS* cameraMac,
                                               OSTRA_IPV4_CONFIG* camera, OSTRA_MAC_ADDRESS* hostMac,
                                               OSTRA_IPV4_CONFIG* host);
    /* Ord. 127. Sets the camera's IPv4 addressing. */
    OSTRAAPI_EXPORT int ostraSetEthernetConfig(unsigned int cameraIndex, const OSTRA_IPV4_CONFIG* camera);

    /* ---- Frame conversions (ord. 158-167) -----------------------------------------
     * One pair per output kind: A 8-bit mono, B 24-bit BGR, C 32-bit BGRA,
     * D 16-bit mono, E 48-bit BGR. The plain form takes the geometry and the
     * pixel format, the Ex form an OSTRA_IMAGE_FORMAT. */

    OSTRAAPI_EXPORT int ostraConvertFrameA(OSTRA_HANDLE handle, void* destination, const void* source,
                                           unsigned int width, unsigned int height, unsigned int pixelFormat,
                                           const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameAEx(OSTRA_HANDLE handle, void* destination, const void* source,
                                             const OSTRA_IMAGE_FORMAT* format,
                                             const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameB(OSTRA_HANDLE handle, void* destination, const void* source,
                                           unsigned int width, unsigned int height, unsigned int pixelFormat,
                                           const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameBEx(OSTRA_HANDLE handle, void* destination, const void* source,
                                             const OSTRA_IMAGE_FORMAT* format,
                                             const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameC(OSTRA_HANDLE handle, void* destination, const void* source,
                                           unsigned int width, unsigned int height, unsigned int pixelFormat,
                                           const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameCEx(OSTRA_HANDLE handle, void* destination, const void* source,
                                             const OSTRA_IMAGE_FORMAT* format,
                                             const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameD(OSTRA_HANDLE handle, void* destination, const void* source,
                                           unsigned int width, unsigned int height, unsigned int pixelFormat,
                                           const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameDEx(OSTRA_HANDLE handle, void* destination, const void* source,
                                             const OSTRA_IMAGE_FORMAT* format,
                                             const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameE(OSTRA_HANDLE handle, void* destination, const void* source,
                                           unsigned int width, unsigned int height, unsigned int pixelFormat,
                                           const OSTRA_CONVERSION_PARAMS* params);
    OSTRAAPI_EXPORT int ostraConvertFrameEEx(OSTRA_HANDLE handle, void* destination, const void* source,
                                             const OSTRA_IMAGE_FORMAT* format,
                                             const OSTRA_CONVERSION_PARAMS* params);

#ifdef __cplusplus
}
#endif
