#pragma once

/*
 * VxU3VLibrary: Veltrax cameras in USB3 Vision mode, reached over USB through
 * libusb-1.0, as 21 plain C functions.
 *
 * Results: every function returns a 32-bit integer; unless said otherwise 1
 * means success and 0 failure. Argument errors (a null or unknown handle, a
 * null buffer, a zero or too large length) set the library's last error to
 * VXU3V_ERROR_INVALID_PARAMETER, and the camera's as well when the handle is
 * open. Failed transfers and acknowledges with a non-zero status return the
 * failure result without changing an error code.
 *
 * Handles: VxU3VOpenCamera gives the handle; it stays valid until
 * VxU3VCloseCamera. A handle the library does not know is refused, never
 * dereferenced.
 *
 * Threads: none of the functions may run concurrently with another. The list
 * of open cameras, the request identifier and the last error are process-wide.
 */

#include <stdint.h>

#if defined(_WIN32)
#if defined(VXU3V_BUILDING_LIBRARY)
#define VXU3V_EXPORT __declspec(dllexport)
#else
#define VXU3V_EXPORT __declspec(dllimport)
#endif
#else
#define VXU3V_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C"
{
#endif

/* The maker's USB vendor identifier; a device qualifies when its vendor
 * identifier is this one and bit 0x1000 of its product identifier is set.
 * PLACEHOLDER: 0xF7E1 is not assigned to Veltrax; replace it with the maker's
 * identifier assigned by the USB-IF before cameras ship. The build reads it
 * from this line for the udev rule, so it is defined nowhere else. */
#define VXU3V_MAKER_VENDOR_ID 0xF7E1
/* The product identifier bit of cameras in USB3 Vision mode. */
#define VXU3V_PRODUCT_ID_U3V_BIT 0x1000

/* The last error of an invalid argument or handle. */
#define VXU3V_ERROR_INVALID_PARAMETER 87

/* Sizes of the camera record's text fields. */
#define VXU3V_PRODUCT_NAME_SIZE 100

    /* One camera as enumerated and opened: 104 bytes. */
    typedef struct VxU3VCameraRecord
    {
        /* The device's product string, ASCII, NUL-terminated. */
        char productName[VXU3V_PRODUCT_NAME_SIZE];
        /* The device's serial-number string as a decimal number. */
        int32_t serialNumber;
    } VxU3VCameraRecord;

    /* An open camera; null is never a valid handle. */
    typedef void* VxU3VHandle;

    /* Number of attached Veltrax cameras in USB3 Vision mode. */
    VXU3V_EXPORT int32_t VxU3VNumCameras(void);
    /* Fills at most `capacity` records in bus order; returns the number
     * filled. A camera that cannot be opened or named ends the walk. */
    VXU3V_EXPORT int32_t VxU3VEnumCameras(VxU3VCameraRecord* records, int32_t capacity);
    /* Opens the camera with the record's serial number; null if none. */
    VXU3V_EXPORT VxU3VHandle VxU3VOpenCamera(const VxU3VCameraRecord* record);
    /* 1, or 0 (no error set) when the handle is not open. */
    VXU3V_EXPORT int32_t VxU3VCloseCamera(VxU3VHandle handle);
    VXU3V_EXPORT int32_t VxU3VGetLastError(void);
    VXU3V_EXPORT int32_t VxU3VGetLastErrorForCamera(VxU3VHandle handle);

    /* One control command; its acknowledge is read by VxU3VReadCommandAck. */
    VXU3V_EXPORT int32_t VxU3VReadMemoryCommand(VxU3VHandle handle, uint32_t addressLow, uint32_t addressHigh,
                                                uint16_t length);
    /* `length` 1 to 64. */
    VXU3V_EXPORT int32_t VxU3VWriteMemoryCommand(VxU3VHandle handle, uint32_t addressLow,
                                                 uint32_t addressHigh, const uint8_t* data, uint16_t length);
    VXU3V_EXPORT int32_t VxU3VReadCommandAck(VxU3VHandle handle, uint8_t* buffer, uint32_t bufferSize);

    /* Serial-bus transfers of 1 to 64 bytes; `reserved` is ignored. SglRead
     * returns the number of bytes read. */
    VXU3V_EXPORT int32_t VxU3VSglRead(VxU3VHandle handle, uint32_t reserved, uint8_t target, uint32_t address,
                                      uint32_t length, uint8_t* buffer);
    VXU3V_EXPORT int32_t VxU3VSglWrite(VxU3VHandle handle, uint32_t reserved, uint8_t target,
                                       uint32_t address, uint32_t length, const uint8_t* data);

    /* Flash through the serial bus in 64-byte chunks. FlashRead returns the
     * bytes read, stopping at the first failure. */
    VXU3V_EXPORT int32_t VxU3VFlashProgram(VxU3VHandle handle, const uint8_t* data, uint32_t address,
                                           uint32_t length);
    VXU3V_EXPORT int32_t VxU3VFlashRead(VxU3VHandle handle, uint8_t* buffer, uint32_t address,
                                        uint32_t length);

    /* 0 on success, 1 on failure (the inverse of the other functions). */
    VXU3V_EXPORT int32_t VxU3VWriteBootSequence(VxU3VHandle handle, uint8_t bootSelection);
    VXU3V_EXPORT int32_t VxU3VResetCamera(VxU3VHandle handle);
    VXU3V_EXPORT int32_t VxU3VStartStreaming(VxU3VHandle handle);
    VXU3V_EXPORT int32_t VxU3VStopStreaming(VxU3VHandle handle);
    /* One bulk transfer of up to `size` bytes from the stream endpoint. */
    VXU3V_EXPORT int32_t VxU3VGrabData(VxU3VHandle handle, uint8_t* buffer, uint32_t size);

    /* The GenICam XML file. `buffer` must hold the size that
     * VxU3VGetXmlFileSize reports rounded up to a multiple of 512. */
    VXU3V_EXPORT int32_t VxU3VGetXmlFile(VxU3VHandle handle, uint8_t* buffer);
    VXU3V_EXPORT int32_t VxU3VGetXmlFileSize(VxU3VHandle handle, uint64_t* size);

    /* Brings the lens value into its bounds and homes the lens; a nonzero
     * `force` homes even when no end stop is reported. */
    VXU3V_EXPORT int32_t VxU3VInitAutoLens(VxU3VHandle handle, int32_t force);

#ifdef __cplusplus
}
#endif
