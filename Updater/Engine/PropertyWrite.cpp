#include "Engine/PropertyWrite.h"

#include "Engine/CameraLock.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"
#include "Exceptions/VxAppsException.h"
#include "Properties/Property.h"

#include <QStringList>

#include <exception>
#include <stdexcept>

namespace
{

// Values listed in a refusal; a longer list is cut.
constexpr int MAXIMUM_VALUES_LISTED = 32;

PropertyWrite::Outcome failure(const QString& text)
{
    PropertyWrite::Outcome outcome;
    outcome.text = text;
    return outcome;
}

// A value the property could not take: the library's words and what the
// property takes instead.
QString valueRefusal(const std::exception& error, const CameraInterface::Property* property)
{
    QString text = EngineLog::caught(error);
    const QString accepted = property != nullptr ? PropertyWrite::acceptedValues(*property) : QString();
    if (accepted.isEmpty())
    {
        return text;
    }
    return text + (text.endsWith(QLatin1Char('.')) ? QStringLiteral(" ") : QStringLiteral(": ")) + accepted +
           QLatin1Char('.');
}

// The library's refusals of a value, as opposed to its failures to write one.
bool refusesTheValue(const VxAppsExceptions::VxAppsException& error)
{
    const std::string who = error.who();
    return who == "ArgumentUnhandled" || who == "PropertyValueConversion";
}

} // namespace

QString PropertyWrite::acceptedValues(const CameraInterface::Property& property)
{
    const QString name = DisplayText::shown(property.getName());
    try
    {
        if (property.isDiscrete())
        {
            const std::vector<std::string> values = property.getValueList();
            if (values.empty())
            {
                return QString();
            }
            QStringList shown;
            for (std::size_t index = 0; index < values.size() && index < MAXIMUM_VALUES_LISTED; ++index)
            {
                shown << DisplayText::shown(values[index]);
            }
            if (values.size() > MAXIMUM_VALUES_LISTED)
            {
                shown << QStringLiteral("... (%1 values)").arg(values.size());
            }
            return QStringLiteral("%1 takes one of: %2").arg(name, shown.join(QStringLiteral(", ")));
        }
        const std::string minimum = property.getMinimum();
        const std::string maximum = property.getMaximum();
        if (minimum.empty() || maximum.empty() || minimum == maximum)
        {
            return QString();
        }
        return QStringLiteral("%1 takes a number from %2 to %3")
            .arg(name, DisplayText::shown(minimum), DisplayText::shown(maximum));
    }
    catch (const std::exception&)
    {
        return QString();
    }
}

PropertyWrite::Outcome PropertyWrite::write(CameraInterface::Camera& camera, const std::string& name,
                                            const std::string& value)
{
    CameraLock lock(camera.getSerialNumber());
    if (!lock.acquire())
    {
        EngineLog::error(lock.errorText());
        return failure(lock.errorText());
    }
    CameraInterface::Property* property = nullptr;
    try
    {
        property = &camera.getProperty(name);
        const bool writable = !property->isReadOnly() && property->isAvailableForWriting();
        // Adapters that refuse a write throw with their own message here.
        property->setValue(value);
        if (!writable)
        {
            // Others ignore it silently: that must not look like success.
            const QString text = QStringLiteral("%1 cannot be written: the value was left unchanged.")
                                     .arg(DisplayText::shown(property->getName()));
            EngineLog::error(text);
            return failure(text);
        }
        Outcome outcome;
        outcome.succeeded = true;
        outcome.value = DisplayText::shown(property->getValue());
        return outcome;
    }
    catch (const std::invalid_argument& error)
    {
        return failure(valueRefusal(error, property));
    }
    catch (const std::out_of_range& error)
    {
        return failure(valueRefusal(error, property));
    }
    catch (const VxAppsExceptions::VxAppsException& error)
    {
        return failure(refusesTheValue(error) ? valueRefusal(error, property) : EngineLog::caught(error));
    }
    catch (const std::exception& error)
    {
        return failure(EngineLog::caught(error));
    }
}
