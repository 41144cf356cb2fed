#include "PromptRecorder.h"

#include "Window/DialogUpdateHistory.h"

#include "Engine/HistoryExport.h"
#include "Engine/UpdateHistory.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

HistoryLoad load(int position, std::uint32_t number, const QString& type, const QString& before,
                 const QString& bundle)
{
    HistoryLoad made;
    made.position = position;
    made.loadNumber = number;
    made.loadType = type;
    made.fileName = type.toLower() + QStringLiteral(".bin");
    made.versionBefore = before;
    made.bundleVersion = bundle;
    made.decision = QStringLiteral("program");
    made.outcome = QStringLiteral("not reached");
    return made;
}

HistoryRun run(const QString& serial, const QString& package)
{
    HistoryRun made;
    made.startedAt = QDateTime(QDate(2026, 12, 8), QTime(16, 40, 2));
    made.updaterVersion = QStringLiteral("3.1.0");
    made.frontEnd = QStringLiteral("window");
    made.serialNumber = serial;
    made.model = QStringLiteral("VX-Test");
    made.bundleFile = QStringLiteral("/data/bundles/Vx2026.zip");
    made.package = package;
    made.loads = {load(0, 0x10, QStringLiteral("Firmware"), QStringLiteral("2.4.1"), QStringLiteral("2.5")),
                  load(1, 0x20, QStringLiteral("FPGA"), QStringLiteral("1.7"), QStringLiteral("1.8"))};
    return made;
}

QStringList rows(const QTableWidget& table)
{
    QStringList lines;
    for (int row = 0; row < table.rowCount(); ++row)
    {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
        {
            cells << table.item(row, column)->text();
        }
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

} // namespace

class DialogUpdateHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_Folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_Folder->isValid());
        m_History = std::make_unique<UpdateHistory>(m_Folder->filePath(QStringLiteral("History.sqlite")));
        QVERIFY2(m_History->open(), qPrintable(m_History->errorText()));
        const qint64 first =
            m_History->beginRun(run(QStringLiteral("SIM-A"), QStringLiteral("VX-Test_0x1234")));
        QVERIFY(m_History->loadStarted(first, 0));
        QVERIFY(m_History->loadEnded(first, 0, QStringLiteral("done")));
        QVERIFY(m_History->loadStarted(first, 1));
        QVERIFY(m_History->loadEnded(first, 1, QStringLiteral("done")));
        QVERIFY(m_History->endRun(first, QLatin1String(HistoryRun::SUCCEEDED), QString()));
        const qint64 second =
            m_History->beginRun(run(QStringLiteral("SIM-B"), QStringLiteral("VX-Test_0x1234")));
        QVERIFY(m_History->endRun(second, QLatin1String(HistoryRun::FAILED),
                                  QStringLiteral("Programming unsuccessful.")));
        // Begun, its first load started, never ended.
        const qint64 third =
            m_History->beginRun(run(QStringLiteral("SIM-A"), QStringLiteral("VX-Test_0x1234_r2")));
        QVERIFY(m_History->loadStarted(third, 0));
    }

    void showsTheCamerasRunsNewestFirstWithTheirLoads()
    {
        DialogUpdateHistory dialog(*m_History, QStringLiteral("SIM-A"));
        const auto* runs = dialog.findChild<QTableWidget*>(QStringLiteral("runsTable"));
        const auto* loads = dialog.findChild<QTableWidget*>(QStringLiteral("loadsTable"));
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("serialFilter"))->text(),
                 QStringLiteral("SIM-A"));
        QCOMPARE(rows(*runs),
                 (QStringList{"3|2026-12-08 16:40:02|SIM-A|VX-Test|VX-Test_0x1234_r2|Vx2026.zip|interrupted",
                              "1|2026-12-08 16:40:02|SIM-A|VX-Test|VX-Test_0x1234|Vx2026.zip|succeeded"}));
        // The interrupted run is marked on every cell.
        QVERIFY(runs->item(0, 0)->font().bold());
        QVERIFY(runs->item(0, 6)->background().color() != runs->item(1, 6)->background().color());
        QVERIFY(!runs->item(1, 0)->font().bold());
        QCOMPARE(rows(*loads), (QStringList{"Firmware|0x10|2.4.1|2.5|-|program|started",
                                            "FPGA|0x20|1.7|1.8|-|program|not reached"}));
        // tools/screenshots.sh keeps a picture of the dialog.
        const QString picture = qEnvironmentVariable("VX_HISTORY_PICTURE");
        if (!picture.isEmpty())
        {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QVERIFY(dialog.grab().save(picture));
        }
        dialog.findChild<QTableWidget*>(QStringLiteral("runsTable"))->selectRow(1);
        QCOMPARE(rows(*loads),
                 (QStringList{"Firmware|0x10|2.4.1|2.5|-|program|done", "FPGA|0x20|1.7|1.8|-|program|done"}));
    }

    void filterByCameraOrAll_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("all cameras") << QString() << QStringList{"3", "2", "1"};
        QTest::newRow("other camera") << QStringLiteral("SIM-B") << QStringList{"2"};
        QTest::newRow("unknown camera") << QStringLiteral("SIM-Z") << QStringList{};
    }

    void filterByCameraOrAll()
    {
        QFETCH(QString, serial);
        QFETCH(QStringList, ids);
        DialogUpdateHistory dialog(*m_History, QStringLiteral("SIM-A"));
        auto* filter = dialog.findChild<QLineEdit*>(QStringLiteral("serialFilter"));
        QCOMPARE(filter->placeholderText(), QStringLiteral("All cameras"));
        filter->setText(serial);
        emit filter->editingFinished();
        const auto* runs = dialog.findChild<QTableWidget*>(QStringLiteral("runsTable"));
        QStringList shown;
        for (int row = 0; row < runs->rowCount(); ++row)
        {
            shown << runs->item(row, 0)->text();
        }
        QCOMPARE(shown, ids);
        QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("exportButton"))->isEnabled(), !ids.isEmpty());
        QCOMPARE(dialog.findChild<QTableWidget*>(QStringLiteral("loadsTable"))->rowCount(),
                 ids.isEmpty() ? 0 : 2);
    }

    void exportWritesTheShownRunsAsCsv()
    {
        PromptRecorder prompts;
        prompts.fileName = m_Folder->filePath(QStringLiteral("export.csv"));
        DialogUpdateHistory dialog(*m_History, QString());
        dialog.findChild<QPushButton*>(QStringLiteral("exportButton"))->click();
        QCOMPARE(prompts.prompts().front().kind, ModalPrompts::PROMPT_KIND::SAVE_FILE);
        QFile written(prompts.fileName);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const std::optional<std::vector<HistoryRun>> all = m_History->runs();
        QVERIFY(all && all->size() == 3);
        QCOMPARE(written.readAll(), HistoryExport::toCsv(*all));
        QCOMPARE(prompts.summary().last(),
                 QStringLiteral("Information|3 run(s) written to %1.").arg(prompts.fileName));
    }

    void exportToATargetThatIsNoFileIsRefused()
    {
        PromptRecorder prompts;
        prompts.fileName = m_Folder->path();
        DialogUpdateHistory dialog(*m_History, QString());
        dialog.exportCsv();
        QCOMPARE(prompts.prompts().back().icon, QMessageBox::Critical);
        QVERIFY(QFileInfo(m_Folder->path()).isDir());
    }

    void unreadableHistoryShowsItsError()
    {
        UpdateHistory missing(m_Folder->filePath(QStringLiteral("no/such/History.sqlite")));
        DialogUpdateHistory dialog(missing, QString());
        QVERIFY(!dialog.errorText().isEmpty());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("historyProblem"))->text(), missing.errorText());
        QCOMPARE(dialog.findChild<QTableWidget*>(QStringLiteral("runsTable"))->rowCount(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_Folder;
    std::unique_ptr<UpdateHistory> m_History;
};

QTEST_MAIN(DialogUpdateHistoryTest)
#include "DialogUpdateHistoryTest.moc"
