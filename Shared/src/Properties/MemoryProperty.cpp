#include "Properties/MemoryProperty.h"

#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Property.h"

#include <iomanip>
#include <sstream>
#include <type_traits>

namespace CameraInterface
{

template <typename T>
MemoryProperty<T>::MemoryProperty(const std::string& name, PROPERTY_TYPE type, const T& value,
                                  const T& minimum, const T& maximum, const T& defaultValue, bool readOnly,
                                  bool availableForWriting, bool discrete,
                                  const PropertyValueEnumeration<T>& valueNames)
    : Property(name, type), m_Minimum(minimum), m_Maximum(maximum), m_Value(value), m_Default(defaultValue),
      m_ReadOnly(readOnly), m_AvailableForWriting(availableForWriting), m_Discrete(discrete),
      m_ValueNames(valueNames)
{
}

template <typename T> std::string MemoryProperty<T>::toText(const T& value) const
{
    if (m_Discrete)
    {
        return m_ValueNames.toString(value);
    }
    std::ostringstream stream;
    stream << std::fixed << std::setprecision(2) << value;
    return stream.str();
}

template <typename T> T MemoryProperty<T>::fromText(const std::string& text) const
{
    T value = m_Value;
    std::istringstream stream(text);
    if constexpr (std::is_same_v<T, std::string>)
    {
        // A string property keeps the first blank-separated word.
        stream >> value;
        return value;
    }
    else
    {
        // The stream would wrap a negative text into a huge unsigned value.
        const bool negativeUnsigned = std::is_unsigned_v<T> &&
                                      text.find_first_not_of(" \t\r\n") != std::string::npos &&
                                      text[text.find_first_not_of(" \t\r\n")] == '-';
        stream >> value;
        const bool parsed = !stream.fail() && !negativeUnsigned && (stream >> std::ws).eof();
        if (!parsed)
        {
            throw VxAppsExceptions::VxAppsException_Property(
                "PropertyWriteFailure", VX_THROW_SITE, "Property value could not be written.", getName());
        }
        return value;
    }
}

template <typename T> std::string MemoryProperty<T>::getMinimum() const
{
    return toText(m_Minimum);
}
template <typename T> std::string MemoryProperty<T>::getMaximum() const
{
    return toText(m_Maximum);
}
template <typename T> std::string MemoryProperty<T>::getValue() const
{
    return toText(m_Value);
}
template <typename T> std::string MemoryProperty<T>::getDefault() const
{
    return toText(m_Default);
}
template <typename T> bool MemoryProperty<T>::isReadOnly() const
{
    return m_ReadOnly;
}
template <typename T> bool MemoryProperty<T>::isAvailableForWriting() const
{
    return m_AvailableForWriting;
}
template <typename T> bool MemoryProperty<T>::isDiscrete() const
{
    return m_Discrete;
}

template <typename T> std::vector<std::string> MemoryProperty<T>::getValueList() const
{
    if (m_ValueList.empty())
    {
        m_ValueList = m_ValueNames.getList();
    }
    return m_ValueList;
}

template <typename T> void MemoryProperty<T>::setValue(const std::string& value)
{
    bool unchanged = false;
    try
    {
        unchanged = (value == getValue());
    }
    catch (const VxAppsExceptions::VxAppsException&)
    {
        // The current value has no name in the table; any valid write replaces it.
    }
    if (unchanged || m_ReadOnly || !m_AvailableForWriting)
    {
        return;
    }
    m_Value = m_Discrete ? m_ValueNames.toValue(value) : fromText(value);
    onChange(true);
}

template class MemoryProperty<int>;
template class MemoryProperty<unsigned long>;
template class MemoryProperty<double>;
template class MemoryProperty<std::string>;
template class MemoryProperty<bool>;

} // namespace CameraInterface
