#include "OstraFunction.h"

#include "Cameras/OstraCamera/OstraCamera.h"
#include "Exceptions/ThrowSite.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Functions/FunctionArguments.h"
#include "Functions/FunctionVocabulary.h"

#include <cstring>

namespace CameraInterface::OstraAdapter
{
namespace
{

bool isLittleEndianHost()
{
    const std::uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

} // namespace

OstraFunction::OstraFunction(const std::string& name, OstraCamera* camera) : Function(name), m_Camera(camera)
{
    if (!isLittleEndianHost())
    {
        throw VxAppsExceptions::VxAppsException_Function("FunctionUnsupported", VX_THROW_SITE,
                                                         "Function not supported.", name);
    }
}

bool OstraFunction::isAvailable() const
{
    return true;
}

bool OstraFunction::isFunctionSupported() const
{
    return true;
}

std::vector<Function::ParameterDescription> OstraFunction::getParameters() const
{
    return FunctionVocabulary::parametersOf(getName());
}

std::vector<Function::ParameterDescription> OstraFunction::getReturnFormat() const
{
    return FunctionVocabulary::returnFormatOf(getName());
}

void* OstraFunction::handle() const
{
    return m_Camera->getHandle();
}

const std::string& OstraFunction::parameterAt(const std::vector<std::string>& parameters,
                                              std::size_t index) const
{
    if (index >= parameters.size())
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    return parameters[index];
}

std::int32_t OstraFunction::signedAt(const std::vector<std::string>& parameters, std::size_t index) const
{
    return FunctionArguments::toSigned32(parameterAt(parameters, index));
}

std::uint32_t OstraFunction::unsignedAt(const std::vector<std::string>& parameters, std::size_t index) const
{
    return FunctionArguments::toUnsigned32(parameterAt(parameters, index));
}

void OstraFunction::requireSuccess(int driverResult, const char* file, int line) const
{
    if (driverResult == 0)
    {
        FunctionArguments::failExecution(getName(), file, line);
    }
}

} // namespace CameraInterface::OstraAdapter
