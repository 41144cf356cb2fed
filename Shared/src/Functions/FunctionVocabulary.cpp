#include "Functions/FunctionVocabulary.h"

#include <map>
#include <stdexcept>

namespace CameraInterface::FunctionVocabulary
{
namespace
{

struct Signature
{
    std::vector<Function::ParameterDescription> parameters;
    std::vector<Function::ParameterDescription> result;
};

const std::map<std::string, Signature>& signatures()
{
    constexpr auto INTEGER = PARAMETER_TYPE::INTEGER;
    constexpr auto STRING = PARAMETER_TYPE::STRING;
    static const std::map<std::string, Signature> table = {
        {ERASE_FLASH, {{{ADDRESS, INTEGER}, {LENGTH, INTEGER}}, {}}},
        {READ_FLASH, {{{ADDRESS, INTEGER}, {LENGTH, INTEGER}}, {{DATA, STRING}}}},
        {WRITE_FLASH, {{{ADDRESS, INTEGER}, {DATA, STRING}}, {}}},
        {UPDATE_FLASH, {{{ADDRESS, INTEGER}, {DATA, STRING}}, {}}},
        {READ_FLASH_STATUS, {{{ADDRESS, INTEGER}}, {{STATUS, STRING}}}},
        {WRITE_FLASH_STATUS, {{{ADDRESS, INTEGER}, {STATUS, STRING}}, {}}},
        {WRITE_RAM, {{{ADDRESS, INTEGER}, {DATA, STRING}}, {}}},
        {REBOOT, {{{MODE, STRING}}, {}}},
        {JTAG, {{{DATA, STRING}}, {}}},
    };
    return table;
}

const Signature& signatureOf(const std::string& functionName)
{
    const auto entry = signatures().find(functionName);
    if (entry == signatures().end())
    {
        throw std::invalid_argument("Unknown function name: " + functionName);
    }
    return entry->second;
}

} // namespace

std::vector<std::string> functionNames()
{
    return {ERASE_FLASH,        READ_FLASH, WRITE_FLASH, UPDATE_FLASH, READ_FLASH_STATUS,
            WRITE_FLASH_STATUS, WRITE_RAM,  REBOOT,      JTAG};
}

std::vector<Function::ParameterDescription> parametersOf(const std::string& functionName)
{
    return signatureOf(functionName).parameters;
}

std::vector<Function::ParameterDescription> returnFormatOf(const std::string& functionName)
{
    return signatureOf(functionName).result;
}

} // namespace CameraInterface::FunctionVocabulary
