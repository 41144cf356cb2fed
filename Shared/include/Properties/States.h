#pragma once

#include "Properties/PropertyValueEnumeration.h"
#include "VxAppsExport.h"

namespace CameraInterface
{

// The two texts of an on/off setting: "Disabled" (false) and "Enabled" (true).
class VXAPPS_EXPORT States : public PropertyValueEnumeration<bool>
{
public:
    States();
    ~States() override;
};

} // namespace CameraInterface
