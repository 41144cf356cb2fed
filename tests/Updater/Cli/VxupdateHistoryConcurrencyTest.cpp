// Twelve vxupdate processes updating twelve emulated driver cameras of one
// rig at once, all recording into one history file.
#include "DemoRigCopy.h"
#include "JsonSchemaCheck.h"
#include "RigEdit.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

constexpr int CAMERAS = 12;
constexpr int FIRST_SERIAL = 23001;

// The demo rig with twelve copies of its VX-2448M under other serial numbers
// in place of its two cameras.
void twelveCameras(const DemoRigCopy& rig)
{
    editRig(rig.rigPath(),
            [](QJsonArray& cameras)
            {
                const QJsonObject model = cameraOf(cameras, 21001);
                cameras = QJsonArray();
                for (int serial = FIRST_SERIAL; serial < FIRST_SERIAL + CAMERAS; ++serial)
                {
                    QJsonObject camera = model;
                    camera[QStringLiteral("serialNumber")] = serial;
                    cameras.append(camera);
                }
            });
}

} // namespace

TEST(VxupdateHistoryConcurrency, TwelveProcessesRecordEachRunOnceIntoOneFile)
{
    const DemoRigCopy rig{QStringLiteral(VX_DEMO_RIG_FOLDER)};
    twelveCameras(rig);
    QProcessEnvironment environment = rig.environment();
    environment.insert(QStringLiteral("VX_OSTRA_REBOOT_MS"), QStringLiteral("300"));
    const QString vxupdate = QStringLiteral(VXUPDATE_PATH);
    const QString history = rig.path(QStringLiteral("shared/History.sqlite"));
    // Made once, with the flash files of every camera, before the processes
    // that share them start.
    ASSERT_EQ(runProcess(vxupdate, {"bundle", "demo", rig.path("demo.zip")}, environment).exitCode, 0);
    ASSERT_EQ(runProcess(vxupdate, {"cameras"}, environment).exitCode, 0);

    std::vector<std::unique_ptr<QProcess>> updates;
    for (int serial = FIRST_SERIAL; serial < FIRST_SERIAL + CAMERAS; ++serial)
    {
        auto& update = updates.emplace_back(std::make_unique<QProcess>());
        update->setProcessEnvironment(environment);
        update->start(vxupdate, {"update", rig.path("demo.zip"), "--serial", QString::number(serial), "--yes",
                                 "--history", history});
        ASSERT_TRUE(update->waitForStarted());
        update->closeWriteChannel();
    }
    for (auto& update : updates)
    {
        ASSERT_TRUE(update->waitForFinished(120000));
        EXPECT_EQ(update->exitCode(), 0) << update->readAllStandardError().toStdString();
        EXPECT_TRUE(
            update->readAllStandardOutput().contains("Update completed. Camera successfully rebooted.\n"));
    }

    const ProcessOutcome listed =
        runProcess(vxupdate, {"history", "--json", "--history", history}, environment);
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QJsonArray runs = JsonSchemaCheck::checked(listed.out)[QStringLiteral("runs")].toArray();
    ASSERT_EQ(runs.size(), CAMERAS) << listed.out.toStdString();
    QSet<QString> serials;
    QSet<int> ids;
    for (const QJsonValue& run : runs)
    {
        const QString serial = run[QStringLiteral("serialNumber")].toString();
        serials.insert(serial);
        ids.insert(run[QStringLiteral("run")].toInt());
        EXPECT_EQ(run[QStringLiteral("outcome")].toString(), "succeeded") << serial.toStdString();
        EXPECT_TRUE(run[QStringLiteral("resumesRun")].isNull()) << serial.toStdString();
        QStringList outcomes;
        const QJsonArray loads = run[QStringLiteral("loads")].toArray();
        for (const QJsonValue& load : loads)
        {
            outcomes << load[QStringLiteral("outcome")].toString();
        }
        EXPECT_EQ(outcomes.join(' '), "done done done done skipped") << serial.toStdString();
    }
    EXPECT_EQ(serials.size(), CAMERAS);
    EXPECT_EQ(ids.size(), CAMERAS);

    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        database.setDatabaseName(history);
        ASSERT_TRUE(database.open());
        QSqlQuery integrity(database);
        ASSERT_TRUE(integrity.exec(QStringLiteral("PRAGMA integrity_check")));
        ASSERT_TRUE(integrity.next());
        EXPECT_EQ(integrity.value(0).toString(), "ok");
        EXPECT_FALSE(integrity.next());
        QSqlQuery counted(database);
        ASSERT_TRUE(counted.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT serial_number) FROM runs")));
        ASSERT_TRUE(counted.next());
        EXPECT_EQ(counted.value(0).toInt(), CAMERAS);
        EXPECT_EQ(counted.value(1).toInt(), CAMERAS);
        database.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}
