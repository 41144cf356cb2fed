#pragma once

#include "Properties/Property.h"
#include "Properties/PropertyValueEnumeration.h"
#include "VxAppsExport.h"

#include <string>
#include <vector>

namespace CameraInterface
{

// A property that keeps its value in memory. Instantiated for int,
// unsigned long, double, std::string and bool.
//
// Non-discrete values are written as text in fixed notation with two decimals
// for floating point. Text that does not read completely as a number of the
// property's type is refused with "PropertyWriteFailure" and the value is kept.
template <typename T> class VXAPPS_EXPORT MemoryProperty : public Property
{
public:
    MemoryProperty(const std::string& name, PROPERTY_TYPE type, const T& value = T{}, const T& minimum = T{},
                   const T& maximum = T{}, const T& defaultValue = T{}, bool readOnly = false,
                   bool availableForWriting = true, bool discrete = false,
                   const PropertyValueEnumeration<T>& valueNames = PropertyValueEnumeration<T>{});

    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;
    void setValue(const std::string& value) override;

protected:
    std::string toText(const T& value) const;
    T fromText(const std::string& text) const;

    T m_Minimum;
    T m_Maximum;
    T m_Value;
    T m_Default;
    bool m_ReadOnly;
    bool m_AvailableForWriting;
    bool m_Discrete;
    mutable std::vector<std::string> m_ValueList;
    PropertyValueEnumeration<T> m_ValueNames;
};

extern template class MemoryProperty<int>;
extern template class MemoryProperty<unsigned long>;
extern template class MemoryProperty<double>;
extern template class MemoryProperty<std::string>;
extern template class MemoryProperty<bool>;

} // namespace CameraInterface
