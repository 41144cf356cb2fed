#pragma once

#include "Engine/CameraUpdate.h"
#include "Engine/UpdateProgress.h"

#include <QColor>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTranslator>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace Ui
{
class MainWindow;
}

namespace CameraInterface
{
class Camera;
}

class DialogSelectCamera;
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
// takes a lease for its length. The update runs on the engine's worker; the
// destructor waits for it before the registry is torn down, so the worker
// never outlives the window or its camera.
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
    const QString& currentLanguage() const { return m_CurrentLanguage; }
    bool isUpdateInProgress() const { return m_UpdateInProgress; }
    CameraUpdate& cameraUpdate() { return m_CameraUpdate; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void(const std::string&, const std::string&)> m_DisconnectHandler;
    std::function<void()> m_NewConnectHandler;
    std::unique_ptr<Ui::MainWindow> ui;
    CameraUpdate m_CameraUpdate;
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
    std::thread m_RebootThread;
    bool m_UpdateInProgress = false;
    bool m_ReconnectTimedOut = false;
    bool m_RebootAfterUpdate = false;
    bool m_Connecting = false;
};
