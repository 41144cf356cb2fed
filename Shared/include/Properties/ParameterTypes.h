#pragma once

#include "Properties/PropertyValueEnumeration.h"
#include "VxAppsExport.h"

namespace CameraInterface
{

// Type of a function parameter or result entry. The numbering differs from PROPERTY_TYPE.
enum class PARAMETER_TYPE
{
    INTEGER = 0,
    STRING = 1,
    BOOLEAN = 2,
    FLOAT = 3
};

// Names of the parameter types: "Integer", "String", "Boolean", "Float".
class VXAPPS_EXPORT ParameterTypes : public PropertyValueEnumeration<PARAMETER_TYPE>
{
public:
    ParameterTypes();
    ~ParameterTypes() override;
};

} // namespace CameraInterface
