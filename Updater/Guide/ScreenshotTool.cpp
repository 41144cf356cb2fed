// VxScreenshots OUTPUT_FOLDER BUNDLE
//
// Pictures of the real window classes for the user guide and for review:
// the program's own start-up pieces, the main window against the simulated
// cameras of VX_SIMULATED_CAMERAS and the demonstration bundle, driven by
// object names the way an operator would use it, each state grabbed with
// QWidget::grab. Settings and logs go to a temporary folder. Exits 1, naming
// the state, when the window does not reach a state within its time.
#include "Window/AboutBox.h"
#include "Window/DialogSelectCamera.h"
#include "Window/DialogSelectPackage.h"
#include "Window/DialogShowLogText.h"
#include "Window/MainWindow.h"
#include "Window/ModalPrompts.h"
#include "Window/UpdaterApplication.h"

#include "Engine/UpdateProgress.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace
{

constexpr char SELECTED_CAMERA[] = "SIM-0001";
constexpr int DESKTOP_POINT_SIZE = 9;
const QSize LOG_VIEWER_SIZE(620, 340);

class Screenshots
{
public:
    Screenshots(QString folder, QString bundle) : m_Folder(std::move(folder)), m_Bundle(std::move(bundle)) {}

    void run();

private:
    // `settle`: handle pending events first; off while inside a signal whose
    // later siblings would change the picture.
    void save(QWidget& widget, const QString& name, bool settle = true);
    static void waitFor(const QString& state, const std::function<bool()>& reached, int seconds);
    template <typename Widget> static Widget& child(QWidget& parent, const char* name);

    void answerPrompts();
    void chooseCameraWhenAsked(MainWindow& window);
    void packageDialog(MainWindow& window);
    void update(MainWindow& window);
    void logViewer(MainWindow& window);
    void aboutBox(MainWindow& window);

    QString m_Folder;
    QString m_Bundle;
};

void Screenshots::save(QWidget& widget, const QString& name, bool settle)
{
    if (settle)
    {
        QApplication::processEvents();
    }
    const QString path = m_Folder + QLatin1Char('/') + name;
    if (!widget.grab().save(path))
    {
        throw std::runtime_error("cannot write " + path.toStdString());
    }
    std::printf("VxScreenshots: %s\n", qPrintable(path));
}

void Screenshots::waitFor(const QString& state, const std::function<bool()>& reached, int seconds)
{
    const QDeadlineTimer deadline{std::chrono::seconds(seconds)};
    while (!reached())
    {
        if (deadline.hasExpired())
        {
            throw std::runtime_error("the window did not reach: " + state.toStdString());
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

template <typename Widget> Widget& Screenshots::child(QWidget& parent, const char* name)
{
    auto* found = parent.findChild<Widget*>(QLatin1String(name));
    if (found == nullptr)
    {
        throw std::runtime_error(std::string("no widget named ") + name);
    }
    return *found;
}

// The bundle for every file question; Yes or OK for every message.
void Screenshots::answerPrompts()
{
    ModalPrompts::setResponder(
        [this](const ModalPrompts::Prompt& prompt)
        {
            ModalPrompts::Answer answer;
            answer.fileName = m_Bundle;
            answer.button = prompt.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
            std::printf("VxScreenshots: answered \"%s\"\n",
                        qPrintable(prompt.text.isEmpty() ? prompt.title : prompt.text));
            return answer;
        });
}

// With two cameras attached, showing the window asks which one to use; the
// picture is taken while the dialog is open, then SIM-0001 is chosen.
void Screenshots::chooseCameraWhenAsked(MainWindow& window)
{
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window,
                     [this, &window, poll]
                     {
                         auto* dialog = window.findChild<DialogSelectCamera*>();
                         if (dialog == nullptr || !dialog->isVisible())
                         {
                             return;
                         }
                         poll->stop();
                         auto& table = child<QTableWidget>(*dialog, "tableWidget");
                         save(*dialog, QStringLiteral("camera-selection.png"));
                         const auto found = table.findItems(QLatin1String(SELECTED_CAMERA), Qt::MatchExactly);
                         if (!found.isEmpty())
                         {
                             table.selectRow(found.first()->row());
                         }
                         child<QPushButton>(*dialog, "selectButton").click();
                     });
    poll->start(20);
}

void Screenshots::packageDialog(MainWindow& window)
{
    // The demonstration bundle has one package per camera model, for any
    // hardware revision; a second candidate made for the camera's own
    // revision, with a forced firmware, shows how a choice looks.
    std::vector<Package> candidates = window.cameraUpdate().compatiblePackages();
    if (candidates.empty())
    {
        throw std::runtime_error("the demonstration bundle has no package for " +
                                 std::string(SELECTED_CAMERA));
    }
    Package ownRevision = candidates.front();
    ownRevision.hardwareRevision = child<QLabel>(window, "hardwareRevLabel").text().toInt();
    for (Load& load : ownRevision.loads)
    {
        load.forceUpdate = load.loadType == "Firmware";
    }
    candidates.push_back(ownRevision);
    DialogSelectPackage dialog(&window);
    dialog.setPackages(candidates);
    dialog.show();
    child<QTableWidget>(dialog, "tableWidget").selectRow(0);
    save(dialog, QStringLiteral("package-selection.png"));
    dialog.reject();
}

void Screenshots::update(MainWindow& window)
{
    // A simulated camera is programmed in moments, so the picture is taken
    // from inside the progress signal that first passes the middle.
    auto& overall = child<QProgressBar>(window, "overallProgressBar");
    bool taken = false;
    const auto connection = QObject::connect(&overall, &QProgressBar::valueChanged, &window,
                                             [&](int value)
                                             {
                                                 if (!taken && value >= 40 && value < 100)
                                                 {
                                                     taken = true;
                                                     save(window, QStringLiteral("main-updating.png"), false);
                                                 }
                                             });
    child<QPushButton>(window, "updateButton").click();
    waitFor(
        QStringLiteral("an update half done"), [&] { return taken; }, 120);
    QObject::disconnect(connection);
    waitFor(
        QStringLiteral("the end of the update"), [&] { return !window.isUpdateInProgress(); }, 300);
    // The last queued progress signals.
    const QDeadlineTimer settle(300);
    while (!settle.hasExpired())
    {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    save(window, QStringLiteral("main-rebooting.png"));
    waitFor(
        QStringLiteral("the camera back after its reboot"), [&] { return !window.isRebooting(); }, 60);
    QApplication::processEvents();
    save(window, QStringLiteral("main-done.png"));
}

void Screenshots::logViewer(MainWindow& window)
{
    DialogShowLogText dialog(&window);
    // Wider than its first size, so that a log line mostly fits on one line.
    dialog.resize(LOG_VIEWER_SIZE);
    dialog.show();
    save(dialog, QStringLiteral("log-viewer.png"));
    dialog.accept();
}

void Screenshots::aboutBox(MainWindow& window)
{
    // The box Qt's about() shows, made here so that it can be grabbed.
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::translate("MainWindow", "About"), AboutBox::text(),
                    QMessageBox::Ok, &window);
    box.setIconPixmap(window.windowIcon().pixmap(64, 64));
    box.show();
    save(box, QStringLiteral("about.png"));
}

void Screenshots::run()
{
    answerPrompts();
    MainWindow window;
    // The simulated camera never leaves: looked for after one second rather
    // than the updater's ten, the pictures are the same.
    window.setRebootTiming({std::chrono::milliseconds(1000), std::chrono::milliseconds(3000)});
    chooseCameraWhenAsked(window);
    window.show();
    waitFor(
        QStringLiteral("a connected camera"),
        [&] { return window.selectedSerialNumber() == SELECTED_CAMERA; }, 30);
    save(window, QStringLiteral("main-connected.png"));

    child<QPushButton>(window, "selBinariesButton").click();
    auto& loads = child<QTableWidget>(window, "tableWidget");
    waitFor(
        QStringLiteral("the bundle's loads listed"), [&] { return loads.rowCount() > 0; }, 30);
    save(window, QStringLiteral("main-bundle.png"));

    packageDialog(window);
    update(window);
    logViewer(window);
    aboutBox(window);
    ModalPrompts::setResponder({});
}

} // namespace

int main(int argc, char** argv)
{
    // Settings and logs of this run stay out of the user's folders.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    if (qEnvironmentVariableIsEmpty("VX_SIMULATED_CAMERAS"))
    {
        std::fprintf(stderr, "VxScreenshots: VX_SIMULATED_CAMERAS must name the simulated camera list\n");
        return 1;
    }

    UpdaterApplication::setIdentity();
    UpdaterApplication::installSettingsPath();
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3)
    {
        std::fprintf(stderr, "usage: VxScreenshots OUTPUT_FOLDER BUNDLE\n");
        return 1;
    }
    // The font the program gets on a Linux desktop; the offscreen platform's
    // own default is 12 pt and would show a window no operator sees.
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), DESKTOP_POINT_SIZE));
    UpdateProgress::registerMetaTypes();
    UpdaterApplication::initialiseResources();
    UpdaterApplication::createLogWithFallback();
    QDir().mkpath(arguments[1]);
    try
    {
        Screenshots(arguments[1], QFileInfo(arguments[2]).absoluteFilePath()).run();
    }
    catch (const std::exception& failure)
    {
        std::fprintf(stderr, "VxScreenshots: %s\n", failure.what());
        return 1;
    }
    return 0;
}
