#include "Cameras/CameraAdapters.h"

#include "BuiltInAdapters.h"
#include "Cameras/Camera.h"

#include <algorithm>
#include <exception>
#include <mutex>

namespace CameraInterface
{
namespace
{

struct AdapterList
{
    std::mutex mutex;
    std::vector<std::pair<std::string, CameraAdapters::Enumerator>> adapters = builtInAdapters();
};

AdapterList& adapterList()
{
    static AdapterList list;
    return list;
}

} // namespace

void CameraAdapters::add(const std::string& name, Enumerator enumerator)
{
    auto& list = adapterList();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.adapters.emplace_back(name, std::move(enumerator));
}

void CameraAdapters::remove(const std::string& name)
{
    auto& list = adapterList();
    std::lock_guard<std::mutex> lock(list.mutex);
    list.adapters.erase(std::remove_if(list.adapters.begin(), list.adapters.end(),
                                       [&](const auto& adapter) { return adapter.first == name; }),
                        list.adapters.end());
}

std::vector<std::string> CameraAdapters::names()
{
    auto& list = adapterList();
    std::lock_guard<std::mutex> lock(list.mutex);
    std::vector<std::string> result;
    for (const auto& adapter : list.adapters)
    {
        result.push_back(adapter.first);
    }
    return result;
}

std::vector<std::unique_ptr<Camera>> CameraAdapters::enumerate()
{
    std::vector<std::pair<std::string, Enumerator>> adapters;
    {
        auto& list = adapterList();
        std::lock_guard<std::mutex> lock(list.mutex);
        adapters = list.adapters;
    }
    std::vector<std::unique_ptr<Camera>> cameras;
    for (const auto& adapter : adapters)
    {
        try
        {
            auto found = adapter.second();
            for (auto& camera : found)
            {
                if (camera)
                {
                    cameras.push_back(std::move(camera));
                }
            }
        }
        catch (const std::exception&)
        {
            // An adapter that cannot enumerate must not stop the others or a watchdog pass.
        }
    }
    return cameras;
}

} // namespace CameraInterface
