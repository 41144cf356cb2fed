#include "Engine/UpdateHistory.h"

#include "Engine/UpdaterIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>
#include <map>
#include <utility>

namespace
{

// Each step takes the schema from the version before it to its own number.
const std::vector<std::vector<const char*>>& migrations()
{
    static const std::vector<std::vector<const char*>> steps{
        {"CREATE TABLE runs ("
         " id INTEGER PRIMARY KEY,"
         " started_at TEXT NOT NULL,"
         " ended_at TEXT,"
         " updater_version TEXT NOT NULL,"
         " front_end TEXT NOT NULL,"
         " host TEXT NOT NULL,"
         " user TEXT NOT NULL,"
         " serial_number TEXT NOT NULL,"
         " model TEXT NOT NULL,"
         " adapter TEXT NOT NULL,"
         " bundle_file TEXT NOT NULL,"
         " bundle_sha256 TEXT NOT NULL,"
         " signer TEXT NOT NULL,"
         " package TEXT NOT NULL,"
         " outcome TEXT NOT NULL,"
         " failure TEXT NOT NULL,"
         " log_file TEXT NOT NULL,"
         " resumes_run INTEGER REFERENCES runs(id))",
         "CREATE INDEX runs_by_serial ON runs (serial_number, id)",
         "CREATE INDEX runs_by_start ON runs (started_at)",
         "CREATE TABLE loads ("
         " run_id INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,"
         " position INTEGER NOT NULL,"
         " load_number INTEGER NOT NULL,"
         " load_type TEXT NOT NULL,"
         " file_name TEXT NOT NULL,"
         " version_before TEXT NOT NULL,"
         " bundle_version TEXT NOT NULL,"
         " version_after TEXT NOT NULL,"
         " decision TEXT NOT NULL,"
         " outcome TEXT NOT NULL,"
         " started_at TEXT,"
         " ended_at TEXT,"
         " saved_flash_status INTEGER,"
         " PRIMARY KEY (run_id, position))"},
    };
    return steps;
}

QString timeText(const QDateTime& moment)
{
    return moment.isValid() ? moment.toUTC().toString(Qt::ISODateWithMs) : QString();
}

QDateTime readTime(const QVariant& value)
{
    if (value.isNull())
    {
        return QDateTime();
    }
    QDateTime moment = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    moment.setTimeSpec(Qt::UTC);
    return moment.toLocalTime();
}

// Qt SQL binds a null text as NULL; the history keeps empty texts.
QVariant textValue(const QString& text)
{
    return QVariant(text.isNull() ? QString(QLatin1String("")) : text);
}

QString now()
{
    return timeText(QDateTime::currentDateTimeUtc());
}

} // namespace

// A connection of this thread, opened for one operation.
class UpdateHistory::Connection
{
public:
    explicit Connection(const QString& path)
        : m_Name(QStringLiteral("VxUpdateHistory-%1").arg(s_Count.fetch_add(1)))
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_Name);
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BUSY_TIMEOUT_MS));
        if (!database.open())
        {
            m_Error = database.lastError().text();
            return;
        }
        m_Open = exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    }
    ~Connection()
    {
        {
            QSqlDatabase database = QSqlDatabase::database(m_Name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(m_Name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return m_Open; }
    const QString& error() const { return m_Error; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_Name, false); }

    QSqlQuery prepare(const QString& statement)
    {
        QSqlQuery query(database());
        if (!query.prepare(statement))
        {
            m_Error = query.lastError().text();
        }
        return query;
    }
    bool run(QSqlQuery& query)
    {
        if (!query.exec())
        {
            m_Error = query.lastError().text();
            return false;
        }
        return true;
    }
    bool exec(const QString& statement)
    {
        QSqlQuery query(database());
        if (!query.exec(statement))
        {
            m_Error = query.lastError().text();
            return false;
        }
        return true;
    }
    // The first column of the statement's first row.
    std::optional<QVariant> value(const QString& statement)
    {
        QSqlQuery query(database());
        if (!query.exec(statement) || !query.next())
        {
            m_Error = query.lastError().text();
            return std::nullopt;
        }
        return query.value(0);
    }

private:
    static std::atomic<unsigned> s_Count;
    QString m_Name;
    QString m_Error;
    bool m_Open = false;
};

std::atomic<unsigned> UpdateHistory::Connection::s_Count{0};

QString UpdateHistory::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
           QLatin1String(UpdaterIdentity::ORGANISATION_NAME) + QStringLiteral("/VxUpdater/History.sqlite");
}

QString HistorySettings::settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
           QLatin1String(UpdaterIdentity::ORGANISATION_NAME) + QStringLiteral("/VxUpdater/VxUpdater.ini");
}

HistorySettings HistorySettings::read(const QString& path)
{
    HistorySettings settings;
    settings.path = UpdateHistory::defaultPath();
    const QFileInfo file(settingsFilePath());
    if (file.isFile())
    {
        const QSettings stored(file.filePath(), QSettings::IniFormat);
        settings.path = stored.value(QStringLiteral("history/path"), settings.path).toString();
        settings.required = stored.value(QStringLiteral("history/required"), false).toBool();
    }
    if (!path.isEmpty())
    {
        settings.path = path;
    }
    return settings;
}

UpdateHistory::UpdateHistory(QString path) : m_Path(std::move(path)) {}

bool UpdateHistory::fail(const QString& what, const QString& why)
{
    m_ErrorText = QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(m_Path), why);
    return false;
}

bool UpdateHistory::setAside(const QString& why)
{
    const QString aside = m_Path + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(m_Path, aside))
    {
        return fail(QStringLiteral("The damaged update history could not be set aside,"), why);
    }
    for (const char* companion : {"-wal", "-shm"})
    {
        QFile::rename(m_Path + QLatin1String(companion), aside + QLatin1String(companion));
    }
    m_Notice = QStringLiteral("The update history %1 was damaged (%2); it was set aside as %3 and a new one "
                              "was started.")
                   .arg(QDir::toNativeSeparators(m_Path), why, QDir::toNativeSeparators(aside));
    return true;
}

bool UpdateHistory::open()
{
    m_ErrorText.clear();
    m_Notice.clear();
    if (!QDir().mkpath(QFileInfo(m_Path).absolutePath()))
    {
        return fail(QStringLiteral("The folder of the update history cannot be created:"), m_Path);
    }
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        std::optional<QString> damage;
        {
            Connection connection(m_Path);
            if (!connection.isOpen())
            {
                return fail(QStringLiteral("The update history cannot be opened,"), connection.error());
            }
            const std::optional<QVariant> check = connection.value(QStringLiteral("PRAGMA quick_check"));
            if (check && check->toString() == QLatin1String("ok"))
            {
                return migrate(connection);
            }
            damage = check ? check->toString() : connection.error();
        }
        if (attempt > 0 || !setAside(*damage))
        {
            return m_ErrorText.isEmpty() ? fail(QStringLiteral("The update history is damaged,"), *damage)
                                         : false;
        }
    }
    return false;
}

bool UpdateHistory::migrate(Connection& connection)
{
    const std::optional<QVariant> mode = connection.value(QStringLiteral("PRAGMA journal_mode = WAL"));
    if (!mode)
    {
        return fail(QStringLiteral("The update history cannot be opened,"), connection.error());
    }
    // BEGIN IMMEDIATE: two programs starting at once migrate one after the
    // other, the second finding the work done.
    if (!connection.exec(QStringLiteral("BEGIN IMMEDIATE")))
    {
        return fail(QStringLiteral("The update history cannot be opened,"), connection.error());
    }
    const int version =
        connection.value(QStringLiteral("PRAGMA user_version")).value_or(QVariant(-1)).toInt();
    if (version > SCHEMA_VERSION || version < 0)
    {
        connection.exec(QStringLiteral("ROLLBACK"));
        return fail(
            QStringLiteral("The update history was written by a later updater (schema %1) and is left "
                           "as it is:")
                .arg(version),
            QStringLiteral("this one knows schema %1").arg(SCHEMA_VERSION));
    }
    for (int step = version; step < SCHEMA_VERSION; ++step)
    {
        for (const char* statement : migrations()[static_cast<std::size_t>(step)])
        {
            if (!connection.exec(QLatin1String(statement)))
            {
                const QString why = connection.error();
                connection.exec(QStringLiteral("ROLLBACK"));
                return fail(
                    QStringLiteral("The update history cannot be brought to schema %1,").arg(step + 1), why);
            }
        }
    }
    if (!connection.exec(QStringLiteral("PRAGMA user_version = %1").arg(SCHEMA_VERSION)) ||
        !connection.exec(QStringLiteral("COMMIT")))
    {
        const QString why = connection.error();
        connection.exec(QStringLiteral("ROLLBACK"));
        return fail(QStringLiteral("The update history cannot be opened,"), why);
    }
    return true;
}

template <typename Work> bool UpdateHistory::write(const QString& what, Work work)
{
    Connection connection(m_Path);
    if (!connection.isOpen() || !connection.exec(QStringLiteral("BEGIN IMMEDIATE")))
    {
        return fail(what, connection.error());
    }
    if (!work(connection) || !connection.exec(QStringLiteral("COMMIT")))
    {
        const QString why = connection.error();
        connection.exec(QStringLiteral("ROLLBACK"));
        return fail(what, why);
    }
    return true;
}

qint64 UpdateHistory::beginRun(const HistoryRun& run)
{
    qint64 id = 0;
    const auto insertRun = [&](Connection& connection)
    {
        QSqlQuery query = connection.prepare(QStringLiteral(
            "INSERT INTO runs (started_at, updater_version, front_end, host, user, serial_number, model, "
            "adapter, bundle_file, bundle_sha256, signer, package, outcome, failure, log_file, resumes_run) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', ?, ?)"));
        for (const QVariant& value :
             {textValue(timeText(run.startedAt.isValid() ? run.startedAt : QDateTime::currentDateTimeUtc())),
              textValue(run.updaterVersion), textValue(run.frontEnd), textValue(run.host),
              textValue(run.user), textValue(run.serialNumber), textValue(run.model), textValue(run.adapter),
              textValue(run.bundleFile), textValue(run.bundleSha256), textValue(run.signer),
              textValue(run.package), QVariant(QLatin1String(HistoryRun::INTERRUPTED)),
              textValue(run.logFile),
              run.resumesRun > 0 ? QVariant(run.resumesRun) : QVariant(QVariant::LongLong)})
        {
            query.addBindValue(value);
        }
        if (!connection.run(query))
        {
            return false;
        }
        id = query.lastInsertId().toLongLong();
        return insertLoads(connection, id, run.loads);
    };
    return write(QStringLiteral("The update could not be recorded in the history"), insertRun) ? id : 0;
}

bool UpdateHistory::insertLoads(Connection& connection, qint64 runId, const std::vector<HistoryLoad>& loads)
{
    QSqlQuery query = connection.prepare(QStringLiteral(
        "INSERT INTO loads (run_id, position, load_number, load_type, file_name, version_before, "
        "bundle_version, version_after, decision, outcome) VALUES (?, ?, ?, ?, ?, ?, ?, '', ?, ?)"));
    for (const HistoryLoad& load : loads)
    {
        for (const QVariant& value :
             {QVariant(runId), QVariant(load.position), QVariant(static_cast<qint64>(load.loadNumber)),
              textValue(load.loadType), textValue(load.fileName), textValue(load.versionBefore),
              textValue(load.bundleVersion), textValue(load.decision), textValue(load.outcome)})
        {
            query.addBindValue(value);
        }
        if (!connection.run(query))
        {
            return false;
        }
    }
    return true;
}

bool UpdateHistory::updateLoad(qint64 runId, int position, const QString& assignments,
                               const std::vector<QVariant>& values)
{
    return write(
        QStringLiteral("The load could not be recorded in the history"),
        [&](Connection& connection)
        {
            QSqlQuery query = connection.prepare(
                QStringLiteral("UPDATE loads SET %1 WHERE run_id = ? AND position = ?").arg(assignments));
            for (const QVariant& value : values)
            {
                query.addBindValue(value);
            }
            query.addBindValue(runId);
            query.addBindValue(position);
            return connection.run(query);
        });
}

bool UpdateHistory::loadStarted(qint64 runId, int position)
{
    return updateLoad(runId, position, QStringLiteral("outcome = 'started', started_at = ?"), {now()});
}

bool UpdateHistory::flashStatusSaved(qint64 runId, int position, int status)
{
    return updateLoad(runId, position, QStringLiteral("saved_flash_status = ?"), {status});
}

bool UpdateHistory::loadEnded(qint64 runId, int position, const QString& outcome)
{
    return updateLoad(runId, position, QStringLiteral("outcome = ?, ended_at = ?"),
                      {textValue(outcome), now()});
}

bool UpdateHistory::endRun(qint64 runId, const QString& outcome, const QString& failure)
{
    return write(QStringLiteral("The end of the update could not be recorded in the history"),
                 [&](Connection& connection)
                 {
                     QSqlQuery run = connection.prepare(QStringLiteral(
                         "UPDATE runs SET outcome = ?, failure = ?, ended_at = ? WHERE id = ?"));
                     run.addBindValue(textValue(outcome));
                     run.addBindValue(textValue(failure));
                     run.addBindValue(now());
                     run.addBindValue(runId);
                     QSqlQuery loads = connection.prepare(QStringLiteral(
                         "UPDATE loads SET outcome = 'not reached' WHERE run_id = ? AND outcome = ''"));
                     loads.addBindValue(runId);
                     return connection.run(run) && connection.run(loads);
                 });
}

bool UpdateHistory::setVersionsAfter(qint64 runId, const std::vector<std::pair<int, QString>>& versions)
{
    return write(QStringLiteral("The versions after the update could not be recorded in the history"),
                 [&](Connection& connection)
                 {
                     QSqlQuery query = connection.prepare(QStringLiteral(
                         "UPDATE loads SET version_after = ? WHERE run_id = ? AND position = ?"));
                     for (const auto& [position, version] : versions)
                     {
                         query.addBindValue(textValue(version));
                         query.addBindValue(runId);
                         query.addBindValue(position);
                         if (!connection.run(query))
                         {
                             return false;
                         }
                     }
                     return true;
                 });
}

namespace
{

constexpr char RUN_COLUMNS[] =
    "id, started_at, ended_at, updater_version, front_end, host, user, serial_number, model, adapter, "
    "bundle_file, bundle_sha256, signer, package, outcome, failure, log_file, resumes_run";

HistoryRun readRun(const QSqlQuery& query)
{
    HistoryRun run;
    int column = 0;
    const auto next = [&]()
    {
        return query.value(column++);
    };
    run.id = next().toLongLong();
    run.startedAt = readTime(next());
    run.endedAt = readTime(next());
    for (QString* field : {&run.updaterVersion, &run.frontEnd, &run.host, &run.user, &run.serialNumber,
                           &run.model, &run.adapter, &run.bundleFile, &run.bundleSha256, &run.signer,
                           &run.package, &run.outcome, &run.failure, &run.logFile})
    {
        *field = next().toString();
    }
    run.resumesRun = next().toLongLong();
    return run;
}

HistoryLoad readLoad(const QSqlQuery& query)
{
    HistoryLoad load;
    int column = 1;
    const auto next = [&]()
    {
        return query.value(column++);
    };
    load.position = next().toInt();
    load.loadNumber = static_cast<std::uint32_t>(next().toLongLong());
    for (QString* field : {&load.loadType, &load.fileName, &load.versionBefore, &load.bundleVersion,
                           &load.versionAfter, &load.decision, &load.outcome})
    {
        *field = next().toString();
    }
    load.startedAt = readTime(next());
    load.endedAt = readTime(next());
    const QVariant status = next();
    if (!status.isNull())
    {
        load.savedFlashStatus = status.toInt();
    }
    return load;
}

} // namespace

std::optional<std::vector<HistoryRun>>
UpdateHistory::select(const QString& condition, const std::vector<QVariant>& values, const QString& order)
{
    Connection connection(m_Path);
    QSqlQuery query = connection.prepare(QStringLiteral("SELECT %1 FROM runs WHERE %2 ORDER BY %3")
                                             .arg(QLatin1String(RUN_COLUMNS), condition, order));
    for (const QVariant& value : values)
    {
        query.addBindValue(value);
    }
    // A read holds one snapshot: the runs and their loads agree.
    if (!connection.isOpen() || !connection.exec(QStringLiteral("BEGIN")) || !connection.run(query))
    {
        fail(QStringLiteral("The update history cannot be read,"), connection.error());
        return std::nullopt;
    }
    std::vector<HistoryRun> runs;
    while (query.next())
    {
        runs.push_back(readRun(query));
    }
    const bool read = readLoads(connection, runs);
    connection.exec(QStringLiteral("COMMIT"));
    if (!read)
    {
        fail(QStringLiteral("The update history cannot be read,"), connection.error());
        return std::nullopt;
    }
    return runs;
}

bool UpdateHistory::readLoads(Connection& connection, std::vector<HistoryRun>& runs)
{
    QSqlQuery query = connection.prepare(QStringLiteral(
        "SELECT run_id, position, load_number, load_type, file_name, version_before, bundle_version, "
        "version_after, decision, outcome, started_at, ended_at, saved_flash_status FROM loads "
        "WHERE run_id = ? ORDER BY position"));
    for (HistoryRun& run : runs)
    {
        query.addBindValue(run.id);
        if (!connection.run(query))
        {
            return false;
        }
        while (query.next())
        {
            run.loads.push_back(readLoad(query));
        }
    }
    return true;
}

std::optional<std::vector<HistoryRun>> UpdateHistory::runs(const HistoryFilter& filter)
{
    QStringList conditions{QStringLiteral("1")};
    std::vector<QVariant> values;
    if (!filter.serialNumber.isEmpty())
    {
        conditions << QStringLiteral("serial_number = ?");
        values.emplace_back(filter.serialNumber);
    }
    if (filter.since.isValid())
    {
        conditions << QStringLiteral("started_at >= ?");
        values.emplace_back(timeText(filter.since));
    }
    return select(conditions.join(QLatin1String(" AND ")), values, QStringLiteral("id"));
}

std::optional<HistoryRun> UpdateHistory::lastRun(const QString& serialNumber)
{
    std::optional<std::vector<HistoryRun>> found =
        select(QStringLiteral("serial_number = ?"), {serialNumber}, QStringLiteral("id DESC LIMIT 1"));
    if (!found || found->empty())
    {
        return std::nullopt;
    }
    return std::move(found->front());
}

QString UpdateHistory::integrityCheck()
{
    Connection connection(m_Path);
    const std::optional<QVariant> check = connection.value(QStringLiteral("PRAGMA integrity_check"));
    return check ? check->toString() : connection.error();
}
