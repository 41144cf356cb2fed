#include "OstraTestRig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

OstraTestRig::OstraTestRig(const std::vector<std::string>& cameras, const std::string& topLevel, bool load)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ostraapi-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
    {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_Folder = pattern;
    m_RigPath = m_Folder + "/TestRig.json";
    std::string json = "{" + topLevel + (topLevel.empty() ? "" : ",") + "\"cameras\": [";
    for (std::size_t index = 0; index < cameras.size(); ++index)
    {
        json += (index == 0 ? "" : ",") + cameras[index];
    }
    json += "]}";
    std::ofstream(m_RigPath) << json;
    if (load)
    {
        reload();
    }
}

OstraTestRig::~OstraTestRig()
{
    // A rig only written leaves the library untouched (a process may fork
    // children that must start it fresh).
    if (m_Loaded)
    {
        OstraEmulator::unloadRig();
        OstraEmulator::setRebootDelay(std::chrono::milliseconds(-1));
    }
    std::error_code ignored;
    std::filesystem::permissions(m_Folder, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_Folder, ignored);
}

void OstraTestRig::reload() const
{
    m_Loaded = true;
    OstraEmulator::setRebootDelay(std::chrono::milliseconds(-1));
    OstraEmulator::loadRig(m_RigPath);
    ostraSelectInterface(OSTRA_INTERFACE_USB2);
}

std::string OstraTestRig::camera(std::uint32_t serial, std::uint32_t modelId, unsigned int interfaceType,
                                 const std::string& extra)
{
    return "{\"serialNumber\": " + std::to_string(serial) + ", \"modelId\": " + std::to_string(modelId) +
           ", \"interface\": " + std::to_string(interfaceType) + extra + "}";
}

OSTRA_HANDLE openCamera(unsigned int index, unsigned int interfaceType)
{
    EXPECT_NE(ostraSelectInterface(interfaceType), 0);
    OSTRA_HANDLE handle = ostraCameraOpen(index);
    EXPECT_NE(handle, nullptr) << "camera " << index << " on interface " << interfaceType;
    return handle;
}
