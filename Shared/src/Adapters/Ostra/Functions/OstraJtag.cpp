#include "OstraJtag.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "XsvfPlayer.h"
#include "ostraapi/ostraapi.h"

namespace CameraInterface::OstraAdapter
{

OstraJtag::OstraJtag(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera) {}

std::vector<std::string> OstraJtag::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::string& program = parameters.front();
    if (XsvfPlayer::play(handle(), program) != XsvfPlayer::OUTCOME::COMPLETED)
    {
        FunctionArguments::failExecution(getName(), VX_THROW_SITE);
    }
    return {};
}

} // namespace CameraInterface::OstraAdapter
