#include "WindowTestSupport.h"

#include "Window/MainWindow.h"
#include "Window/UpdaterApplication.h"
#include "Window/UserGuide.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdateProgress.h"
#include "Engine/UpdaterLog.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTextBrowser>

#include <spdlog/spdlog.h>

using namespace WindowTestSupport;

// The Tools and Help menus of the real window, with the program's own log
// file (in the test's data folder) and no camera attached.
class HelpMenuTest : public QObject
{
    Q_OBJECT

private:
    struct Session
    {
        CameraRig rig{{}};
        PromptScript prompts;
        DialogScript dialogs;
        MainWindow window;
        void trigger(const char* action) { window.findChild<QAction*>(QLatin1String(action))->trigger(); }
    };

    static QString logText()
    {
        spdlog::get(EngineLog::LOGGER_NAME)->flush();
        QFile log(QString::fromStdString(UpdaterLog::logFilePath()));
        return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
    }

private slots:
    void initTestCase()
    {
        UpdaterApplication::setIdentity();
        UpdaterApplication::initialiseResources();
        UpdaterApplication::installSettingsPath();
        UpdateProgress::registerMetaTypes();
        QVERIFY(UpdaterLog::createLog());
    }
    void cleanupTestCase() { spdlog::drop(EngineLog::LOGGER_NAME); }

    // Information lines are not flushed by the logger on their own.
    void showLogFileShowsTheLineJustWritten()
    {
        Session session;
        session.window.show();
        const QString marker = QStringLiteral("Marker %1").arg(QDateTime::currentMSecsSinceEpoch());
        EngineLog::info(marker);
        QString lastLine;
        QString title;
        session.dialogs.on(QStringLiteral("DialogShowLogText"),
                           [&](QDialog& dialog)
                           {
                               title = dialog.windowTitle();
                               const QStringList lines =
                                   dialog.findChild<QTextBrowser*>(QStringLiteral("textBrowser"))
                                       ->toPlainText()
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                               lastLine = lines.isEmpty() ? QString() : lines.last();
                               press(dialog, QStringLiteral("Close"));
                           });
        session.trigger("actionShow_Log_File");
        QCOMPARE(session.dialogs.shows(QStringLiteral("DialogShowLogText")), 1);
        QCOMPARE(title, "Displaying Log: " +
                            QFileInfo(QString::fromStdString(UpdaterLog::logFilePath())).fileName());
        QVERIFY2(lastLine.endsWith("] [info] " + marker), qPrintable(lastLine));
        QVERIFY(session.window.findChildren<QDialog*>(QStringLiteral("DialogShowLogText")).isEmpty());
    }

    void aboutShowsNameAndVersion()
    {
        Session session;
        session.trigger("actionAbout");
        QCOMPARE(session.prompts.shown.size(), 1);
        QCOMPARE(session.prompts.shown.front().kind, ModalPrompts::PROMPT_KIND::ABOUT);
        QCOMPARE(session.prompts.shown.front().title, QStringLiteral("About"));
        QCOMPARE(session.prompts.shown.front().text,
                 QStringLiteral("Veltrax VxUpdater Application\n\nVersion 3.0.0.10229"));
    }

    // No guide beside the test program: the error box, logged as the window
    // logs every error it shows.
    void missingUserGuideIsAnError()
    {
        QVERIFY(!QFileInfo::exists(UserGuide::url().toLocalFile()));
        Session session;
        session.trigger("actionUser_guide");
        const QString url = UserGuide::url().toString();
        const QString text = "User guide file not found.\n(" + url + ")";
        QCOMPARE(session.prompts.messages(), QStringList{"Error|" + text});
        QCOMPARE(session.prompts.shown.front().icon, QMessageBox::Critical);
        const QString log = logText();
        QVERIFY(log.contains("] [info] Opening user guide file: " + url + "\n"));
        QVERIFY(log.contains("] [error] User guide file not found.\n"));
    }
};

QTEST_MAIN(HelpMenuTest)
#include "HelpMenuTest.moc"
