#pragma once

#include "VxAppsExport.h"

namespace CameraInterface
{

class StreamStatistics;

// A camera's image stream. Adapters that stream derive from it; a camera owns
// at most one.
class VXAPPS_EXPORT Stream
{
public:
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    virtual ~Stream();

    virtual bool isStreaming() = 0;
    virtual void startStream() = 0;
    virtual void stopStream() = 0;
    virtual StreamStatistics& getStreamStatistics() = 0;

protected:
    Stream();
};

} // namespace CameraInterface
