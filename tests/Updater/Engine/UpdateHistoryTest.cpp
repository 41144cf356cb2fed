#include "Engine/UpdateHistory.h"
#include "Engine/CameraUpdate.h"
#include "Engine/HistoryExport.h"
#include "Engine/LoadDecision.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace
{

HistoryRun plannedRun(const QString& serial)
{
    HistoryRun run;
    run.updaterVersion = QStringLiteral("3.0.0.1");
    run.frontEnd = QStringLiteral("vxupdate");
    run.host = QStringLiteral("line-7");
    run.user = QStringLiteral("operator");
    run.serialNumber = serial;
    run.model = QStringLiteral("Alpha-2");
    run.adapter = QStringLiteral("Simulated");
    run.bundleFile = QStringLiteral("bundle.zip");
    run.package = QStringLiteral("Alpha-2_0x1A2B_Any_");
    const char* types[] = {"Bootloader", "Firmware", "FPGA"};
    for (int position = 0; position < 3; ++position)
    {
        HistoryLoad load;
        load.position = position;
        load.loadNumber = static_cast<std::uint32_t>(position + 1);
        load.loadType = QLatin1String(types[position]);
        load.fileName = load.loadType + QStringLiteral(".bin");
        load.versionBefore = QStringLiteral("1.0");
        load.bundleVersion = QStringLiteral("1.1");
        load.decision = position == 0 ? QStringLiteral("skip") : QStringLiteral("program");
        run.loads.push_back(load);
    }
    return run;
}

class UpdateHistoryTest : public ::testing::Test
{
protected:
    QTemporaryDir m_Folder;
    QString path() const { return m_Folder.filePath(QStringLiteral("station/History.sqlite")); }
};

TEST_F(UpdateHistoryTest, ARunIsWrittenAtItsStartAndEachLoadAsItGoes)
{
    UpdateHistory history(path());
    ASSERT_TRUE(history.open()) << history.errorText().toStdString();
    const qint64 id = history.beginRun(plannedRun(QStringLiteral("SN-1")));
    ASSERT_GT(id, 0);
    ASSERT_TRUE(history.loadEnded(id, 0, QStringLiteral("skipped")));
    ASSERT_TRUE(history.loadStarted(id, 1));
    ASSERT_TRUE(history.flashStatusSaved(id, 1, 0x5A));

    // Cut off here: the run and the load it was in say so.
    std::optional<HistoryRun> last = history.lastRun(QStringLiteral("SN-1"));
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->interrupted());
    EXPECT_FALSE(last->endedAt.isValid());
    ASSERT_EQ(last->loads.size(), 3U);
    EXPECT_EQ(last->loads[0].outcome, QStringLiteral("skipped"));
    EXPECT_EQ(last->loads[1].outcome, QStringLiteral("started"));
    EXPECT_EQ(last->loads[1].savedFlashStatus, 0x5A);
    EXPECT_TRUE(last->loads[1].startedAt.isValid());
    EXPECT_EQ(last->loads[2].outcome, QString());

    ASSERT_TRUE(history.loadEnded(id, 1, QStringLiteral("failed")));
    ASSERT_TRUE(history.setVersionsAfter(id, {{1, QStringLiteral("1.1")}}));
    ASSERT_TRUE(
        history.endRun(id, QLatin1String(HistoryRun::FAILED), QStringLiteral("Programming unsuccessful.")));
    last = history.lastRun(QStringLiteral("SN-1"));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->outcome, QStringLiteral("failed"));
    EXPECT_EQ(last->failure, QStringLiteral("Programming unsuccessful."));
    EXPECT_EQ(last->loads[1].versionAfter, QStringLiteral("1.1"));
    EXPECT_EQ(last->loads[2].outcome, QStringLiteral("not reached"));
    EXPECT_EQ(last->host, QStringLiteral("line-7"));
    EXPECT_FALSE(history.lastRun(QStringLiteral("SN-2")));
    EXPECT_TRUE(history.errorText().isEmpty());
}

TEST_F(UpdateHistoryTest, RunsAreSelectedBySerialNumberAndStart)
{
    UpdateHistory history(path());
    ASSERT_TRUE(history.open());
    HistoryRun old = plannedRun(QStringLiteral("SN-1"));
    old.startedAt = QDateTime(QDate(2026, 1, 2), QTime(8, 0));
    history.beginRun(old);
    history.beginRun(plannedRun(QStringLiteral("SN-1")));
    history.beginRun(plannedRun(QStringLiteral("SN-2")));
    const struct
    {
        const char* name;
        HistoryFilter filter;
        std::size_t runs;
    } rows[] = {
        {"everything", {}, 3},
        {"one camera", {QStringLiteral("SN-1"), {}}, 2},
        {"since a day", {QString(), QDateTime(QDate(2026, 6, 1), QTime(0, 0))}, 2},
        {"both", {QStringLiteral("SN-1"), QDateTime(QDate(2026, 6, 1), QTime(0, 0))}, 1},
        {"unknown camera", {QStringLiteral("SN-9"), {}}, 0},
    };
    for (const auto& row : rows)
    {
        const std::optional<std::vector<HistoryRun>> found = history.runs(row.filter);
        ASSERT_TRUE(found) << row.name;
        EXPECT_EQ(found->size(), row.runs) << row.name;
    }
}

TEST_F(UpdateHistoryTest, ADamagedFileIsSetAsideAndANewOneStarted)
{
    QDir().mkpath(QFileInfo(path()).absolutePath());
    QFile damaged(path());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    const QByteArray garbage(8192, 'x');
    damaged.write(garbage);
    damaged.close();

    UpdateHistory history(path());
    ASSERT_TRUE(history.open()) << history.errorText().toStdString();
    EXPECT_TRUE(history.notice().contains(QStringLiteral("was set aside as")))
        << history.notice().toStdString();
    const QStringList aside =
        QDir(QFileInfo(path()).absolutePath()).entryList({QStringLiteral("History.sqlite.damaged-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(QFileInfo(path()).absolutePath() + QLatin1Char('/') + aside.front());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_GT(history.beginRun(plannedRun(QStringLiteral("SN-1"))), 0);
    EXPECT_EQ(history.integrityCheck(), QStringLiteral("ok"));
}

TEST_F(UpdateHistoryTest, AFileOfALaterSchemaIsLeftAsItIs)
{
    {
        UpdateHistory history(path());
        ASSERT_TRUE(history.open());
    }
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("later"));
        database.setDatabaseName(path());
        ASSERT_TRUE(database.open());
        QSqlQuery(database).exec(QStringLiteral("PRAGMA user_version = 7"));
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("later"));
    UpdateHistory history(path());
    EXPECT_FALSE(history.open());
    EXPECT_TRUE(
        history.errorText().startsWith(QStringLiteral("The update history was written by a later updater "
                                                      "(schema 7)")))
        << history.errorText().toStdString();
    EXPECT_TRUE(QFileInfo::exists(path()));
}

TEST_F(UpdateHistoryTest, AFolderThatCannotBeMadeIsTold)
{
    QFile blocker(m_Folder.filePath(QStringLiteral("station")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    UpdateHistory history(path());
    EXPECT_FALSE(history.open());
    EXPECT_TRUE(
        history.errorText().startsWith(QStringLiteral("The folder of the update history cannot be created")));
    EXPECT_EQ(history.beginRun(plannedRun(QStringLiteral("SN-1"))), 0);
}

// Threads stand in for the line's processes here; the processes themselves
// are the command-line tests'.
TEST_F(UpdateHistoryTest, WritersAtOnceEachRecordEveryRunOnce)
{
    ASSERT_TRUE(UpdateHistory(path()).open());
    constexpr int WRITERS = 6;
    constexpr int RUNS = 5;
    std::vector<std::thread> writers;
    for (int writer = 0; writer < WRITERS; ++writer)
    {
        writers.emplace_back(
            [this, writer]()
            {
                UpdateHistory history(path());
                for (int run = 0; run < RUNS; ++run)
                {
                    const qint64 id = history.beginRun(plannedRun(QStringLiteral("SN-%1").arg(writer)));
                    EXPECT_GT(id, 0) << history.errorText().toStdString();
                    EXPECT_TRUE(history.loadStarted(id, 1));
                    EXPECT_TRUE(history.loadEnded(id, 1, QStringLiteral("done")));
                    EXPECT_TRUE(history.endRun(id, QLatin1String(HistoryRun::SUCCEEDED), QString()));
                }
            });
    }
    for (std::thread& writer : writers)
    {
        writer.join();
    }
    UpdateHistory history(path());
    const std::optional<std::vector<HistoryRun>> runs = history.runs();
    ASSERT_TRUE(runs);
    EXPECT_EQ(runs->size(), static_cast<std::size_t>(WRITERS * RUNS));
    for (const HistoryRun& run : *runs)
    {
        EXPECT_EQ(run.outcome, QStringLiteral("succeeded"));
    }
    EXPECT_EQ(history.integrityCheck(), QStringLiteral("ok"));
}

TEST(HistoryExportTest, CsvQuotesFieldsAndDisarmsFormulas)
{
    HistoryRun run = plannedRun(QStringLiteral("=HYPERLINK(\"x\")"));
    run.id = 4;
    run.failure = QStringLiteral("line one,\nline two");
    run.loads.resize(1);
    const QList<QByteArray> lines = HistoryExport::toCsv({run}).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], HistoryExport::csvColumns().join(QLatin1Char(',')).toUtf8() + '\r');
    EXPECT_TRUE(lines[1].startsWith("4,")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(",\"'=HYPERLINK(\"\"x\"\")\",")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(",\"line one,")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("line two\",")) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(",1,Bootloader,Bootloader.bin,1.0,1.1,,skip,\r")) << lines[2].toStdString();
}

Load versioned(std::uint32_t number, const char* type, LOAD_TYPE method, const char* current,
               const char* bundle)
{
    Load load;
    load.loadNumber = number;
    load.loadType = type;
    load.versionVerificationMethod = method;
    load.currentVersion = QVersionNumber::fromString(QLatin1String(current));
    load.loadVersion = QVersionNumber::fromString(QLatin1String(bundle));
    return load;
}

TEST(LoadDecisionTest, EachLoadIsNamedByTheFirstReasonThatHolds)
{
    const struct
    {
        const char* name;
        Load load;
        bool required, forced, resumed, reinstalled;
        const char* decision;
        bool downgrade;
    } rows[] = {
        {"same version", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.2", "1.2"), false, false, false, false,
         "skip", false},
        {"newer", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.1", "1.2"), true, false, false, false, "program",
         false},
        {"older", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.3", "1.2"), true, false, false, false, "downgrade",
         true},
        {"unknown", versioned(1, "FPGA", LOAD_TYPE::FPGA, "", "1.2"), true, false, false, false, "program",
         false},
        {"forced older", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.3", "1.2"), true, true, false, false,
         "forced", true},
        {"resumed", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.2", "1.2"), true, false, true, false, "resume",
         false},
        {"reinstall", versioned(1, "FPGA", LOAD_TYPE::FPGA, "1.2", "1.2"), true, false, false, true,
         "reinstall", false},
        {"xsvf", versioned(1, "XSVF", LOAD_TYPE::XSVF, "3.0", "1.0"), true, false, false, false, "program",
         false},
    };
    for (const auto& row : rows)
    {
        Load load = row.load;
        load.updateRequired = row.required;
        load.forceUpdate = row.forced;
        load.resumed = row.resumed;
        load.reinstalled = row.reinstalled;
        EXPECT_EQ(LoadDecision::of(load), QLatin1String(row.decision)) << row.name;
        EXPECT_EQ(LoadDecision::isDowngrade(load), row.downgrade) << row.name;
    }
}

TEST(ResumeTest, TheUnfinishedLoadsOfTheInterruptedRunAreProgrammedAgain)
{
    CameraUpdate engine;
    Package package;
    package.loads = {versioned(1, "Bootloader", LOAD_TYPE::BOOTLOADER, "1.1", "1.1"),
                     versioned(2, "Firmware", LOAD_TYPE::FIRMWARE, "1.1", "1.1"),
                     versioned(3, "FPGA", LOAD_TYPE::FPGA, "1.1", "1.1"),
                     versioned(4, "AFE", LOAD_TYPE::AFE, "17.1", "1.0")};
    engine.setSelectedPackage(package);
    engine.evaluateUpdates();
    ASSERT_FALSE(engine.isUpdateRequired());

    HistoryRun interrupted = plannedRun(QStringLiteral("SN-1"));
    interrupted.loads[0].decision = QStringLiteral("program");
    interrupted.loads[0].outcome = QStringLiteral("done");
    interrupted.loads[1].outcome = QStringLiteral("started");
    interrupted.loads[1].savedFlashStatus = 3;
    EXPECT_EQ(engine.resumeLoads(interrupted), QStringLiteral("Firmware"));
    const std::vector<Load>& loads = engine.selectedPackage()->loads;
    EXPECT_FALSE(loads[0].updateRequired);
    EXPECT_TRUE(loads[1].updateRequired && loads[1].resumed);
    EXPECT_EQ(loads[1].resumedFlashStatus, 3);
    EXPECT_TRUE(loads[2].updateRequired && loads[2].resumed);
    EXPECT_FALSE(loads[3].updateRequired) << "not planned by the interrupted run";

    // Planned again from scratch, nothing of the resume stays.
    engine.evaluateUpdates();
    EXPECT_FALSE(engine.isUpdateRequired());
    EXPECT_FALSE(loads[1].resumed);
    EXPECT_EQ(loads[1].resumedFlashStatus, -1);

    for (HistoryLoad& load : interrupted.loads)
    {
        load.outcome = QStringLiteral("done");
    }
    EXPECT_EQ(engine.resumeLoads(interrupted), QString()) << "cut off after the last load";
    EXPECT_EQ(engine.reinstallMatchingLoads(), 3U) << "AFE's version is not the package's";
}

TEST(ResumeTest, AFailedRunResumesOnlyTheLoadsItBegan)
{
    CameraUpdate engine;
    Package package;
    package.loads = {versioned(1, "Bootloader", LOAD_TYPE::BOOTLOADER, "1.1", "1.1"),
                     versioned(2, "Firmware", LOAD_TYPE::FIRMWARE, "1.1", "1.1"),
                     versioned(3, "FPGA", LOAD_TYPE::FPGA, "1.1", "1.1")};
    engine.setSelectedPackage(package);
    engine.evaluateUpdates();
    const std::vector<Load>& loads = engine.selectedPackage()->loads;

    HistoryRun failed = plannedRun(QStringLiteral("SN-1"));
    failed.outcome = QLatin1String(HistoryRun::FAILED);
    failed.loads[0].decision = QStringLiteral("program");
    failed.loads[0].outcome = QStringLiteral("failed");
    failed.loads[0].savedFlashStatus = 0x1C;
    failed.loads[1].outcome = QStringLiteral("not reached");
    failed.loads[2].outcome = QStringLiteral("not reached");
    EXPECT_EQ(engine.resumeLoads(failed), QStringLiteral("Bootloader"));
    EXPECT_TRUE(loads[0].updateRequired && loads[0].resumed);
    EXPECT_EQ(loads[0].resumedFlashStatus, 0x1C) << "the status the failed run cleared is restored";
    EXPECT_FALSE(loads[1].updateRequired) << "never begun: the versions decide";
    EXPECT_FALSE(loads[2].updateRequired);

    // Cut off by an exception inside the firmware: that load stays "started".
    engine.evaluateUpdates();
    failed.loads[0].outcome = QStringLiteral("done");
    failed.loads[1].outcome = QStringLiteral("started");
    EXPECT_EQ(engine.resumeLoads(failed), QStringLiteral("Firmware"));
    EXPECT_TRUE(!loads[0].updateRequired && loads[1].resumed && !loads[2].updateRequired);

    // Failed before touching the camera: nothing to take up.
    engine.evaluateUpdates();
    for (HistoryLoad& load : failed.loads)
    {
        load.outcome = QStringLiteral("not reached");
    }
    EXPECT_EQ(engine.resumeLoads(failed), QString());
    EXPECT_FALSE(engine.isUpdateRequired());
}

} // namespace
