#include "PromptRecorder.h"

#include "Window/DialogShowLogText.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdaterLog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <spdlog/spdlog.h>

namespace
{

QString lastLine(const QTextBrowser& view)
{
    const QStringList lines = view.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

} // namespace

// The log of this process lives in a data folder of its own (see main).
class DialogShowLogTextTest : public QObject
{
    Q_OBJECT

private:
    QString m_LogPath;
    QString m_EarlierLog;

    static QPushButton* button(DialogShowLogText& dialog, QDialogButtonBox::StandardButton which)
    {
        return dialog.findChild<QDialogButtonBox*>("buttonBox")->button(which);
    }
    static QTextBrowser* view(DialogShowLogText& dialog)
    {
        return dialog.findChild<QTextBrowser*>("textBrowser");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(UpdaterLog::createLog());
        m_LogPath = QString::fromStdString(UpdaterLog::logFilePath());
        m_EarlierLog =
            QFileInfo(m_LogPath).absolutePath() + QStringLiteral("/VxUpdater_2017-05-02_14-03-07-123");
        QFile earlier(m_EarlierLog);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("[2017-05-02 14:03:07:123] [info] Application initialized.\n"
                      "[2017-05-02 14:03:09:001] [info] Caf\xc3\xa9 camera connected.\n");
    }
    void cleanupTestCase() { spdlog::drop(EngineLog::LOGGER_NAME); }

    void construction()
    {
        DialogShowLogText dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("DialogShowLogText"));
        QCOMPARE(dialog.size(), QSize(400, 300));
        QVERIFY(dialog.isModal());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(button(dialog, QDialogButtonBox::Open)->text(), QStringLiteral("Open Log"));
        QCOMPARE(button(dialog, QDialogButtonBox::Close)->text(), QStringLiteral("Close"));
        QVERIFY(view(dialog)->isReadOnly());
    }

    // The information level is not flushed by the logger itself.
    void showsTheLineJustWritten()
    {
        const QString line =
            QStringLiteral("Bundle selected: /tmp/line %1").arg(QDateTime::currentMSecsSinceEpoch());
        EngineLog::info(line);
        DialogShowLogText dialog;
        QCOMPARE(dialog.windowTitle(), "Displaying Log: " + QFileInfo(m_LogPath).fileName());
        QCOMPARE(dialog.logPath(), m_LogPath);
        QVERIFY2(lastLine(*view(dialog)).endsWith("] [info] " + line), qPrintable(lastLine(*view(dialog))));
        QCOMPARE(view(dialog)->textCursor().position(), view(dialog)->document()->characterCount() - 1);
    }

    void openLog_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("lastLineEnd");
        QTest::newRow("an earlier log, read as UTF-8")
            << "EARLIER"
            << "Displaying Log: VxUpdater_2017-05-02_14-03-07-123"
            << QString::fromUtf8("[info] Caf\xc3\xa9 camera connected.");
        QTest::newRow("cancelled: the current log again") << ""
                                                          << "CURRENT"
                                                          << "[info] Current marker.";
        QTest::newRow("unreadable: named, empty view") << "/nonexistent/VxUpdater_gone"
                                                       << "Displaying Log: VxUpdater_gone"
                                                       << "";
    }
    void openLog()
    {
        QFETCH(QString, answer);
        QFETCH(QString, title);
        QFETCH(QString, lastLineEnd);
        EngineLog::info(QStringLiteral("Current marker."));
        PromptRecorder prompts;
        prompts.fileName = answer == "EARLIER" ? m_EarlierLog : answer;
        DialogShowLogText dialog;
        dialog.open();
        button(dialog, QDialogButtonBox::Open)->click();

        QCOMPARE(prompts.prompts().size(), std::size_t{1});
        const ModalPrompts::Prompt& asked = prompts.prompts().front();
        QCOMPARE(asked.kind, ModalPrompts::PROMPT_KIND::OPEN_FILE);
        QCOMPARE(asked.title, QStringLiteral("Select Log File"));
        QCOMPARE(asked.folder, QFileInfo(m_LogPath).absolutePath());
        QCOMPARE(asked.filter, QStringLiteral("Log File (VxUpdater_*)"));
        QCOMPARE(asked.parent, &dialog);

        QCOMPARE(dialog.windowTitle(),
                 title == "CURRENT" ? "Displaying Log: " + QFileInfo(m_LogPath).fileName() : title);
        if (lastLineEnd.isEmpty())
        {
            QVERIFY(view(dialog)->toPlainText().isEmpty());
        }
        else
        {
            QVERIFY2(lastLine(*view(dialog)).endsWith(lastLineEnd), qPrintable(lastLine(*view(dialog))));
        }
        QVERIFY(dialog.isVisible());
    }

    void closeAccepts()
    {
        DialogShowLogText dialog;
        dialog.open();
        button(dialog, QDialogButtonBox::Close)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QApplication application(argc, argv);
    DialogShowLogTextTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "DialogShowLogTextTest.moc"
