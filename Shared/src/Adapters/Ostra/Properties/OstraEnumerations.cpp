#include "OstraEnumerations.h"

namespace CameraInterface::OstraAdapter::OstraEnumerations
{

PropertyValueEnumeration<int> colorFormats()
{
    return PropertyValueEnumeration<int>({{"MONO", 0},
                                          {"RGGB", 8},
                                          {"GRBG", 9},
                                          {"GBRG", 10},
                                          {"BGGR", 11},
                                          {"CYYM", 16},
                                          {"YCMY", 17},
                                          {"YMCY", 18},
                                          {"MYYC", 19}});
}

PropertyValueEnumeration<int> tapConfigurations()
{
    return PropertyValueEnumeration<int>({{"Single", 0}, {"Dual", 1}, {"Quad", 4}});
}

PropertyValueEnumeration<int> triggerModes()
{
    return PropertyValueEnumeration<int>({{"Normal", 0}, {"Bulb", 1}});
}

PropertyValueEnumeration<int> flippingOptions()
{
    return PropertyValueEnumeration<int>({{"None", 0}, {"X", 1}, {"Y", 2}, {"XY", 3}});
}

PropertyValueEnumeration<int> powerModes()
{
    return PropertyValueEnumeration<int>({{"USB", 0}, {"Y-Cable", 1}});
}

PropertyValueEnumeration<int> hardwareInterfaces()
{
    return PropertyValueEnumeration<int>(
        {{"USB 1.0", 1}, {"USB 2.0", 2}, {"USB 3.0", 3}, {"GigE Vision", 4}});
}

PropertyValueEnumeration<int> endianness()
{
    return PropertyValueEnumeration<int>({{"Big Endian", 0}, {"Little Endian", 1}});
}

PropertyValueEnumeration<int> shutterTypes()
{
    return PropertyValueEnumeration<int>({{"Global", 0}, {"Rolling", 1}});
}

PropertyValueEnumeration<int> correctionMatrices()
{
    return PropertyValueEnumeration<int>({{"None", 0},
                                          {"Fluorescent", 1},
                                          {"Daylight", 2},
                                          {"Incandescent", 3},
                                          {"Xenon flash", 4},
                                          {"Halogen", 5},
                                          {"LED", 6},
                                          {"Identity", 14},
                                          {"Custom", 15}});
}

PropertyValueEnumeration<int> demosaicMethods()
{
    return PropertyValueEnumeration<int>(
        {{"None", 0}, {"Fast", 1}, {"High Quality", 2}, {"Higher Quality", 3}, {"Simple", 8}});
}

PropertyValueEnumeration<int> pixelFormats()
{
    return PropertyValueEnumeration<int>({{"8", 0}, {"16", 1}, {"24", 2}, {"32", 6}, {"48", 7}});
}

PropertyValueEnumeration<int> streamingModes()
{
    return PropertyValueEnumeration<int>({{"Still", 0}, {"Video", 1}});
}

PropertyValueEnumeration<int> switchStates()
{
    return PropertyValueEnumeration<int>({{"Disabled", 0}, {"Enabled", 1}});
}

} // namespace CameraInterface::OstraAdapter::OstraEnumerations
