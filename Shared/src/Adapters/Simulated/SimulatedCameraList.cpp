#include "SimulatedCameraList.h"

#include "Utilities/LibraryNotices.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <utility>

#include <sys/stat.h>

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

// A list describes a few cameras in kilobytes; anything near this is not
// one.
constexpr std::streamsize MAXIMUM_LIST_SIZE = std::streamsize{16} * 1024 * 1024;

void notice(const std::string& path, const std::string& what)
{
    Utilities::LibraryNotices::notify("The simulated camera list " + path + " " + what);
}

// The file's text; false (with a notice, except for a file that is not there,
// which simply means no simulated cameras) when it cannot be read whole.
bool readText(const std::string& path, std::string& text)
{
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
    {
        if (errno != ENOENT)
        {
            notice(path, std::string("cannot be read: ") + std::strerror(errno) + ".");
        }
        return false;
    }
    // A FIFO would block and a device never end.
    if (!S_ISREG(status.st_mode))
    {
        notice(path, "is not a regular file and is not read.");
        return false;
    }
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
    {
        notice(path, std::string("cannot be opened: ") + std::strerror(errno) + ".");
        return false;
    }
    text.resize(static_cast<std::size_t>(MAXIMUM_LIST_SIZE) + 1);
    stream.read(text.data(), MAXIMUM_LIST_SIZE + 1);
    text.resize(static_cast<std::size_t>(stream.gcount()));
    if (stream.gcount() > MAXIMUM_LIST_SIZE)
    {
        notice(path, "is larger than " + std::to_string(MAXIMUM_LIST_SIZE) + " bytes and is not read.");
        return false;
    }
    return true;
}

std::vector<SimulatedCameraEntry> readFile(const std::string& path)
{
    std::string text;
    if (path.empty() || !readText(path, text))
    {
        return {};
    }
    return SimulatedCameraList::parse(text, path);
}

} // namespace

std::vector<SimulatedCameraEntry> SimulatedCameraList::parse(const std::string& text,
                                                             const std::string& source)
{
    const Json document = Json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object())
    {
        notice(source, document.is_discarded() ? "is not valid JSON; it gives no cameras."
                                               : "is not a JSON object; it gives no cameras.");
        return {};
    }
    const auto cameras = document.find("Cameras");
    if (cameras == document.end() || !cameras->is_array())
    {
        notice(source, "holds no \"Cameras\" array; it gives no cameras.");
        return {};
    }
    std::vector<SimulatedCameraEntry> entries;
    std::size_t position = 0;
    for (const auto& camera : *cameras)
    {
        ++position;
        SimulatedCameraEntry entry = parseCamera(camera);
        // A camera without a serial number cannot be told apart or chosen.
        if (entry.serialNumber.empty())
        {
            notice(source, "gives camera " + std::to_string(position) +
                               " no serial number (a missing, empty or non-text \"Serial Number\"); it is "
                               "skipped.");
            continue;
        }
        entries.push_back(std::move(entry));
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
