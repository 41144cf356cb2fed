#pragma once

#include <QString>

#include <string>

namespace CameraInterface
{
class Camera;
class Property;
} // namespace CameraInterface

// One property written as an operator asks for it (vxupdate set), holding
// the camera's lock (CameraLock) from before the write to its end: while
// another program updates the camera nothing is written and the outcome
// carries the lock's text.
//
// A value the property refuses (a text it cannot take as a number, with the
// library's words "invalid stof argument", "stof argument out of range"; a
// name it does not list) is followed by what the property takes: its range,
// or its values when it lists them. Library errors are logged with their
// complete message and give their description.
// Stateless; call on the thread that uses the camera, with a lease held.
class PropertyWrite
{
public:
    struct Outcome
    {
        bool succeeded = false;
        // The failure as the operator is shown it; empty on success.
        QString text;
        // The value the camera reports after the write.
        QString value;
    };

    static Outcome write(CameraInterface::Camera& camera, const std::string& name, const std::string& value);

    // What a property takes, for an operator who gave it a wrong value:
    // "Gain takes a number from 0.000000 to 48.000000", "Streaming Mode
    // takes one of: Still, Video"; empty when the property says nothing
    // about it (or cannot be read).
    static QString acceptedValues(const CameraInterface::Property& property);
};
