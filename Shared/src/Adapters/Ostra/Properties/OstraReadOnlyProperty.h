#pragma once

#include "Properties/Property.h"

#include "ostraapi/ostraapi.h"

#include <cstdint>

#include <string>
#include <vector>

namespace CameraInterface::OstraAdapter
{

class OstraCamera;

// A read-only property of a vendor-driver camera whose value the driver is
// asked for at each read (versions, the hardware interface). Minimum,
// maximum and default are the value itself. A write throws
// "PropertyReadOnly"; a driver failure on reading throws "PropertyReadFailure".
// Each kind throws from its own source file: it overrides setValue with
// failReadOnly(VX_THROW_SITE) and gives its throw site to the other helpers.
// The camera is borrowed (it owns its properties).
class OstraReadOnlyProperty : public Property
{
public:
    std::string getMinimum() const override;
    std::string getMaximum() const override;
    std::string getValue() const override;
    std::string getDefault() const override;
    bool isReadOnly() const override;
    bool isAvailableForWriting() const override;
    bool isDiscrete() const override;
    std::vector<std::string> getValueList() const override;

protected:
    OstraReadOnlyProperty(const std::string& name, OstraCamera* camera);

    // The value text; throws "PropertyReadFailure" through failRead().
    virtual std::string readValue() const = 0;
    // Throw "PropertyReadOnly", "PropertyReadFailure" and, for constructors
    // whose probe failed, "PropertyUnsupported", from the given site.
    [[noreturn]] void failReadOnly(const char* file, int line) const;
    [[noreturn]] void failRead(const char* file, int line) const;
    [[noreturn]] void failUnsupported(const char* file, int line) const;
    // The driver's version record of the camera now; failRead() from the
    // given site when the query fails.
    OSTRA_VERSION queryVersion(const char* file, int line) const;
    void* handle() const;
    OstraCamera& camera() const;

    // "major.minor" from a 0xMMmm field, in decimal (0x0123 gives 1.35).
    static std::string versionText(std::uint32_t field);

private:
    OstraCamera* m_Camera;
};

} // namespace CameraInterface::OstraAdapter
