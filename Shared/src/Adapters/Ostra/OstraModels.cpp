#include "OstraModels.h"

#include <algorithm>

namespace CameraInterface::OstraAdapter::OstraModels
{

const std::vector<Entry>& modelTable()
{
    // Monochrome models end in M, colour models in C; the G models are GigE.
    static const std::vector<Entry> table = {
        {0x1101, "VX-0640M"},  {0x1102, "VX-0640C"},  {0x1111, "VX-1280M"},  {0x1112, "VX-1280C"},
        {0x1A2A, "VX-1920M"},  {0x1A2B, "VX-1920C"},  {0x1231, "VX-2048M"},  {0x1232, "VX-2048C"},
        {0x1234, "VX-2448M"},  {0x1235, "VX-2448C"},  {0x1241, "VX-4096M"},  {0x1242, "VX-4096C"},
        {0x2201, "VX-G1280M"}, {0x2202, "VX-G1280C"}, {0x2211, "VX-G2448M"}, {0x2212, "VX-G2448C"},
    };
    return table;
}

std::string modelName(std::uint32_t modelId)
{
    const auto& table = modelTable();
    const auto found = std::find_if(table.begin(), table.end(),
                                    [modelId](const Entry& entry) { return entry.first == modelId; });
    return found == table.end() ? std::string() : found->second;
}

const std::vector<std::uint32_t>& usb3VisionCapableModels()
{
    // The USB 3 models from 1920 pixels up; the GigE models never are.
    static const std::vector<std::uint32_t> models = {0x1A2A, 0x1A2B, 0x1231, 0x1232,
                                                      0x1234, 0x1235, 0x1241, 0x1242};
    return models;
}

bool isUsb3VisionCapable(std::uint32_t modelId)
{
    const auto& models = usb3VisionCapableModels();
    return std::find(models.begin(), models.end(), modelId) != models.end();
}

bool needsFirmware1nnForUsb3Vision(std::uint32_t modelId)
{
    static const std::uint32_t models[] = {0x1A2A, 0x1A2B, 0x1231, 0x1232};
    return std::find(std::begin(models), std::end(models), modelId) != std::end(models);
}

} // namespace CameraInterface::OstraAdapter::OstraModels
