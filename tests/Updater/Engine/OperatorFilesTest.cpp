// Files the operator names for the updater to read or write: only regular
// files, never a wait on a FIFO, never a half-written target.
#include "Engine/InputFile.h"
#include "Engine/OutputFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

class OperatorFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.isValid());
        ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
        ASSERT_TRUE(QDir().mkpath(path("folder")));
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }

    static QByteArray contentOf(const QString& file)
    {
        QFile opened(file);
        return opened.open(QIODevice::ReadOnly) ? opened.readAll() : QByteArray("(unreadable)");
    }

    void put(const QString& name, const QByteArray& content) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(OperatorFiles, OnlyARegularFileWithinTheLimitIsRead)
{
    put("manifest.xml", "<Manifest/>");
    QByteArray content;
    QString error;
    ASSERT_TRUE(InputFile::read(path("manifest.xml"), 11, content, error)) << error.toStdString();
    EXPECT_EQ(content, "<Manifest/>");

    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(InputFile::read(path("fifo"), 100, content, error));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(error, path("fifo") + " is not a regular file");
    EXPECT_FALSE(InputFile::read(path("folder"), 100, content, error));
    EXPECT_EQ(error, path("folder") + " is not a regular file");
    EXPECT_FALSE(InputFile::read(QStringLiteral("/dev/zero"), 100, content, error));
    EXPECT_EQ(error, "/dev/zero is not a regular file");
    EXPECT_FALSE(InputFile::read(path("manifest.xml"), 10, content, error));
    EXPECT_EQ(error, path("manifest.xml") + " holds 11 bytes, more than the limit of 10 bytes");
    EXPECT_FALSE(InputFile::read(path("none\x1B"), 10, content, error));
    EXPECT_EQ(error, path("none\\e") + " cannot be read: No such file or directory");
}

TEST_F(OperatorFiles, ATargetThatIsNoRegularFileIsRefusedBeforeItIsOpened)
{
    struct Row
    {
        QString target;
        QString refusal;
    };
    const Row rows[] = {
        {path("fifo"), "The file " + path("fifo") + " cannot be written: it is not a regular file."},
        {QStringLiteral("/dev/full"), "The file /dev/full cannot be written: it is not a regular file."},
        {path("folder"), "The file " + path("folder") + " cannot be written: it is a folder."},
        {path("none/f.png"), "The file " + path("none/f.png") + " cannot be written: its folder " +
                                 path("none") + " does not exist."},
        {QString(), "No file was named to write to."},
    };
    for (const Row& row : rows)
    {
        QElapsedTimer timer;
        timer.start();
        QString error;
        EXPECT_FALSE(OutputFile::write(row.target, "bytes", error)) << row.target.toStdString();
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_EQ(error, row.refusal);
        EXPECT_EQ(OutputFile::refusal(row.target), row.refusal);
    }
    EXPECT_EQ(QDir(path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList())
        << "no temporary file is left";
}

TEST_F(OperatorFiles, ATargetIsReplacedWholeAndALinkToARegularFileIsWrittenThrough)
{
    put("frame.png", "old");
    QString error;
    ASSERT_TRUE(OutputFile::write(path("frame.png"), "new content", error)) << error.toStdString();
    EXPECT_EQ(contentOf(path("frame.png")), "new content");

    put("real.png", "old");
    ASSERT_TRUE(QFile::link(path("real.png"), path("link.png")));
    ASSERT_TRUE(OutputFile::write(path("link.png"), "through", error)) << error.toStdString();
    EXPECT_EQ(contentOf(path("real.png")), "through");
    EXPECT_TRUE(QFileInfo(path("link.png")).isSymLink());

    ASSERT_TRUE(QFile::link(path("fifo"), path("fifo-link.png")));
    EXPECT_FALSE(OutputFile::write(path("fifo-link.png"), "x", error));
    EXPECT_EQ(error, "The file " + path("fifo-link.png") + " cannot be written: it is not a regular file.");
}

TEST_F(OperatorFiles, AReadOnlyFolderIsAReportedFailure)
{
    if (::geteuid() == 0)
    {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    ASSERT_TRUE(QFile::setPermissions(path("folder"), QFile::ReadOwner | QFile::ExeOwner));
    QString error;
    EXPECT_FALSE(OutputFile::write(path("folder/f.png"), "x", error));
    EXPECT_TRUE(error.startsWith("The file " + path("folder/f.png") + " cannot be written: "))
        << error.toStdString();
    QFile::setPermissions(path("folder"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
