#include "HistoryCommand.h"

#include "ExitCodes.h"
#include "TextTable.h"

#include "Engine/DisplayText.h"
#include "Engine/HistoryExport.h"
#include "Engine/UpdateHistory.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QTextStream>

namespace
{

// "2026-12-08" (midnight, local time) or an ISO 8601 moment.
QDateTime readSince(const QString& text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10)
    {
        return day.startOfDay();
    }
    return QDateTime::fromString(text, Qt::ISODate);
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : DisplayText::shown(text);
}

} // namespace

HistoryCommand::HistoryCommand(QTextStream& out, QTextStream& err)
    : Command(
          {{QStringLiteral("history")},
           QStringLiteral("the recorded update runs, per camera"),
           QStringLiteral("Lists the update runs the history holds, oldest first: when, on which camera,\n"
                          "by whom, from which bundle and package, with what result, and per load the\n"
                          "version before, the bundle's version, the decision, the outcome and the\n"
                          "version after. A run whose end was never written (the process was killed,\n"
                          "the power lost) is \"interrupted\"; the next update of that camera programs\n"
                          "its unfinished loads again. --csv prints one row per load for a quality\n"
                          "record.\n"),
           {{{QStringLiteral("serial")}, QStringLiteral("S"), QStringLiteral("only the runs of this camera")},
            {{QStringLiteral("since")},
             QStringLiteral("DATE"),
             QStringLiteral("only runs started from DATE on (2026-12-08, or 2026-12-08T14:00)")},
            {{QStringLiteral("csv")}, QString(), QStringLiteral("print CSV, one row per load")},
            historyOption(),
            jsonOption()},
           {},
           EFFECT::READS_ONLY},
          out, err)
{
}

int HistoryCommand::execute(const QCommandLineParser& parser)
{
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool csv = parser.isSet(QStringLiteral("csv"));
    if (json && csv)
    {
        return usageError(QStringLiteral("--json and --csv are two forms of the same list; give one."));
    }
    HistoryFilter filter;
    filter.serialNumber = parser.value(QStringLiteral("serial"));
    if (parser.isSet(QStringLiteral("since")))
    {
        filter.since = readSince(parser.value(QStringLiteral("since")));
        if (!filter.since.isValid())
        {
            return usageError(
                QStringLiteral("--since needs a date (2026-12-08) or a moment (2026-12-08T14:00), "
                               "not \"%1\".")
                    .arg(parser.value(QStringLiteral("since"))));
        }
    }
    const HistorySettings settings = HistorySettings::read(parser.value(QStringLiteral("history")));
    std::optional<std::vector<HistoryRun>> runs;
    // Reading never creates a history: a mistyped path is said as such.
    UpdateHistory history(settings.path);
    if (!QFileInfo(settings.path).isFile())
    {
        runs.emplace();
    }
    else if (history.open())
    {
        runs = history.runs(filter);
    }
    if (!history.notice().isEmpty())
    {
        m_Err << "Warning: " << history.notice() << "\n";
    }
    const int code = runs ? ExitCodes::SUCCESS : reportFailure(history.errorText());
    const std::vector<HistoryRun> found = runs.value_or(std::vector<HistoryRun>());
    if (json)
    {
        printJson(QJsonObject{{"history", QDir::toNativeSeparators(settings.path)},
                              {"runs", HistoryExport::toJson(found)}},
                  code, runs ? QString() : history.errorText());
    }
    else if (csv)
    {
        m_Out << QString::fromUtf8(HistoryExport::toCsv(found));
    }
    else if (runs)
    {
        printText(found);
    }
    m_Out.flush();
    return code;
}

void HistoryCommand::printText(const std::vector<HistoryRun>& runs)
{
    if (runs.empty())
    {
        m_Out << "No update is recorded.\n";
        return;
    }
    for (const HistoryRun& run : runs)
    {
        m_Out << QStringLiteral("Run %1  %2  %3  %4  %5\n")
                     .arg(run.id)
                     .arg(HistoryExport::timeText(run.startedAt), orDash(run.serialNumber), orDash(run.model),
                          run.outcome);
        m_Out << "  By: " << orDash(run.user) << "@" << orDash(run.host) << " with " << orDash(run.frontEnd)
              << " " << orDash(run.updaterVersion) << "; ended "
              << orDash(HistoryExport::timeText(run.endedAt)) << "\n";
        m_Out << "  Bundle: " << orDash(run.bundleFile) << " (SHA-256 " << orDash(run.bundleSha256)
              << ", signer " << orDash(run.signer) << ")\n";
        m_Out << "  Package: " << orDash(run.package) << "\n";
        if (run.resumesRun > 0)
        {
            m_Out << "  Resumes run " << run.resumesRun << "\n";
        }
        if (!run.failure.isEmpty())
        {
            m_Out << "  Failure: " << DisplayText::shown(run.failure) << "\n";
        }
        TextTable table;
        table.addRow({QStringLiteral("Load"), QStringLiteral("Number"), QStringLiteral("Before"),
                      QStringLiteral("Bundle"), QStringLiteral("After"), QStringLiteral("Decision"),
                      QStringLiteral("Outcome")});
        for (const HistoryLoad& load : run.loads)
        {
            table.addRow({orDash(load.loadType), QString::number(load.loadNumber), orDash(load.versionBefore),
                          orDash(load.bundleVersion), orDash(load.versionAfter), load.decision,
                          orDash(load.outcome)});
        }
        table.print(m_Out, QStringLiteral("  "));
    }
}
