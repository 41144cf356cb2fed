#pragma once

#include "Engine/CameraUpdate.h"
#include "Engine/HistoryRecorder.h"
#include "Engine/UpdateHistory.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdateRoad.h"

#include "Window/RebootFlow.h"

#include <QColor>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QTranslator>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace Ui
{
class MainWindow;
}

namespace CameraInterface
{
class Camera;
}

class CameraLock;
class DialogSelectCamera;
class LoadTable;
class DialogSelectPackage;
class QAction;
class QActionGroup;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QEvent;

// The updater's main window: connects to one camera of the registry, shows
// its identity, loads a bundle, lists the selected package's loads and runs
// the update with its progress.
//
// Main thread only, except the two registry callbacks, which run on watchdog
// threads and only compare the serial number (under a lock) and emit queued
// signals. The window keeps a serial number, never a camera: every operation
// takes a lease for its length. The update runs on the engine's worker and
// the restart after it (or after a mode switch) in RebootFlow; the
// destructor waits for the update and cancels the restart's wait before the
// registry is torn down, so neither worker outlives the window or its
// camera, and closing during a restart does not wait out its 30 s.
//
// The window is in one PHASE at a time; every change goes through setPhase,
// and applyControls derives every control's enabled and checked state from
// the phase and the few facts it needs (the shown camera's mode, whether a
// package fits it, whether one is selected).
//
// Slots: the ones named on_<object>_<signal> are bound by name when the
// widgets are set up; every other slot is connected explicitly. Outcomes of
// the engine, the restart and the registry arrive in <signal>Slot
// (updateStartedSlot for CameraUpdate::updateStarted), the progress record's
// figures in <figure>Changed (fileProgressChanged for
// UpdateProgress::fileProgress), and the language menu's choice in
// languageChanged. No slot is named otherwise.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Initialises the camera workspace and registers the window's callbacks:
    // one window at a time per process.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Shows the window, then connects to the first camera when the registry
    // already lists one.
    void show();

    // The serial number of the camera the window works with; empty when none.
    std::string selectedSerialNumber() const;

    enum class PHASE
    {
        // No camera shown: none found, refused, disconnected, or not back
        // after a restart.
        IDLE,
        // Connecting to the selected camera and reading its details.
        CONNECTING,
        // A camera shown, in either mode.
        CONNECTED,
        // A run on the engine's worker.
        UPDATING,
        // The restart that ends a completed run.
        REBOOTING_AFTER_UPDATE,
        // The restart into the camera mode just written.
        SWITCHING_MODE
    };
    PHASE phase() const { return m_Phase; }
    const QString& currentLanguage() const { return m_CurrentLanguage; }
    bool isUpdateInProgress() const { return m_UpdateInProgress; }
    bool isRebooting() const { return m_RebootFlow->isRunning(); }
    CameraUpdate& cameraUpdate() { return m_CameraUpdate; }

    void applyLanguage(const QString& code);

    // How long a restart waits for the camera; the updater's 10 s / 30 s
    // unless a test shortens it. Not while a restart runs.
    void setRebootTiming(const RebootTiming& timing);

    // How a load's status is shown: its text and background.
    const std::pair<QString, QColor>& loadStatusDisplay(UpdateProgress::LoadStatus status);

    // The colour of a load's "New Version" cell: black, red for an older
    // version, dark green for a newer one.
    static QColor versionColour(UpdateRoad::LoadRow::NEW_VERSION_MARK mark);

signals:
    void rebootComplete(bool success);
    void cameraDisconnected();
    void cameraConnected();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_actionExit_triggered();
    void on_exitButton_clicked();
    void on_actionAbout_triggered();
    void on_actionConnect_to_Camera_triggered();
    void on_selBinariesButton_clicked();
    void on_selPackageButton_clicked();
    void on_updateButton_clicked();
    void on_radioButtonOstraMode_clicked(bool checked);
    void on_radioButtonU3VMode_clicked(bool checked);
    void languageChanged(QAction* action);
    void rebootCompletedSlot(bool success);
    void fileProgressChanged(uint32_t fileProgress, const std::string& load);
    void loadStatusProgressChanged(UpdateProgress::LoadStatus loadStatus, const std::string& load);
    void overallProgressChanged(uint32_t overallProgress);
    void updateStartedSlot(bool success);
    void updateFailedSlot(const QString& failure);
    void updateCompletedSlot();
    void cameraDisconnectedSlot();
    void cameraConnectedSlot();
    void on_actionShow_Log_File_triggered();
    void on_actionUser_guide_triggered();
    void on_actionUpdate_History_triggered();

private:
    void connectSignals();
    void fillLoadStatusDisplay();
    void setSelectedSerialNumber(const std::string& serialNumber);

    bool isUpdateActive() const;
    void statusBarText(const QString& text);

    void selectAndConnectCamera();
    void connectToCamera(bool afterReboot);
    void refuseCamera(const UpdateRoad::Outcome& outcome);
    void updateCameraControls(CameraInterface::Camera& camera);
    // The table is filled again from the selected package unless it keeps
    // what a run showed.
    void showCameraDetails(CameraInterface::Camera& camera, bool refillTable);
    void resetCameraDisplay();
    // After a run or a restart that did not happen: the controls of the
    // selected camera again, or idle without one.
    void enableCameraControls();
    void disconnectPrevious(const std::string& previous);

    // The one way the phase changes; applies the controls.
    void setPhase(PHASE phase);
    void applyControls();

    void setupLoadTable();
    // Empties the table; the progress bars go back to 0 with it.
    void clearLoadTable();
    void fillLoadTable(const Package& package);
    void resetLoadProgress();
    void resetProgressBars();
    // Progress reaches the widgets at most once per PROGRESS_REFRESH: a fast
    // camera reports several figures a millisecond, and drawing each would
    // keep the event loop from turning. A status change or the end of a run
    // shows the latest figures first.
    void showPendingProgress();

    bool loadBundle();
    // The trust store for the next bundle; files left out are logged.
    void loadTrust();
    // The accepted bundle's signer, or the unsigned warning, in the log and
    // the status line.
    void showSignature();
    void matchBundleToCamera();
    void preparePackage(const std::string& serialNumber, std::size_t chosen);

    // Mode switch and restart, main thread; the wait runs in m_RebootFlow.
    void switchCameraMode(bool toU3V);
    void rebootCamera(RebootFlow::PURPOSE purpose);
    void beginReboot();
    void onRebootSucceeded();
    void onRebootFailed(RebootFlow::OUTCOME outcome);
    UpdateRoad::Outcome refreshVersionsAfterUpdate(CameraInterface::Camera& camera);
    void finishUpdateReboot(const UpdateRoad::Outcome& refreshed);

    // The update history the settings name, set on the road; a history that
    // cannot be opened is logged and the runs go unrecorded.
    void openHistory();
    // Begins the run's record and makes it the engine's journal; false when
    // the station requires a record and it cannot be written (said).
    bool beginRecord();
    // Ends the run's record (if one is begun) and detaches it from the
    // engine, whose run must be over.
    void endRecord(bool succeeded, const QString& failure);
    // The plan resumes an unfinished run: said to the operator.
    void showResumeNotice();

    void buildLanguageMenu();
    void installCatalogue(QTranslator& translator, const QString& fileName);
    void refreshAfterLanguageChange();

    // Message helpers: every box goes through ModalPrompts. The fixed texts
    // of the update's road come with the road's outcomes.
    void showMessage(QMessageBox::Icon icon, const QString& title, const QString& text);
    bool askYesNo(const QString& title, const QString& text);
    void showError(const QString& text);
    bool confirmClose();
    void showNoCamera();
    void showNothingToUpdate();

    // Registry callbacks, run on watchdog threads.
    void onCameraDisconnected(const std::string& modelName, const std::string& serialNumber);
    void onNewCameraConnected();

    std::function<void(const std::string&, const std::string&)> m_DisconnectHandler;
    std::function<void()> m_NewConnectHandler;
    std::unique_ptr<Ui::MainWindow> ui;
    static constexpr int PROGRESS_REFRESH_MILLISECONDS = 40;
    QTimer m_ProgressRefresh;
    std::optional<std::pair<uint32_t, std::string>> m_PendingFileProgress;
    std::optional<uint32_t> m_PendingOverallProgress;

    // Before the engine: the engine's run reports to the recorder.
    std::unique_ptr<UpdateHistory> m_History;
    bool m_HistoryOpen = false;
    bool m_HistoryRequired = false;
    // The record of the run under way, from its start to the end of the
    // restart after it; its failure is the last error or warning shown.
    struct RunRecord
    {
        std::unique_ptr<HistoryRecorder> recorder;
        QString failure;
        bool versionsRead = false;
        bool succeeded = false;
    };
    RunRecord m_Record;
    // Said in the status line while the run lasts: it goes unrecorded.
    QString m_HistoryWarning;
    CameraUpdate m_CameraUpdate;
    UpdateRoad m_Road{m_CameraUpdate};
    QString m_BundlePath;
    QTranslator m_Translator;
    // Written on the main thread only; the registry callbacks read it on
    // watchdog threads, so every write and every read off the main thread
    // takes m_SerialNumberMutex.
    std::string m_SelectedSerialNumber;
    mutable std::mutex m_SerialNumberMutex;
    QString m_CurrentLanguage;
    QString m_LanguagePath;
    std::map<UpdateProgress::LoadStatus, std::pair<QString, QColor>> m_LoadStatusDisplay;
    // The restart and its worker; the window keeps no thread of its own.
    std::unique_ptr<RebootFlow> m_RebootFlow;
    // The camera's lock, held from a mode switch's write, or from the start
    // of an update run, to the end of the restart that follows: no other
    // program meets the camera between its last write and its reboot.
    std::unique_ptr<CameraLock> m_CameraLock;
    PHASE m_Phase = PHASE::IDLE;
    // What the controls need to know of the camera last shown.
    struct CameraFacts
    {
        bool modeSupported = false;
        bool u3v = false;
        // The loaded bundle has a package for it.
        bool compatible = false;
    };
    CameraFacts m_Camera;
    // A run is under way from its start until the engine's end signal is
    // handled; it outlasts UPDATING when the camera vanishes during the run.
    bool m_UpdateInProgress = false;
    // Re-entrancy guard: the camera selection dialog runs a nested loop.
    bool m_Connecting = false;
    std::unique_ptr<DialogSelectCamera> m_DialogSelectCamera;
    std::unique_ptr<DialogSelectPackage> m_DialogSelectPackage;
};
