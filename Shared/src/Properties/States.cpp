#include "Properties/States.h"

namespace CameraInterface
{

States::States() : PropertyValueEnumeration<bool>({{"Enabled", true}, {"Disabled", false}}) {}

States::~States() = default;

} // namespace CameraInterface
