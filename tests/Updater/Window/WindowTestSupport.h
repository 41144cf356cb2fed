#pragma once

#include "FaultInjectionCamera.h"

#include "Window/ModalPrompts.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

class MainWindow;
class QTableWidget;

// Support for tests that drive the real window offscreen: cameras that come
// and go on cue, modal prompts answered without a person, dialogs operated
// when they show, bundles written for the test cameras.
namespace WindowTestSupport
{

// A rig camera that can be unplugged: it is dead from then on. Its reboot
// may fail, and tells the rig, which decides whether it vanishes.
class UnpluggableCamera : public FaultInjectionCamera
{
public:
    using FaultInjectionCamera::FaultInjectionCamera;
    void unplug() { m_Unplugged = true; }
    bool isCameraAlive() override { return !m_Unplugged && FaultInjectionCamera::isCameraAlive(); }

    std::atomic<bool> rebootFails{false};
    // Set by the rig before the camera is listed; runs on the thread that
    // reboots.
    std::function<void(UnpluggableCamera&)> onReboot;

    void reboot(const std::string& mode) override
    {
        if (rebootFails)
        {
            CameraInterface::FunctionArguments::failExecution(CameraInterface::FunctionVocabulary::REBOOT,
                                                              __FILE__, __LINE__);
        }
        FaultInjectionCamera::reboot(mode);
        if (onReboot)
        {
            onReboot(*this);
        }
    }

private:
    std::atomic<bool> m_Unplugged{false};
};

// One camera of the rig: what its list entry says.
struct RigCamera
{
    std::string serialNumber;
    std::string modelName = "VX-Test";
    std::string vendorName = "Veltrax";
    std::string cameraId = "4660";
    std::string hardwareRevision = "2";
    std::string firmwareVersion = "2.4.1";
    std::string fpgaVersion = "1.7";
    std::string afeTimingVersion = "1.2";
    // Empty: the camera has no "USB3 Vision Mode".
    std::string usb3VisionMode = "Disabled";
    // A read-only mode ignores writes: the value does not stick.
    bool modeWritable = true;
};

// The registry's adapters for one test: the simulated adapter is replaced by
// cameras that fail on cue (FaultInjectionCamera), listed while attached.
// Watchdogs run fast. Main thread only, except that the registry enumerates
// on its watchdog threads (the attached set is locked).
class CameraRig
{
public:
    explicit CameraRig(const std::vector<RigCamera>& cameras);
    CameraRig(const CameraRig&) = delete;
    CameraRig& operator=(const CameraRig&) = delete;
    ~CameraRig();

    void attach(const std::string& serialNumber);
    void detach(const std::string& serialNumber);
    // The registered camera (no lease kept: use while it is attached).
    UnpluggableCamera& camera(const std::string& serialNumber);
    bool isConnected(const std::string& serialNumber);

    // From its next reboot on, the camera leaves the registry and is listed
    // again `away` after that reboot (a negative time: never). Each object
    // listed later reports `values` (property name → value).
    void vanishOnReboot(const std::string& serialNumber, std::chrono::milliseconds away,
                        const std::map<std::string, std::string>& values = {});
    // When the camera was last rebooted and when it was listed again.
    std::chrono::steady_clock::time_point rebootedAt(const std::string& serialNumber);
    std::chrono::steady_clock::time_point listedAgainAt(const std::string& serialNumber);

private:
    struct Vanishing
    {
        std::chrono::milliseconds away{0};
        std::map<std::string, std::string> values;
        std::chrono::steady_clock::time_point rebootedAt;
        std::chrono::steady_clock::time_point listedAgainAt;
        bool gone = false;
    };
    std::vector<std::unique_ptr<CameraInterface::Camera>> enumerate();
    void rebooted(UnpluggableCamera& camera);

    std::map<std::string, Vanishing> m_Vanishing;

    QTemporaryDir m_Folder;
    std::vector<RigCamera> m_Cameras;
    std::mutex m_Mutex;
    std::set<std::string> m_Attached;
};

// Answers every modal prompt of ModalPrompts for its lifetime and records it.
class PromptScript
{
public:
    struct Shown
    {
        ModalPrompts::PROMPT_KIND kind;
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    PromptScript();
    PromptScript(const PromptScript&) = delete;
    PromptScript& operator=(const PromptScript&) = delete;
    ~PromptScript();

    // Questions get these answers in order, then Yes.
    std::deque<QMessageBox::StandardButton> answers;
    // What a file choice answers (empty: cancelled).
    QString fileToOpen;
    // Run when a prompt is shown, before it is answered.
    std::function<void(const ModalPrompts::Prompt&)> onPrompt;

    QList<Shown> shown;
    // "<title>|<text>" of every message, in order.
    QStringList messages() const;
    void clear() { shown.clear(); }
};

// Runs an action on a dialog once it shows (inside its modal loop), for
// dialogs whose object name matches. Installed on the application for its
// lifetime.
class DialogScript : public QObject
{
    Q_OBJECT

public:
    DialogScript();
    ~DialogScript() override;

    void on(const QString& objectName, std::function<void(QDialog&)> action);
    int shows(const QString& objectName) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<QString, std::function<void(QDialog&)>> m_Actions;
    std::map<QString, int> m_Shows;
};

// Selects the row and presses the button with this text, in a dialog.
void selectRowAndPress(QDialog& dialog, int row, const QString& buttonText);
void press(QDialog& dialog, const QString& buttonText);

// Bundles for the rig's cameras (model "VX-Test", ID 0x1234).
namespace Bundles
{
// A buffer load programmed into flash and verified by comparing flash.
QString flashLoad(int number, const QString& type, const QString& fileName, const QString& version,
                  int nextLoad = 0, const QString& more = QString());
// A package of loads for the model.
QString package(const QString& loads, const QString& more = QString(),
                const QString& modelName = QStringLiteral("VX-Test"));
// Writes the bundle; files get generated content of `fileSize` bytes unless
// given.
QString write(const QString& path, const QString& packages, const std::map<QString, QByteArray>& files,
              const QString& attributes = QString());
QByteArray content(int size, int seed);
} // namespace Bundles

// The load table as text, one row per line, cells joined with "|".
QStringList tableRows(const QTableWidget& table);

} // namespace WindowTestSupport
