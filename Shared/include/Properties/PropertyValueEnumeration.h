#pragma once

#include "Exceptions/VxAppsException.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace CameraInterface
{

// Two-way table between display names and values. Names are ordered byte-wise;
// when several names share a value, the first name in that order represents it.
template <typename T> class PropertyValueEnumeration
{
public:
    PropertyValueEnumeration() = default;
    explicit PropertyValueEnumeration(std::map<std::string, T> entries) : m_Entries(std::move(entries)) {}
    PropertyValueEnumeration(const PropertyValueEnumeration&) = default;
    PropertyValueEnumeration(PropertyValueEnumeration&&) noexcept = default;
    PropertyValueEnumeration& operator=(const PropertyValueEnumeration&) = default;
    PropertyValueEnumeration& operator=(PropertyValueEnumeration&&) noexcept = default;
    virtual ~PropertyValueEnumeration() = default;

    // An existing name keeps its old value.
    void insert(const std::string& name, const T& value) { m_Entries.emplace(name, value); }

    std::string toString(const T& value) const
    {
        for (const auto& [name, entryValue] : m_Entries)
        {
            if (entryValue == value)
            {
                return name;
            }
        }
        throw VxAppsExceptions::VxAppsException::create(
            "PropertyValueConversion", "Shared/include/Properties/PropertyValueEnumeration.h", __LINE__,
            "Failed to convert value to string. Provided value not found.");
    }

    T toValue(const std::string& name) const
    {
        const auto entry = m_Entries.find(name);
        if (entry == m_Entries.end())
        {
            throw VxAppsExceptions::VxAppsException::create(
                "PropertyValueConversion", "Shared/include/Properties/PropertyValueEnumeration.h", __LINE__,
                "Failed to convert string to value. Provided string not found.");
        }
        return entry->second;
    }

    std::vector<std::string> getList() const
    {
        std::vector<std::string> names;
        names.reserve(m_Entries.size());
        for (const auto& entry : m_Entries)
        {
            names.push_back(entry.first);
        }
        return names;
    }

private:
    std::map<std::string, T> m_Entries;
};

} // namespace CameraInterface
