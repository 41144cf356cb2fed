#pragma once

#include "Properties/Property.h"

#include <cstdint>
#include <string>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// A vendor-driver camera property over one driver property id. The value and
// range live in the camera and are read through the driver at each access;
// numeric texts are floats with six decimals (12.500000).
//
// Construction probes the value: a read failing with driver error 20, 21, 22
// or 83 throws "PropertyUnsupported"; any other failure (a capture time-out,
// 14) keeps the property. setValue() clamps the text to the range and writes
// it only when it differs from the current value, so writing the value shown
// makes no driver write. Read-only (range flag 0x10000) or unavailable
// properties ignore writes. The camera is borrowed (it owns its properties);
// calls run on the caller's thread while the camera is connected.
class OstraStandardProperty : public Property
{
public:
    OstraStandardProperty(const std::string& name, PROPERTY_TYPE type, OstraCamera* camera, std::uint32_t id);

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

    // The text limited to the range: above the maximum the maximum's text,
    // below the minimum the minimum's, otherwise unchanged.
    virtual std::string clamp(const std::string& value) const;

protected:
    struct Reading
    {
        float value = 0.0F;
        unsigned int flags = 0;
    };
    struct Range
    {
        float minimum = 0.0F;
        float maximum = 0.0F;
        float defaultValue = 0.0F;
        unsigned int flags = 0;
    };

    // "PropertyReadFailure" / "PropertyRangeReadFailure" on a driver failure.
    Reading readValue() const;
    Range readRange() const;
    // Clamps, parses and writes a number text (steps shared by the kinds).
    void writeNumber(const std::string& text);
    static std::string numberText(float value);
    void* handle() const;
    std::uint32_t id() const;

private:
    OstraCamera* m_Camera;
    std::uint32_t m_Id;
};

} // namespace CameraInterface::OstraAdapter
