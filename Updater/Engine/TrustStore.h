#pragma once

#include "Engine/PublicKey.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// The public keys whose signatures this updater accepts on bundles, the keys
// revoked, and whether an unsigned bundle is accepted. Three levels, each a
// folder holding "trusted-keys/*.pem" (one PEM public key a file, named by its
// file name without ".pem"), "revoked-keys" (one fingerprint a line, "#"
// starts a comment) and, for the system and the user, "signatures.ini"
// ([signatures] policy=require or policy=accept-unsigned):
//
// - the installed data folder, which the package ships (without keys);
// - the system folder, /etc/VxUpdater (and a further system-level folder
//   named by VX_SYSTEM_TRUST_FOLDER, which can only add keys and revocations
//   and make the policy stricter);
// - the user's folder, VxUpdater in the user's configuration folder.
//
// A key revoked at any level is refused whoever trusts it. The policy is the
// strictest of the system's and the user's, so a user setting never weakens
// the system's; a policy text other than the two is read as "require".
//
// Loading reads the files once; the loaded store is a value, read from any
// thread. Adding and removing keys change the user's folder only.
class TrustStore
{
public:
    enum class ORIGIN
    {
        DATA,
        SYSTEM,
        USER
    };

    enum class POLICY
    {
        ACCEPT_UNSIGNED,
        REQUIRE_SIGNATURE
    };

    struct Locations
    {
        QString dataFolder;
        // Read in this order; all are the system level.
        QStringList systemFolders;
        QString userFolder;

        // The installed folders, /etc/VxUpdater with VX_SYSTEM_TRUST_FOLDER,
        // and the user's configuration folder.
        static Locations installed();
    };

    struct Key
    {
        QString name;
        ORIGIN origin = ORIGIN::USER;
        QString path;
        PublicKey key;
    };

    TrustStore() = default;
    explicit TrustStore(Locations locations) : m_Locations(std::move(locations)) {}

    // Reads every level. Files that cannot be read as keys are left out and
    // named in `problems()`.
    void load();
    // A store trusting exactly this key (a signer checking their own bundle).
    static TrustStore ofKey(const PublicKey& key, const QString& name);

    const Locations& locations() const { return m_Locations; }
    const std::vector<Key>& keys() const { return m_Keys; }
    const QStringList& problems() const { return m_Problems; }

    // The trusted key with this fingerprint (lower case); null when none.
    const Key* find(const QString& fingerprint) const;
    bool isRevoked(const QString& fingerprint) const { return m_Revoked.contains(fingerprint.toLower()); }
    const QSet<QString>& revoked() const { return m_Revoked; }

    POLICY policy() const { return m_Policy; }
    void setPolicy(POLICY policy) { m_Policy = policy; }
    // Where the policy in force comes from ("default" or the setting's file).
    const QString& policySource() const { return m_PolicySource; }

    // Copies the PEM public key at `pemPath` into the user's folder under
    // `name` (the file's name without ".pem" when empty). False, with the
    // reason, for a file that is no Ed25519 public key, a name that is no plain
    // file name, or a key trusted already.
    bool addUserKey(const QString& pemPath, QString name, QString& error, Key& added);
    // Removes the user's key with this name or fingerprint. False, with the
    // reason, when the user's folder has none (a system key is named as such).
    bool removeUserKey(const QString& nameOrFingerprint, QString& error, Key& removed);

    static QString originName(ORIGIN origin);
    static QString policyName(POLICY policy);

private:
    void loadKeys(const QString& folder, ORIGIN origin);
    void loadRevocations(const QString& folder);
    void loadPolicy(const QString& folder);

    Locations m_Locations;
    std::vector<Key> m_Keys;
    QSet<QString> m_Revoked;
    POLICY m_Policy = POLICY::ACCEPT_UNSIGNED;
    QString m_PolicySource = QStringLiteral("default");
    QStringList m_Problems;
};
