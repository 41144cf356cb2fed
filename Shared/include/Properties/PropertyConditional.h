#pragma once

#include "Properties/Property.h"
#include "VxAppsExport.h"

namespace CameraInterface
{

// A property that stands for one of two others of the same camera: the first
// while the condition property reads the condition text, the second otherwise.
// The choice is made anew on every call. All three properties are borrowed and
// must outlive this one.
class VXAPPS_EXPORT PropertyConditional : public Property
{
public:
    // Throws VxAppsException_PropertyComparison "PropertyTypeMismatch" when
    // either candidate is not of the given type, unless sameType is false (a
    // conditional over a rate and a clock speed, such as "Speed").
    PropertyConditional(const std::string& name, PROPERTY_TYPE type, Property& condition,
                        const std::string& conditionValue, Property& whenEqual, Property& otherwise,
                        bool sameType = true);

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

private:
    Property& selected() const;

    Property* m_Condition;
    std::string m_ConditionValue;
    Property* m_WhenEqual;
    Property* m_Otherwise;
};

} // namespace CameraInterface
