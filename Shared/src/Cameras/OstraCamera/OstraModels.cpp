#include "OstraModels.h"

#include <algorithm>

namespace CameraInterface::OstraAdapter::OstraModels
{

const std::vector<Entry>& modelTable()
{
    // Monochrome models end in M, colour models in C.
    static const std::vector<Entry> table = {
        {0x0101, "VX-0640M"},  {0x0102, "VX-0640C"},  {0x0111, "VX-1280M"},  {0x0112, "VX-1280C"},
        {0x0121, "VX-1920M"},  {0x0122, "VX-1920C"},  {0x0131, "VX-2048M"},  {0x0132, "VX-2048C"},
        {0x0141, "VX-2448M"},  {0x0142, "VX-2448C"},  {0x0151, "VX-4096M"},  {0x0152, "VX-4096C"},
        {0x0201, "VX-G1280M"}, {0x0202, "VX-G1280C"}, {0x0211, "VX-G2448M"}, {0x0212, "VX-G2448C"},
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
    // The USB 3 models from 1920 pixels up; GigE models (0x02xx) never are.
    static const std::vector<std::uint32_t> models = {0x0121, 0x0122, 0x0131, 0x0132,
                                                      0x0141, 0x0142, 0x0151, 0x0152};
    return models;
}

bool isUsb3VisionCapable(std::uint32_t modelId)
{
    const auto& models = usb3VisionCapableModels();
    return std::find(models.begin(), models.end(), modelId) != models.end();
}

} // namespace CameraInterface::OstraAdapter::OstraModels
