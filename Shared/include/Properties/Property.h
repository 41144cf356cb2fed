#pragma once

#include "Properties/PropertyTypes.h"
#include "VxAppsExport.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace CameraInterface
{

// A named, typed camera setting or read-out, read and written as text.
// Linked properties (non-owning; they belong to the same camera) refresh when
// this one changes, and one change callback hears about every change.
class VXAPPS_EXPORT Property
{
public:
    using ChangeCallback = std::function<void(Property&)>;

    virtual ~Property();

    virtual void resetToDefault();
    // Adapters re-read the value from the camera here; the base only propagates.
    virtual void update(bool updateLinked);
    virtual std::string getMinimum() const = 0;
    virtual std::string getMaximum() const = 0;
    virtual std::string getValue() const = 0;
    virtual std::string getDefault() const = 0;
    virtual bool isReadOnly() const = 0;
    virtual bool isAvailableForWriting() const = 0;
    virtual bool isDiscrete() const = 0;
    virtual std::vector<std::string> getValueList() const = 0;
    virtual void setValue(const std::string& value) = 0;

    std::string getName() const;
    PROPERTY_TYPE getType() const;

    operator std::string() const;
    Property& operator=(const std::string& value);

    void addLinkedProperty(Property& other);
    void removeLinkedProperty(Property& other);

    void registerOnChangeCallback(ChangeCallback callback);
    void unregisterOnChangeCallback();

protected:
    Property(const std::string& name, PROPERTY_TYPE type);
    Property(const Property& other);
    Property& operator=(const Property& other);

    void onChange(bool updateLinked);
    void executeOnChangeCallback();

private:
    std::string m_Name;
    PROPERTY_TYPE m_Type;
    std::map<std::string, Property*> m_LinkedProperties;
    ChangeCallback m_OnChangeCallback;
};

} // namespace CameraInterface
