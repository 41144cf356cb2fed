#pragma once

#include "Properties/ParameterTypes.h"
#include "Properties/PropertyTypes.h"

#include <string>
#include <utility>
#include <vector>

namespace CameraInterface::SimulatedAdapter
{

// One camera of the simulated camera list, as far as its entry could be read:
// a missing key or a value of the wrong JSON type ends the reading of an
// entry at that key, and what follows keeps its default.
struct SimulatedPropertyEntry
{
    std::string name;
    PROPERTY_TYPE type = PROPERTY_TYPE::INTEGER;
    std::string minimum;
    std::string maximum;
    std::string defaultValue;
    bool readOnly = false;
    bool availableForWriting = false;
    bool discrete = false;
    std::vector<std::string> valueList;
};

struct SimulatedFunctionEntry
{
    std::string name;
    std::vector<std::pair<std::string, PARAMETER_TYPE>> parameters;
    std::vector<std::pair<std::string, PARAMETER_TYPE>> returnFormat;
};

struct SimulatedCameraEntry
{
    std::string serialNumber;
    std::string modelName;
    std::vector<SimulatedPropertyEntry> properties;
    std::vector<SimulatedFunctionEntry> functions;
};

// The parsed list, read once and kept for the rest of the process.
class SimulatedCameraList
{
public:
    static std::vector<SimulatedCameraEntry> entries();
    static const SimulatedCameraEntry* find(const std::vector<SimulatedCameraEntry>& entries,
                                            const std::string& serialNumber);
    static std::string file();
    // Also forgets the kept settings (below).
    static void setFile(const std::string& path);

    // Settings a camera keeps in its own memory across a reboot and a new
    // connection (its "USB3 Vision Mode"), by serial number and property
    // name, for the rest of the process. Thread-safe.
    static void keepSetting(const std::string& serialNumber, const std::string& name,
                            const std::string& value);
    // The kept value, or an empty text.
    static std::string keptSetting(const std::string& serialNumber, const std::string& name);

    // Parses a list document; a text that is not valid JSON gives no cameras.
    // An entry without a serial number is skipped. Both are told through
    // Utilities::LibraryNotices, naming `source`. Reading the file, only
    // regular files are opened and at most 16 MiB are read.
    static std::vector<SimulatedCameraEntry> parse(const std::string& text,
                                                   const std::string& source = "(text)");
};

} // namespace CameraInterface::SimulatedAdapter
