#include "Engine/HistoryExport.h"

#include <QJsonObject>

namespace HistoryExport
{
namespace
{

QString csvField(QString field)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!field.isEmpty() && formulaStarts.contains(field.front()))
    {
        field.prepend(QLatin1Char('\''));
    }
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')))
    {
        field.replace(QLatin1String("\""), QLatin1String("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
    }
    return field;
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue isoOrNull(const QDateTime& moment)
{
    return moment.isValid()
               ? QJsonValue(moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODateWithMs))
               : QJsonValue();
}

QStringList runFields(const HistoryRun& run)
{
    return {QString::number(run.id),
            timeText(run.startedAt),
            timeText(run.endedAt),
            run.serialNumber,
            run.model,
            run.adapter,
            run.host,
            run.user,
            run.updaterVersion,
            run.frontEnd,
            run.bundleFile,
            run.bundleSha256,
            run.signer,
            run.package,
            run.outcome,
            run.failure,
            run.resumesRun > 0 ? QString::number(run.resumesRun) : QString(),
            run.logFile};
}

QStringList loadFields(const HistoryLoad& load)
{
    return {QString::number(load.loadNumber),
            load.loadType,
            load.fileName,
            load.versionBefore,
            load.bundleVersion,
            load.versionAfter,
            load.decision,
            load.outcome};
}

QJsonObject loadJson(const HistoryLoad& load)
{
    return {{"loadNumber", static_cast<qint64>(load.loadNumber)},
            {"loadType", load.loadType},
            {"fileName", load.fileName},
            {"versionBefore", textOrNull(load.versionBefore)},
            {"bundleVersion", textOrNull(load.bundleVersion)},
            {"versionAfter", textOrNull(load.versionAfter)},
            {"decision", load.decision},
            {"outcome", textOrNull(load.outcome)},
            {"startTime", isoOrNull(load.startedAt)},
            {"endTime", isoOrNull(load.endedAt)}};
}

} // namespace

const QStringList& csvColumns()
{
    static const QStringList columns{
        QStringLiteral("run"),           QStringLiteral("started"),       QStringLiteral("ended"),
        QStringLiteral("serialNumber"),  QStringLiteral("model"),         QStringLiteral("adapter"),
        QStringLiteral("host"),          QStringLiteral("user"),          QStringLiteral("updaterVersion"),
        QStringLiteral("frontEnd"),      QStringLiteral("bundle"),        QStringLiteral("bundleSha256"),
        QStringLiteral("signer"),        QStringLiteral("package"),       QStringLiteral("outcome"),
        QStringLiteral("failure"),       QStringLiteral("resumesRun"),    QStringLiteral("logFile"),
        QStringLiteral("loadNumber"),    QStringLiteral("loadType"),      QStringLiteral("fileName"),
        QStringLiteral("versionBefore"), QStringLiteral("bundleVersion"), QStringLiteral("versionAfter"),
        QStringLiteral("decision"),      QStringLiteral("loadOutcome")};
    return columns;
}

QString timeText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : QString();
}

QByteArray toCsv(const std::vector<HistoryRun>& runs)
{
    const auto line = [](const QStringList& fields)
    {
        QStringList quoted;
        for (const QString& field : fields)
        {
            quoted << csvField(field);
        }
        return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
    };
    QByteArray csv = line(csvColumns());
    for (const HistoryRun& run : runs)
    {
        const QStringList fields = runFields(run);
        if (run.loads.empty())
        {
            QStringList empty;
            for (int field = 0; field < 8; ++field)
            {
                empty << QString();
            }
            csv += line(fields + empty);
        }
        for (const HistoryLoad& load : run.loads)
        {
            csv += line(fields + loadFields(load));
        }
    }
    return csv;
}

QJsonArray toJson(const std::vector<HistoryRun>& runs)
{
    QJsonArray array;
    for (const HistoryRun& run : runs)
    {
        QJsonArray loads;
        for (const HistoryLoad& load : run.loads)
        {
            loads.append(loadJson(load));
        }
        array.append(
            QJsonObject{{"run", run.id},
                        {"startTime", isoOrNull(run.startedAt)},
                        {"endTime", isoOrNull(run.endedAt)},
                        {"serialNumber", run.serialNumber},
                        {"modelName", run.model},
                        {"adapter", run.adapter},
                        {"host", run.host},
                        {"user", run.user},
                        {"updaterVersion", run.updaterVersion},
                        {"frontEnd", run.frontEnd},
                        {"bundle", run.bundleFile},
                        {"bundleSha256", textOrNull(run.bundleSha256)},
                        {"signer", textOrNull(run.signer)},
                        {"packageFolder", run.package},
                        {"outcome", run.outcome},
                        {"failure", textOrNull(run.failure)},
                        {"resumesRun", run.resumesRun > 0 ? QJsonValue(run.resumesRun) : QJsonValue()},
                        {"logFile", textOrNull(run.logFile)},
                        {"loads", loads}});
    }
    return array;
}

} // namespace HistoryExport
