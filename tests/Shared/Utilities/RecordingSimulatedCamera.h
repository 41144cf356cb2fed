#pragma once

#include "Cameras/SimulatedCamera/SimulatedCamera.h"
#include "Functions/Function.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A simulated camera whose functions log every call (name and parameters)
// before the simulated function runs, and let a test replace the outcome of a
// call: throw instead, or alter the answer.
class RecordingSimulatedCamera : public CameraInterface::SimulatedAdapter::SimulatedCamera
{
public:
    struct Call
    {
        std::string name;
        std::vector<std::string> parameters;
    };
    // Runs before each call with its index in the log; may throw.
    using BeforeCall = std::function<void(std::size_t index, const Call& call)>;
    using AlterAnswer = std::function<void(const Call& call, std::vector<std::string>& answer)>;

    using SimulatedCamera::SimulatedCamera;

    std::vector<Call> calls;
    BeforeCall beforeCall;
    AlterAnswer alterAnswer;

    std::vector<Call> callsTo(const std::string& name) const
    {
        std::vector<Call> matching;
        for (const Call& call : calls)
        {
            if (call.name == name)
            {
                matching.push_back(call);
            }
        }
        return matching;
    }

protected:
    void buildFunctions() override
    {
        SimulatedCamera::buildFunctions();
        for (auto& [name, function] : m_Functions)
        {
            function = std::make_unique<Recording>(std::move(function), *this);
        }
    }

private:
    class Recording : public CameraInterface::Function
    {
    public:
        Recording(std::unique_ptr<Function> inner, RecordingSimulatedCamera& camera)
            : Function(inner->getName()), m_Inner(std::move(inner)), m_Camera(camera)
        {
        }

        std::vector<std::string> execute(std::vector<std::string>& parameters) override
        {
            m_Camera.calls.push_back({getName(), parameters});
            const Call call = m_Camera.calls.back();
            if (m_Camera.beforeCall)
            {
                m_Camera.beforeCall(m_Camera.calls.size() - 1, call);
            }
            std::vector<std::string> answer = m_Inner->execute(parameters);
            if (m_Camera.alterAnswer)
            {
                m_Camera.alterAnswer(call, answer);
            }
            return answer;
        }
        bool isAvailable() const override { return m_Inner->isAvailable(); }
        std::vector<ParameterDescription> getParameters() const override { return m_Inner->getParameters(); }
        std::vector<ParameterDescription> getReturnFormat() const override
        {
            return m_Inner->getReturnFormat();
        }

    private:
        std::unique_ptr<Function> m_Inner;
        RecordingSimulatedCamera& m_Camera;
    };
};
