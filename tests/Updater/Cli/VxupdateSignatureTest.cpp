#include "Engine/BundleCatalogue.h"
#include "Engine/CatalogueSignature.h"
#include "Engine/SigningKey.h"

#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

constexpr char UNTRUSTED[] = "The bundle is signed by a key this updater does not trust (";
constexpr char MISMATCH[] = "The bundle's files differ from the list of files its maker signed.";

// vxupdate with a user configuration and a system trust folder of its own, so
// that nothing of the machine's trust is read but /etc/VxUpdater (empty on
// build machines).
class VxupdateSignatures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir folder(m_Folder.path());
        ASSERT_TRUE(folder.mkpath("loads"));
        ASSERT_TRUE(folder.mkpath("system"));
        put("Manifest.xml", typicalManifest());
        for (const auto& [name, content] : typicalFiles())
        {
            put("loads/" + name, content);
        }
        writeKeyPair(path("maker.key"), path("maker.pem"));
        writeKeyPair(path("other.key"), path("other.pem"));
        ASSERT_TRUE(
            QFile::setPermissions(path("maker.key"), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QString error;
        SigningKey key;
        ASSERT_TRUE(key.readFile(path("maker.key"), error));
        m_Fingerprint = key.publicKey().fingerprint();
        ASSERT_EQ(vxupdate({"bundle", "create", path("Manifest.xml"), path("loads"), path("b.zip")}).exitCode,
                  0);
    }

    Outcome vxupdate(const QStringList& arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", path("config"));
        environment.insert("XDG_DATA_HOME", path("data"));
        environment.insert("VX_SYSTEM_TRUST_FOLDER", path("system"));
        environment.insert("VX_SIMULATED_CAMERAS", QStringLiteral(VX_SIMULATED_CAMERAS_FILE));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VXUPDATE_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }

    void put(const QString& name, const QByteArray& content)
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QString signedBundle()
    {
        const Outcome signing = vxupdate(
            {"bundle", "sign", path("b.zip"), "--key", path("maker.key"), "--output", path("signed.zip")});
        EXPECT_EQ(signing.exitCode, 0) << signing.err;
        return path("signed.zip");
    }

    QString signerLine() const { return "Signature: valid, signed by maker (" + m_Fingerprint + ")"; }

    QTemporaryDir m_Folder;
    QString m_Fingerprint;
};

} // namespace

TEST_F(VxupdateSignatures, SignTrustAndVerify)
{
    const Outcome signing = vxupdate(
        {"bundle", "sign", path("b.zip"), "--key", path("maker.key"), "--output", path("signed.zip")});
    ASSERT_EQ(signing.exitCode, 0) << signing.err;
    EXPECT_TRUE(signing.err.isEmpty()) << signing.err;
    EXPECT_TRUE(signing.out.startsWith("Catalogue: 3 entries listed with their SHA-256 digests\n"
                                       "Signed with the key " +
                                       m_Fingerprint + ": " + path("signed.zip") +
                                       "\nBundle: " + path("signed.zip") + "\n" + signerLine() + "\n"))
        << signing.out;

    const Outcome untrusted = vxupdate({"bundle", "verify", path("signed.zip")});
    EXPECT_EQ(untrusted.exitCode, 1);
    EXPECT_EQ(untrusted.out, "Bundle: " + path("signed.zip") + "\nSignature: refused\n");
    EXPECT_EQ(untrusted.err, "Error: " + QString(UNTRUSTED) + m_Fingerprint +
                                 ").\nNo trusted key has the fingerprint " + m_Fingerprint +
                                 "; \"vxupdate trust list\" shows the keys trusted.\n");

    const Outcome added = vxupdate({"trust", "add", path("maker.pem")});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "Trusted: maker (" + m_Fingerprint + ") in " +
                             path("config/VxUpdater/trusted-keys/maker.pem") + "\n");
    const Outcome verified = vxupdate({"bundle", "verify", path("signed.zip")});
    EXPECT_EQ(verified.exitCode, 0) << verified.err;
    EXPECT_TRUE(verified.out.startsWith("Bundle: " + path("signed.zip") + "\n" + signerLine() +
                                        "\nManifest: its tag "
                                        "matches its content"))
        << verified.out;

    const Outcome json = vxupdate({"bundle", "verify", "--json", path("signed.zip")});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonObject signature = QJsonDocument::fromJson(json.out.toUtf8()).object()["signature"].toObject();
    EXPECT_EQ(signature["state"].toString(), "valid");
    EXPECT_EQ(signature["signer"].toString(), "maker");
    EXPECT_EQ(signature["fingerprint"].toString(), m_Fingerprint);
    EXPECT_EQ(signature["summary"].toString(), signerLine());
    EXPECT_TRUE(signature["reason"].isNull());

    const Outcome unsigned_ = vxupdate({"bundle", "verify", "--json", path("b.zip")});
    const QJsonObject none = QJsonDocument::fromJson(unsigned_.out.toUtf8()).object()["signature"].toObject();
    EXPECT_EQ(none["state"].toString(), "unsigned");
    EXPECT_EQ(none["summary"].toString(), "Signature: not signed");
}

TEST_F(VxupdateSignatures, TrustListAddRemove)
{
    EXPECT_EQ(vxupdate({"trust", "list"}).out, "No trusted key.\nPolicy: accept-unsigned (default)\n");
    ASSERT_EQ(vxupdate({"trust", "add", path("maker.pem"), "--name", "Veltrax line 3"}).exitCode, 0);
    put("config/VxUpdater/revoked-keys", "0123456789abcdef  # an old key\n");
    put("system/signatures.ini", "[signatures]\npolicy=require\n");
    const Outcome listed = vxupdate({"trust", "list"});
    EXPECT_EQ(listed.out, m_Fingerprint + "  Veltrax line 3  user  " +
                              path("config/VxUpdater/trusted-keys/Veltrax line 3.pem") +
                              "\nRevoked: 0123456789abcdef\nPolicy: require (" +
                              path("system/signatures.ini") + ")\n");
    const QJsonObject json =
        QJsonDocument::fromJson(vxupdate({"trust", "list", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(json["policy"].toString(), "require");
    EXPECT_EQ(json["keys"].toArray().size(), 1);

    const Outcome privateKey = vxupdate({"trust", "add", path("other.key")});
    EXPECT_EQ(privateKey.exitCode, 1);
    EXPECT_EQ(privateKey.err,
              "Error: The key file " + path("other.key") +
                  " is refused: it holds a private key; give its public key (openssl pkey -pubout).\n");
    const Outcome again = vxupdate({"trust", "add", path("maker.pem")});
    EXPECT_EQ(again.err,
              "Error: The key " + m_Fingerprint + " is trusted already as Veltrax line 3 (user).\n");

    const Outcome removed = vxupdate({"trust", "remove", m_Fingerprint});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "No longer trusted: Veltrax line 3 (" + m_Fingerprint + ")\n");
    const Outcome absent = vxupdate({"trust", "remove", "maker"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err, "Error: No trusted key is named or has the fingerprint \"maker\".\n");

    // The system's keys are the administrator's.
    put("system/trusted-keys/factory.pem",
        [this]
        {
            QFile file(path("other.pem"));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            return file.readAll();
        }());
    const Outcome systemKey = vxupdate({"trust", "remove", "factory"});
    EXPECT_EQ(systemKey.exitCode, 1);
    EXPECT_TRUE(systemKey.err.contains("is trusted by the system folder " + path("system/trusted-keys") +
                                       "; only its administrator can remove it"))
        << systemKey.err;
}

TEST_F(VxupdateSignatures, UserSettingCannotWeakenTheSystemPolicy)
{
    put("system/signatures.ini", "[signatures]\npolicy=require\n");
    put("config/VxUpdater/signatures.ini", "[signatures]\npolicy=accept-unsigned\n");
    const Outcome refused = vxupdate({"bundle", "verify", path("b.zip")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "Error: The bundle is not signed, and this updater accepts signed bundles only.\nThe bundle "
              "holds no META-INF/VxCatalogue.sig; the policy in force requires a signature.\n");
    const Outcome update = vxupdate({"update", path("b.zip"), "--serial", "SIM-0001", "--yes"});
    EXPECT_EQ(update.exitCode, 1);
    EXPECT_TRUE(
        update.err.startsWith("Error: The bundle is not signed, and this updater accepts signed bundles "
                              "only.\n"))
        << update.err;

    ASSERT_EQ(vxupdate({"trust", "add", path("maker.pem")}).exitCode, 0);
    EXPECT_EQ(vxupdate({"bundle", "verify", signedBundle()}).exitCode, 0);
}

TEST_F(VxupdateSignatures, TamperedAndResealed)
{
    ASSERT_EQ(vxupdate({"trust", "add", path("maker.pem")}).exitCode, 0);
    const QString bundle = signedBundle();
    // Taken apart, a load changed, and made again with bundle create.
    put("loads/fpga.bit", "other bits here");
    ASSERT_EQ(
        vxupdate({"bundle", "create", path("Manifest.xml"), path("loads"), path("resealed.zip")}).exitCode,
        0);
    const Outcome lenient = vxupdate({"bundle", "verify", path("resealed.zip")});
    EXPECT_EQ(lenient.exitCode, 0);
    EXPECT_TRUE(
        lenient.out.contains("\nSignature: not signed\nWarning: The bundle is not signed: nothing shows who "
                             "made it or that it is unchanged since. It is accepted because signatures are "
                             "not required.\n"))
        << lenient.out;

    // The old signature entries carried over: refused whatever the policy.
    auto entries = readZip(path("resealed.zip"));
    for (const auto& entry : readZip(bundle))
    {
        if (entry.first.startsWith("META-INF/"))
        {
            entries.push_back(entry);
        }
    }
    writeZip(path("kept.zip"), entries);
    const Outcome kept = vxupdate({"bundle", "verify", path("kept.zip")});
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_EQ(kept.err, "Error: " + QString(MISMATCH) +
                            "\nThe content of the entry \"Manifest.xml\" differs from the SHA-256 digest the "
                            "catalogue lists.\n")
        << kept.err.toStdString();
}

TEST_F(VxupdateSignatures, CreateWithKeySignsAndWrongUsage)
{
    const Outcome created = vxupdate(
        {"bundle", "create", path("Manifest.xml"), path("loads"), path("c.zip"), "--key", path("maker.key")});
    ASSERT_EQ(created.exitCode, 0) << created.err;
    EXPECT_TRUE(created.out.contains("\n" + signerLine() + "\n")) << created.out;
    EXPECT_TRUE(
        created.out.contains("Bundle verified: 1 package(s), 2 load(s), 70015 bytes of load files.\n"));

    const Outcome noKey = vxupdate({"bundle", "sign", path("b.zip")});
    EXPECT_EQ(noKey.exitCode, 2);
    EXPECT_EQ(noKey.err, "vxupdate bundle sign: --key is required.\nUsage: vxupdate bundle sign [--key KEY] "
                         "[--output OUT] BUNDLE\nRun \"vxupdate bundle sign --help\" for more.\n");
    const Outcome badKey = vxupdate({"bundle", "sign", path("b.zip"), "--key", path("maker.pem")});
    EXPECT_EQ(badKey.exitCode, 1);
    EXPECT_EQ(badKey.err,
              "Error: The signing key " + path("maker.pem") + " holds no unencrypted PEM private key.\n");

    ASSERT_TRUE(QFile::setPermissions(path("other.key"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                             QFileDevice::ReadOther));
    const Outcome exposed = vxupdate({"bundle", "sign", path("b.zip"), "--key", path("other.key")});
    EXPECT_EQ(exposed.exitCode, 0);
    EXPECT_EQ(exposed.err, "Warning: the signing key " + path("other.key") +
                               " can be read by other users (chmod 600 it).\n");
}

TEST_F(VxupdateSignatures, WrongRevokedAndTruncatedSignatures)
{
    ASSERT_EQ(vxupdate({"trust", "add", path("maker.pem")}).exitCode, 0);
    const QString bundle = signedBundle();
    auto entries = readZip(bundle);
    for (auto& entry : entries)
    {
        if (entry.first == CatalogueSignature::ENTRY)
        {
            entry.second.chop(20);
        }
    }
    writeZip(path("truncated.zip"), entries);
    const Outcome truncated = vxupdate({"bundle", "verify", path("truncated.zip")});
    EXPECT_EQ(truncated.exitCode, 1);
    EXPECT_EQ(truncated.err,
              "Error: The bundle's signature does not verify: the bundle was changed after it was "
              "signed, or its signature is damaged.\nThe signature entry is cut short.\n");

    // Signed by another key under the trusted key's fingerprint.
    SigningKey other;
    QString error;
    ASSERT_TRUE(other.readFile(path("other.key"), error));
    entries = readZip(bundle);
    QByteArray catalogue;
    for (const auto& entry : entries)
    {
        catalogue = entry.first == BundleCatalogue::ENTRY ? entry.second : catalogue;
    }
    for (auto& entry : entries)
    {
        if (entry.first == CatalogueSignature::ENTRY)
        {
            entry.second = CatalogueSignature(m_Fingerprint, other.sign(catalogue)).text();
        }
    }
    writeZip(path("wrong.zip"), entries);
    const Outcome wrong = vxupdate({"bundle", "verify", path("wrong.zip")});
    EXPECT_EQ(wrong.err,
              "Error: The bundle's signature does not verify: the bundle was changed after it was "
              "signed, or its signature is damaged.\nThe signature of the catalogue does not verify with "
              "the key maker (" +
                  m_Fingerprint + ").\n");

    put("system/revoked-keys", m_Fingerprint.toLatin1() + "\n");
    const Outcome revoked = vxupdate({"bundle", "verify", bundle});
    EXPECT_EQ(revoked.exitCode, 1);
    EXPECT_EQ(revoked.err, "Error: The bundle is signed by a key that has been revoked (" + m_Fingerprint +
                               ").\nThe key " + m_Fingerprint + " (maker) is on a revocation list.\n");
}

TEST_F(VxupdateSignatures, UpdateShowsTheSignerOrRefusesBeforeTheCamera)
{
    ASSERT_EQ(vxupdate({"bundle", "demo", path("demo.zip")}).exitCode, 0);
    ASSERT_EQ(vxupdate({"bundle", "sign", path("demo.zip"), "--key", path("maker.key")}).exitCode, 0);
    const Outcome untrusted = vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--dry-run"});
    EXPECT_EQ(untrusted.exitCode, 1);
    EXPECT_TRUE(untrusted.err.startsWith("Error: " + QString(UNTRUSTED) + m_Fingerprint + ").\n"))
        << untrusted.err;
    EXPECT_FALSE(untrusted.out.contains("Package")) << untrusted.out;

    ASSERT_EQ(vxupdate({"trust", "add", path("maker.pem")}).exitCode, 0);
    const Outcome planned = vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--dry-run"});
    EXPECT_EQ(planned.exitCode, 0) << planned.err;
    EXPECT_TRUE(planned.out.contains("Bundle: " + path("demo.zip") + " (manifest tag matches)\n" +
                                     signerLine() + "\n"))
        << planned.out;
    EXPECT_FALSE(planned.out.contains("Warning:")) << planned.out;
    const Outcome json =
        vxupdate({"update", path("demo.zip"), "--serial", "SIM-0001", "--dry-run", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object()["signature"].toString(), signerLine())
        << json.out;
}
