#include "Properties/ParameterTypes.h"

namespace CameraInterface
{

ParameterTypes::ParameterTypes()
    : PropertyValueEnumeration<PARAMETER_TYPE>({{"Integer", PARAMETER_TYPE::INTEGER},
                                                {"String", PARAMETER_TYPE::STRING},
                                                {"Boolean", PARAMETER_TYPE::BOOLEAN},
                                                {"Float", PARAMETER_TYPE::FLOAT}})
{
}

ParameterTypes::~ParameterTypes() = default;

} // namespace CameraInterface
