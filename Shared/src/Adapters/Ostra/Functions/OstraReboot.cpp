#include "OstraReboot.h"

#include "Exceptions/ThrowSite.h"
#include "Functions/FunctionArguments.h"

#include "Functions/FunctionVocabulary.h"
#include "ostraapi/ostraapi.h"

namespace CameraInterface::OstraAdapter
{

OstraReboot::OstraReboot(const std::string& name, OstraCamera* camera) : OstraFunction(name, camera) {}

std::vector<std::string> OstraReboot::execute(std::vector<std::string>& parameters)
{
    FunctionArguments::requireParameters(parameters);
    const std::string& mode = parameters.front();
    FunctionArguments::requireRebootMode(mode);
    const unsigned int value =
        mode == FunctionVocabulary::REBOOT_FIRMWARE ? OSTRA_REBOOT_FIRMWARE : OSTRA_REBOOT_BOOTLOADER;
    const unsigned char zero = 0;
    requireSuccess(ostraTargetWriteEx(handle(), OSTRA_TARGET_REBOOT, value, 1, &zero), VX_THROW_SITE);
    return {};
}

} // namespace CameraInterface::OstraAdapter
