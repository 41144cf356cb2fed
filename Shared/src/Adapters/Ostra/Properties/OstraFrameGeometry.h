#pragma once

#include "Properties/MemoryProperty.h"

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// "Width", "Height", "X Offset" and "Y Offset": Integer values kept by the
// library, read from the camera's frame format at construction
// ("PropertyReadFailure" when it cannot be read). The range comes from the
// camera's sensor size and unit sizes; a write is clamped into it and stored,
// and the stream hands it to the camera when it applies its format.
class OstraFrameGeometry : public MemoryProperty<unsigned long>
{
public:
    enum class FIELD
    {
        WIDTH,
        HEIGHT,
        X_OFFSET,
        Y_OFFSET
    };

    OstraFrameGeometry(const std::string& name, OstraCamera* camera, FIELD field);

    void setValue(const std::string& value) override;
};

} // namespace CameraInterface::OstraAdapter
