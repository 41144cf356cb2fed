#pragma once

#include "Properties/Property.h"

#include "ostraapi/ostraapi.h"

#include <string>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// Base of the properties over the camera's frame format and frame rate
// ("Pixel Format", "Framerate"): the driver is asked at each access. Read
// failures throw "PropertyReadFailure", write failures "PropertyWriteFailure".
// The camera is borrowed; calls run on the caller's thread.
class OstraFormatProperty : public Property
{
public:
    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;

protected:
    OstraFormatProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera);

    struct Format
    {
        OSTRA_FRAME_FORMAT format{};
        float frameRate = 0.0F;
    };
    Format readFormat() const;
    void writeFormat(const Format& format);
    void* handle() const;

private:
    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
