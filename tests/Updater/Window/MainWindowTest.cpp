#include "WindowTestSupport.h"

#include "BundleFixtures.h"

#include "Window/MainWindow.h"
#include "Window/UpdaterApplication.h"

#include "Engine/BundleSigner.h"
#include "Engine/SigningKey.h"
#include "Engine/UpdateHistory.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdateRoad.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace WindowTestSupport;

namespace
{

const QString NO_CAMERA = QStringLiteral("Information|There is no camera connected.");
const QString NOT_PROGRAMMABLE =
    QStringLiteral("Information|The application is unable to program the currently selected camera.");

// One window over a rig of cameras, with every prompt answered by script.
// Members are destroyed in reverse order: the window first.
struct Session
{
    explicit Session(const std::vector<RigCamera>& cameras, const std::vector<std::string>& attached = {})
        : rig(cameras)
    {
        for (const std::string& serial : attached)
        {
            rig.attach(serial);
        }
    }

    void start()
    {
        // A history of the session's own: a run an earlier session left
        // unfinished on the same serial number would be resumed here.
        QSettings settings(HistorySettings::settingsFilePath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("history/path"), historyPath());
        settings.sync();
        window = std::make_unique<MainWindow>();
        window->setRebootTiming(rebootTiming);
        window->show();
    }

    // Chooses a mode by its radio button, as the operator does.
    void clickMode(bool u3v)
    {
        widget<QRadioButton>(u3v ? "radioButtonU3VMode" : "radioButtonOstraMode")->click();
    }
    bool u3vChecked() const { return widget<QRadioButton>("radioButtonU3VMode")->isChecked(); }
    bool ostraChecked() const { return widget<QRadioButton>("radioButtonOstraMode")->isChecked(); }

    template <typename T> T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
        {
            qFatal("no widget %s", name);
        }
        return found;
    }
    QTableWidget* table() const { return widget<QTableWidget>("tableWidget"); }
    QString historyPath() const { return folder.filePath(QStringLiteral("History.sqlite")); }
    QString status() const { return widget<QLabel>("statusLabel")->text(); }
    bool enabled(const char* name) const { return widget<QWidget>(name)->isEnabled(); }

    // Chooses the bundle through Select Binaries.
    void chooseBundle(const QString& path)
    {
        prompts.fileToOpen = path;
        widget<QPushButton>("selBinariesButton")->click();
    }

    void dropBundle(const QString& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &drop);
    }

    BundleFixtures::LogCapture log;
    CameraRig rig;
    PromptScript prompts;
    DialogScript dialogs;
    QTemporaryDir folder;
    // Restarts are looked for every 100 ms, for 300 ms in all, unless a test
    // keeps the updater's own timing.
    RebootTiming rebootTiming{std::chrono::milliseconds(100), std::chrono::milliseconds(300)};
    std::unique_ptr<MainWindow> window;
};

RigCamera camera(const std::string& serial)
{
    RigCamera rigCamera;
    rigCamera.serialNumber = serial;
    return rigCamera;
}

// Firmware 2.5 (the camera reports 2.4.1) and FPGA 1.8 (camera 1.7): both
// need programming.
QString twoLoadPackage()
{
    return Bundles::package(
        Bundles::flashLoad(1, QStringLiteral("Firmware"), QStringLiteral("fw.bin"), QStringLiteral("2.5"),
                           2) +
        Bundles::flashLoad(2, QStringLiteral("FPGA"), QStringLiteral("fpga.bit"), QStringLiteral("1.8")));
}

std::map<QString, QByteArray> twoLoadFiles(int firmwareSize = 40000)
{
    return {{QStringLiteral("fw.bin"), Bundles::content(firmwareSize, 1)},
            {QStringLiteral("fpga.bit"), Bundles::content(3000, 2)}};
}

// Every control the phase decides, as "name+" (enabled) or "name-", and the
// radio buttons' checked state as "checked:Ostra" or "checked:U3V".
QString controlStates(const MainWindow& window)
{
    const auto* connect = window.findChild<QAction*>(QStringLiteral("actionConnect_to_Camera"));
    QStringList states{QStringLiteral("connect") + QLatin1Char(connect->isEnabled() ? '+' : '-')};
    const std::vector<std::pair<const char*, const char*>> widgets{
        {"mode", "camModeGroupBox"},       {"ostra", "radioButtonOstraMode"},
        {"u3v", "radioButtonU3VMode"},     {"details", "camDetailsGroupBox"},
        {"system", "sysDetailsGroupBox"},  {"table", "tableWidget"},
        {"binaries", "selBinariesButton"}, {"package", "selPackageButton"},
        {"update", "updateButton"},        {"exit", "exitButton"}};
    for (const auto& [shortName, objectName] : widgets)
    {
        const auto* widget = window.findChild<QWidget*>(QLatin1String(objectName));
        states << QString::fromLatin1(shortName) + QLatin1Char(widget->isEnabled() ? '+' : '-');
    }
    const auto* u3v = window.findChild<QRadioButton*>(QStringLiteral("radioButtonU3VMode"));
    states << (u3v->isChecked() ? QStringLiteral("checked:U3V") : QStringLiteral("checked:Ostra"));
    return states.join(QLatin1Char(' '));
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        UpdaterApplication::setIdentity();
        UpdaterApplication::initialiseResources();
        UpdaterApplication::installSettingsPath();
        UpdateProgress::registerMetaTypes();
    }

    void idleWithoutCameraThenConnectsToOneArriving()
    {
        Session session({camera("SIM-A")});
        session.start();
        QVERIFY(session.prompts.shown.isEmpty());
        QCOMPARE(session.window->windowTitle(), QStringLiteral("Veltrax VxUpdater"));
        for (const char* name : {"camDetailsGroupBox", "sysDetailsGroupBox", "camModeGroupBox",
                                 "selBinariesButton", "selPackageButton", "updateButton", "tableWidget"})
        {
            QVERIFY2(!session.enabled(name), name);
        }
        QCOMPARE(session.widget<QLabel>("modelIdLabel")->text(), QStringLiteral("N/A"));

        session.rig.attach("SIM-A");
        QTRY_COMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-A"));
        QCOMPARE(session.window->windowTitle(), QStringLiteral("Veltrax VxUpdater: SIM-A"));
        QCOMPARE(session.widget<QLabel>("modelIdLabel")->text(), QStringLiteral("VX-Test"));
        QCOMPARE(session.widget<QLabel>("hardwareRevLabel")->text(), QStringLiteral("2"));
        QCOMPARE(session.widget<QLabel>("driverVersionLabel")->text(), QStringLiteral("3.2.0"));
        QCOMPARE(session.widget<QLabel>("apiVersionLabel")->text(), QStringLiteral("3.2.1"));
        QCOMPARE(session.status(), QStringLiteral("Camera connected."));
        QVERIFY(session.enabled("selBinariesButton"));
        QVERIFY(!session.enabled("updateButton"));
        QVERIFY(session.widget<QRadioButton>("radioButtonOstraMode")->isChecked());
        QVERIFY(session.prompts.shown.isEmpty());
        const QStringList lines = session.log.lines();
        const int connected = lines.indexOf(QStringLiteral("[info] Connected to camera."));
        QVERIFY(connected >= 0);
        QCOMPARE(lines.mid(connected + 1, 2),
                 (QStringList{"[info] Serial Number: SIM-A", "[info] Camera ID: 4660"}));
    }

    void unpluggedCameraResetsTheDisplay()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-A"));
        session.rig.detach("SIM-A");
        QTRY_COMPARE(session.status(), QStringLiteral("Camera disconnected."));
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("N/A"));
        QCOMPARE(session.window->windowTitle(), QStringLiteral("Veltrax VxUpdater"));
        QVERIFY(session.log.contains(QStringLiteral("[info] Camera SIM-A disconnected.")));
        QVERIFY(!session.enabled("selBinariesButton"));
    }

    void twoCamerasAskWhichAndCancelDisconnectsThePrevious()
    {
        Session session({camera("SIM-A"), camera("SIM-B")}, {"SIM-A", "SIM-B"});
        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog) { selectRowAndPress(dialog, 1, QStringLiteral("Select")); });
        session.start();
        QCOMPARE(session.dialogs.shows(QStringLiteral("DialogSelectCamera")), 1);
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-B"));
        QVERIFY(session.rig.isConnected("SIM-B"));

        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog) { press(dialog, QStringLiteral("Close")); });
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.dialogs.shows(QStringLiteral("DialogSelectCamera")), 2);
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        QVERIFY(!session.rig.isConnected("SIM-B"));
        // The display is left as it was, and nothing is said.
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-B"));
        QVERIFY(session.prompts.shown.isEmpty());
    }

    void cameraChosenByDoubleClickOrNotAtAll()
    {
        Session session({camera("SIM-A"), camera("SIM-B")}, {"SIM-A", "SIM-B"});
        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog)
                           {
                               // A double click selects the row it hits, then reports it.
                               auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("tableWidget"));
                               table->setCurrentCell(0, 0);
                               table->selectRow(0);
                               emit table->doubleClicked(table->model()->index(0, 0));
                           });
        session.start();
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-A"));
        QVERIFY(session.rig.isConnected("SIM-A"));

        // Select without a row: the dialog warns and stays; Close then ends it.
        session.dialogs.on(
            QStringLiteral("DialogSelectCamera"),
            [](QDialog& dialog)
            {
                dialog.findChild<QTableWidget*>(QStringLiteral("tableWidget"))->clearSelection();
                press(dialog, QStringLiteral("Select"));
                QVERIFY(dialog.isVisible());
                press(dialog, QStringLiteral("Close"));
            });
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.prompts.messages(), QStringList{"Warning|No camera has been selected."});
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        QVERIFY(!session.rig.isConnected("SIM-A"));
    }

    void connectingAgainToTheConnectedCamera()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.prompts.messages(), QStringList{"Information|Camera already connected."});
        QCOMPARE(session.prompts.shown.first().icon, QMessageBox::Information);
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-A"));
    }

    void languageChangeKeepsTheCameraShown()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.window->applyLanguage(QStringLiteral("de"));
        session.window->applyLanguage(QStringLiteral("en"));
        QVERIFY(session.log.contains(QStringLiteral("[info] Change language from de to en")));
        // The form's texts are set again; the camera's are shown again.
        QCOMPARE(session.widget<QLabel>("modelIdLabel")->text(), QStringLiteral("VX-Test"));
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-A"));
        QCOMPARE(session.window->windowTitle(), QStringLiteral("Veltrax VxUpdater: SIM-A"));
        QVERIFY(session.enabled("selBinariesButton"));
        QVERIFY(session.prompts.shown.isEmpty());
    }

    void noCameraToConnectTo()
    {
        Session session({camera("SIM-A")});
        session.start();
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.prompts.messages(), QStringList{NO_CAMERA});
        QCOMPARE(session.prompts.shown.first().icon, QMessageBox::Warning);
        QVERIFY(session.log.contains(QStringLiteral("[warning] There is no camera connected.")));
    }

    void vendorMustBeVeltrax_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<bool>("programmable");
        QTest::newRow("Veltrax") << "Veltrax" << true;
        QTest::newRow("other maker") << "Vendor Name" << false;
        QTest::newRow("lower case") << "veltrax" << false;
        QTest::newRow("trailing blank") << "Veltrax " << false;
        QTest::newRow("empty") << "" << false;
    }
    void vendorMustBeVeltrax()
    {
        QFETCH(QString, vendor);
        QFETCH(bool, programmable);
        RigCamera other = camera("SIM-V");
        other.vendorName = vendor.toStdString();
        Session session({other}, {"SIM-V"});
        session.start();
        QCOMPARE(session.prompts.messages().contains(NOT_PROGRAMMABLE), !programmable);
        QCOMPARE(session.enabled("selBinariesButton"), programmable);
        QCOMPARE(session.enabled("camDetailsGroupBox"), programmable);
        if (!programmable)
        {
            QCOMPARE(session.prompts.shown.first().icon, QMessageBox::Information);
            QCOMPARE(session.status(), QStringLiteral("Can't connect to camera (sn: SIM-V)..."));
            // The camera stays connected.
            QVERIFY(session.rig.isConnected("SIM-V"));
        }
    }

    void cameraInUsb3VisionModeShowsTheModeOnly()
    {
        RigCamera u3v = camera("SIM-U");
        u3v.usb3VisionMode = "Enabled";
        Session session({u3v}, {"SIM-U"});
        session.start();
        QCOMPARE(session.widget<QLabel>("modelIdLabel")->text(), QStringLiteral("VX-Test"));
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-U"));
        QVERIFY(session.widget<QRadioButton>("radioButtonU3VMode")->isChecked());
        QVERIFY(session.enabled("radioButtonU3VMode"));
        QVERIFY(session.enabled("radioButtonOstraMode"));
        QVERIFY(!session.enabled("tableWidget"));
        QVERIFY(!session.enabled("selBinariesButton"));
        QVERIFY(!session.enabled("updateButton"));
        QCOMPARE(session.widget<QLabel>("driverVersionLabel")->text(), QStringLiteral("N/A"));
        QVERIFY(session.prompts.shown.isEmpty());
    }

    void bundleByDialogFillsTheTableAndRemembersTheFolder()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString bundle =
            Bundles::write(session.folder.filePath("b.zip"), twoLoadPackage(), twoLoadFiles());
        UpdaterApplication::openSettings()->remove(QStringLiteral("lastPath/binaryPath"));

        session.chooseBundle(bundle);
        QCOMPARE(session.prompts.shown.size(), 1);
        QCOMPARE(session.prompts.shown.first().title, QStringLiteral("Select Binaries"));
        QCOMPARE(tableRows(*session.table()), (QStringList{"Firmware|2.4.1|2.5||", "FPGA|1.7|1.8||"}));
        QVERIFY(session.enabled("updateButton"));
        QCOMPARE(UpdaterApplication::openSettings()->value("lastPath/binaryPath").toString(),
                 session.folder.path());
        QVERIFY(session.log.contains(QStringLiteral("[info] Bundle selected: ") + bundle));
        QVERIFY(session.log.contains(QStringLiteral("[info] Loading LoadNumber: 2")));

        // Cancelling the file dialog logs the empty choice and changes nothing.
        session.prompts.clear();
        session.chooseBundle(QString());
        QVERIFY(session.log.contains(QStringLiteral("[info] Bundle selected: ")));
        QCOMPARE(session.prompts.messages(), QStringList());
        QCOMPARE(session.table()->rowCount(), 2);
    }

    void bundleByDrop()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString bundle =
            Bundles::write(session.folder.filePath("d.zip"), twoLoadPackage(), twoLoadFiles());
        UpdaterApplication::openSettings()->remove(QStringLiteral("lastPath/binaryPath"));
        session.dropBundle(bundle);
        QCOMPARE(session.table()->rowCount(), 2);
        QVERIFY(!UpdaterApplication::openSettings()->contains(QStringLiteral("lastPath/binaryPath")));
        QVERIFY(!session.log.contains(QStringLiteral("[info] Bundle selected: ") + bundle));
    }

    void bundleDroppedWithoutCamera()
    {
        Session session({camera("SIM-A")});
        session.start();
        const QString bundle =
            Bundles::write(session.folder.filePath("d.zip"), twoLoadPackage(), twoLoadFiles());
        session.dropBundle(bundle);
        QCOMPARE(session.prompts.messages(),
                 QStringList{
                     QStringLiteral("Error|Failed to load binary package: There is no camera connected.")});
        QCOMPARE(session.prompts.shown.first().icon, QMessageBox::Critical);
        QCOMPARE(session.table()->rowCount(), 0);
    }

    void fixedMessages_data()
    {
        QTest::addColumn<QString>("manifestAttributes");
        QTest::addColumn<QString>("modelName");
        QTest::addColumn<QString>("firmwareVersion");
        QTest::addColumn<bool>("clickUpdate");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("icon");
        QTest::newRow("updater too old") << "RequiredUpdaterVersion=\"3.0.1\""
                                         << "VX-Test"
                                         << "2.5" << false
                                         << "Error|Selected binaries require a newer application "
                                            "version.\nPlease download the latest updater."
                                         << int(QMessageBox::Critical);
        QTest::newRow("no compatible package")
            << ""
            << "VX-Other"
            << "2.5" << false
            << "Information|The updater did not find a compatible package to update the connected camera."
            << int(QMessageBox::Information);
        QTest::newRow("nothing to update")
            << ""
            << "VX-Test"
            << "2.4.1" << true << "Information|No update is required." << int(QMessageBox::Information);
        QTest::newRow("package information") << ""
                                             << "VX-Test"
                                             << "" << false
                                             << "Error|The updater failed to retrieve the selected package's "
                                                "information."
                                             << int(QMessageBox::Critical);
    }
    void fixedMessages()
    {
        QFETCH(QString, manifestAttributes);
        QFETCH(QString, modelName);
        QFETCH(QString, firmwareVersion);
        QFETCH(bool, clickUpdate);
        QFETCH(QString, expected);
        QFETCH(int, icon);
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        // A version text that does not read as a number fails the package's
        // version reading.
        if (firmwareVersion.isEmpty())
        {
            session.rig.camera("SIM-A").setProperty("Firmware Version", "beta");
            firmwareVersion = QStringLiteral("2.5");
        }
        const QString packages = Bundles::package(
            Bundles::flashLoad(1, QStringLiteral("Firmware"), QStringLiteral("fw.bin"), firmwareVersion),
            QString(), modelName);
        const QString bundle =
            Bundles::write(session.folder.filePath("f.zip"), packages,
                           {{QStringLiteral("fw.bin"), Bundles::content(100, 3)}}, manifestAttributes);
        session.chooseBundle(bundle);
        if (clickUpdate)
        {
            session.widget<QPushButton>("updateButton")->click();
        }
        QCOMPARE(session.prompts.messages(), QStringList{expected});
        QCOMPARE(int(session.prompts.shown.last().icon), icon);
        // What a box says is logged, at the level its icon gives.
        const QString level =
            icon == QMessageBox::Critical ? QStringLiteral("[error] ") : QStringLiteral("[info] ");
        QVERIFY(session.log.contains(level +
                                     expected.section(QLatin1Char('|'), 1).section(QLatin1Char('\n'), 0, 0)));
    }

    void bundlesTheEngineRefuses_data()
    {
        QTest::addColumn<bool>("zip");
        QTest::addColumn<QString>("expected");
        QTest::newRow("not a zip") << false << "Error|No packages found in the selected file.";
        QTest::newRow("tag does not match")
            << true << "Error|The selected binaries appear to have been corrupted.";
    }
    void bundlesTheEngineRefuses()
    {
        QFETCH(bool, zip);
        QFETCH(QString, expected);
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString path = session.folder.filePath("bad.zip");
        if (zip)
        {
            BundleFixtures::writeZip(path,
                                     {{QStringLiteral("Manifest.xml"),
                                       BundleFixtures::manifest(twoLoadPackage(), QString(),
                                                                QStringLiteral("<ManifestSecurityTag>AAAA"
                                                                               "</ManifestSecurityTag>"))}});
        }
        else
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("not a zip archive");
        }
        session.chooseBundle(path);
        QCOMPARE(session.prompts.messages().last(), expected);
        QCOMPARE(session.table()->rowCount(), 0);
    }

    // A signed bundle by a key the system folder trusts: the signer in the
    // log and the status line; refusals in the window's error boxes with the
    // engine's texts; an unsigned bundle with its warning.
    void signaturesInTheWindow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trusted signer") << "trusted" << QString();
        QTest::newRow("untrusted signer")
            << "untrusted"
            << "Error|The bundle is signed by a key this updater does not trust (%1).";
        QTest::newRow("revoked signer") << "revoked"
                                        << "Error|The bundle is signed by a key that has been revoked (%1).";
        QTest::newRow("files differ from the catalogue")
            << "tampered"
            << "Error|The bundle's files differ from the list of files its maker signed.";
        QTest::newRow("signature cut short")
            << "truncated"
            << "Error|The bundle's signature does not verify: the bundle was changed after it was signed, or "
               "its signature is damaged.";
        QTest::newRow("unsigned, signatures required")
            << "required"
            << "Error|The bundle is not signed, and this updater accepts signed bundles only.";
        QTest::newRow("unsigned, accepted with a warning") << "unsigned" << QString();
    }
    void signaturesInTheWindow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        Session session({camera("SIM-A")}, {"SIM-A"});
        const QString system = session.folder.filePath("system");
        QVERIFY(QDir().mkpath(system + "/trusted-keys"));
        BundleFixtures::writeKeyPair(session.folder.filePath("maker.key"),
                                     system +
                                         (kind == "untrusted" ? "/maker.pem" : "/trusted-keys/maker.pem"));
        SigningKey key;
        QString error;
        QVERIFY(key.readFile(session.folder.filePath("maker.key"), error));
        const QString fingerprint = key.publicKey().fingerprint();
        if (kind == "revoked")
        {
            QFile list(system + "/revoked-keys");
            QVERIFY(list.open(QIODevice::WriteOnly));
            list.write(fingerprint.toLatin1() + "\n");
        }
        if (kind == "required")
        {
            QFile policy(system + "/signatures.ini");
            QVERIFY(policy.open(QIODevice::WriteOnly));
            policy.write("[signatures]\npolicy=require\n");
        }
        qputenv("VX_SYSTEM_TRUST_FOLDER", QFile::encodeName(system));
        session.start();
        QString bundle = Bundles::write(session.folder.filePath("b.zip"), twoLoadPackage(), twoLoadFiles());
        if (kind != "unsigned" && kind != "required")
        {
            BundleSigner signer;
            QVERIFY(signer.sign(bundle, key, bundle));
        }
        if (kind == "tampered" || kind == "truncated")
        {
            auto entries = BundleFixtures::readZip(bundle);
            for (auto& entry : entries)
            {
                if (kind == "tampered" && entry.first.endsWith("fpga.bit"))
                {
                    entry.second[0] = static_cast<char>(entry.second[0] ^ 1);
                }
                if (kind == "truncated" && entry.first == "META-INF/VxCatalogue.sig")
                {
                    entry.second.chop(10);
                }
            }
            BundleFixtures::writeZip(bundle, entries);
        }
        session.chooseBundle(bundle);
        qunsetenv("VX_SYSTEM_TRUST_FOLDER");
        if (!expected.isEmpty())
        {
            if (expected.contains("%1"))
            {
                expected = expected.arg(fingerprint);
            }
            QCOMPARE(session.prompts.messages(), QStringList{expected});
            QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Critical);
            QVERIFY(session.log.contains("[error] " + expected.section('|', 1)));
            QCOMPARE(session.table()->rowCount(), 0);
            return;
        }
        QCOMPARE(session.prompts.messages(), QStringList());
        QCOMPARE(session.table()->rowCount(), 2);
        if (kind == "trusted")
        {
            const QString line = "Signature: valid, signed by maker (" + fingerprint + ")";
            QVERIFY(session.log.contains("[info] " + line));
            QCOMPARE(session.status(), line);
            return;
        }
        const QString warning =
            QStringLiteral("The bundle is not signed: nothing shows who made it or that it is "
                           "unchanged since. It is accepted because signatures are not required.");
        QVERIFY(session.log.contains("[info] Signature: not signed"));
        QVERIFY(session.log.contains("[warning] " + warning));
        QCOMPARE(session.status(), warning);
    }

    void newVersionColour_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("updateRequired");
        QTest::addColumn<QColor>("colour");
        const QColor higher = QColor(Qt::green).darker(200);
        QTest::newRow("AFE, known, even if lower") << "AFE"
                                                   << "2.0"
                                                   << "1.0" << true << QColor(Qt::black);
        QTest::newRow("lower") << "Firmware"
                               << "2.4.1"
                               << "2.4" << true << QColor(Qt::red);
        QTest::newRow("equal") << "Firmware"
                               << "2.4.1"
                               << "2.4.1" << false << QColor(Qt::black);
        QTest::newRow("higher") << "FPGA"
                                << "1.7"
                                << "1.10" << true << higher;
        QTest::newRow("unknown, required") << "Firmware"
                                           << ""
                                           << "1.0" << true << higher;
        QTest::newRow("unknown, not required") << "Firmware"
                                               << ""
                                               << "1.0" << false << QColor(Qt::black);
    }
    void newVersionColour()
    {
        QFETCH(QString, type);
        QFETCH(QString, current);
        QFETCH(QString, next);
        QFETCH(bool, updateRequired);
        QFETCH(QColor, colour);
        Load load;
        load.loadType = type.toStdString();
        load.currentVersion = QVersionNumber::fromString(current);
        load.loadVersion = QVersionNumber::fromString(next);
        load.updateRequired = updateRequired;
        Package package;
        package.loads = {load};
        QCOMPARE(MainWindow::versionColour(UpdateRoad::loadRows(package).front().mark).rgb(), colour.rgb());
        QCOMPARE(QColor(Qt::green).darker(200).rgb(), QColor(0, 127, 0).rgb());
    }

    void tableShowsColoursForcedLoadsAndSkipsXsvf()
    {
        RigCamera rigCamera = camera("SIM-A");
        Session session({rigCamera}, {"SIM-A"});
        session.start();
        const QString loads =
            Bundles::flashLoad(3, QStringLiteral("FPGA"), QStringLiteral("fpga.bit"), QStringLiteral("1.6")) +
            Bundles::flashLoad(1, QStringLiteral("Firmware"), QStringLiteral("fw.bin"),
                               QStringLiteral("2.4.1"), 3,
                               QStringLiteral("          <ForceUpdate>true</ForceUpdate>\n")) +
            BundleFixtures::load(QStringLiteral("2"), QStringLiteral("XSVF"), QStringLiteral("player.xsvf"),
                                 QStringLiteral("          <LoadVersion>1.0</LoadVersion>\n"));
        const QString bundle = Bundles::write(session.folder.filePath("x.zip"), Bundles::package(loads),
                                              {{QStringLiteral("fpga.bit"), Bundles::content(64, 1)},
                                               {QStringLiteral("fw.bin"), Bundles::content(64, 2)},
                                               {QStringLiteral("player.xsvf"), Bundles::content(64, 3)}});
        session.chooseBundle(bundle);
        // Three loads, two rows, sorted by load number.
        QCOMPARE(tableRows(*session.table()), (QStringList{"Firmware|2.4.1|2.4.1 [F]||", "FPGA|1.7|1.6||"}));
        QCOMPARE(session.table()->item(0, 2)->foreground().color(), QColor(Qt::black));
        QCOMPARE(session.table()->item(1, 2)->foreground().color(), QColor(Qt::red));
        for (int column = 0; column < 5; ++column)
        {
            QCOMPARE(session.table()->item(0, column)->textAlignment(), int(Qt::AlignCenter));
        }
        // Losing the camera greys the new versions.
        session.rig.detach("SIM-A");
        QTRY_COMPARE(session.status(), QStringLiteral("Camera disconnected."));
    }

    void severalPackagesAskWhichOne()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString first = Bundles::package(
            Bundles::flashLoad(1, QStringLiteral("Firmware"), QStringLiteral("a.bin"), QStringLiteral("2.5")),
            QStringLiteral("      <HardwareRevision>2</HardwareRevision>\n"));
        const QString second = Bundles::package(
            Bundles::flashLoad(1, QStringLiteral("FPGA"), QStringLiteral("b.bin"), QStringLiteral("1.9")));
        const QString bundle =
            Bundles::write(session.folder.filePath("p.zip"), first + second,
                           {{QStringLiteral("VX-Test_0x1234_2_/a.bin"), Bundles::content(64, 1)},
                            {QStringLiteral("VX-Test_0x1234_Any_/b.bin"), Bundles::content(64, 2)}});

        session.dialogs.on(QStringLiteral("DialogSelectPackage"),
                           [](QDialog& dialog) { selectRowAndPress(dialog, 1, QStringLiteral("Select")); });
        session.chooseBundle(bundle);
        QCOMPARE(session.dialogs.shows(QStringLiteral("DialogSelectPackage")), 1);
        QCOMPARE(tableRows(*session.table()), QStringList{"FPGA|1.7|1.9||"});
        QVERIFY(session.enabled("updateButton"));

        // Cancelling keeps the previous choice and its Update button.
        session.dialogs.on(QStringLiteral("DialogSelectPackage"),
                           [](QDialog& dialog) { press(dialog, QStringLiteral("Close")); });
        session.widget<QPushButton>("selPackageButton")->click();
        QCOMPARE(session.dialogs.shows(QStringLiteral("DialogSelectPackage")), 2);
        QCOMPARE(tableRows(*session.table()), QStringList{"FPGA|1.7|1.9||"});
        QVERIFY(session.enabled("updateButton"));
        QCOMPARE(session.window->cameraUpdate().selectedPackage()->loads.front().loadType,
                 std::string("FPGA"));
    }

    void unpluggingClosesThePackageDialog()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString bundle = Bundles::write(
            session.folder.filePath("p.zip"),
            Bundles::package(Bundles::flashLoad(1, QStringLiteral("FPGA"), QStringLiteral("a.bin"),
                                                QStringLiteral("1.9"))) +
                Bundles::package(Bundles::flashLoad(1, QStringLiteral("FPGA"), QStringLiteral("b.bin"),
                                                    QStringLiteral("2.0")),
                                 QStringLiteral("      <HardwareRevision>2</HardwareRevision>\n")),
            {{QStringLiteral("VX-Test_0x1234_Any_/a.bin"), Bundles::content(64, 1)},
             {QStringLiteral("VX-Test_0x1234_2_/b.bin"), Bundles::content(64, 2)}});
        // The operator leaves the dialog open; the camera goes.
        session.dialogs.on(QStringLiteral("DialogSelectPackage"),
                           [&session](QDialog&) { session.rig.detach("SIM-A"); });
        session.chooseBundle(bundle);
        QCOMPARE(session.status(), QStringLiteral("Camera disconnected."));
        QCOMPARE(session.table()->rowCount(), 0);
        QVERIFY(!session.enabled("updateButton"));
        QCOMPARE(session.window->cameraUpdate().selectedPackage(), nullptr);
    }

    void wholeUpdateShowsProgressAndEndsDone()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.rebootTiming = {std::chrono::milliseconds(200), std::chrono::milliseconds(600)};
        session.start();
        const auto files = twoLoadFiles(200000);
        session.chooseBundle(Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), files));
        QVector<int> fileBar;
        connect(session.widget<QProgressBar>("fileProgressBar"), &QProgressBar::valueChanged,
                [&fileBar](int value) { fileBar << value; });

        session.widget<QPushButton>("updateButton")->click();
        QCOMPARE(
            session.prompts.messages(),
            QStringList{"Update|Are you sure you want to proceed with the software update?\nCamera must not "
                        "be disconnected during the update process."});
        QCOMPARE(session.status(), QStringLiteral("Updating camera..."));
        for (const char* name : {"selBinariesButton", "selPackageButton", "updateButton", "camModeGroupBox"})
        {
            QVERIFY2(!session.enabled(name), name);
        }
        QVERIFY(!session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Update completed. Rebooting camera..."),
                                  20000);
        // While the camera restarts: nothing to operate, the wait cursor.
        QCOMPARE(tableRows(*session.table()),
                 (QStringList{"Firmware|2.4.1|2.5|100%|Done", "FPGA|1.7|1.8|100%|Done"}));
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("N/A"));
        QVERIFY(!session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        QVERIFY(!session.enabled("selBinariesButton"));
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QVERIFY(session.window->isRebooting());
        // The camera stays listed through its restart and then reports what
        // was programmed.
        session.rig.camera("SIM-A").setProperty("Firmware Version", "2.5");
        session.rig.camera("SIM-A").setProperty("FPGA Version", "1.8");

        QTRY_COMPARE_WITH_TIMEOUT(session.status(),
                                  QStringLiteral("Update completed. Camera successfully rebooted."), 5000);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // The versions read again; equal versions are black.
        QCOMPARE(tableRows(*session.table()),
                 (QStringList{"Firmware|2.5|2.5|100%|Done", "FPGA|1.8|1.8|100%|Done"}));
        QCOMPARE(session.table()->item(0, 2)->foreground().color(), QColor(Qt::black));
        QCOMPARE(session.table()->item(1, 2)->foreground().color(), QColor(Qt::black));
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("SIM-A"));
        QCOMPARE(session.prompts.messages().size(), 1);
        const QStringList lines = session.log.lines();
        const QStringList order{"[info] Update completed. Rebooting camera...",
                                "[info] Camera SIM-A rebooted.", "[info] Connected to camera.",
                                "[info] Update completed. Camera successfully rebooted."};
        int at = -1;
        for (const QString& line : order)
        {
            const int found = lines.indexOf(line, at + 1);
            QVERIFY2(found > at, qPrintable(line));
            at = found;
        }
        const QColor done = QColor(Qt::green).lighter(150);
        QCOMPARE(session.table()->item(0, 4)->background().color(), done);
        QCOMPARE(session.table()->item(1, 4)->background().color(), done);
        QCOMPARE(session.widget<QProgressBar>("overallProgressBar")->value(), 100);
        QCOMPARE(session.widget<QProgressBar>("fileProgressBar")->value(), 100);
        // Redrawn at most once per refresh period, so a fast camera shows few
        // steps, but more than the end.
        QVERIFY2(fileBar.size() > 1, "the file bar moves in steps");
        QVERIFY(session.enabled("selBinariesButton"));
        QVERIFY(session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        QVERIFY(!session.window->isUpdateInProgress());
        // The flash holds the firmware.
        const std::string flash =
            session.rig.camera("SIM-A").CameraInterface::SimulatedAdapter::SimulatedCamera::readFlash(
                0x100000, static_cast<std::uint32_t>(files.at(QStringLiteral("fw.bin")).size()));
        QCOMPARE(QByteArray::fromStdString(flash), files.at(QStringLiteral("fw.bin")));

        // The run is in the history, with what became of each load.
        UpdateHistory history(session.historyPath());
        QVERIFY(history.open());
        const std::optional<HistoryRun> run = history.lastRun(QStringLiteral("SIM-A"));
        QVERIFY(run.has_value());
        QCOMPARE(run->outcome, QLatin1String(HistoryRun::SUCCEEDED));
        QCOMPARE(run->frontEnd, QStringLiteral("window"));
        QCOMPARE(run->bundleFile, QStringLiteral("u.zip"));
        QStringList loads;
        for (const HistoryLoad& load : run->loads)
        {
            loads << QStringList{load.loadType, load.versionBefore, load.bundleVersion,
                                 load.decision, load.outcome,       load.versionAfter}
                         .join(QLatin1Char('|'));
        }
        QCOMPARE(loads,
                 (QStringList{"Firmware|2.4.1|2.5|program|done|2.5", "FPGA|1.7|1.8|program|done|1.8"}));
    }

    void twoLoadsOfOneTypeGetNoProgress()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        const QString loads =
            Bundles::flashLoad(1, QStringLiteral("FPGA"), QStringLiteral("a.bit"), QStringLiteral("1.8"), 2) +
            Bundles::flashLoad(2, QStringLiteral("FPGA"), QStringLiteral("b.bit"), QStringLiteral("1.9"));
        session.chooseBundle(Bundles::write(session.folder.filePath("t.zip"), Bundles::package(loads),
                                            {{QStringLiteral("a.bit"), Bundles::content(5000, 1)},
                                             {QStringLiteral("b.bit"), Bundles::content(5000, 2)}}));
        QCOMPARE(tableRows(*session.table()), (QStringList{"FPGA|1.7|1.8||", "FPGA|1.7|1.9||"}));
        session.widget<QPushButton>("updateButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(session.status().startsWith(QStringLiteral("Update completed.")), 20000);
        // The rows cannot be told apart by their type: neither gets progress.
        QCOMPARE(tableRows(*session.table()), (QStringList{"FPGA|1.7|1.8||", "FPGA|1.7|1.9||"}));
        QCOMPARE(session.widget<QProgressBar>("overallProgressBar")->value(), 100);
    }

    void failingUpdateShowsWhyAndRestoresTheControls()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        session.rig.camera("SIM-A").corruptReadAddress = 0x100010;
        session.prompts.clear();
        session.widget<QPushButton>("updateButton")->click();
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Programming unsuccessful."), 20000);
        QCOMPARE(session.prompts.messages().last(), QStringLiteral("Error|Programming unsuccessful."));
        QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Critical);
        QCOMPARE(session.table()->item(0, 4)->text(), QStringLiteral("Failed"));
        QCOMPARE(session.table()->item(0, 4)->background().color(), QColor(Qt::red).lighter(150));
        QCOMPARE(session.table()->item(1, 4)->text(), QString());
        QVERIFY(session.enabled("selBinariesButton"));
        QVERIFY(session.enabled("updateButton"));
        QVERIFY(session.enabled("selPackageButton"));
        QVERIFY(session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        QVERIFY(!session.window->isUpdateInProgress());
    }

    void failingWriteOnADyingCamera()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        session.rig.camera("SIM-A").dieAtWrite = 3;
        session.widget<QPushButton>("updateButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(session.prompts.messages().contains(
                                     QStringLiteral("Error|Camera was disconnected during update.")),
                                 20000);
        QTRY_VERIFY(session.log.contains(QStringLiteral("[info] Camera SIM-A disconnected.")));
        QTRY_VERIFY(!session.window->isUpdateInProgress());
        // Still attached, the camera is found again and the window connects
        // to the fresh one, with no package chosen.
        QTRY_COMPARE(session.status(), QStringLiteral("Camera connected."));
        QVERIFY(!session.enabled("updateButton"));
        QCOMPARE(session.window->cameraUpdate().selectedPackage(), nullptr);
    }

    void switchingModeRebootsIntoTheNewMode()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(50));
        session.clickMode(true);
        QCOMPARE(session.prompts.messages(),
                 QStringList{"Switching Camera Mode|Are you sure you want to switch camera mode?\n\nCamera "
                             "driver must be installed first.\nPlease, make sure you have the proper drivers "
                             "installed."});
        QCOMPARE(session.status(), QStringLiteral("Rebooting camera..."));
        QVERIFY(session.log.contains(QStringLiteral("[info] Rebooting camera...")));
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Camera connected."), 5000);
        // The camera found again is a new object that kept the mode.
        QVERIFY(session.rig.listedAgainAt("SIM-A") > session.rig.rebootedAt("SIM-A"));
        QVERIFY(session.u3vChecked());
        QVERIFY(!session.ostraChecked());
        QVERIFY(!session.enabled("selBinariesButton"));
        QVERIFY(session.log.contains(QStringLiteral("[info] Camera SIM-A rebooted.")));
        QVERIFY(session.log.contains(QStringLiteral("[info] USB3 Vision Mode: Enabled")));
        QCOMPARE(session.prompts.shown.size(), 1);
        QVERIFY(session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
    }

    void answeringNoPutsTheButtonsBack()
    {
        RigCamera u3v = camera("SIM-U");
        u3v.usb3VisionMode = "Enabled";
        Session session({u3v}, {"SIM-U"});
        session.start();
        session.prompts.answers = {QMessageBox::No};
        session.clickMode(false);
        QCOMPARE(session.prompts.shown.size(), 1);
        QCOMPARE(session.prompts.shown.first().kind, ModalPrompts::PROMPT_KIND::MESSAGE);
        QVERIFY(session.u3vChecked());
        QVERIFY(!session.ostraChecked());
        QVERIFY(!session.window->isRebooting());
        QCOMPARE(session.rig.camera("SIM-U").getProperty("USB3 Vision Mode").getValue(),
                 std::string("Enabled"));
        QVERIFY(session.rig.camera("SIM-U").reboots().empty());
        QCOMPARE(session.status(), QStringLiteral("Camera connected."));
    }

    void modeThatCannotBeSet_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("writable");
        QTest::newRow("no USB3 Vision Mode") << "" << true;
        QTest::newRow("value does not stick") << "Disabled" << false;
    }
    void modeThatCannotBeSet()
    {
        QFETCH(QString, mode);
        QFETCH(bool, writable);
        RigCamera rigCamera = camera("SIM-A");
        rigCamera.usb3VisionMode = mode.toStdString();
        rigCamera.modeWritable = writable;
        Session session({rigCamera}, {"SIM-A"});
        session.start();
        // Without the property the buttons are disabled; the slot still
        // holds when reached.
        QVERIFY(QMetaObject::invokeMethod(session.window.get(), "on_radioButtonU3VMode_clicked",
                                          Q_ARG(bool, true)));
        QCOMPARE(session.prompts.messages().size(), 2);
        QCOMPARE(
            session.prompts.messages().last(),
            QStringLiteral("Error|The camera VX-Test (SN: SIM-A) doesn't support U3V mode or doesn't have "
                           "an U3V xml file installed on it."));
        QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Critical);
        QVERIFY(session.ostraChecked());
        QVERIFY(!session.u3vChecked());
        QVERIFY(!session.window->isRebooting());
        QVERIFY(session.rig.camera("SIM-A").reboots().empty());
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-A"));
    }

    void libraryErrorInTheModeSwitchIsShown()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        // The camera leaves the registry before the window hears of it.
        session.rig.detach("SIM-A");
        QTest::qSleep(300);
        QVERIFY(QMetaObject::invokeMethod(session.window.get(), "on_radioButtonU3VMode_clicked",
                                          Q_ARG(bool, true)));
        QCOMPARE(session.prompts.messages().size(), 2);
        QVERIFY2(session.prompts.messages().last().startsWith(QStringLiteral("Error|")) &&
                     session.prompts.messages().last().contains(
                         QStringLiteral("Camera was not found in the list of available cameras.")),
                 qPrintable(session.prompts.messages().last()));
        QVERIFY(session.ostraChecked());
        QVERIFY(!session.window->isRebooting());
        QTRY_COMPARE(session.status(), QStringLiteral("Camera disconnected."));
    }

    void cameraThatNeverReturns()
    {
        Session session({camera("SIM-A"), camera("SIM-B")}, {"SIM-A"});
        session.start();
        session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(-1));
        session.clickMode(true);
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Camera reconnection timed out."), 5000);
        // Three looks, 100 ms apart.
        QVERIFY(std::chrono::steady_clock::now() - session.rig.rebootedAt("SIM-A") >=
                std::chrono::milliseconds(300));
        QCOMPARE(session.prompts.messages().last(),
                 QStringLiteral(
                     "Warning|Camera reconnection timed out.\n\nPlease attempt to reconnect to camera."));
        QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Warning);
        QVERIFY(session.log.contains(
            QStringLiteral("[warning] Failed to reconnect to camera after 300 milliseconds")));
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        QCOMPARE(session.widget<QLabel>("serialNumberLabel")->text(), QStringLiteral("N/A"));
        QVERIFY(session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // The next camera is taken up, and its loss is noticed.
        session.rig.attach("SIM-B");
        QTRY_COMPARE(session.window->selectedSerialNumber(), std::string("SIM-B"));
        session.rig.detach("SIM-B");
        QTRY_COMPARE(session.status(), QStringLiteral("Camera disconnected."));
        QVERIFY(session.log.contains(QStringLiteral("[info] Camera SIM-B disconnected.")));
    }

    void rebootThatThrows()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.rig.camera("SIM-A").rebootFails = true;
        session.clickMode(true);
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Camera was not rebooted successfuly."),
                                  5000);
        QCOMPARE(session.prompts.messages().last(),
                 QStringLiteral(
                     "Error|Camera was not rebooted successfuly.\n\nPlease attempt to reconnect to camera."));
        QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Critical);
        QVERIFY(!session.log.contains(QStringLiteral("[warning] Failed to reconnect")));
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        QVERIFY(session.widget<QAction>("actionConnect_to_Camera")->isEnabled());
        // The camera is still there: connecting again takes it up.
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-A"));
        QCOMPARE(session.status(), QStringLiteral("Camera connected."));
    }

    void versionsNotReadBackAfterTheUpdateAreNoSuccess()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        session.widget<QPushButton>("updateButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            !session.window->isRebooting() && session.status() != QStringLiteral("Updating camera...") &&
                session.status().endsWith(QStringLiteral("Rebooting camera...")) == false,
            20000);
        QVERIFY2(session.status().startsWith(QStringLiteral("The camera was programmed and rebooted, but")),
                 qPrintable(session.status()));
        QCOMPARE(session.prompts.shown.last().icon, QMessageBox::Critical);
        QVERIFY(
            !session.log.contains(QStringLiteral("[info] Update completed. Camera successfully rebooted.")));
        // The camera still reports its old versions; the new ones show red
        // for none, green for higher.
        QCOMPARE(tableRows(*session.table()),
                 (QStringList{"Firmware|2.4.1|2.5|100%|Done", "FPGA|1.7|1.8|100%|Done"}));
        QCOMPARE(session.table()->item(0, 2)->foreground().color(), QColor(Qt::green).darker(200));
    }

    // The updater's own timing: the camera is back after half a second, and
    // still first looked for after 10 s.
    void firstLookComesAfterTenSeconds()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.rebootTiming = RebootTiming();
        session.start();
        session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(500));
        session.clickMode(true);
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Camera connected."), 25000);
        const auto reconnected = std::chrono::steady_clock::now();
        const auto rebooted = session.rig.rebootedAt("SIM-A");
        QVERIFY(session.rig.listedAgainAt("SIM-A") - rebooted < std::chrono::seconds(2));
        QVERIFY(reconnected - rebooted >= std::chrono::seconds(10));
        QVERIFY(reconnected - rebooted < std::chrono::seconds(20));
        QVERIFY(session.u3vChecked());
    }

    void closingWhileTheCameraRestarts()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        // Without the cancel, closing would wait out the 30 s.
        session.rebootTiming = RebootTiming();
        session.start();
        session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(-1));
        session.clickMode(true);
        QVERIFY(session.window->isRebooting());
        session.prompts.clear();
        session.widget<QPushButton>("exitButton")->click();
        QVERIFY(!session.window->isVisible());
        QVERIFY(session.prompts.shown.isEmpty());
        const auto start = std::chrono::steady_clock::now();
        session.window.reset();
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(3));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        QCoreApplication::processEvents();
        QVERIFY(session.log.contains(QStringLiteral("[info] Application terminated.")));
        QVERIFY(!session.log.contains(QStringLiteral("[warning] Failed to reconnect")));
        QVERIFY(session.prompts.shown.isEmpty());
    }

    void closingDuringAnUpdateAsksFirst()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles(2000000)));
        session.widget<QPushButton>("updateButton")->click();
        QVERIFY(session.window->isUpdateInProgress());
        session.prompts.clear();
        session.prompts.answers = {QMessageBox::No};
        QVERIFY(!session.window->close());
        QVERIFY(session.window->isVisible());
        QCOMPARE(
            session.prompts.messages(),
            QStringList{"Exit|An update is in progress.\nAre you sure you want to close the application?"});
        QVERIFY(!session.log.contains(QStringLiteral("[info] Terminating application.")));

        session.prompts.answers = {QMessageBox::Yes};
        QVERIFY(session.window->close());
        QVERIFY(session.log.contains(QStringLiteral("[info] Terminating application.")));
        // Destroying the window waits for the run; the camera outlives it.
        session.window.reset();
        QVERIFY(session.log.contains(QStringLiteral("[info] Application terminated.")));
    }

    void closingWhenIdleDoesNotAsk()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.widget<QPushButton>("exitButton")->click();
        QVERIFY(!session.window->isVisible());
        QVERIFY(session.prompts.shown.isEmpty());
        session.window.reset();
        const QStringList lines = session.log.lines();
        const QStringList order{"[info] Workspace initialized.", "[info] Application initialized.",
                                "[info] Terminating application.", "[info] Workspace uninitialized.",
                                "[info] Application terminated."};
        int at = -1;
        for (const QString& line : order)
        {
            const int found = lines.indexOf(line);
            QVERIFY2(found > at, qPrintable(line));
            at = found;
        }
    }

    void languageMenuIsHiddenWithEnglishOnly()
    {
        Session session({camera("SIM-A")});
        session.start();
        auto* menu = session.widget<QMenu>("menuLanguages");
        QVERIFY(!menu->menuAction()->isVisible());
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("English"));
        QCOMPARE(menu->actions().first()->data().toString(), QStringLiteral("en"));
        QCOMPARE(session.window->currentLanguage(), QStringLiteral("en"));
        QCOMPARE(UpdaterApplication::openSettings()->value("language").toString(), QStringLiteral("en"));
        QVERIFY(!session.log.lines().join('\n').contains(QStringLiteral("Change language")));

        session.window->applyLanguage(QStringLiteral("en"));
        QVERIFY(!session.log.lines().join('\n').contains(QStringLiteral("Change language")));
        // A language without a catalogue shows the source texts.
        session.window->applyLanguage(QStringLiteral("de"));
        QVERIFY(session.log.contains(QStringLiteral("[info] Change language from en to de")));
        QCOMPARE(UpdaterApplication::openSettings()->value("language").toString(), QStringLiteral("de"));
        QCOMPARE(session.widget<QPushButton>("selBinariesButton")->text(), QStringLiteral("Select Binaries"));
        session.window->applyLanguage(QStringLiteral("en"));
    }

    void catalogueCarriesEveryTextUntranslated()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral("i18n_en.qm"), QStringLiteral(":translations")));
        QVERIFY(!translator.isEmpty());
        // Every context the program translates in, English to English.
        const std::vector<std::pair<const char*, const char*>> samples{
            {"MainWindow", "No update is required."},
            {"MainWindow", "Select Binaries"},
            {"MainWindow", "Switching Camera Mode"},
            {"MainWindow", "Camera reconnection timed out."},
            {"CameraUpdate", "Programming unsuccessful."},
            {"QObject", "You already have this app running.\nOnly one instance is allowed."},
            {"DialogSelectPackage", "There is no package selected."},
            {"DialogSelectCamera", "No camera has been selected."}};
        for (const auto& [context, text] : samples)
        {
            QCOMPARE(translator.translate(context, text), QString::fromUtf8(text));
        }
    }

    // One row per phase (and per fact that changes the controls within one),
    // reached through the real window; every control's state in it.
    void phaseDecidesEveryControl_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("controls");
        using PHASE = MainWindow::PHASE;
        const auto row = [](const char* name, PHASE phase, const char* controls)
        {
            QTest::newRow(name) << QString::fromLatin1(name) << int(phase) << QString::fromLatin1(controls);
        };
        row("IDLE", PHASE::IDLE,
            "connect+ mode- ostra- u3v- details- system- table- binaries- package- update- exit+ "
            "checked:Ostra");
        row("CONNECTING", PHASE::CONNECTING,
            "connect- mode- ostra- u3v- details- system- table- binaries- package- update- exit+ "
            "checked:Ostra");
        row("CONNECTED", PHASE::CONNECTED,
            "connect+ mode+ ostra+ u3v+ details+ system+ table+ binaries+ package- update- exit+ "
            "checked:Ostra");
        row("CONNECTED with a package", PHASE::CONNECTED,
            "connect+ mode+ ostra+ u3v+ details+ system+ table+ binaries+ package+ update+ exit+ "
            "checked:Ostra");
        row("CONNECTED in USB3 Vision mode", PHASE::CONNECTED,
            "connect+ mode+ ostra+ u3v+ details+ system+ table- binaries- package- update- exit+ "
            "checked:U3V");
        row("CONNECTED without a mode property", PHASE::CONNECTED,
            "connect+ mode+ ostra- u3v- details+ system+ table+ binaries+ package- update- exit+ "
            "checked:Ostra");
        row("UPDATING", PHASE::UPDATING,
            "connect- mode- ostra- u3v- details+ system+ table+ binaries- package- update- exit+ "
            "checked:Ostra");
        row("REBOOTING_AFTER_UPDATE", PHASE::REBOOTING_AFTER_UPDATE,
            "connect- mode- ostra- u3v- details- system- table- binaries- package- update- exit+ "
            "checked:Ostra");
        row("SWITCHING_MODE", PHASE::SWITCHING_MODE,
            "connect- mode- ostra- u3v- details- system- table- binaries- package- update- exit+ "
            "checked:U3V");
    }

    void phaseDecidesEveryControl()
    {
        QFETCH(QString, scenario);
        QFETCH(int, phase);
        QFETCH(QString, controls);
        RigCamera rigCamera = camera("SIM-A");
        if (scenario.contains(QLatin1String("USB3 Vision")))
        {
            rigCamera.usb3VisionMode = "Enabled";
        }
        if (scenario.contains(QLatin1String("without a mode")))
        {
            rigCamera.usb3VisionMode.clear();
        }
        Session session({rigCamera}, scenario == QLatin1String("IDLE") ? std::vector<std::string>{}
                                                                       : std::vector<std::string>{"SIM-A"});
        session.rebootTiming = {std::chrono::milliseconds(2000), std::chrono::milliseconds(6000)};
        QString seen;
        int seenPhase = -1;
        const auto look = [&]()
        {
            seen = controlStates(*session.window);
            seenPhase = int(session.window->phase());
            // tools/screenshots.sh keeps a picture of every phase, the short
            // ones included.
            const QString pictures = qEnvironmentVariable("VX_PHASE_PICTURES");
            if (!pictures.isEmpty())
            {
                const QString name = scenario.toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
                QVERIFY(session.window->grab().save(pictures + QStringLiteral("/phase-") + name +
                                                    QStringLiteral(".png")));
            }
        };
        session.window = std::make_unique<MainWindow>();
        session.window->setRebootTiming(session.rebootTiming);
        if (scenario != QLatin1String("IDLE"))
        {
            // Restarts last until the window goes.
            session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(-1));
        }
        if (scenario == QLatin1String("CONNECTING"))
        {
            // Runs in the one turn of the event loop the connection allows
            // while it says "Connecting to camera...".
            QMetaObject::invokeMethod(session.window.get(), look, Qt::QueuedConnection);
        }
        session.window->show();
        const QString bundle =
            Bundles::write(session.folder.filePath("p.zip"), twoLoadPackage(), twoLoadFiles(200000));
        if (scenario.contains(QLatin1String("package")) || scenario.startsWith(QLatin1String("UPDATING")) ||
            scenario.startsWith(QLatin1String("REBOOTING")))
        {
            session.chooseBundle(bundle);
        }
        if (scenario == QLatin1String("UPDATING") || scenario == QLatin1String("REBOOTING_AFTER_UPDATE"))
        {
            session.widget<QPushButton>("updateButton")->click();
        }
        if (scenario == QLatin1String("REBOOTING_AFTER_UPDATE"))
        {
            QTRY_COMPARE_WITH_TIMEOUT(session.status(),
                                      QStringLiteral("Update completed. Rebooting camera..."), 20000);
        }
        if (scenario == QLatin1String("SWITCHING_MODE"))
        {
            session.clickMode(true);
        }
        if (scenario != QLatin1String("CONNECTING"))
        {
            look();
        }
        QCOMPARE(seenPhase, phase);
        QCOMPARE(seen, controls);
    }

    // Update with no camera selected (the selection dialog was cancelled):
    // the warning, and the camera mode box stays as it was.
    void updateWithoutACameraKeepsTheModeBox()
    {
        Session session({camera("SIM-A"), camera("SIM-B")}, {"SIM-A", "SIM-B"});
        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog) { selectRowAndPress(dialog, 0, QStringLiteral("Select")); });
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog) { press(dialog, QStringLiteral("Close")); });
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.window->selectedSerialNumber(), std::string());
        session.prompts.clear();
        session.widget<QPushButton>("updateButton")->click();
        QCOMPARE(session.prompts.messages().last(), NO_CAMERA);
        QVERIFY(session.enabled("camModeGroupBox"));
        QCOMPARE(session.window->phase(), MainWindow::PHASE::CONNECTED);
        // Connecting again gives the full controls back.
        session.dialogs.on(QStringLiteral("DialogSelectCamera"),
                           [](QDialog& dialog) { selectRowAndPress(dialog, 1, QStringLiteral("Select")); });
        session.widget<QAction>("actionConnect_to_Camera")->trigger();
        QCOMPARE(session.window->selectedSerialNumber(), std::string("SIM-B"));
        QVERIFY(session.enabled("camModeGroupBox"));
        QVERIFY(session.enabled("selBinariesButton"));
    }

    void progressBarsClearedWhenTheTableEmpties()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        QCOMPARE(session.table()->rowCount(), 2);
        session.widget<QProgressBar>("fileProgressBar")->setValue(40);
        session.widget<QProgressBar>("overallProgressBar")->setValue(60);
        const QString other = Bundles::write(
            session.folder.filePath("o.zip"),
            Bundles::package(Bundles::flashLoad(1, QStringLiteral("Firmware"), QStringLiteral("fw.bin"),
                                                QStringLiteral("2.5")),
                             QString(), QStringLiteral("VX-Other")),
            {{QStringLiteral("fw.bin"), Bundles::content(100, 1)}});
        session.chooseBundle(other);
        QCOMPARE(session.table()->rowCount(), 0);
        QCOMPARE(session.widget<QProgressBar>("fileProgressBar")->value(), 0);
        QCOMPARE(session.widget<QProgressBar>("overallProgressBar")->value(), 0);
    }

    void progressClearedByAModeSwitch()
    {
        Session session({camera("SIM-A")}, {"SIM-A"});
        session.start();
        session.chooseBundle(
            Bundles::write(session.folder.filePath("u.zip"), twoLoadPackage(), twoLoadFiles()));
        session.table()->item(0, 3)->setText(QStringLiteral("100%"));
        session.table()->item(0, 4)->setText(QStringLiteral("Done"));
        session.widget<QProgressBar>("fileProgressBar")->setValue(100);
        session.widget<QProgressBar>("overallProgressBar")->setValue(100);
        session.rig.vanishOnReboot("SIM-A", std::chrono::milliseconds(50));
        session.clickMode(true);
        QTRY_COMPARE_WITH_TIMEOUT(session.status(), QStringLiteral("Camera connected."), 5000);
        QVERIFY(session.u3vChecked());
        QCOMPARE(session.widget<QProgressBar>("fileProgressBar")->value(), 0);
        QCOMPARE(session.widget<QProgressBar>("overallProgressBar")->value(), 0);
        // The loads stay listed, without what the last run showed.
        QCOMPARE(tableRows(*session.table()), (QStringList{"Firmware|2.4.1|2.5||", "FPGA|1.7|1.8||"}));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
