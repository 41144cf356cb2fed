#pragma once

#include "Properties/PropertyValueEnumeration.h"

// The name tables of vendor-driver camera properties: display name to driver value.
namespace CameraInterface::OstraAdapter::OstraEnumerations
{

PropertyValueEnumeration<int> colorFormats();
PropertyValueEnumeration<int> tapConfigurations();
PropertyValueEnumeration<int> triggerModes();
PropertyValueEnumeration<int> flippingOptions();
PropertyValueEnumeration<int> powerModes();
PropertyValueEnumeration<int> hardwareInterfaces();
PropertyValueEnumeration<int> endianness();
PropertyValueEnumeration<int> shutterTypes();
PropertyValueEnumeration<int> correctionMatrices();
PropertyValueEnumeration<int> demosaicMethods();
PropertyValueEnumeration<int> pixelFormats();
PropertyValueEnumeration<int> streamingModes();
// "Disabled" 0, "Enabled" 1: the on/off kinds (fan, auto exposure, tap corrections).
PropertyValueEnumeration<int> switchStates();

} // namespace CameraInterface::OstraAdapter::OstraEnumerations
