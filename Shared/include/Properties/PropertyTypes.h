#pragma once

#include "Properties/PropertyValueEnumeration.h"
#include "VxAppsExport.h"

namespace CameraInterface
{

// Type of a property's value. The numbering differs from PARAMETER_TYPE.
enum class PROPERTY_TYPE
{
    INTEGER = 0,
    FLOAT = 1,
    STRING = 2,
    BOOLEAN = 3
};

// Names of the property types: "Integer", "Float", "String", "Boolean".
class VXAPPS_EXPORT PropertyTypes : public PropertyValueEnumeration<PROPERTY_TYPE>
{
public:
    PropertyTypes();
    ~PropertyTypes() override;
};

} // namespace CameraInterface
