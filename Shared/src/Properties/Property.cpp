#include "Properties/Property.h"

#include <utility>

namespace CameraInterface
{

Property::Property(const std::string& name, PROPERTY_TYPE type) : m_Name(name), m_Type(type) {}

Property::Property(const Property& other) = default;
Property& Property::operator=(const Property& other) = default;
Property::~Property() = default;

void Property::resetToDefault()
{
    setValue(getDefault());
}

void Property::update(bool updateLinked)
{
    onChange(updateLinked);
}

std::string Property::getName() const
{
    return m_Name;
}

PROPERTY_TYPE Property::getType() const
{
    return m_Type;
}

Property::operator std::string() const
{
    return getValue();
}

Property& Property::operator=(const std::string& value)
{
    setValue(value);
    return *this;
}

void Property::addLinkedProperty(Property& other)
{
    m_LinkedProperties.emplace(other.getName(), &other);
}

void Property::removeLinkedProperty(Property& other)
{
    m_LinkedProperties.erase(other.getName());
}

void Property::registerOnChangeCallback(ChangeCallback callback)
{
    m_OnChangeCallback = std::move(callback);
}

void Property::unregisterOnChangeCallback()
{
    m_OnChangeCallback = nullptr;
}

void Property::onChange(bool updateLinked)
{
    if (updateLinked)
    {
        // A linked property's refresh may change the links; walk a snapshot.
        const auto linked = m_LinkedProperties;
        for (const auto& entry : linked)
        {
            entry.second->update(false);
        }
    }
    executeOnChangeCallback();
}

void Property::executeOnChangeCallback()
{
    if (m_OnChangeCallback)
    {
        m_OnChangeCallback(*this);
    }
}

} // namespace CameraInterface
