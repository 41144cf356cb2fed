#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

// The command reference the build writes from the command table: the manual
// page and the bash completion list every command vxupdate parses, and the
// completion completes them as a shell user types.
namespace
{

struct Outcome
{
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Outcome vxupdate(const QStringList& arguments)
{
    return run(QStringLiteral(VXUPDATE_PATH), arguments, QProcessEnvironment::systemEnvironment());
}

// The commands the overview lists, as their words: "update", "bundle verify".
QStringList commandsOfTheOverview()
{
    const Outcome help = vxupdate({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    static const QRegularExpression usage(QStringLiteral("^  vxupdate ([a-z]+(?: [a-z]+)?)"),
                                          QRegularExpression::MultilineOption);
    QStringList commands;
    for (auto match = usage.globalMatch(help.out); match.hasNext();)
    {
        commands << match.next().captured(1);
    }
    return commands;
}

QString readFile(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// What the completion offers for the words typed so far, the last one being
// completed; `vxupdate` found on the path for serial numbers.
QStringList complete(const QStringList& words)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", QFileInfo(QStringLiteral(VXUPDATE_PATH)).absolutePath() + ":" +
                                   environment.value("PATH"));
    environment.insert("VX_SIMULATED_CAMERAS", QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
    QStringList quoted;
    for (const QString& word : words)
    {
        quoted << "'" + word + "'";
    }
    const QString script = QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=%3; _vxupdate; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(QStringLiteral(VX_COMPLETION_FILE), quoted.join(' '))
                               .arg(words.size() - 1);
    const Outcome outcome = run(QStringLiteral("bash"), {"-c", script}, environment);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    QStringList offered = outcome.out.split('\n', Qt::SkipEmptyParts);
    offered.sort();
    return offered;
}

} // namespace

TEST(VxupdateReference, TheManualPageNamesEveryCommandWithItsOptions)
{
    const QStringList commands = commandsOfTheOverview();
    ASSERT_GE(commands.size(), 11) << commands.join(", ").toStdString();
    const QString page = readFile(QStringLiteral(VX_MANUAL_PAGE_FILE));
    for (const QString& command : commands)
    {
        SCOPED_TRACE(command.toStdString());
        EXPECT_TRUE(page.contains(".SS \"" + command + "\"\n.B vxupdate " + command + "\n"));
        EXPECT_TRUE(page.contains(".br\n.B vxupdate " + command + "\n"));
    }
    // Options as the commands declare them, escaped for roff.
    EXPECT_TRUE(page.contains(".TP\n\\fB\\-\\-dry\\-run\\fR\nstop at the plan"));
    EXPECT_TRUE(page.contains(".TP\n\\fB\\-y\\fR, \\fB\\-\\-yes\\fR\n"));
    EXPECT_TRUE(page.contains(".TP\n\\fIMODE\\fR\ndriver or u3v\n"));
    EXPECT_TRUE(page.contains(".TP\n\\fB\\-\\-version\\fR\n"));
    EXPECT_FALSE(page.contains("@VX_")) << "a placeholder was left";
    EXPECT_TRUE(page.contains(".TH VXUPDATE 1 \"December 2026\" \"VxUpdater 3.0.0.10229\""));
}

TEST(VxupdateReference, TheManualPageRendersWithoutWarnings)
{
    const QString groff = QStandardPaths::findExecutable("groff");
    if (groff.isEmpty())
    {
        GTEST_SKIP() << "groff is not installed";
    }
    const Outcome rendered = run(groff, {"-man", "-Tutf8", "-ww", "-z", QStringLiteral(VX_MANUAL_PAGE_FILE)},
                                 QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(rendered.exitCode, 0);
    EXPECT_TRUE(rendered.err.isEmpty()) << rendered.err.toStdString();
}

TEST(VxupdateReference, TheCompletionOffersWhatEachPlaceTakes)
{
    struct Row
    {
        const char* name;
        QStringList words;
        QStringList offered;
    };
    const Row rows[] = {
        {"a command", {"vxupdate", ""}, {}},
        {"the bundle commands", {"vxupdate", "bundle", ""}, {"create", "demo", "sign", "verify"}},
        {"a command by its start", {"vxupdate", "pr"}, {"properties"}},
        {"the mode's choices", {"vxupdate", "mode", ""}, {"driver", "u3v"}},
        {"past an option's value", {"vxupdate", "mode", "--serial", "21001", ""}, {"driver", "u3v"}},
        {"an option's choices", {"vxupdate", "grab", "--mode", ""}, {"still", "video"}},
        {"an option by its start", {"vxupdate", "update", "--d"}, {"--dry-run"}},
        {"a group command's options",
         {"vxupdate", "bundle", "verify", "--"},
         {"--help", "--json", "--log", "--updater-version", "--verbose"}},
        {"serial numbers", {"vxupdate", "info", "--serial", ""}, {"SIM-0001", "SIM-0002"}},
        {"nothing past the arguments", {"vxupdate", "mode", "u3v", ""}, {}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const QStringList offered = complete(row.words);
        if (row.offered.isEmpty() && row.words.size() == 2)
        {
            // Every command word, the group's first word once, and the
            // program's own options.
            QStringList expected{"--help", "--log", "--verbose", "--version"};
            for (const QString& command : commandsOfTheOverview())
            {
                const QString word = command.section(QLatin1Char(' '), 0, 0);
                if (!expected.contains(word))
                {
                    expected << word;
                }
            }
            expected.sort();
            EXPECT_EQ(offered, expected);
            continue;
        }
        EXPECT_EQ(offered, row.offered);
    }
}

TEST(VxupdateReference, AGroupAnswersHelpWithItsCommands)
{
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")})
    {
        const Outcome outcome = vxupdate({"bundle", help});
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_TRUE(outcome.err.isEmpty());
        EXPECT_TRUE(
            outcome.out.startsWith("Usage: vxupdate bundle COMMAND [OPTIONS] ARGUMENTS\n\nCommands:\n"
                                   "  vxupdate bundle create [--key KEY] MANIFEST LOAD_FOLDER BUNDLE\n"
                                   "      seals a manifest and writes a bundle\n"))
            << outcome.out.toStdString();
        EXPECT_TRUE(outcome.out.contains("  vxupdate bundle demo BUNDLE\n"));
        EXPECT_FALSE(outcome.out.contains("vxupdate update"));
        EXPECT_TRUE(
            outcome.out.endsWith("Run \"vxupdate bundle COMMAND --help\" for a command's arguments and "
                                 "options.\n"));
    }
}

TEST(VxupdateReference, AnUnknownReferenceIsWrongUsage)
{
    const Outcome outcome = vxupdate({"--reference", "html"});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_TRUE(outcome.err.startsWith("vxupdate: --reference takes synopsis, commands or completion.\n"))
        << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}
