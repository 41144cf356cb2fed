#include "Engine/BundleArchive.h"
#include "Engine/DisplayText.h"
#include "Engine/EngineLog.h"
#include "Engine/UpdaterLog.h"

#include "BundleFixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <spdlog/spdlog.h>

using namespace BundleFixtures;

namespace
{

struct TextCase
{
    const char* name;
    QString text;
    QString shown;
};

class DisplayTextCases : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(DisplayTextCases, ControlCharactersAreEscapedAndLongTextsCut)
{
    EXPECT_EQ(DisplayText::shown(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayTextCases,
    ::testing::Values(TextCase{"Plain", "Alpha-2_0x1A2B_Any_/fw.img", "Alpha-2_0x1A2B_Any_/fw.img"},
                      TextCase{"SpoofedLogLine", "fw.img\n[error] all good", "fw.img\\n[error] all good"},
                      TextCase{"ScreenClearing", "\x1B[2J\x1B[Hok", "\\e[2J\\e[Hok"},
                      TextCase{"TabReturnDelete", "a\tb\rc\x7F", "a\\tb\\rc\\x7F"},
                      TextCase{"NulByte", QString::fromLatin1("a\0b", 3), "a\\x00b"},
                      TextCase{"C1ControlSequenceIntroducer", QString(QChar(0x9B)) + "2J", "\\x9B2J"},
                      TextCase{"LineSeparator", QString(QChar(0x2028)), "\\u2028"},
                      TextCase{"Umlauts", QStringLiteral("Kamera Ü"), QStringLiteral("Kamera Ü")},
                      TextCase{"AtTheLimit", QString(256, 'x'), QString(256, 'x')},
                      TextCase{"PastTheLimit", QString(257, 'x'),
                               QString(256, 'x') + "... (257 characters)"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(DisplayText, SixtyKilobytesOfNulBytesStayShort)
{
    const QString shown = DisplayText::shown(std::string(60000, '\0'));
    EXPECT_EQ(shown, QString("\\x00").repeated(256) + "... (60000 characters)");
}

TEST(DisplayText, ALogRecordsFurtherLinesAreIndentedAndItsEscapesShown)
{
    LogCapture log;
    EngineLog::error("Failed to validate load fw.img\n[info] Update completed.\x1B[2J");
    EXPECT_EQ(log.lines(),
              (QStringList{"[error] Failed to validate load fw.img", "    [info] Update completed.\\e[2J"}));
}

TEST(DisplayText, ArchiveErrorsShowEntryNamesEscaped)
{
    QTemporaryDir folder;
    const QString bundle = folder.filePath("escape.zip");
    writeZip(bundle, {{"Manifest.xml", "<Manifest/>"}, {"a\x1B[2J.bin", "x"}});
    BundleArchive archive(bundle);
    EXPECT_FALSE(archive.open());
    EXPECT_EQ(archive.lastError(),
              "The bundle " + bundle + " holds the entry \"a\\e[2J.bin\", whose name leaves its folder.");
}

TEST(UpdaterLog, FilesAreCreatedExclusivelyWithAnotherNameOnCollision)
{
    QTemporaryDir folder;
    const QString base = folder.filePath("VxUpdater_2026-12-07_17-00-00-000");
    {
        QFile taken(base);
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
        taken.write("another run's line\n");
    }
    EXPECT_EQ(QString::fromStdString(UpdaterLog::createUniqueFile(base)), base + "_2");
    EXPECT_EQ(QString::fromStdString(UpdaterLog::createUniqueFile(base)), base + "_3");
    QFile taken(base);
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "another run's line\n");
    EXPECT_EQ(UpdaterLog::createUniqueFile(folder.filePath("missing/folder/log")), std::string());
}

// A process killed at any moment leaves every line logged before it: each is
// on disk once the call returns.
TEST(UpdaterLog, EveryLineReachesTheFileAtOnce)
{
    static QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    ASSERT_TRUE(UpdaterLog::createLog());
    const QString path = QString::fromStdString(UpdaterLog::logFilePath());
    ASSERT_TRUE(path.startsWith(data.path() + "/Veltrax Corporation/VxUpdater/Logs/VxUpdater_"));
    EngineLog::info("Starting update process for load fw.img.");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().endsWith("] [info] Starting update process for load fw.img.\n"));
    spdlog::drop(EngineLog::LOGGER_NAME);
}

} // namespace
