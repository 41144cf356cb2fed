#include "Window/MainWindow.h"

#include "ui_MainWindow.h"

#include "Window/ModalPrompts.h"
#include "Window/UpdaterApplication.h"

#include "Engine/EngineLog.h"

#include "Cameras/Camera.h"

#include <QCloseEvent>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    CameraInterface::Camera::initialiseWorkspace();
    EngineLog::info(tr("Workspace initialized."));
    EngineLog::info(tr("Application initialized."));
}

MainWindow::~MainWindow()
{
    CameraInterface::Camera::unitialisedWorkpace();
    EngineLog::info(tr("Workspace uninitialized."));
    ui.reset();
    EngineLog::info(tr("Application terminated."));
}

void MainWindow::show()
{
    QMainWindow::show();
}

std::string MainWindow::selectedSerialNumber() const
{
    std::lock_guard<std::mutex> lock(m_SerialNumberMutex);
    return m_SelectedSerialNumber;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    EngineLog::info(tr("Terminating application."));
}
