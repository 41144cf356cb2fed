#pragma once

#include "Engine/Load.h"

#include <QMetaType>
#include <QObject>

#include <cstdint>
#include <string>

// The state of a running update, carried from the engine's worker thread to
// the window. The engine calls the setters on its worker; every setter emits
// its signal with copies of the values, so receivers (connected queued) never
// read the fields across threads.
class UpdateProgress : public QObject
{
    Q_OBJECT

public:
    enum class LoadStatus : std::uint8_t
    {
        None = 0,
        Updating = 1,
        Loading = 2,
        Verifying = 3,
        Skipped = 4,
        Failed = 5,
        Done = 6
    };
    Q_ENUM(LoadStatus)

    explicit UpdateProgress(QObject* parent = nullptr);
    ~UpdateProgress() override;

    // Registers "uint32_t", "std::string" and "UpdateProgress::LoadStatus"
    // with Qt's meta-type system, which queued connections of the signals
    // need. Called once at start-up, before the first connection.
    static void registerMetaTypes();

    void reset();
    void setTotalSteps(std::uint32_t steps);
    void setLoad(const Load& load);
    void setFileProgress(std::uint32_t percent);
    void setLoadStatus(UpdateProgress::LoadStatus status);
    void loadCompleted();

    // ceil((filePercent / 100 + completedSteps) / totalSteps * 100), at most
    // 100; 0 without steps.
    std::uint32_t overallPercent() const;

    LoadStatus loadStatus() const { return m_LoadStatus; }
    std::uint32_t filePercent() const { return m_FilePercent; }
    std::uint32_t totalSteps() const { return m_TotalSteps; }
    std::uint32_t completedSteps() const { return m_CompletedSteps; }
    const std::string& currentLoadType() const { return m_CurrentLoadType; }

signals:
    // The text is always the current load's type, by which the window finds
    // the load's row.
    void fileProgress(uint32_t percent, std::string loadType);
    void loadStatusProgress(UpdateProgress::LoadStatus status, std::string loadType);
    void overallProgress(uint32_t percent);

private:
    LoadStatus m_LoadStatus = LoadStatus::None;
    std::uint32_t m_FilePercent = 0;
    std::uint32_t m_TotalSteps = 0;
    std::uint32_t m_CompletedSteps = 0;
    // The type alone: a copy of the load would copy its file's bytes.
    std::string m_CurrentLoadType;
};

Q_DECLARE_METATYPE(std::string)
