#include "Properties/PropertyTypes.h"

namespace CameraInterface
{

PropertyTypes::PropertyTypes()
    : PropertyValueEnumeration<PROPERTY_TYPE>({{"Integer", PROPERTY_TYPE::INTEGER},
                                               {"Float", PROPERTY_TYPE::FLOAT},
                                               {"String", PROPERTY_TYPE::STRING},
                                               {"Boolean", PROPERTY_TYPE::BOOLEAN}})
{
}

PropertyTypes::~PropertyTypes() = default;

} // namespace CameraInterface
