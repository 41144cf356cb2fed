#include "Engine/UpdateProgress.h"

#include "BundleFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaType>
#include <QThread>
#include <gtest/gtest.h>

#include <thread>

namespace
{

// Records every signal as text, with whether it arrived on the receiver's own
// thread.
class Recorder : public QObject
{
    Q_OBJECT

public:
    QStringList events;
    bool allOnOwnThread = true;

public slots:
    void onFileProgress(uint32_t percent, std::string loadType)
    {
        record(QStringLiteral("file %1 '%2'").arg(percent).arg(QString::fromStdString(loadType)));
    }
    void onLoadStatusProgress(UpdateProgress::LoadStatus status, std::string loadType)
    {
        record(QStringLiteral("status %1 '%2'")
                   .arg(static_cast<int>(status))
                   .arg(QString::fromStdString(loadType)));
    }
    void onOverallProgress(uint32_t percent) { record(QStringLiteral("overall %1").arg(percent)); }

private:
    void record(const QString& event)
    {
        allOnOwnThread = allOnOwnThread && QThread::currentThread() == thread();
        events << event;
    }
};

// Connected by signature texts, as the window's connections are, so that the
// registered type names are what a queued delivery relies on.
void connectAll(UpdateProgress& progress, Recorder& recorder, Qt::ConnectionType type)
{
    ASSERT_TRUE(QObject::connect(&progress, SIGNAL(fileProgress(uint32_t, std::string)), &recorder,
                                 SLOT(onFileProgress(uint32_t, std::string)), type));
    ASSERT_TRUE(QObject::connect(
        &progress, SIGNAL(loadStatusProgress(UpdateProgress::LoadStatus, std::string)), &recorder,
        SLOT(onLoadStatusProgress(UpdateProgress::LoadStatus, std::string)), type));
    ASSERT_TRUE(QObject::connect(&progress, SIGNAL(overallProgress(uint32_t)), &recorder,
                                 SLOT(onOverallProgress(uint32_t)), type));
}

Load loadOfType(const std::string& type)
{
    Load load;
    load.loadType = type;
    return load;
}

class Progress : public ::testing::Test
{
protected:
    void SetUp() override { connectAll(m_Progress, m_Recorder, Qt::DirectConnection); }

    UpdateProgress m_Progress;
    Recorder m_Recorder;
};

} // namespace

TEST_F(Progress, StartsEmpty)
{
    EXPECT_EQ(m_Progress.loadStatus(), UpdateProgress::LoadStatus::None);
    EXPECT_EQ(m_Progress.filePercent(), 0u);
    EXPECT_EQ(m_Progress.totalSteps(), 0u);
    EXPECT_EQ(m_Progress.completedSteps(), 0u);
    EXPECT_EQ(m_Progress.currentLoadType(), "");
    EXPECT_EQ(m_Progress.overallPercent(), 0u);
    EXPECT_EQ(static_cast<int>(UpdateProgress::LoadStatus::Done), 6);
    EXPECT_EQ(sizeof(UpdateProgress::LoadStatus), 1u);
}

TEST_F(Progress, ResetClearsEverythingAndEmitsThreeZeroSignals)
{
    m_Progress.setTotalSteps(4);
    m_Progress.setLoad(loadOfType("Firmware"));
    m_Progress.setFileProgress(70);
    m_Progress.setLoadStatus(UpdateProgress::LoadStatus::Updating);
    m_Progress.loadCompleted();
    m_Recorder.events.clear();
    m_Progress.reset();
    EXPECT_EQ(m_Recorder.events, QStringList({"file 0 ''", "status 0 ''", "overall 0"}));
    EXPECT_EQ(m_Progress.loadStatus(), UpdateProgress::LoadStatus::None);
    EXPECT_EQ(m_Progress.filePercent(), 0u);
    EXPECT_EQ(m_Progress.totalSteps(), 0u);
    EXPECT_EQ(m_Progress.completedSteps(), 0u);
    EXPECT_EQ(m_Progress.currentLoadType(), "");
}

TEST_F(Progress, SettersEmitTheirSignalsWithTheCurrentLoadType)
{
    m_Progress.setTotalSteps(2);
    m_Progress.setLoad(loadOfType("FPGA"));
    EXPECT_TRUE(m_Recorder.events.isEmpty());
    m_Progress.setFileProgress(40);
    m_Progress.setLoadStatus(UpdateProgress::LoadStatus::Verifying);
    m_Progress.loadCompleted();
    EXPECT_EQ(m_Recorder.events,
              QStringList({"file 40 'FPGA'", "overall 20", "status 3 'FPGA'", "overall 70"}));
    EXPECT_EQ(m_Progress.loadStatus(), UpdateProgress::LoadStatus::Verifying);
    EXPECT_EQ(m_Progress.completedSteps(), 1u);
}

TEST_F(Progress, SkippedLoadLeavesTheStepsAlone)
{
    m_Progress.setTotalSteps(4);
    m_Progress.setLoad(loadOfType("AFE"));
    m_Progress.setFileProgress(0);
    m_Progress.setLoadStatus(UpdateProgress::LoadStatus::Skipped);
    m_Progress.setFileProgress(100);
    EXPECT_EQ(m_Recorder.events,
              QStringList({"file 0 'AFE'", "overall 0", "status 4 'AFE'", "file 100 'AFE'", "overall 25"}));
    EXPECT_EQ(m_Progress.completedSteps(), 0u);
}

TEST_F(Progress, WorkedExampleOfTwoLoads)
{
    m_Progress.setTotalSteps(4);
    m_Progress.setFileProgress(50);
    EXPECT_EQ(m_Progress.overallPercent(), 13u);
    m_Progress.loadCompleted();
    m_Progress.setFileProgress(50);
    EXPECT_EQ(m_Progress.overallPercent(), 38u);
    m_Progress.loadCompleted();
    m_Progress.loadCompleted();
    m_Progress.setFileProgress(100);
    EXPECT_EQ(m_Progress.overallPercent(), 100u);
    EXPECT_EQ(m_Recorder.events.filter("overall"), QStringList({"overall 13", "overall 38", "overall 38",
                                                                "overall 63", "overall 88", "overall 100"}));
}

TEST_F(Progress, OverallPercentRoundsUpExactly)
{
    m_Progress.setTotalSteps(3);
    m_Progress.loadCompleted();
    EXPECT_EQ(m_Progress.overallPercent(), 34u);
    m_Progress.loadCompleted();
    EXPECT_EQ(m_Progress.overallPercent(), 67u);

    // Whole percentages stay whole: in floating point 7 % of one step came out
    // as 8 and 1 % of one step after one completed as 102.
    m_Progress.reset();
    m_Progress.setTotalSteps(1);
    for (std::uint32_t percent = 0; percent <= 100; ++percent)
    {
        m_Progress.setFileProgress(percent);
        EXPECT_EQ(m_Progress.overallPercent(), percent);
    }
    m_Progress.reset();
    m_Progress.setTotalSteps(7);
    m_Progress.setFileProgress(1);
    EXPECT_EQ(m_Progress.overallPercent(), 1u);
    m_Progress.setFileProgress(0);
    EXPECT_EQ(m_Progress.overallPercent(), 0u);
}

TEST_F(Progress, NoStepsGiveZeroWhateverElseHolds)
{
    m_Progress.setFileProgress(100);
    m_Progress.loadCompleted();
    m_Progress.loadCompleted();
    EXPECT_EQ(m_Progress.totalSteps(), 0u);
    EXPECT_EQ(m_Progress.overallPercent(), 0u);
}

TEST(ProgressMetaTypes, RegisteredUnderTheirSignatureNames)
{
    UpdateProgress::registerMetaTypes();
    EXPECT_EQ(QMetaType::type("uint32_t"), QMetaType::type("uint"));
    EXPECT_NE(QMetaType::type("std::string"), QMetaType::UnknownType);
    EXPECT_EQ(QMetaType::type("UpdateProgress::LoadStatus"), qMetaTypeId<UpdateProgress::LoadStatus>());
    EXPECT_TRUE(QMetaType::typeFlags(qMetaTypeId<UpdateProgress::LoadStatus>()) & QMetaType::IsEnumeration);
}

// The engine's worker calls the setters; the window receives the signals on
// its own thread, in order, through queued connections.
TEST(ProgressAcrossThreads, QueuedSignalsArriveInOrderOnTheReceiversThread)
{
    UpdateProgress::registerMetaTypes();
    UpdateProgress progress;
    Recorder recorder;
    connectAll(progress, recorder, Qt::QueuedConnection);

    std::thread worker(
        [&progress]()
        {
            progress.reset();
            progress.setTotalSteps(4);
            progress.setLoad(loadOfType("Firmware"));
            progress.setFileProgress(0);
            progress.setLoadStatus(UpdateProgress::LoadStatus::Updating);
            progress.setFileProgress(50);
            progress.loadCompleted();
            progress.setLoadStatus(UpdateProgress::LoadStatus::Verifying);
            progress.setFileProgress(50);
            progress.setLoadStatus(UpdateProgress::LoadStatus::Done);
        });
    worker.join();
    // Nothing arrives before the receiver's thread runs its events.
    EXPECT_TRUE(recorder.events.isEmpty());
    QElapsedTimer timer;
    timer.start();
    while (recorder.events.size() < 13 && timer.elapsed() < 5000)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_EQ(recorder.events, QStringList({"file 0 ''", "status 0 ''", "overall 0", "file 0 'Firmware'",
                                            "overall 0", "status 1 'Firmware'", "file 50 'Firmware'",
                                            "overall 13", "overall 38", "status 3 'Firmware'",
                                            "file 50 'Firmware'", "overall 38", "status 6 'Firmware'"}));
    EXPECT_TRUE(recorder.allOnOwnThread);
}

#include "UpdateProgressTest.moc"
