#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace BundleFixtures;

namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome vxupdate(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VXUPDATE_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A release engineer's folder: a manifest and the load files beside it.
class Vxupdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir folder(m_Folder.path());
        ASSERT_TRUE(folder.mkpath("loads"));
        put("Manifest.xml", typicalManifest("RequiredUpdaterVersion=\"2.5\""));
        for (const auto& [name, content] : typicalFiles())
        {
            put("loads/" + name, content);
        }
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }

    void put(const QString& name, const QByteArray& content)
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    Outcome create()
    {
        return vxupdate({"bundle", "create", path("Manifest.xml"), path("loads"), path("b.zip")});
    }

    QTemporaryDir m_Folder;
};

} // namespace

TEST_F(Vxupdate, WrongUsageExitsWithTwo)
{
    for (const QStringList& arguments :
         std::vector<QStringList>{{},
                                  {"frobnicate"},
                                  {"bundle"},
                                  {"bundle", "frobnicate"},
                                  {"bundle", "verify"},
                                  {"bundle", "verify", "a.zip", "b.zip"},
                                  {"bundle", "verify", "--updater-version"},
                                  {"bundle", "verify", "--updater-version", "x1", "a.zip"},
                                  {"bundle", "verify", "--fast", "a.zip"},
                                  {"bundle", "create", "Manifest.xml"},
                                  {"bundle", "create", "Manifest.xml", "loads", "b.zip", "extra"}})
    {
        const Outcome run = vxupdate(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ');
        EXPECT_TRUE(run.err.contains("Usage:")) << run.err;
        EXPECT_TRUE(run.out.isEmpty()) << run.out;
    }
    const Outcome help = vxupdate({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("vxupdate bundle create [--key KEY] MANIFEST LOAD_FOLDER BUNDLE"));
    EXPECT_TRUE(help.out.contains("vxupdate trust list [--json]"));
    EXPECT_EQ(vxupdate({"--version"}).out, "vxupdate 3.0.0.10229\n");
}

TEST_F(Vxupdate, EveryCommandHasOneHelpAndOneUsageErrorForm)
{
    struct Row
    {
        QStringList words;
        QString usage;
    };
    const Row rows[] = {
        {{"cameras"}, "vxupdate cameras [--json]"},
        {{"info"}, "vxupdate info [--serial S] [--json]"},
        {{"update"},
         "vxupdate update [--serial S] [--package N] [--yes] [--dry-run] [--all] [--jobs N] [--wait-lock "
         "SECONDS] [--allow-older] [--reinstall] [--history FILE] [--json] BUNDLE"},
        {{"history"}, "vxupdate history [--serial S] [--since DATE] [--csv] [--history FILE] [--json]"},
        {{"bundle", "create"}, "vxupdate bundle create [--key KEY] MANIFEST LOAD_FOLDER BUNDLE"},
        {{"bundle", "verify"}, "vxupdate bundle verify [--updater-version V] [--json] BUNDLE"},
        {{"bundle", "sign"}, "vxupdate bundle sign [--key KEY] [--output OUT] BUNDLE"},
        {{"bundle", "demo"}, "vxupdate bundle demo BUNDLE"},
        {{"trust", "list"}, "vxupdate trust list [--json]"},
        {{"trust", "add"}, "vxupdate trust add [--name NAME] KEY"},
        {{"trust", "remove"}, "vxupdate trust remove KEY"},
    };
    for (const Row& row : rows)
    {
        const QString name = row.words.join(' ');
        SCOPED_TRACE(name.toStdString());
        const Outcome help = vxupdate(row.words + QStringList{"--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.startsWith("Usage: " + row.usage + "\n\n")) << help.out;
        EXPECT_TRUE(
            help.out.contains("  -v, --verbose     also write the log to standard error (implies "
                              "--log)\n"
                              "  --log             keep a log file also when the command only reads\n"))
            << help.out;

        const Outcome wrong = vxupdate(row.words + QStringList{"--nonsense"});
        EXPECT_EQ(wrong.exitCode, 2);
        EXPECT_EQ(wrong.err, "vxupdate " + name + ": Unknown option 'nonsense'.\nUsage: " + row.usage +
                                 "\nRun \"vxupdate " + name + " --help\" for more.\n");
        EXPECT_TRUE(wrong.out.isEmpty());
    }
    const Outcome twice = vxupdate({"info", "--serial", "A", "--serial", "B"});
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_TRUE(twice.err.startsWith("vxupdate info: --serial is given twice.\nUsage: ")) << twice.err;
    const Outcome forgotten = vxupdate({"info", "--serial", "--json"});
    EXPECT_TRUE(forgotten.err.startsWith("vxupdate info: --serial needs a value.\n")) << forgotten.err;
    const Outcome bundle = vxupdate({"bundle"});
    EXPECT_EQ(bundle.err, "vxupdate: Missing bundle command.\nUsage:\n"
                          "  vxupdate bundle create [--key KEY] MANIFEST LOAD_FOLDER BUNDLE\n"
                          "  vxupdate bundle verify [--updater-version V] [--json] BUNDLE\n"
                          "  vxupdate bundle sign [--key KEY] [--output OUT] BUNDLE\n"
                          "  vxupdate bundle demo BUNDLE\n"
                          "Run \"vxupdate --help\" for more.\n");
}

TEST_F(Vxupdate, CreateThenVerify)
{
    const Outcome created = create();
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_TRUE(created.err.isEmpty()) << created.err;
    EXPECT_TRUE(created.out.contains("Alpha-2_0x1A2B_Any_/fw.img: 70000 bytes, SecurityTag " +
                                     independentTag(typicalFiles().at("fw.img"))))
        << created.out;
    EXPECT_TRUE(created.out.contains("Bundle written: " + path("b.zip")));
    EXPECT_TRUE(created.out.contains("Bundle verified: 1 package(s), 2 load(s), 70015 bytes of load files."));

    const Outcome verified = vxupdate({"bundle", "verify", path("b.zip")});
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_EQ(verified.out.split('\n').filter("Load 0x").size(), 2);
    EXPECT_TRUE(verified.out.contains("Required updater version: 2.5 (this updater: 3.0.0)"));
    EXPECT_TRUE(verified.err.isEmpty());

    // The engine's log goes to standard error only when asked for.
    const Outcome verbose = vxupdate({"-v", "bundle", "verify", path("b.zip")});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_TRUE(verbose.err.contains("] [info] vxupdate 3.0.0.10229: bundle verify " + path("b.zip") + "\n"))
        << verbose.err;
    // --verbose is an option of every command, wherever it stands.
    const Outcome after = vxupdate({"bundle", "verify", path("b.zip"), "-v"});
    EXPECT_EQ(after.exitCode, 0) << after.err;
    const Outcome older =
        vxupdate({"--verbose", "bundle", "verify", "--updater-version", "2.4.9", path("b.zip")});
    EXPECT_EQ(older.exitCode, 1);
    EXPECT_TRUE(
        older.err.endsWith("Error: Selected binaries require a newer application version.\nPlease download "
                           "the latest updater.\nThe bundle requires updater 2.5; this updater is 2.4.9.\n"))
        << older.err;
}

TEST_F(Vxupdate, FaultsExitWithOneAndSayWhy)
{
    const Outcome absent = vxupdate({"bundle", "verify", path("absent.zip")});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err, "Error: The bundle file " + path("absent.zip") + " does not exist.\n");
    const Outcome absentJson = vxupdate({"bundle", "verify", "--json", path("absent.zip")});
    EXPECT_EQ(absentJson.exitCode, 1);
    EXPECT_EQ(absentJson.err, absent.err);
    EXPECT_TRUE(absentJson.out.contains("\"failure\": \"The bundle file ")) << absentJson.out;

    ASSERT_EQ(create().exitCode, 0);
    auto entries = readZip(path("b.zip"));
    entries[0].second.replace("<LoadVersion>4.5</LoadVersion>", "<LoadVersion>9.9</LoadVersion>");
    writeZip(path("tampered.zip"), entries);
    const Outcome tampered = vxupdate({"-v", "bundle", "verify", path("tampered.zip")});
    EXPECT_EQ(tampered.exitCode, 1);
    EXPECT_TRUE(tampered.err.contains("Error: The selected binaries appear to have been corrupted.\n"))
        << tampered.err;

    entries = readZip(path("b.zip"));
    entries[2].second = "other bits";
    writeZip(path("altered.zip"), entries);
    const Outcome altered = vxupdate({"bundle", "verify", path("altered.zip")});
    EXPECT_EQ(altered.exitCode, 1);
    EXPECT_TRUE(
        altered.err.startsWith("Error: The updater failed to retrieve the selected package's information.\n"
                               "Failed to validate load fpga.bit."))
        << altered.err;
    EXPECT_TRUE(altered.out.contains("Load 0x1 Firmware \"fw.img\" version 1.2.3: 70000 bytes, tag valid"));
    EXPECT_TRUE(altered.out.contains("Load 0x2 FPGA \"fpga.bit\" version 4.5: FAILED"));
}

TEST_F(Vxupdate, CreateRefusesWithoutWritingABundle)
{
    ASSERT_TRUE(QFile::remove(path("loads/fpga.bit")));
    const Outcome missing = create();
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(
        missing.err.startsWith("Error: The file of load Alpha-2_0x1A2B_Any_/fpga.bit cannot be had: no file "
                               "fpga.bit in "))
        << missing.err;
    EXPECT_FALSE(QFile::exists(path("b.zip")));

    put("Manifest.xml", typicalManifest().replace("<ModelName>", "<Remark>new</Remark><ModelName>"));
    const Outcome unread = create();
    EXPECT_EQ(unread.exitCode, 1);
    EXPECT_TRUE(unread.err.contains("the element <Remark> inside <Package> is not read by the updater"))
        << unread.err;

    const Outcome noFolder =
        vxupdate({"bundle", "create", path("Manifest.xml"), path("none"), path("b.zip")});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_EQ(noFolder.err, "Error: " + path("none") + " is not a folder.\n");
    EXPECT_FALSE(QFile::exists(path("b.zip")));
}
