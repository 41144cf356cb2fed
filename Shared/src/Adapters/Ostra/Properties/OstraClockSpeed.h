#pragma once

#include "OstraEnumProperty.h"

namespace CameraInterface::OstraAdapter
{

// "Video Clock Speed" and "Still Clock Speed": names "Clock N" for every
// integer N of the driver range, learnt at construction (a range that cannot
// be read makes the property unsupported).
class OstraClockSpeed : public OstraEnumProperty
{
public:
    OstraClockSpeed(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera, std::uint32_t id);
};

} // namespace CameraInterface::OstraAdapter
