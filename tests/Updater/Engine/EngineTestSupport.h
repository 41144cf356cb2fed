#pragma once

#include "BundleFixtures.h"
#include "FaultInjectionCamera.h"

#include "Engine/CameraUpdate.h"
#include "Engine/UpdateProgress.h"

#include "Cameras/CameraLease.h"

#include <QObject>
#include <QStringList>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace EngineTestSupport
{

using Bytes = std::vector<unsigned char>;

// Bytes that differ from one seed to the next and from erased flash.
Bytes pattern(std::size_t size, unsigned seed = 1);

// A valid image for the programmer: the header, one section of `dataBytes`
// (a multiple of 4) loaded at `loadAddress`, the end record.
Bytes firmwareImage(std::size_t dataBytes, std::uint32_t loadAddress = 0x40000000, unsigned seed = 7);

// A load that needs nothing: numbered, typed, named, version 1.0, every method
// None, next load 0.
Load load(std::uint32_t number, const std::string& type, const std::string& fileName);

// A firmware image load written with WriteCypressImageToFlash and verified by
// comparing flash.
Load imageLoad(std::uint32_t number, const std::string& type, std::uint32_t address, const Bytes& image);

// A buffer load written with WriteBufferToFlash and verified by comparing
// flash.
Load bufferLoad(std::uint32_t number, const std::string& type, std::uint32_t address, const Bytes& data);

// A zip holding "<name>" with the XML text given.
Bytes zipped(const QString& name, const QByteArray& content);

// The engine's signals and its progress record's, as text, in arrival order:
// "started 1", "failed <text>", "completed", "file <percent> <load type>",
// "status <Status> <load type>", "overall <percent>".
class RunRecorder : public QObject
{
    Q_OBJECT

public:
    void attach(CameraUpdate& engine);

    QStringList events;
    QStringList failures;
    int completions = 0;
    int fileSignals = 0;
    int overallSignals = 0;
    bool allOnOwnThread = true;

    // The statuses shown for a load type, in order.
    QStringList statusesOf(const QString& loadType) const;
    // The events about one load type (file and status), in order.
    QStringList eventsOf(const QString& loadType) const;

public slots:
    void onStarted(bool started);
    void onFailed(QString failure);
    void onCompleted();
    void onFileProgress(uint32_t percent, std::string loadType);
    void onLoadStatus(UpdateProgress::LoadStatus status, std::string loadType);
    void onOverallProgress(uint32_t percent);

private:
    void record(const QString& event);
};

QString statusName(UpdateProgress::LoadStatus status);

} // namespace EngineTestSupport

// A registry holding one camera that fails on cue ("ENG-1", model "VX-Test",
// ID 4660, hardware revision 2, firmware 2.4.1, FPGA 1.7, FPGA2 0.0, AFE
// timing 1.2), connected and leased, and an engine; the simulated camera list
// is the test's own. Reconnection waits are shortened.
class EngineRunTest : public ::testing::Test
{
protected:
    static constexpr char SERIAL[] = "ENG-1";

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    FaultInjectionCamera& camera() { return *m_Camera; }

    // The package the engine works on from now on.
    void select(std::vector<Load> loads);
    Package* selected() { return m_Engine.selectedPackage(); }

    // Counts the loads to program, runs the selected package to its end and
    // delivers every signal. False when the run did not start.
    bool runUpdate();

    std::string flash(std::uint32_t address, std::size_t length);
    EngineTestSupport::Bytes flashBytes(std::uint32_t address, std::size_t length);

    // Connects the camera again, so that changed property values take effect.
    void reconnect();

    BundleFixtures::LogCapture m_Log;
    CameraUpdate m_Engine;
    EngineTestSupport::RunRecorder m_Recorder;
    std::optional<CameraInterface::CameraLease> m_Lease;
    FaultInjectionCamera* m_Camera = nullptr;

    static std::string s_ListPath;
};
