#include "Engine/TrustStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#ifndef VX_INSTALLED_DATA_FOLDER
#define VX_INSTALLED_DATA_FOLDER "/usr/share/vxupdater"
#endif

namespace
{

constexpr char KEY_FOLDER[] = "trusted-keys";
constexpr char REVOCATION_FILE[] = "revoked-keys";
constexpr char POLICY_FILE[] = "signatures.ini";
constexpr char POLICY_KEY[] = "signatures/policy";
constexpr char KEY_SUFFIX[] = ".pem";
constexpr qint64 MAXIMUM_KEY_FILE_SIZE = qint64{64} * 1024;
constexpr qint64 MAXIMUM_REVOCATION_FILE_SIZE = qint64{1024} * 1024;

QString keyFolderOf(const QString& folder)
{
    return folder + QLatin1Char('/') + QLatin1String(KEY_FOLDER);
}

bool readSmallFile(const QString& path, qint64 limit, QByteArray& bytes)
{
    QFile file(path);
    if (file.size() > limit || !file.open(QIODevice::ReadOnly))
    {
        return false;
    }
    bytes = file.read(limit + 1);
    return bytes.size() <= limit;
}

} // namespace

TrustStore::Locations TrustStore::Locations::installed()
{
    Locations locations;
    locations.dataFolder = QStringLiteral(VX_INSTALLED_DATA_FOLDER);
    locations.systemFolders << QStringLiteral("/etc/VxUpdater");
    const QString extra = qEnvironmentVariable("VX_SYSTEM_TRUST_FOLDER");
    if (!extra.isEmpty())
    {
        locations.systemFolders << extra;
    }
    locations.userFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/VxUpdater");
    return locations;
}

TrustStore TrustStore::ofKey(const PublicKey& key, const QString& name)
{
    TrustStore store;
    store.m_Keys.push_back({name, ORIGIN::USER, QString(), key});
    return store;
}

void TrustStore::load()
{
    m_Keys.clear();
    m_Revoked.clear();
    m_Problems.clear();
    m_Policy = POLICY::ACCEPT_UNSIGNED;
    m_PolicySource = QStringLiteral("default");
    if (!m_Locations.dataFolder.isEmpty())
    {
        loadKeys(m_Locations.dataFolder, ORIGIN::DATA);
        loadRevocations(m_Locations.dataFolder);
    }
    for (const QString& folder : m_Locations.systemFolders)
    {
        loadKeys(folder, ORIGIN::SYSTEM);
        loadRevocations(folder);
        loadPolicy(folder);
    }
    if (!m_Locations.userFolder.isEmpty())
    {
        loadKeys(m_Locations.userFolder, ORIGIN::USER);
        loadRevocations(m_Locations.userFolder);
        loadPolicy(m_Locations.userFolder);
    }
}

void TrustStore::loadKeys(const QString& folder, ORIGIN origin)
{
    const QDir directory(keyFolderOf(folder));
    const QStringList names =
        directory.entryList({QStringLiteral("*") + QLatin1String(KEY_SUFFIX)}, QDir::Files, QDir::Name);
    for (const QString& fileName : names)
    {
        const QString path = directory.filePath(fileName);
        QByteArray pem;
        PublicKey key;
        QString error;
        if (!readSmallFile(path, MAXIMUM_KEY_FILE_SIZE, pem))
        {
            m_Problems << QStringLiteral("The key file %1 cannot be read.").arg(path);
            continue;
        }
        if (!key.readPem(pem, error))
        {
            m_Problems << QStringLiteral("The key file %1 is left out: %2.").arg(path, error);
            continue;
        }
        // The first level that trusts a key names it.
        if (find(key.fingerprint()) == nullptr)
        {
            m_Keys.push_back({fileName.chopped(static_cast<int>(qstrlen(KEY_SUFFIX))), origin, path, key});
        }
    }
}

void TrustStore::loadRevocations(const QString& folder)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(REVOCATION_FILE);
    if (!QFileInfo::exists(path))
    {
        return;
    }
    QByteArray bytes;
    if (!readSmallFile(path, MAXIMUM_REVOCATION_FILE_SIZE, bytes))
    {
        m_Problems << QStringLiteral("The revocation list %1 cannot be read.").arg(path);
        return;
    }
    int lineNumber = 0;
    for (const QByteArray& line : bytes.split('\n'))
    {
        ++lineNumber;
        const int comment = line.indexOf('#');
        const QString text = QString::fromUtf8((comment < 0 ? line : line.left(comment)).trimmed());
        if (text.isEmpty())
        {
            continue;
        }
        const QString fingerprint = text.section(QLatin1Char(' '), 0, 0);
        if (!PublicKey::isFingerprint(fingerprint))
        {
            m_Problems << QStringLiteral("Line %1 of the revocation list %2 holds no fingerprint.")
                              .arg(lineNumber)
                              .arg(path);
            continue;
        }
        m_Revoked.insert(fingerprint.toLower());
    }
}

void TrustStore::loadPolicy(const QString& folder)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(POLICY_FILE);
    if (!QFileInfo::exists(path))
    {
        return;
    }
    const QSettings settings(path, QSettings::IniFormat);
    const QString value = settings.value(QLatin1String(POLICY_KEY)).toString().trimmed();
    if (value == QLatin1String("accept-unsigned"))
    {
        return;
    }
    if (value != QLatin1String("require"))
    {
        m_Problems << QStringLiteral("The policy \"%1\" of %2 is not \"require\" or \"accept-unsigned\"; "
                                     "signatures are required.")
                          .arg(value, path);
    }
    if (m_Policy != POLICY::REQUIRE_SIGNATURE)
    {
        m_Policy = POLICY::REQUIRE_SIGNATURE;
        m_PolicySource = path;
    }
}

const TrustStore::Key* TrustStore::find(const QString& fingerprint) const
{
    const QString wanted = fingerprint.toLower();
    for (const Key& key : m_Keys)
    {
        if (key.key.fingerprint() == wanted)
        {
            return &key;
        }
    }
    return nullptr;
}

bool TrustStore::addUserKey(const QString& pemPath, QString name, QString& error, Key& added)
{
    QByteArray pem;
    PublicKey key;
    QString problem;
    if (!readSmallFile(pemPath, MAXIMUM_KEY_FILE_SIZE, pem))
    {
        error = QStringLiteral("The key file %1 cannot be read.").arg(pemPath);
        return false;
    }
    if (!key.readPem(pem, problem))
    {
        error = QStringLiteral("The key file %1 is refused: %2.").arg(pemPath, problem);
        return false;
    }
    if (name.isEmpty())
    {
        name = QFileInfo(pemPath).fileName();
        if (name.endsWith(QLatin1String(KEY_SUFFIX)))
        {
            name.chop(static_cast<int>(qstrlen(KEY_SUFFIX)));
        }
    }
    static const QRegularExpression PLAIN_NAME(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._ -]{0,63}$"));
    if (!PLAIN_NAME.match(name).hasMatch())
    {
        error =
            QStringLiteral("The key name \"%1\" is not a plain name (letters, digits, \".\", \"_\", \"-\", "
                           "spaces; at most 64).")
                .arg(name);
        return false;
    }
    if (const Key* known = find(key.fingerprint()))
    {
        error = QStringLiteral("The key %1 is trusted already as %2 (%3).")
                    .arg(key.fingerprint(), known->name, originName(known->origin));
        return false;
    }
    const QString folder = keyFolderOf(m_Locations.userFolder);
    const QString path = folder + QLatin1Char('/') + name + QLatin1String(KEY_SUFFIX);
    QFile file(path);
    if (!QDir().mkpath(folder) || QFileInfo::exists(path) || !file.open(QIODevice::WriteOnly) ||
        file.write(key.pem()) != key.pem().size() || !file.flush())
    {
        error = QStringLiteral("The key cannot be stored at %1 (a file of that name exists or the folder "
                               "cannot be written).")
                    .arg(path);
        return false;
    }
    added = {name, ORIGIN::USER, path, key};
    m_Keys.push_back(added);
    return true;
}

bool TrustStore::removeUserKey(const QString& nameOrFingerprint, QString& error, Key& removed)
{
    for (auto key = m_Keys.begin(); key != m_Keys.end(); ++key)
    {
        if (key->name != nameOrFingerprint && key->key.fingerprint() != nameOrFingerprint.toLower())
        {
            continue;
        }
        if (key->origin != ORIGIN::USER)
        {
            error = QStringLiteral("The key %1 (%2) is trusted by the %3 folder %4; only its administrator "
                                   "can remove it, and revoke it in a revoked-keys list.")
                        .arg(key->name, key->key.fingerprint(), originName(key->origin),
                             QFileInfo(key->path).absolutePath());
            return false;
        }
        if (!QFile::remove(key->path))
        {
            error = QStringLiteral("The key file %1 cannot be removed.").arg(key->path);
            return false;
        }
        removed = *key;
        m_Keys.erase(key);
        return true;
    }
    error = QStringLiteral("No trusted key is named or has the fingerprint \"%1\".").arg(nameOrFingerprint);
    return false;
}

QString TrustStore::originName(ORIGIN origin)
{
    switch (origin)
    {
    case ORIGIN::DATA:
        return QStringLiteral("installed");
    case ORIGIN::SYSTEM:
        return QStringLiteral("system");
    case ORIGIN::USER:
        break;
    }
    return QStringLiteral("user");
}

QString TrustStore::policyName(POLICY policy)
{
    return policy == POLICY::REQUIRE_SIGNATURE ? QStringLiteral("require")
                                               : QStringLiteral("accept-unsigned");
}
