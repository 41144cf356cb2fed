#pragma once

#include "Engine/BundleLimits.h"
#include "Engine/Manifest.h"
#include "Engine/Package.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdateTiming.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVersionNumber>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace CameraInterface
{
class Camera;
class CameraLease;
} // namespace CameraInterface

class CameraLock;
struct HistoryRun;

// Told of each load as the engine's worker reaches it, before and after the
// camera is touched, so that a record outlives a run cut off at any point.
// Called on the worker thread only, one call at a time.
class UpdateJournal
{
public:
    virtual ~UpdateJournal() = default;
    virtual void loadStarted(const Load& load) = 0;
    // The boot loader's flash status the run restores after programming.
    virtual void flashStatusSaved(const Load& load, unsigned char status) = 0;
    // `outcome`: "done", "failed" or "skipped".
    virtual void loadEnded(const Load& load, const QString& outcome) = 0;
};

namespace VxInternal
{
struct Usb3VisionInfo;
}

// The updater's engine. The front ends call its bundle operations in this
// order: loadBundle, isManifestAuthentic, requiresNewerUpdater, package
// matching; once a package is selected, extractLoads, validateLoads,
// readCurrentVersions, evaluateUpdates and applyEmbeddedAfeTiming; then
// isUpdateRequired and startUpdate, which runs the update on a worker thread.
// The front ends take these steps through UpdateRoad, which adds the
// operator's texts; the reboot after a run is CameraReboot's.
//
// While a run is active (from startUpdate to its updateFailed or
// updateCompleted) the worker owns the selected package, the progress record
// and the camera: callers only read the signals. Destroying the engine waits
// for an active run to end.
class CameraUpdate : public QObject
{
    Q_OBJECT

public:
    static constexpr char MANIFEST_ENTRY[] = "Manifest.xml";
    // The AFE timing file carried by the program, when the build has one.
    static constexpr char EMBEDDED_AFE_TIMING_RESOURCE[] =
        ":/Embedded Binaries/Vx31877_REV2_AFETiming_v17.1.bin";
    static constexpr char EMBEDDED_AFE_TIMING_FILE_NAME[] = "Vx31877_REV2_AFETiming_v17.1.bin";
    // Flash work goes in blocks of this size for load images, and of the
    // larger size for the small records and the boot loader comparison.
    static constexpr std::uint32_t IMAGE_BLOCK_SIZE = 1024;
    static constexpr std::uint32_t RECORD_BLOCK_SIZE = 65536;

    explicit CameraUpdate(QObject* parent = nullptr);
    explicit CameraUpdate(const UpdateTiming& timing, QObject* parent = nullptr);
    ~CameraUpdate() override;

    // Opens the bundle, parses its manifest and computes the manifest's tag.
    // False when the archive cannot be read or is refused, holds no
    // Manifest.xml, or the manifest is not well-formed XML (`lastError` says
    // why); true otherwise, also for a manifest without packages. Replaces
    // the previous manifest in every case. A manifest refused by
    // ManifestGuard (a document type, entities, too deep, too many
    // attributes) is never parsed: the bundle loads with no packages and no
    // tag, so isManifestAuthentic fails, and `lastError` says why.
    bool loadBundle(const QString& path);

    // The computed tag equals the manifest's `ManifestSecurityTag` exactly.
    bool isManifestAuthentic() const;

    // `applicationVersion` (major.minor.micro) is lower than the manifest's
    // required updater version, or that version's text does not read as a
    // version (it was written for a later updater; logged).
    bool requiresNewerUpdater(const QVersionNumber& applicationVersion) const;

    // The folder of a package inside the bundle, for example
    // "Alpha-2_0x1A2B_Any_".
    static std::string packageFolderName(const Package& package);

    // Reads the file of every load of the selected package into its `data`;
    // a load whose file is missing, refused or damaged is left without data.
    void extractLoads();

    // Throws std::runtime_error "Failed to validate load <file name>." for the
    // first load of the selected package whose data does not match its tag;
    // the same text followed by the reason for a load that LoadRules refuses
    // (empty file, incomplete firmware image, unreadable flash address or
    // size); "The selected package could not be programmed." for a package
    // without loads. Everything is logged.
    void validateLoads() const;

    // Rebuilds the list of packages that fit the camera: name (the commercial
    // name when there is one) equal to its "Model Name", ModelID equal to its
    // decimal "Camera ID", and its "Hardware Revision" or any revision. True
    // when one fits at least. A "Camera ID" or "Hardware Revision" text that
    // does not start with a decimal number throws std::invalid_argument, one
    // past 32 bits std::out_of_range (the list is then empty); library errors
    // reading the properties propagate.
    bool findCompatiblePackages(CameraInterface::Camera& camera);

    const QString& bundlePath() const { return m_BundlePath; }
    const Manifest& manifest() const { return m_Manifest; }
    const QString& lastError() const { return m_LastError; }
    const QByteArray& computedManifestTag() const { return m_ComputedManifestTag; }

    const std::vector<Package>& compatiblePackages() const { return m_CompatiblePackages; }
    Package* selectedPackage() { return m_SelectedPackage.get(); }
    const Package* selectedPackage() const { return m_SelectedPackage.get(); }
    void setSelectedPackage(const Package& package);
    void clearSelectedPackage();

    UpdateProgress& progress() { return *m_Progress; }

    // Sets `currentVersion` of every load of the selected package from what
    // the camera reports, and logs each. Library errors and version texts
    // that do not read as numbers propagate.
    void readCurrentVersions(CameraInterface::Camera& camera);

    // Sets `updateRequired` of every load of the selected package.
    void evaluateUpdates();

    // Marks for programming every load whose version already matches the
    // package's (Bootloader, Firmware, FPGA, FPGA2, U3V and AFE checks), and
    // returns how many. After evaluateUpdates.
    std::uint32_t reinstallMatchingLoads();

    // Marks for programming every load that `unfinishedRun` (the camera's
    // last run, interrupted or failed) left unfinished, matched by load
    // number and type, whatever the camera now reports: of an interrupted
    // run every planned load not done, of a failed run the loads it began
    // and did not finish. A boot loader load keeps the flash status that run
    // saved. Returns the type of the load the run was in (the one begun,
    // else the first unfinished), empty when none is unfinished. After
    // evaluateUpdates, before applyEmbeddedAfeTiming.
    QString resumeLoads(const HistoryRun& unfinishedRun);

    // Replaces the package's first AFE load by the embedded timing file when
    // that load needs an update and is not forced. A build without the file
    // keeps the bundle's load (and logs so).
    void applyEmbeddedAfeTiming();

    // Whether any load must be programmed; also counts `loadsToUpdate`.
    bool isUpdateRequired();
    std::uint32_t loadsToUpdate() const { return m_LoadsToUpdate; }

    // Starts the update on a worker thread, which takes a lease of its own on
    // the leased camera for the whole run, and emits updateStarted with the
    // outcome. Refused (false, nothing emitted) while a run is active. The
    // run holds the camera's CameraLock; when another program holds it the
    // start fails (updateStarted(false)) and `lastError` says so.
    bool startUpdate(CameraInterface::CameraLease& camera);

    // The recorder the next runs report to; borrowed, null for none. Not
    // while a run is active.
    void setJournal(UpdateJournal* recorder) { m_Journal = recorder; }

    bool isUpdateRunning() const;
    // Blocks until no run is active.
    void waitUntilUpdateEnds();

    // The state of the last run: the chain has no further load; no step has
    // failed.
    bool finished() const { return m_Finished.load(); }
    bool succeeded() const { return m_Succeeded.load(); }

    // Dot-separated signed decimal numbers; blanks around each are dropped and
    // so are empty parts. A part without a leading number throws
    // std::invalid_argument, one out of range std::out_of_range.
    static QVersionNumber parseVersionText(const std::string& text);

    // The 96-byte record at `address`; zero (so invalid) when the camera
    // answers with fewer bytes.
    static VxInternal::Usb3VisionInfo readUsb3VisionInfo(CameraInterface::Camera& camera,
                                                         std::uint32_t address);
    // The description file the record announces, read from `address`.
    static std::vector<unsigned char> readUsb3VisionFile(CameraInterface::Camera& camera,
                                                         std::uint32_t address,
                                                         const VxInternal::Usb3VisionInfo& info);
    // "Major.Minor.SubMinor" of the camera's USB3 Vision description file, or
    // empty when the camera holds no valid one.
    static std::string readUsb3VisionFileVersion(CameraInterface::Camera& camera, std::uint32_t infoAddress,
                                                 std::uint32_t fileAddress);

    // The size limits applied to bundles; narrower limits let tests and tools
    // reach them with small files.
    const BundleLimits& limits() const { return m_Limits; }
    void setLimits(const BundleLimits& limits) { m_Limits = limits; }

    // The RAM step's waits for the restarting camera. Not while a run is
    // active.
    const UpdateTiming& timing() const { return m_Timing; }
    void setTiming(const UpdateTiming& timing) { m_Timing = timing; }

signals:
    // Emitted by startUpdate, on the caller's thread.
    void updateStarted(bool started);
    // Emitted on the worker thread; connect queued. A run ends with exactly
    // one of the two.
    void updateFailed(QString failure);
    void updateCompleted();

private:
    bool refuseBundle(const QString& reason);

    // The worker: takes its lease, tells startUpdate whether it got one, runs;
    // it logs under the starting thread's LogScope label.
    void work(const std::string& serialNumber, CameraInterface::Camera* expected, std::promise<bool> leased,
              const QString& logLabel);
    void endRun();
    void run(CameraInterface::Camera& camera);
    // The steps of run: the walk along the chain from the first load; one
    // load shown, skipped or programmed, returning the load to continue with
    // (the same load when the run has failed or the chain is finished); a
    // failure ended with its status and signal; an escaped error (called
    // inside run's handler only, it rethrows the current exception).
    void walkChain(CameraInterface::Camera& camera);
    Load* handleLoad(CameraInterface::Camera& camera, Load& load);
    void failRun(const QString& failure);
    // Tells the recorder, when there is one, how the load ended.
    void record(const Load& load, const QString& outcome);
    void endRunOnError(CameraInterface::Camera& camera);
    bool preProgramming(CameraInterface::Camera& camera, Load& load);
    bool programming(CameraInterface::Camera& camera, Load& load);
    bool postProgramming(CameraInterface::Camera& camera, Load& load);
    bool runLoadFirmwareInRam(CameraInterface::Camera& camera, const Load& load);
    void runFirmwareInRam(CameraInterface::Camera& camera, const std::vector<unsigned char>& data);
    void waitForReconnection(CameraInterface::Camera& camera);
    void onFileProgress(double fraction);

    // The bytes a load puts into flash: its data, bit-reversed for a buffer
    // load with FlipBits. The load's own data stays as extracted, so a second
    // run programs the same bytes again.
    static std::vector<unsigned char> flashImageOf(const Load& load);

    Load* findFirstLoad();
    Load* findLoadByNumber(std::uint32_t number);
    // The load after `load` in the chain, or none when the chain ends.
    Load* nextLoadOf(const Load& load);

    QString m_BundlePath;
    Manifest m_Manifest;
    QString m_LastError;
    std::vector<Package> m_CompatiblePackages;
    std::unique_ptr<Package> m_SelectedPackage;
    std::atomic<bool> m_Finished{false};
    std::atomic<bool> m_Succeeded{false};
    std::uint32_t m_LoadsToUpdate = 0;
    std::unique_ptr<UpdateProgress> m_Progress;
    unsigned char m_SavedFlashStatus = 0;
    std::function<void(double)> m_ProgressCallback;
    QByteArray m_ComputedManifestTag;
    BundleLimits m_Limits;
    UpdateTiming m_Timing;
    UpdateJournal* m_Journal = nullptr;
    // The load the worker is programming, for the record of an escaped error.
    const Load* m_LoadInProgress = nullptr;

    mutable std::mutex m_RunMutex;
    std::unique_ptr<CameraLock> m_RunLock;
    std::condition_variable m_RunEnded;
    bool m_Running = false;
};
