#pragma once

#include "Properties/MemoryProperty.h"

#include <string>

namespace CameraInterface::OstraAdapter
{

// A vendor-driver camera setting kept by the library and shown by name
// ("Streaming Mode", "Shutter", "Endianness", "Auto Exposure", the tap
// corrections, "Sampling Description", and, through apply(), "Hardware
// Trigger" and "Power Mode"). Only listed names are accepted: any other text
// throws "ArgumentUnhandled", naming the argument `argumentName` ("value";
// "Streaming Mode" says "mode", the stream's word); a read-only choice throws
// "PropertyReadOnly" on every write. Writing the current name does nothing.
class OstraChoiceProperty : public MemoryProperty<int>
{
public:
    OstraChoiceProperty(const std::string& name, PROPERTY_TYPE type,
                        const PropertyValueEnumeration<int>& names, int value, bool readOnly = false,
                        std::string argumentName = "value");

    void setValue(const std::string& value) override;

protected:
    // Hands a new value to the camera before it is stored; throws to refuse it.
    virtual void apply(int value);

private:
    std::string m_ArgumentName;
};

} // namespace CameraInterface::OstraAdapter
