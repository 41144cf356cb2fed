#pragma once

#include "UsbTransport.h"

#include <cstdint>
#include <list>

namespace VxU3V
{

// One open camera of the process-wide open list.
struct OpenCamera
{
    void* handle = nullptr;
    // A copy of the record's serial number the camera was opened with (the
    // caller's record may not outlive the handle).
    std::int32_t serialNumber = 0;
    std::int32_t lastError = 0;
    // The XML file size last reported to the caller, who sized the buffer
    // of VxU3VGetXmlFile by it; 0 before the first report.
    std::uint64_t reportedXmlSize = 0;
    bool xmlSizeReported = false;
};

// The library's process-wide state: open cameras (newest first), the request
// identifier shared by all cameras and the library's last error. Not
// thread-safe, like the library.
class LibraryState
{
public:
    static LibraryState& instance();

    // The open camera of `handle`, or null.
    OpenCamera* find(void* handle);
    void add(const OpenCamera& camera);
    void remove(void* handle);
    bool contains(void* handle, std::int32_t serialNumber) const;

    // The identifier for the next command; it advances, wrapping 0xFFFF to 0.
    std::uint16_t takeRequestId();

    std::int32_t lastError() const;
    // Sets the library's last error, and the camera's when it is open.
    void setError(void* handle, std::int32_t code);

    void reset();

private:
    std::list<OpenCamera> m_Cameras;
    std::uint16_t m_RequestId = 0;
    std::int32_t m_LastError = 0;
};

} // namespace VxU3V
