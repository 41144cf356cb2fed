#include "SimulatedCameraList.h"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

namespace CameraInterface::SimulatedAdapter
{
namespace
{

using Json = nlohmann::json;

struct ListState
{
    std::mutex mutex;
    std::string overridePath;
    std::optional<std::vector<SimulatedCameraEntry>> entries;
    std::map<std::pair<std::string, std::string>, std::string> keptSettings;
};

ListState& state()
{
    static ListState listState;
    return listState;
}

// Each reader returns false when the key is missing or of the wrong type,
// which ends the reading of the entry.
bool readString(const Json& object, const char* key, std::string& out)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
    {
        return false;
    }
    out = it->get<std::string>();
    return true;
}

bool readBool(const Json& object, const char* key, bool& out)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_boolean())
    {
        return false;
    }
    out = it->get<bool>();
    return true;
}

bool readStringList(const Json& object, const char* key, std::vector<std::string>& out)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
    {
        return false;
    }
    for (const auto& item : *it)
    {
        if (!item.is_string())
        {
            return false;
        }
        out.push_back(item.get<std::string>());
    }
    return true;
}

template <typename Enumeration, typename Value> bool readType(const Json& object, const char* key, Value& out)
{
    std::string text;
    if (!readString(object, key, text))
    {
        return false;
    }
    try
    {
        out = Enumeration().toValue(text);
        return true;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

SimulatedPropertyEntry parseProperty(const Json& object)
{
    SimulatedPropertyEntry entry;
    if (!object.is_object())
    {
        return entry;
    }
    readString(object, "Name", entry.name) && readType<PropertyTypes>(object, "Type", entry.type) &&
        readString(object, "Minimum", entry.minimum) && readString(object, "Maximum", entry.maximum) &&
        readString(object, "Default", entry.defaultValue) && readBool(object, "ReadOnly", entry.readOnly) &&
        readBool(object, "AvailableForWriting", entry.availableForWriting) &&
        readBool(object, "Discrete", entry.discrete) && readStringList(object, "ValueList", entry.valueList);
    return entry;
}

bool readParameterList(const Json& object, const char* key,
                       std::vector<std::pair<std::string, PARAMETER_TYPE>>& out)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
    {
        return false;
    }
    for (const auto& item : *it)
    {
        if (!item.is_object())
        {
            return false;
        }
        std::pair<std::string, PARAMETER_TYPE> parameter{"", PARAMETER_TYPE::INTEGER};
        if (!readType<ParameterTypes>(item, "Type", parameter.second) ||
            !readString(item, "Label", parameter.first))
        {
            return false;
        }
        out.push_back(parameter);
    }
    return true;
}

SimulatedFunctionEntry parseFunction(const Json& object)
{
    SimulatedFunctionEntry entry;
    if (!object.is_object())
    {
        return entry;
    }
    readString(object, "Name", entry.name) && readParameterList(object, "Parameters", entry.parameters) &&
        readParameterList(object, "Return Format", entry.returnFormat);
    return entry;
}

SimulatedCameraEntry parseCamera(const Json& object)
{
    SimulatedCameraEntry entry;
    if (!object.is_object())
    {
        return entry;
    }
    const auto identification = object.find("Identification");
    if (identification == object.end() || !identification->is_object())
    {
        return entry;
    }
    if (!readString(*identification, "Serial Number", entry.serialNumber) ||
        !readString(*identification, "Model Name", entry.modelName))
    {
        return entry;
    }
    const auto properties = object.find("Properties");
    if (properties == object.end() || !properties->is_array())
    {
        return entry;
    }
    for (const auto& property : *properties)
    {
        entry.properties.push_back(parseProperty(property));
    }
    const auto functions = object.find("Functions");
    if (functions == object.end() || !functions->is_array())
    {
        return entry;
    }
    for (const auto& function : *functions)
    {
        entry.functions.push_back(parseFunction(function));
    }
    return entry;
}

std::string defaultFile()
{
    if (const char* path = std::getenv("VX_SIMULATED_CAMERAS"))
    {
        return path;
    }
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    {
        base = config;
    }
    else if (const char* home = std::getenv("HOME"); home && *home)
    {
        base = std::string(home) + "/.config";
    }
    else
    {
        return {};
    }
    return base + "/VxUpdater/SimulatedCameras.json";
}

std::vector<SimulatedCameraEntry> readFile(const std::string& path)
{
    std::ifstream stream(path, std::ios::binary);
    if (path.empty() || !stream)
    {
        return {};
    }
    std::ostringstream text;
    text << stream.rdbuf();
    return SimulatedCameraList::parse(text.str());
}

} // namespace

std::vector<SimulatedCameraEntry> SimulatedCameraList::parse(const std::string& text)
{
    const Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object())
    {
        return {};
    }
    const auto cameras = document.find("Cameras");
    if (cameras == document.end() || !cameras->is_array())
    {
        return {};
    }
    std::vector<SimulatedCameraEntry> entries;
    for (const auto& camera : *cameras)
    {
        entries.push_back(parseCamera(camera));
    }
    return entries;
}

std::vector<SimulatedCameraEntry> SimulatedCameraList::entries()
{
    auto& listState = state();
    std::lock_guard<std::mutex> lock(listState.mutex);
    if (!listState.entries)
    {
        listState.entries = readFile(listState.overridePath.empty() ? defaultFile() : listState.overridePath);
    }
    return *listState.entries;
}

const SimulatedCameraEntry* SimulatedCameraList::find(const std::vector<SimulatedCameraEntry>& entries,
                                                      const std::string& serialNumber)
{
    for (const auto& entry : entries)
    {
        if (entry.serialNumber == serialNumber)
        {
            return &entry;
        }
    }
    return nullptr;
}

std::string SimulatedCameraList::file()
{
    auto& listState = state();
    std::lock_guard<std::mutex> lock(listState.mutex);
    return listState.overridePath.empty() ? defaultFile() : listState.overridePath;
}

void SimulatedCameraList::setFile(const std::string& path)
{
    auto& listState = state();
    std::lock_guard<std::mutex> lock(listState.mutex);
    listState.overridePath = path;
    listState.entries.reset();
    listState.keptSettings.clear();
}

void SimulatedCameraList::keepSetting(const std::string& serialNumber, const std::string& name,
                                      const std::string& value)
{
    auto& listState = state();
    std::lock_guard<std::mutex> lock(listState.mutex);
    listState.keptSettings[{serialNumber, name}] = value;
}

std::string SimulatedCameraList::keptSetting(const std::string& serialNumber, const std::string& name)
{
    auto& listState = state();
    std::lock_guard<std::mutex> lock(listState.mutex);
    const auto found = listState.keptSettings.find({serialNumber, name});
    return found == listState.keptSettings.end() ? std::string() : found->second;
}

} // namespace CameraInterface::SimulatedAdapter
