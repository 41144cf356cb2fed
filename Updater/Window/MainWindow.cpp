#include "Window/MainWindow.h"

#include "ui_MainWindow.h"

#include "Window/AboutBox.h"
#include "Window/DialogSelectCamera.h"
#include "Window/DialogSelectPackage.h"
#include "Window/DialogShowLogText.h"
#include "Window/DialogUpdateHistory.h"
#include "Window/LoadTable.h"
#include "Window/ModalPrompts.h"
#include "Window/UpdaterApplication.h"
#include "Window/UserGuide.h"

#include "Engine/CameraLock.h"
#include "Engine/CameraModeSwitch.h"
#include "Engine/EngineLog.h"
#include "Engine/HistoryRecorder.h"
#include "Engine/OperatorTexts.h"
#include "Engine/UpdateRoad.h"
#include "Engine/UpdaterIdentity.h"
#include "Engine/UpdaterLog.h"

#include "Cameras/Camera.h"
#include "Cameras/CameraLease.h"
#include "Properties/PropertyNames.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <spdlog/spdlog.h>

#include <algorithm>
#include <exception>

namespace PropertyNames = CameraInterface::PropertyNames;
using CameraInterface::Camera;

namespace
{

constexpr char LANGUAGE_KEY[] = "language";
constexpr char BINARY_PATH_KEY[] = "lastPath/binaryPath";
constexpr char DEFAULT_LANGUAGE[] = "en";
constexpr char CATALOGUE_FOLDER[] = ":translations";
constexpr char CATALOGUE_PATTERN[] = "i18n_%1.qm";

// The language part of a locale name: "en_US" gives "en"; a name without "_"
// is kept whole.
QString languageOf(const QString& localeName)
{
    const int cut = localeName.lastIndexOf(QLatin1Char('_'));
    return cut < 0 ? localeName : localeName.left(cut);
}

QString propertyText(Camera& camera, const char* name)
{
    return QString::fromStdString(camera.getProperty(name).getValue());
}

// The value of a property the camera may lack, or "N/A".
QString optionalPropertyText(Camera& camera, const char* name)
{
    return camera.isPropertySupported(name) ? propertyText(camera, name) : QStringLiteral("N/A");
}

QString operatorText(OPERATOR_TEXT text)
{
    return OperatorTexts::text(text);
}

// Sets the application's wait cursor for one scope.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { end(); }
    void end()
    {
        if (m_Active)
        {
            QApplication::restoreOverrideCursor();
            m_Active = false;
        }
    }

private:
    bool m_Active = true;
};

} // namespace

// ---------------------------------------------------------------- life

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    m_DialogSelectCamera = std::make_unique<DialogSelectCamera>(this);
    Camera::initialiseWorkspace();
    EngineLog::info(operatorText(OPERATOR_TEXT::WORKSPACE_INITIALIZED));

    m_DisconnectHandler = [this](const std::string& modelName, const std::string& serialNumber)
    {
        onCameraDisconnected(modelName, serialNumber);
    };
    Camera::registerDisconnectCallback(m_DisconnectHandler);
    m_NewConnectHandler = [this]()
    {
        onNewCameraConnected();
    };
    Camera::registerNewConnectCallback(m_NewConnectHandler);

    buildLanguageMenu();
    setupLoadTable();
    openHistory();
    m_RebootFlow = std::make_unique<RebootFlow>();
    connectSignals();
    fillLoadStatusDisplay();
    resetCameraDisplay();
    setPhase(PHASE::IDLE);
    EngineLog::info(tr("Application initialized."));

    setAcceptDrops(true);
    applyLanguage(UpdaterApplication::openSettings()->value(LANGUAGE_KEY, DEFAULT_LANGUAGE).toString());
    ui->menuLanguages->menuAction()->setVisible(false);
}

MainWindow::~MainWindow()
{
    // A restart's worker calls into this window and registers its handler
    // again when it ends: its wait is cut short and it ends first.
    m_RebootFlow.reset();
    // The run holds a lease on its camera and reports to this window: it must
    // end before the registry goes down and before the window does.
    m_CameraUpdate.disconnect(this);
    m_CameraUpdate.progress().disconnect(this);
    m_CameraUpdate.waitUntilUpdateEnds();
    // A record still open stays "interrupted": the camera's restart after the
    // run was not seen through.
    m_CameraUpdate.setJournal(nullptr);
    // No watchdog may call into this window once it is gone.
    Camera::registerDisconnectCallback({});
    Camera::registerNewConnectCallback({});
    Camera::unitialisedWorkpace();
    EngineLog::info(operatorText(OPERATOR_TEXT::WORKSPACE_UNINITIALIZED));
    m_DialogSelectPackage.reset();
    m_DialogSelectCamera.reset();
    ui.reset();
    EngineLog::info(tr("Application terminated."));
}

void MainWindow::connectSignals()
{
    connect(&m_CameraUpdate, &CameraUpdate::updateStarted, this, &MainWindow::updateStartedSlot,
            Qt::AutoConnection);
    connect(&m_CameraUpdate, &CameraUpdate::updateFailed, this, &MainWindow::updateFailedSlot,
            Qt::QueuedConnection);
    connect(&m_CameraUpdate, &CameraUpdate::updateCompleted, this, &MainWindow::updateCompletedSlot,
            Qt::QueuedConnection);
    // The restart's end arrives on its worker and reaches the window queued.
    connect(m_RebootFlow.get(), &RebootFlow::ended, this, &MainWindow::rebootComplete, Qt::DirectConnection);
    connect(this, &MainWindow::rebootComplete, this, &MainWindow::rebootCompletedSlot, Qt::QueuedConnection);
    connect(this, &MainWindow::cameraDisconnected, this, &MainWindow::cameraDisconnectedSlot,
            Qt::QueuedConnection);
    connect(this, &MainWindow::cameraConnected, this, &MainWindow::cameraConnectedSlot, Qt::QueuedConnection);
    m_ProgressRefresh.setSingleShot(true);
    m_ProgressRefresh.setInterval(PROGRESS_REFRESH_MILLISECONDS);
    connect(&m_ProgressRefresh, &QTimer::timeout, this, &MainWindow::showPendingProgress);
    UpdateProgress& progress = m_CameraUpdate.progress();
    connect(&progress, &UpdateProgress::fileProgress, this, &MainWindow::fileProgressChanged,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::loadStatusProgress, this, &MainWindow::loadStatusProgressChanged,
            Qt::QueuedConnection);
    connect(&progress, &UpdateProgress::overallProgress, this, &MainWindow::overallProgressChanged,
            Qt::QueuedConnection);
}

void MainWindow::setRebootTiming(const RebootTiming& timing)
{
    m_RebootFlow->setTiming(timing);
}

void MainWindow::fillLoadStatusDisplay()
{
    using STATUS = UpdateProgress::LoadStatus;
    const std::vector<std::pair<STATUS, QColor>> backgrounds{
        {STATUS::None, QColor(Qt::transparent)},
        {STATUS::Updating, QColor(Qt::yellow).lighter(150)},
        {STATUS::Loading, QColor(Qt::yellow).lighter(150)},
        {STATUS::Verifying, QColor(Qt::blue).lighter(150)},
        {STATUS::Skipped, QColor(Qt::green).lighter(150)},
        {STATUS::Failed, QColor(Qt::red).lighter(150)},
        {STATUS::Done, QColor(Qt::green).lighter(150)}};
    m_LoadStatusDisplay.clear();
    for (const auto& [status, background] : backgrounds)
    {
        m_LoadStatusDisplay[status] = {OperatorTexts::loadStatusText(status), background};
    }
}

const std::pair<QString, QColor>& MainWindow::loadStatusDisplay(UpdateProgress::LoadStatus status)
{
    return m_LoadStatusDisplay[status];
}

void MainWindow::show()
{
    QMainWindow::show();
    if (!Camera::getCamerasList().empty())
    {
        Camera::searchForNewCameras();
        selectAndConnectCamera();
    }
}

std::string MainWindow::selectedSerialNumber() const
{
    std::lock_guard<std::mutex> lock(m_SerialNumberMutex);
    return m_SelectedSerialNumber;
}

void MainWindow::setSelectedSerialNumber(const std::string& serialNumber)
{
    std::lock_guard<std::mutex> lock(m_SerialNumberMutex);
    m_SelectedSerialNumber = serialNumber;
}

bool MainWindow::isUpdateActive() const
{
    return m_UpdateInProgress || m_CameraUpdate.isUpdateRunning();
}

void MainWindow::on_actionExit_triggered()
{
    close();
}

void MainWindow::on_exitButton_clicked()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!confirmClose())
    {
        event->ignore();
        return;
    }
    event->accept();
    EngineLog::info(tr("Terminating application."));
}

bool MainWindow::confirmClose()
{
    if (!isUpdateActive())
    {
        return true;
    }
    return askYesNo(tr("Exit"),
                    tr("An update is in progress.\nAre you sure you want to close the application?"));
}

// ---------------------------------------------------------------- registry callbacks

void MainWindow::onCameraDisconnected(const std::string& modelName, const std::string& serialNumber)
{
    static_cast<void>(modelName);
    bool selected = false;
    {
        std::lock_guard<std::mutex> lock(m_SerialNumberMutex);
        selected = !m_SelectedSerialNumber.empty() && serialNumber == m_SelectedSerialNumber;
    }
    if (selected)
    {
        emit cameraDisconnected();
    }
}

void MainWindow::onNewCameraConnected()
{
    emit cameraConnected();
}

void MainWindow::cameraConnectedSlot()
{
    if (m_SelectedSerialNumber.empty())
    {
        selectAndConnectCamera();
    }
}

void MainWindow::cameraDisconnectedSlot()
{
    if (m_DialogSelectPackage)
    {
        m_DialogSelectPackage->reject();
    }
    resetCameraDisplay();
    EngineLog::info(tr("Camera %1 disconnected.").arg(QString::fromStdString(m_SelectedSerialNumber)));
    // A running update owns the selected package until it ends.
    if (!isUpdateActive())
    {
        m_CameraUpdate.clearSelectedPackage();
    }
    setSelectedSerialNumber(std::string());
    setPhase(PHASE::IDLE);
    statusBarText(tr("Camera disconnected."));
}

// ---------------------------------------------------------------- connection

void MainWindow::on_actionConnect_to_Camera_triggered()
{
    Camera::searchForNewCameras();
    selectAndConnectCamera();
}

void MainWindow::selectAndConnectCamera()
{
    if (m_Connecting)
    {
        return;
    }
    m_Connecting = true;
    const std::size_t count = Camera::getCamerasList().size();
    if (count >= 2)
    {
        const std::string previous = m_SelectedSerialNumber;
        const bool accepted = m_DialogSelectCamera->exec() == QDialog::Accepted;
        setSelectedSerialNumber(accepted ? m_DialogSelectCamera->selectedSerialNumber() : std::string());
        if (!previous.empty() && previous != m_SelectedSerialNumber)
        {
            disconnectPrevious(previous);
        }
    }
    else if (count == 1)
    {
        setSelectedSerialNumber(Camera::getCamerasList().begin()->first);
    }
    if (!m_SelectedSerialNumber.empty())
    {
        connectToCamera(false);
    }
    else if (count == 0)
    {
        resetCameraDisplay();
        setPhase(PHASE::IDLE);
        showNoCamera();
    }
    m_Connecting = false;
}

void MainWindow::disconnectPrevious(const std::string& previous)
{
    try
    {
        Camera::acquireCamera(previous)->disconnect();
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
    }
}

void MainWindow::connectToCamera(bool afterReboot)
{
    if (m_SelectedSerialNumber.empty())
    {
        return;
    }
    try
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
        if (camera->isConnected())
        {
            if (!afterReboot)
            {
                showMessage(QMessageBox::Information, tr("Information"), tr("Camera already connected."));
                return;
            }
            // The same object may have stayed listed through the restart: its
            // connection predates it, and its details are read afresh.
            camera->disconnect();
        }
        setPhase(PHASE::CONNECTING);
        statusBarText(operatorText(OPERATOR_TEXT::CONNECTING_TO_CAMERA));
        QCoreApplication::processEvents();
        WaitCursor waitCursor;
        const UpdateRoad::Outcome connected = UpdateRoad::connectCamera(*camera);
        waitCursor.end();
        if (!connected.succeeded)
        {
            setPhase(PHASE::IDLE);
            refuseCamera(connected);
            return;
        }
        statusBarText(operatorText(OPERATOR_TEXT::CAMERA_CONNECTED));
        resetCameraDisplay();
        if (!isUpdateActive() && !afterReboot)
        {
            clearLoadTable();
            resetProgressBars();
            m_CameraUpdate.clearSelectedPackage();
        }
        updateCameraControls(*camera);
        setPhase(isUpdateActive() ? PHASE::UPDATING : PHASE::CONNECTED);
        // After the update's restart the table keeps what the run showed; the
        // versions are read again into it.
        const bool afterUpdate = afterReboot && m_RebootFlow->purpose() == RebootFlow::PURPOSE::AFTER_UPDATE;
        showCameraDetails(*camera, !afterUpdate && !isUpdateActive());
        if (afterUpdate)
        {
            finishUpdateReboot(refreshVersionsAfterUpdate(*camera));
        }
    }
    catch (const std::exception& exception)
    {
        if (m_Phase == PHASE::CONNECTING)
        {
            setPhase(PHASE::IDLE);
        }
        showError(EngineLog::caught(exception));
    }
}

void MainWindow::refuseCamera(const UpdateRoad::Outcome& outcome)
{
    if (outcome.reason == OPERATOR_TEXT::CAMERA_NOT_PROGRAMMABLE)
    {
        statusBarText(operatorText(OPERATOR_TEXT::CANNOT_CONNECT_TO_CAMERA)
                          .arg(QString::fromStdString(m_SelectedSerialNumber)));
        showMessage(QMessageBox::Information, tr("Information"), outcome.text);
        return;
    }
    showError(outcome.text);
}

void MainWindow::updateCameraControls(Camera& camera)
{
    m_Camera.modeSupported = camera.isPropertySupported(PropertyNames::USB3_VISION_MODE);
    m_Camera.u3v = UpdateRoad::isInUsb3VisionMode(camera);
    if (!m_Camera.u3v)
    {
        m_Camera.compatible = m_CameraUpdate.findCompatiblePackages(camera);
        ui->hardwareRevLabel->setText(optionalPropertyText(camera, PropertyNames::HARDWARE_REVISION));
        ui->driverVersionLabel->setText(optionalPropertyText(camera, PropertyNames::DRIVER_VERSION));
        ui->apiVersionLabel->setText(optionalPropertyText(camera, PropertyNames::API_VERSION));
    }
    ui->modelIdLabel->setText(propertyText(camera, PropertyNames::MODEL_NAME));
    applyControls();
}

void MainWindow::showCameraDetails(Camera& camera, bool refillTable)
{
    const bool u3v = UpdateRoad::isInUsb3VisionMode(camera);
    ui->serialNumberLabel->setText(QString::fromStdString(m_SelectedSerialNumber));
    setWindowTitle(QCoreApplication::applicationName() + QStringLiteral(": ") +
                   QString::fromStdString(m_SelectedSerialNumber));
    if (!u3v && m_CameraUpdate.selectedPackage() && refillTable)
    {
        fillLoadTable(*m_CameraUpdate.selectedPackage());
    }
}

void MainWindow::resetCameraDisplay()
{
    for (QLabel* label : {ui->modelIdLabel, ui->hardwareRevLabel, ui->serialNumberLabel,
                          ui->driverVersionLabel, ui->apiVersionLabel})
    {
        label->setText(operatorText(OPERATOR_TEXT::NOT_AVAILABLE));
    }
    if (m_CameraUpdate.selectedPackage() && !m_CameraUpdate.isUpdateRunning())
    {
        ui->tableWidget->greyNewVersions();
    }
    setWindowTitle(QCoreApplication::applicationName());
}

void MainWindow::enableCameraControls()
{
    if (m_SelectedSerialNumber.empty())
    {
        setPhase(PHASE::IDLE);
        return;
    }
    try
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
        if (!m_Camera.u3v)
        {
            m_Camera.compatible = m_CameraUpdate.findCompatiblePackages(*camera);
        }
        setPhase(PHASE::CONNECTED);
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
        resetCameraDisplay();
        setPhase(PHASE::IDLE);
    }
}

void MainWindow::setPhase(PHASE phase)
{
    m_Phase = phase;
    applyControls();
}

void MainWindow::applyControls()
{
    const bool connected = m_Phase == PHASE::CONNECTED;
    const bool shown = connected || m_Phase == PHASE::UPDATING;
    const bool ostra = !m_Camera.u3v;
    ui->actionConnect_to_Camera->setEnabled(m_Phase == PHASE::IDLE || connected);
    ui->camModeGroupBox->setEnabled(connected);
    ui->radioButtonOstraMode->setEnabled(m_Camera.modeSupported);
    ui->radioButtonU3VMode->setEnabled(m_Camera.modeSupported);
    // Checking one button of the exclusive pair unchecks the other.
    (m_Camera.u3v ? ui->radioButtonU3VMode : ui->radioButtonOstraMode)->setChecked(true);
    ui->camDetailsGroupBox->setEnabled(shown);
    ui->sysDetailsGroupBox->setEnabled(shown);
    ui->tableWidget->setEnabled(shown && ostra);
    ui->selBinariesButton->setEnabled(connected && ostra);
    ui->selPackageButton->setEnabled(connected && ostra && m_Camera.compatible);
    ui->updateButton->setEnabled(connected && ostra && m_CameraUpdate.selectedPackage() != nullptr);
}

void MainWindow::on_radioButtonOstraMode_clicked(bool checked)
{
    if (checked)
    {
        switchCameraMode(false);
    }
}

void MainWindow::on_radioButtonU3VMode_clicked(bool checked)
{
    if (checked)
    {
        switchCameraMode(true);
    }
}

void MainWindow::switchCameraMode(bool toU3V)
{
    const bool yes = askYesNo(operatorText(OPERATOR_TEXT::MODE_SWITCH_TITLE),
                              operatorText(OPERATOR_TEXT::MODE_SWITCH_QUESTION));
    if (m_SelectedSerialNumber.empty())
    {
        applyControls();
        if (yes)
        {
            showNoCamera();
        }
        return;
    }
    bool written = true;
    if (yes)
    {
        auto lock = std::make_unique<CameraLock>(m_SelectedSerialNumber);
        CameraModeSwitch::RESULT result = CameraModeSwitch::RESULT::NOT_SUPPORTED;
        try
        {
            CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
            result = CameraModeSwitch::write(*camera, toU3V, *lock);
        }
        catch (const std::exception& exception)
        {
            applyControls();
            showError(EngineLog::caught(exception));
            return;
        }
        if (result == CameraModeSwitch::RESULT::LOCKED)
        {
            applyControls();
            showError(lock->errorText());
            return;
        }
        written = result == CameraModeSwitch::RESULT::WRITTEN;
        if (written)
        {
            // The buttons show the mode the camera restarts into.
            m_Camera.u3v = toU3V;
            m_CameraLock = std::move(lock);
            rebootCamera(RebootFlow::PURPOSE::AFTER_MODE_SWITCH);
            return;
        }
    }
    applyControls();
    if (!written)
    {
        showError(operatorText(OPERATOR_TEXT::MODE_NOT_SUPPORTED)
                      .arg(ui->modelIdLabel->text(), QString::fromStdString(m_SelectedSerialNumber)));
    }
}

void MainWindow::rebootCamera(RebootFlow::PURPOSE purpose)
{
    if (m_RebootFlow->isRunning())
    {
        return;
    }
    if (m_RebootFlow->start(m_SelectedSerialNumber, purpose, m_DisconnectHandler))
    {
        beginReboot();
        return;
    }
    m_CameraLock.reset();
    m_UpdateInProgress = false;
    const QString text = operatorText(OPERATOR_TEXT::REBOOT_START_FAILED);
    showError(text);
    statusBarText(text);
    endRecord(false, text);
    enableCameraControls();
}

void MainWindow::beginReboot()
{
    resetCameraDisplay();
    if (m_RebootFlow->purpose() == RebootFlow::PURPOSE::AFTER_UPDATE)
    {
        setPhase(PHASE::REBOOTING_AFTER_UPDATE);
    }
    else
    {
        // What a run showed is no longer the camera's after the switch.
        resetLoadProgress();
        setPhase(PHASE::SWITCHING_MODE);
    }
    const QString text = m_RebootFlow->beginText();
    statusBarText(text);
    EngineLog::info(text);
}

void MainWindow::rebootCompletedSlot(bool success)
{
    const RebootFlow::OUTCOME outcome = m_RebootFlow->finish(success);
    const bool afterUpdate = m_RebootFlow->purpose() == RebootFlow::PURPOSE::AFTER_UPDATE;
    try
    {
        if (outcome == RebootFlow::OUTCOME::REBOOTED)
        {
            onRebootSucceeded();
        }
        else
        {
            onRebootFailed(outcome);
        }
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
        EngineLog::error(operatorText(OPERATOR_TEXT::REBOOT_UPDATE_FAILED));
    }
    if (afterUpdate)
    {
        endRecord(m_Record.succeeded, m_Record.failure);
    }
    // The restart is over, and with it what the lock was held for.
    m_CameraLock.reset();
    // The operator can always connect again once the restart is over.
    if (m_Phase != PHASE::CONNECTED && m_Phase != PHASE::UPDATING)
    {
        setPhase(PHASE::IDLE);
    }
}

void MainWindow::onRebootSucceeded()
{
    statusBarText(operatorText(OPERATOR_TEXT::CAMERA_REBOOTED));
    EngineLog::info(operatorText(OPERATOR_TEXT::CAMERA_SERIAL_REBOOTED)
                        .arg(QString::fromStdString(m_SelectedSerialNumber)));
    connectToCamera(true);
}

void MainWindow::onRebootFailed(RebootFlow::OUTCOME outcome)
{
    const QString suffix = operatorText(OPERATOR_TEXT::RECONNECT_SUGGESTION);
    QString message;
    if (outcome == RebootFlow::OUTCOME::TIMED_OUT)
    {
        message = operatorText(OPERATOR_TEXT::RECONNECTION_TIMED_OUT);
        showMessage(QMessageBox::Warning, tr("Warning"), message + suffix);
    }
    else
    {
        message = operatorText(OPERATOR_TEXT::REBOOT_FAILED);
        showError(message + suffix);
    }
    statusBarText(message);
    resetCameraDisplay();
    // A camera still listed keeps its old connection otherwise, and Connect
    // would only say it is connected already.
    disconnectPrevious(m_SelectedSerialNumber);
    setSelectedSerialNumber(std::string());
    setPhase(PHASE::IDLE);
}

UpdateRoad::Outcome MainWindow::refreshVersionsAfterUpdate(Camera& camera)
{
    UpdateRoad::Outcome refreshed = m_Road.refreshAfterReboot(camera);
    // Only versions read from the camera that came back are versions after.
    m_Record.versionsRead =
        refreshed.succeeded || refreshed.reason == OPERATOR_TEXT::VERSIONS_DIFFER_AFTER_REBOOT;
    if (const Package* package = m_CameraUpdate.selectedPackage())
    {
        ui->tableWidget->refreshVersions(UpdateRoad::loadRows(*package));
    }
    return refreshed;
}

void MainWindow::finishUpdateReboot(const UpdateRoad::Outcome& refreshed)
{
    if (!refreshed.succeeded)
    {
        // The camera came back without what was programmed: no success.
        if (!refreshed.detail.isEmpty())
        {
            EngineLog::error(refreshed.detail);
        }
        statusBarText(refreshed.text);
        showError(refreshed.text);
        return;
    }
    const QString text = operatorText(OPERATOR_TEXT::UPDATE_AND_REBOOT_COMPLETED);
    statusBarText(text);
    EngineLog::info(text);
    m_Record.succeeded = true;
}

// ---------------------------------------------------------------- load table

void MainWindow::setupLoadTable()
{
    ui->tableWidget->setup({tr("Load"), tr("Version"), tr("New Version"), tr("Progress"), tr("Status")});
}

void MainWindow::clearLoadTable()
{
    ui->tableWidget->clearLoads();
    resetProgressBars();
}

void MainWindow::fillLoadTable(const Package& package)
{
    ui->tableWidget->fill(UpdateRoad::loadRows(package));
}

QColor MainWindow::versionColour(UpdateRoad::LoadRow::NEW_VERSION_MARK mark)
{
    return LoadTable::versionColour(mark);
}

void MainWindow::resetLoadProgress()
{
    resetProgressBars();
    if (m_CameraUpdate.selectedPackage())
    {
        const auto& none = loadStatusDisplay(UpdateProgress::LoadStatus::None);
        ui->tableWidget->resetProgress(none.first, none.second);
    }
}

void MainWindow::resetProgressBars()
{
    m_ProgressRefresh.stop();
    m_PendingFileProgress.reset();
    m_PendingOverallProgress.reset();
    ui->fileProgressBar->setValue(0);
    ui->overallProgressBar->setValue(0);
}

void MainWindow::fileProgressChanged(uint32_t fileProgress, const std::string& load)
{
    m_PendingFileProgress = std::make_pair(fileProgress, load);
    if (!m_ProgressRefresh.isActive())
    {
        m_ProgressRefresh.start();
    }
}

void MainWindow::showPendingProgress()
{
    m_ProgressRefresh.stop();
    if (m_PendingFileProgress)
    {
        const auto& [fileProgress, load] = *m_PendingFileProgress;
        if (const auto loadNumber = ui->tableWidget->loadNumberOfType(QString::fromStdString(load)))
        {
            ui->tableWidget->setFileProgress(*loadNumber, fileProgress);
        }
        ui->fileProgressBar->setValue(static_cast<int>(fileProgress));
        m_PendingFileProgress.reset();
    }
    if (m_PendingOverallProgress)
    {
        ui->overallProgressBar->setValue(static_cast<int>(*m_PendingOverallProgress));
        m_PendingOverallProgress.reset();
    }
}

void MainWindow::loadStatusProgressChanged(UpdateProgress::LoadStatus loadStatus, const std::string& load)
{
    showPendingProgress();
    if (const auto loadNumber = ui->tableWidget->loadNumberOfType(QString::fromStdString(load)))
    {
        const auto& display = loadStatusDisplay(loadStatus);
        ui->tableWidget->setStatus(*loadNumber, display.first, display.second);
    }
}

void MainWindow::overallProgressChanged(uint32_t overallProgress)
{
    m_PendingOverallProgress = overallProgress;
    if (!m_ProgressRefresh.isActive())
    {
        m_ProgressRefresh.start();
    }
}

// ---------------------------------------------------------------- bundle and package

void MainWindow::on_selBinariesButton_clicked()
{
    const QString folder = UpdaterApplication::openSettings()->value(BINARY_PATH_KEY, QString()).toString();
    m_BundlePath =
        ModalPrompts::openFileName(this, tr("Select Binaries"), folder, tr("Archive Files (*.zip)"));
    EngineLog::info(operatorText(OPERATOR_TEXT::BUNDLE_SELECTED).arg(m_BundlePath));
    if (loadBundle())
    {
        UpdaterApplication::openSettings()->setValue(BINARY_PATH_KEY, QFileInfo(m_BundlePath).absolutePath());
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    // A new bundle would replace what the running update works on.
    if (event->mimeData()->hasUrls() && !isUpdateActive())
    {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls() || isUpdateActive())
    {
        return;
    }
    m_BundlePath = event->mimeData()->urls().constFirst().toLocalFile();
    loadBundle();
}

bool MainWindow::loadBundle()
{
    if (m_BundlePath.isEmpty() || isUpdateActive())
    {
        return false;
    }
    loadTrust();
    const UpdateRoad::Outcome accepted =
        m_Road.acceptBundle(m_BundlePath, UpdaterIdentity::versionForBundles());
    if (!accepted.succeeded)
    {
        if (!accepted.detail.isEmpty())
        {
            EngineLog::info(accepted.detail);
        }
        showError(accepted.text);
        return accepted.reason != OPERATOR_TEXT::NO_PACKAGES_FOUND;
    }
    showSignature();
    matchBundleToCamera();
    return true;
}

void MainWindow::loadTrust()
{
    // Read for each bundle, so that a key trusted or revoked while the window
    // runs counts from the next bundle on.
    TrustStore trust(TrustStore::Locations::installed());
    trust.load();
    for (const QString& problem : trust.problems())
    {
        EngineLog::warning(problem);
    }
    m_Road.setTrust(std::move(trust));
}

void MainWindow::showSignature()
{
    const BundleSignature& signature = m_Road.signature();
    EngineLog::info(signature.summary());
    if (signature.state == BundleSignature::STATE::UNSIGNED)
    {
        const QString warning = operatorText(OPERATOR_TEXT::UNSIGNED_BUNDLE_WARNING);
        EngineLog::warning(warning);
        statusBarText(warning);
        return;
    }
    statusBarText(signature.summary());
}

void MainWindow::matchBundleToCamera()
{
    UpdateRoad::Outcome found;
    if (m_SelectedSerialNumber.empty())
    {
        // Said plainly: the registry's wording names an empty serial number.
        const QString text = operatorText(OPERATOR_TEXT::BINARY_PACKAGE_FAILED)
                                 .arg(operatorText(OPERATOR_TEXT::NO_CAMERA_CONNECTED));
        showError(text);
        return;
    }
    try
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
        found = m_Road.findPackages(*camera);
    }
    catch (const std::exception& exception)
    {
        // No camera is connected.
        found = UpdateRoad::Outcome::failure(
            OPERATOR_TEXT::BINARY_PACKAGE_FAILED, UpdateRoad::Outcome::SEVERITY::ERROR,
            operatorText(OPERATOR_TEXT::BINARY_PACKAGE_FAILED).arg(EngineLog::caught(exception)));
    }
    if (found.succeeded)
    {
        resetProgressBars();
        m_Camera.compatible = true;
        applyControls();
        on_selPackageButton_clicked();
        return;
    }
    if (found.reason != OPERATOR_TEXT::NO_COMPATIBLE_PACKAGE)
    {
        showError(found.text);
        return;
    }
    m_CameraUpdate.clearSelectedPackage();
    clearLoadTable();
    m_Camera.compatible = false;
    applyControls();
    showMessage(QMessageBox::Information, tr("Information"), found.text);
}

void MainWindow::on_selPackageButton_clicked()
{
    const std::string serialNumber = m_SelectedSerialNumber;
    const std::vector<Package> candidates = m_CameraUpdate.compatiblePackages();
    std::size_t chosen = 0;
    if (candidates.size() > 1)
    {
        m_DialogSelectPackage = std::make_unique<DialogSelectPackage>(this);
        m_DialogSelectPackage->setPackages(candidates);
        const BundleSignature& signature = m_Road.signature();
        m_DialogSelectPackage->setSignature(signature.summary(),
                                            signature.state == BundleSignature::STATE::UNSIGNED
                                                ? operatorText(OPERATOR_TEXT::UNSIGNED_BUNDLE_WARNING)
                                                : QString());
        if (m_DialogSelectPackage->exec() != QDialog::Accepted ||
            m_DialogSelectPackage->selectedIndex() < 0 ||
            static_cast<std::size_t>(m_DialogSelectPackage->selectedIndex()) >= candidates.size())
        {
            applyControls();
            return;
        }
        chosen = static_cast<std::size_t>(m_DialogSelectPackage->selectedIndex());
    }
    if (candidates.empty() || serialNumber != m_SelectedSerialNumber)
    {
        // The camera went away while the operator chose.
        return;
    }
    preparePackage(serialNumber, chosen);
}

void MainWindow::preparePackage(const std::string& serialNumber, std::size_t chosen)
{
    UpdateRoad::Outcome planned;
    try
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera(serialNumber);
        planned = m_Road.choosePackage(chosen, *camera);
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
        EngineLog::error(operatorText(OPERATOR_TEXT::PACKAGE_INFORMATION_LOG));
        planned = UpdateRoad::Outcome::failure(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED,
                                               UpdateRoad::Outcome::SEVERITY::ERROR,
                                               operatorText(OPERATOR_TEXT::PACKAGE_INFORMATION_FAILED));
    }
    if (!planned.succeeded)
    {
        showError(planned.text);
        return;
    }
    fillLoadTable(*m_CameraUpdate.selectedPackage());
    applyControls();
    resetLoadProgress();
    showResumeNotice();
}

// ---------------------------------------------------------------- update

void MainWindow::on_updateButton_clicked()
{
    if (!m_CameraUpdate.selectedPackage() || !m_CameraUpdate.isUpdateRequired())
    {
        showNothingToUpdate();
        return;
    }
    if (!askYesNo(tr("Update"), operatorText(OPERATOR_TEXT::CONFIRM_UPDATE)))
    {
        return;
    }
    // The controls change when the run has started (updateStartedSlot).
    if (m_SelectedSerialNumber.empty())
    {
        showNoCamera();
        return;
    }
    fillLoadTable(*m_CameraUpdate.selectedPackage());
    if (!beginRecord())
    {
        return;
    }
    try
    {
        // The engine reports the start, or its failure, with updateStarted.
        CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
        m_CameraUpdate.startUpdate(camera);
    }
    catch (const std::exception& exception)
    {
        EngineLog::caught(exception);
        updateStartedSlot(false);
    }
}

void MainWindow::updateStartedSlot(bool success)
{
    if (success)
    {
        // Taken again while the run holds it, so that it stays held from the
        // run's end to the restart.
        m_CameraLock = std::make_unique<CameraLock>(m_SelectedSerialNumber);
        m_CameraLock->acquire();
        m_UpdateInProgress = true;
        setPhase(PHASE::UPDATING);
        const QString updating = operatorText(OPERATOR_TEXT::UPDATING_CAMERA);
        statusBarText(m_HistoryWarning.isEmpty() ? updating : updating + QLatin1Char(' ') + m_HistoryWarning);
        return;
    }
    m_UpdateInProgress = false;
    const QString text = operatorText(OPERATOR_TEXT::UPDATE_START_FAILED);
    showError(text);
    statusBarText(text);
    endRecord(false, text);
    enableCameraControls();
}

void MainWindow::updateFailedSlot(const QString& failure)
{
    showPendingProgress();
    m_CameraLock.reset();
    m_UpdateInProgress = false;
    showError(failure);
    statusBarText(failure);
    endRecord(false, failure);
    enableCameraControls();
}

void MainWindow::updateCompletedSlot()
{
    showPendingProgress();
    m_UpdateInProgress = false;
    rebootCamera(RebootFlow::PURPOSE::AFTER_UPDATE);
}

// ---------------------------------------------------------------- languages

void MainWindow::buildLanguageMenu()
{
    auto* group = new QActionGroup(ui->menuLanguages);
    group->setExclusive(true);
    connect(group, &QActionGroup::triggered, this, &MainWindow::languageChanged);
    const QString defaultCode = languageOf(QLocale::system().name());
    m_LanguagePath = QLatin1String(CATALOGUE_FOLDER);
    const QStringList fileNames =
        QDir(m_LanguagePath).entryList({QString::fromLatin1(CATALOGUE_PATTERN).arg(QLatin1Char('*'))});
    for (QString code : fileNames)
    {
        code.truncate(code.lastIndexOf(QLatin1Char('.')));
        code.remove(0, code.indexOf(QLatin1Char('_')) + 1);
        auto* action = new QAction(QLocale::languageToString(QLocale(code).language()), this);
        action->setCheckable(true);
        action->setData(code);
        ui->menuLanguages->addAction(action);
        group->addAction(action);
        action->setChecked(code == defaultCode);
    }
}

void MainWindow::languageChanged(QAction* action)
{
    if (action)
    {
        applyLanguage(action->data().toString());
    }
}

void MainWindow::applyLanguage(const QString& code)
{
    if (code == m_CurrentLanguage)
    {
        return;
    }
    if (!m_CurrentLanguage.isEmpty())
    {
        EngineLog::info(tr("Change language from %1 to %2").arg(m_CurrentLanguage, code));
    }
    m_CurrentLanguage = code;
    QLocale::setDefault(QLocale(code));
    UpdaterApplication::openSettings()->setValue(LANGUAGE_KEY, code);
    installCatalogue(m_Translator, QString::fromLatin1(CATALOGUE_PATTERN).arg(code));
    QCoreApplication::processEvents();
    refreshAfterLanguageChange();
}

void MainWindow::installCatalogue(QTranslator& translator, const QString& fileName)
{
    QCoreApplication::removeTranslator(&translator);
    if (translator.load(fileName, m_LanguagePath))
    {
        QCoreApplication::installTranslator(&translator);
    }
}

void MainWindow::refreshAfterLanguageChange()
{
    if (m_SelectedSerialNumber.empty())
    {
        return;
    }
    try
    {
        CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
        showCameraDetails(*camera, m_Phase == PHASE::CONNECTED);
        updateCameraControls(*camera);
    }
    catch (const std::exception& exception)
    {
        showError(operatorText(OPERATOR_TEXT::CONNECTION_FAILED).arg(EngineLog::caught(exception)));
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LocaleChange)
    {
        applyLanguage(languageOf(QLocale::system().name()));
    }
    else if (event->type() == QEvent::LanguageChange && ui)
    {
        ui->retranslateUi(this);
    }
    QMainWindow::changeEvent(event);
}

// ---------------------------------------------------------------- small windows

void MainWindow::on_actionAbout_triggered()
{
    AboutBox::show(this);
}

void MainWindow::on_actionShow_Log_File_triggered()
{
    if (const auto logger = spdlog::get(EngineLog::LOGGER_NAME))
    {
        logger->flush();
    }
    DialogShowLogText dialog(this);
    dialog.exec();
}

void MainWindow::on_actionUpdate_History_triggered()
{
    DialogUpdateHistory dialog(*m_History, QString::fromStdString(m_SelectedSerialNumber), this);
    dialog.exec();
}

void MainWindow::on_actionUser_guide_triggered()
{
    UserGuide::open([this](const QString& text) { showError(text); });
}

// ---------------------------------------------------------------- messages

void MainWindow::statusBarText(const QString& text)
{
    ui->statusLabel->setText(text);
}

void MainWindow::showMessage(QMessageBox::Icon icon, const QString& title, const QString& text)
{
    if (m_Record.recorder && (icon == QMessageBox::Warning || icon == QMessageBox::Critical))
    {
        m_Record.failure = text;
    }
    switch (icon)
    {
    case QMessageBox::Warning:
        EngineLog::warning(text);
        break;
    case QMessageBox::Critical:
        EngineLog::error(text);
        break;
    default:
        EngineLog::info(text);
        break;
    }
    ModalPrompts::message(this, icon, title, text);
}

bool MainWindow::askYesNo(const QString& title, const QString& text)
{
    return ModalPrompts::message(this, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                                 {{QMessageBox::Yes, tr("Yes")}, {QMessageBox::No, tr("No")}}) ==
           QMessageBox::Yes;
}

void MainWindow::showError(const QString& text)
{
    // Logged here and again by showMessage: the log of an error box holds
    // the text twice, as the updater has always written it.
    EngineLog::error(text);
    showMessage(QMessageBox::Critical, tr("Error"), text);
}

void MainWindow::showNoCamera()
{
    showMessage(QMessageBox::Warning, tr("Information"), operatorText(OPERATOR_TEXT::NO_CAMERA_CONNECTED));
}

void MainWindow::showNothingToUpdate()
{
    showMessage(QMessageBox::Information, tr("Information"), operatorText(OPERATOR_TEXT::NO_UPDATE_REQUIRED));
}

// ---------------------------------------------------------------- history

void MainWindow::openHistory()
{
    const HistorySettings settings = HistorySettings::read();
    m_HistoryRequired = settings.required;
    m_History = std::make_unique<UpdateHistory>(settings.path);
    m_HistoryOpen = m_History->open();
    if (!m_History->notice().isEmpty())
    {
        EngineLog::warning(m_History->notice());
    }
    if (!m_HistoryOpen)
    {
        EngineLog::warning(m_History->errorText());
        return;
    }
    // An unfinished run of the camera is planned again from here on.
    m_Road.setHistory(m_History.get());
}

void MainWindow::showResumeNotice()
{
    if (!m_Road.resumeNotice().isEmpty())
    {
        showMessage(QMessageBox::Information, tr("Information"), m_Road.resumeNotice());
    }
}

bool MainWindow::beginRecord()
{
    m_Record = RunRecord();
    m_HistoryWarning.clear();
    m_Record.recorder = std::make_unique<HistoryRecorder>(*m_History);
    QString problem = m_HistoryOpen ? QString() : m_History->errorText();
    if (m_HistoryOpen)
    {
        try
        {
            CameraInterface::CameraLease camera = Camera::acquireCamera(m_SelectedSerialNumber);
            const BundleSignature& signature = m_Road.signature();
            HistoryRecorder::Start start;
            start.frontEnd = QStringLiteral("window");
            start.bundlePath = m_BundlePath;
            start.signer =
                signature.state == BundleSignature::STATE::VALID ? signature.signerName : QString();
            start.resumesRun = m_Road.resumedRun();
            start.logFile = QString::fromStdString(UpdaterLog::logFilePath());
            if (!m_Record.recorder->begin(*camera, *m_CameraUpdate.selectedPackage(), start))
            {
                problem = m_Record.recorder->errorText();
            }
        }
        catch (const std::exception& exception)
        {
            problem = EngineLog::caught(exception);
        }
    }
    if (!problem.isEmpty() && m_HistoryRequired)
    {
        m_Record = RunRecord();
        showError(operatorText(OPERATOR_TEXT::HISTORY_REQUIRED).arg(problem));
        return false;
    }
    if (!problem.isEmpty())
    {
        m_HistoryWarning = operatorText(OPERATOR_TEXT::HISTORY_NOT_RECORDED).arg(problem);
        EngineLog::warning(m_HistoryWarning);
        statusBarText(m_HistoryWarning);
    }
    m_CameraUpdate.setJournal(m_Record.recorder.get());
    return true;
}

void MainWindow::endRecord(bool succeeded, const QString& failure)
{
    if (!m_Record.recorder)
    {
        return;
    }
    // The worker reports its end before it is done: the journal is detached
    // only once it is.
    m_CameraUpdate.waitUntilUpdateEnds();
    m_CameraUpdate.setJournal(nullptr);
    m_Record.recorder->end(succeeded, succeeded ? QString() : failure, m_Record.versionsRead);
    if (!m_Record.recorder->errorText().isEmpty())
    {
        EngineLog::warning(m_Record.recorder->errorText());
    }
    m_Record = RunRecord();
    m_HistoryWarning.clear();
}
