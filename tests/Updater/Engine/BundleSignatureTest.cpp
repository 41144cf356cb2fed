#include "Engine/BundleSignature.h"
#include "Engine/BundleArchive.h"
#include "Engine/BundleCatalogue.h"
#include "Engine/BundleSigner.h"
#include "Engine/BundleVerifier.h"
#include "Engine/CameraUpdate.h"
#include "Engine/CatalogueSignature.h"
#include "Engine/Sha256.h"
#include "Engine/SigningKey.h"
#include "Engine/TrustStore.h"
#include "Engine/UpdateRoad.h"

#include "BundleFixtures.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace BundleFixtures;

namespace
{

constexpr char FOLDER[] = "Alpha-2_0x1A2B_Any_/";
constexpr char INVALID[] =
    "The bundle's signature does not verify: the bundle was changed after it was signed, "
    "or its signature is damaged.";
constexpr char MISMATCH[] = "The bundle's files differ from the list of files its maker signed.";
constexpr char REQUIRED[] = "The bundle is not signed, and this updater accepts signed bundles only.";

using Entries = std::vector<std::pair<QString, QByteArray>>;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

class BundleSignatures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.isValid());
        for (const QString& name : {QStringLiteral("maker"), QStringLiteral("other")})
        {
            writeKeyPair(path(name + ".key"), path(name + ".pem"));
        }
        QString error;
        ASSERT_TRUE(m_Maker.readFile(path("maker.key"), error)) << error.toStdString();
        ASSERT_TRUE(m_Other.readFile(path("other.key"), error)) << error.toStdString();
        m_Unsigned = writeBundle(path("unsigned.zip"), typicalManifest(), typicalFiles());
        BundleSigner signer;
        ASSERT_TRUE(signer.sign(m_Unsigned, m_Maker, path("signed.zip"))) << signer.lastError().toStdString();
        m_Signed = path("signed.zip");
        m_Trust = TrustStore::ofKey(m_Maker.publicKey(), QStringLiteral("maker"));
    }

    QString path(const QString& name) const { return m_Folder.filePath(name); }
    QString fingerprint() const { return m_Maker.publicKey().fingerprint(); }

    BundleVerifier verifierFor(const TrustStore& trust) const
    {
        BundleVerifier::Options options;
        options.trust = trust;
        return BundleVerifier(options);
    }

    // The verifier's fault, and the same bundle through the road both front
    // ends take: the same text.
    QString fault(const QString& bundle, const TrustStore& trust)
    {
        BundleVerifier verifier = verifierFor(trust);
        EXPECT_FALSE(verifier.verify(bundle));
        CameraUpdate engine;
        UpdateRoad road(engine);
        road.setTrust(trust);
        const UpdateRoad::Outcome outcome = road.acceptBundle(bundle, QVersionNumber(3, 0, 0));
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.severity, UpdateRoad::Outcome::SEVERITY::ERROR);
        EXPECT_EQ(outcome.text + '\n' + outcome.detail, verifier.lastError());
        EXPECT_TRUE(verifier.report().size() < 2 || verifier.report().at(1) == "Signature: refused")
            << verifier.report().join('\n');
        return verifier.lastError();
    }
    QString fault(const QString& bundle) { return fault(bundle, m_Trust); }

    // The signed bundle's entries, changed by `change`, written again with
    // its signature entries as they were.
    QString resealed(const std::function<void(Entries&)>& change)
    {
        Entries entries = readZip(m_Signed);
        change(entries);
        writeZip(path("changed.zip"), entries);
        return path("changed.zip");
    }

    // A zip of the typical bundle's entries with this catalogue, signed by `key`.
    QString withCatalogue(const QByteArray& catalogue, const SigningKey& key, Entries extra = {})
    {
        Entries entries;
        for (const auto& entry : readZip(m_Unsigned))
        {
            entries.push_back(entry);
        }
        entries.insert(entries.end(), extra.begin(), extra.end());
        entries.emplace_back(BundleCatalogue::ENTRY, catalogue);
        entries.emplace_back(CatalogueSignature::ENTRY,
                             CatalogueSignature(key.publicKey().fingerprint(), key.sign(catalogue)).text());
        writeZip(path("crafted.zip"), entries);
        return path("crafted.zip");
    }

    QByteArray signedCatalogue() const
    {
        for (const auto& [name, bytes] : readZip(m_Signed))
        {
            if (name == BundleCatalogue::ENTRY)
            {
                return bytes;
            }
        }
        return QByteArray();
    }

    QTemporaryDir m_Folder;
    SigningKey m_Maker;
    SigningKey m_Other;
    QString m_Unsigned;
    QString m_Signed;
    TrustStore m_Trust;
};

TEST_F(BundleSignatures, SignedBundleVerifiesWithItsSigner)
{
    BundleVerifier verifier = verifierFor(m_Trust);
    ASSERT_TRUE(verifier.verify(m_Signed)) << verifier.lastError().toStdString();
    const QStringList& report = verifier.report();
    ASSERT_GE(report.size(), 3);
    EXPECT_EQ(report[1], "Signature: valid, signed by maker (" + fingerprint() + ")");
    EXPECT_TRUE(report[2].startsWith("Manifest: its tag matches its content, tag "));
    EXPECT_TRUE(verifier.warnings().isEmpty());
    EXPECT_EQ(verifier.signature().state, BundleSignature::STATE::VALID);
    EXPECT_EQ(verifier.signature().catalogue.files().size(), 3U);

    CameraUpdate engine;
    UpdateRoad road(engine);
    road.setTrust(m_Trust);
    EXPECT_TRUE(road.acceptBundle(m_Signed, QVersionNumber(3, 0, 0)).succeeded);
    EXPECT_EQ(road.signature().summary(), "Signature: valid, signed by maker (" + fingerprint() + ")");
}

TEST_F(BundleSignatures, CatalogueListsEveryEntryInItsOneForm)
{
    const QByteArray catalogue = signedCatalogue();
    const Entries entries = readZip(m_Unsigned);
    QByteArray expected("VxCatalogue 1\n");
    for (const auto& [name, bytes] : entries)
    {
        expected +=
            Sha256::of(bytes).toHex() + ' ' + QByteArray::number(bytes.size()) + ' ' + name.toUtf8() + '\n';
    }
    EXPECT_EQ(catalogue, expected);
    // Independent of libcrypto: the well-known digest of "abc".
    EXPECT_EQ(Sha256::of("abc").toHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST_F(BundleSignatures, UnsignedBundleIsAcceptedWithAWarningUnlessRequired)
{
    BundleVerifier verifier = verifierFor(m_Trust);
    ASSERT_TRUE(verifier.verify(m_Unsigned));
    EXPECT_EQ(verifier.report()[1], "Signature: not signed");
    EXPECT_EQ(verifier.report()[2],
              "Warning: The bundle is not signed: nothing shows who made it or that it is "
              "unchanged since. It is accepted because signatures are not required.");
    TrustStore strict = m_Trust;
    strict.setPolicy(TrustStore::POLICY::REQUIRE_SIGNATURE);
    EXPECT_EQ(fault(m_Unsigned, strict),
              QString(REQUIRED) +
                  "\nThe bundle holds no META-INF/VxCatalogue.sig; the policy in force requires a "
                  "signature.");
    EXPECT_TRUE(verifierFor(strict).verify(m_Signed));
}

TEST_F(BundleSignatures, TamperedAndResealedBundle)
{
    // Taken apart, changed and sealed again as `bundle create` does: the
    // signature entries are gone, so the bundle reads as not signed.
    Files files = typicalFiles();
    files["fpga.bit"] = "other bits here";
    const QString resealedBundle = writeBundle(path("resealed.zip"), typicalManifest(), files);
    BundleVerifier lenient = verifierFor(m_Trust);
    ASSERT_TRUE(lenient.verify(resealedBundle));
    EXPECT_EQ(lenient.report()[1], "Signature: not signed");
    TrustStore strict = m_Trust;
    strict.setPolicy(TrustStore::POLICY::REQUIRE_SIGNATURE);
    EXPECT_TRUE(fault(resealedBundle, strict).startsWith(REQUIRED));

    // The same with the old signature entries kept: refused whatever the policy.
    Entries tampered = readZip(resealedBundle);
    for (const auto& entry : readZip(m_Signed))
    {
        if (BundleSignature::isSignatureEntry(entry.first))
        {
            tampered.push_back(entry);
        }
    }
    writeZip(path("kept.zip"), tampered);
    EXPECT_TRUE(fault(path("kept.zip")).startsWith(QString(MISMATCH) + '\n')) << fault(path("kept.zip"));
}

struct MismatchRow
{
    const char* name;
    std::function<void(Entries&)> change;
    QString detail;
};

TEST_F(BundleSignatures, EveryCatalogueMismatchIsRefused)
{
    const QString fw = QString(FOLDER) + "fw.img";
    const QString fpga = QString(FOLDER) + "fpga.bit";
    const std::vector<MismatchRow> rows{
        {"added", [](Entries& entries) { entries.emplace_back("readme.txt", "hello"); },
         "The bundle holds the entry \"readme.txt\", which the catalogue does not list."},
        {"removed",
         [&](Entries& entries) {
             entries.erase(
                 std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.first == fpga; }));
         },
         "The catalogue lists \"" + fpga + "\", which the bundle does not hold."},
        {"renamed",
         [&](Entries& entries)
         {
             for (auto& entry : entries)
             {
                 if (entry.first == fpga)
                 {
                     entry.first = QString(FOLDER) + "fpga2.bit";
                 }
             }
         },
         "The bundle holds the entry \"" + QString(FOLDER) +
             "fpga2.bit\", which the catalogue does not list."},
        {"changed, same size",
         [&](Entries& entries)
         {
             for (auto& entry : entries)
             {
                 if (entry.first == fw)
                 {
                     entry.second[100] = static_cast<char>(entry.second[100] ^ 1);
                 }
             }
         },
         "The content of the entry \"" + fw + "\" differs from the SHA-256 digest the catalogue lists."},
        {"changed size",
         [&](Entries& entries)
         {
             for (auto& entry : entries)
             {
                 if (entry.first == fpga)
                 {
                     entry.second += "x";
                 }
             }
         },
         "The entry \"" + fpga + "\" holds 16 bytes; the catalogue lists 15."},
        {"case variant added",
         [&](Entries& entries) { entries.emplace_back(QString(FOLDER) + "FPGA.bit", "bits"); },
         "The bundle holds the entries \"" + fpga + "\" and \"" + QString(FOLDER) +
             "FPGA.bit\", whose names differ only in letter case."},
        {"second signature entry under another case",
         [](Entries& entries) { entries.emplace_back("META-INF/vxcatalogue.sig", "x"); },
         "The bundle holds the entry \"META-INF/vxcatalogue.sig\", which is named like a signature entry but "
         "is "
         "none."},
    };
    for (const MismatchRow& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fault(resealed(row.change)), QString(MISMATCH) + '\n' + row.detail);
    }
    // A second signature entry under the same name: the archive is refused
    // before any signature is read.
    const QString twice =
        resealed([](Entries& entries) { entries.emplace_back(CatalogueSignature::ENTRY, "x"); });
    EXPECT_TRUE(fault(twice).startsWith("No packages found in the selected file.\nThe bundle " + twice +
                                        " holds the entry \"META-INF/VxCatalogue.sig\" more than once."))
        << fault(twice);
}

TEST_F(BundleSignatures, ManifestChangedUnderItsSignatureIsRefused)
{
    // A manifest changed and sealed again with its SHA-1 tag matching.
    QByteArray other = sealedManifest(typicalManifest("RequiredUpdaterVersion=\"1.0\""), typicalFiles());
    const QString changed = resealed([&](Entries& entries) { entries[0].second = other; });
    const QString text = fault(changed);
    EXPECT_TRUE(text.startsWith(QString(MISMATCH) + "\nThe entry \"Manifest.xml\" holds ")) << text;
}

TEST_F(BundleSignatures, SignedCataloguesThatAreMalformedAreRefused)
{
    const QByteArray good = signedCatalogue();
    const QByteArray firstLine = good.mid(14, good.indexOf('\n', 14) - 14 + 1);
    struct Row
    {
        const char* name;
        QByteArray catalogue;
        QString detail;
    };
    const std::vector<Row> rows{
        {"listed twice", good + firstLine,
         "Line 5 of the catalogue is refused: the path \"Manifest.xml\" is listed before, in this or another "
         "letter case."},
        {"path escaping the root", good + QByteArray(64, 'a') + " 5 ../escape.txt\n",
         "Line 5 of the catalogue is refused: its path \"../escape.txt\" is not a safe entry name in UTF-8."},
        {"absolute path", good + QByteArray(64, 'a') + " 5 /etc/passwd\n",
         "Line 5 of the catalogue is refused: its path \"/etc/passwd\" is not a safe entry name in UTF-8."},
        {"upper-case digest", good.left(14) + firstLine.toUpper() + good.mid(14 + firstLine.size()),
         "Line 2 of the catalogue is refused: its digest is not 64 lower-case hexadecimal digits."},
        {"line ending CR LF", QByteArray(good).replace('\n', "\r\n"),
         "The catalogue does not start with the line \"VxCatalogue 1\"."},
        {"last line cut", good.chopped(1), "The catalogue's last line does not end."},
        {"no file", "VxCatalogue 1\n", "The catalogue lists no file."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fault(withCatalogue(row.catalogue, m_Maker)), QString(MISMATCH) + '\n' + row.detail);
    }
}

TEST_F(BundleSignatures, WrongUntrustedAndRevokedKeys)
{
    // Made by another key but naming the trusted one.
    const QByteArray catalogue = signedCatalogue();
    Entries forged = readZip(m_Unsigned);
    forged.emplace_back(BundleCatalogue::ENTRY, catalogue);
    forged.emplace_back(CatalogueSignature::ENTRY,
                        CatalogueSignature(fingerprint(), m_Other.sign(catalogue)).text());
    writeZip(path("forged.zip"), forged);
    EXPECT_EQ(fault(path("forged.zip")), QString(INVALID) +
                                             "\nThe signature of the catalogue does not verify with "
                                             "the key maker (" +
                                             fingerprint() + ").");

    const QString byOther = withCatalogue(catalogue, m_Other);
    const QString otherPrint = m_Other.publicKey().fingerprint();
    EXPECT_EQ(fault(byOther), "The bundle is signed by a key this updater does not trust (" + otherPrint +
                                  ").\nNo trusted key has the fingerprint " + otherPrint +
                                  "; \"vxupdate trust list\" shows the keys trusted.");

    // Revoked at the system level while the user trusts it.
    writeFile(path("system/revoked-keys"),
              "# retired after the laptop was lost\n" + fingerprint().toUpper().toLatin1() + " maker 2025\n");
    ASSERT_TRUE(QDir().mkpath(path("user/trusted-keys")));
    ASSERT_TRUE(QFile::copy(path("maker.pem"), path("user/trusted-keys/maker.pem")));
    TrustStore store(TrustStore::Locations{QString(), {path("system")}, path("user")});
    store.load();
    ASSERT_NE(store.find(fingerprint()), nullptr);
    EXPECT_EQ(fault(m_Signed, store), "The bundle is signed by a key that has been revoked (" +
                                          fingerprint() + ").\nThe key " + fingerprint() +
                                          " (maker) is on a revocation list.");
}

TEST_F(BundleSignatures, SignedTwiceCarriesTheLastSignatureOnly)
{
    BundleSigner signer;
    ASSERT_TRUE(signer.sign(m_Signed, m_Other, path("twice.zip")));
    int signatureEntries = 0;
    for (const auto& entry : readZip(path("twice.zip")))
    {
        signatureEntries += BundleSignature::isSignatureEntry(entry.first) ? 1 : 0;
    }
    EXPECT_EQ(signatureEntries, 2);
    EXPECT_TRUE(
        fault(path("twice.zip")).startsWith("The bundle is signed by a key this updater does not trust ("));
    BundleVerifier verifier = verifierFor(TrustStore::ofKey(m_Other.publicKey(), QStringLiteral("other")));
    EXPECT_TRUE(verifier.verify(path("twice.zip"))) << verifier.lastError();

    // Two signature lines in one entry.
    Entries doubled = readZip(m_Signed);
    for (auto& entry : doubled)
    {
        if (entry.first == CatalogueSignature::ENTRY)
        {
            entry.second += entry.second.mid(14);
        }
    }
    writeZip(path("doubled.zip"), doubled);
    EXPECT_EQ(fault(path("doubled.zip")),
              QString(INVALID) + "\nThe signature entry holds more than one signature.");
}

TEST_F(BundleSignatures, TruncatedOrMissingSignatureIsRefused)
{
    struct Row
    {
        const char* name;
        int keep;
        QString detail;
    };
    const std::vector<Row> rows{
        {"cut inside the signature", 100, "The signature entry is cut short."},
        {"cut after the header", 14, "The signature entry is cut short."},
        {"empty", 0, "The signature entry does not start with the line \"VxSignature 1\"."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        const QString cut = resealed(
            [&](Entries& entries)
            {
                for (auto& entry : entries)
                {
                    if (entry.first == CatalogueSignature::ENTRY)
                    {
                        entry.second.truncate(row.keep);
                    }
                }
            });
        EXPECT_EQ(fault(cut), QString(INVALID) + '\n' + row.detail);
    }
    const QString short88 = resealed(
        [](Entries& entries)
        {
            for (auto& entry : entries)
            {
                if (entry.first == CatalogueSignature::ENTRY)
                {
                    entry.second = entry.second.left(entry.second.size() - 5) + "\n";
                }
            }
        });
    EXPECT_EQ(fault(short88), QString(INVALID) + "\nThe signature is not 64 bytes in Base64.");
    const QString alone = resealed(
        [](Entries& entries)
        {
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [](auto& entry)
                                         { return entry.first == CatalogueSignature::ENTRY; }),
                          entries.end());
        });
    EXPECT_EQ(fault(alone),
              QString(INVALID) +
                  "\nThe bundle holds the entry META-INF/VxCatalogue.txt but not META-INF/VxCatalogue.sig.");
}

TEST(TrustStoreLevels, UserSettingCannotWeakenTheSystemPolicy)
{
    QTemporaryDir folder;
    const auto at = [&folder](const QString& name)
    {
        return folder.filePath(name);
    };
    struct Row
    {
        const char* name;
        QByteArray system;
        QByteArray user;
        TrustStore::POLICY policy;
    };
    const std::vector<Row> rows{
        {"nothing set", QByteArray(), QByteArray(), TrustStore::POLICY::ACCEPT_UNSIGNED},
        {"system requires, user tries to accept", "[signatures]\npolicy=require\n",
         "[signatures]\npolicy=accept-unsigned\n", TrustStore::POLICY::REQUIRE_SIGNATURE},
        {"system accepts, user requires", "[signatures]\npolicy=accept-unsigned\n",
         "[signatures]\npolicy=require\n", TrustStore::POLICY::REQUIRE_SIGNATURE},
        {"unknown word reads as require", QByteArray(), "[signatures]\npolicy=sometimes\n",
         TrustStore::POLICY::REQUIRE_SIGNATURE},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.name);
        QFile::remove(at("system/signatures.ini"));
        QFile::remove(at("user/signatures.ini"));
        if (!row.system.isEmpty())
        {
            writeFile(at("system/signatures.ini"), row.system);
        }
        if (!row.user.isEmpty())
        {
            writeFile(at("user/signatures.ini"), row.user);
        }
        TrustStore store(TrustStore::Locations{QString(), {at("system")}, at("user")});
        store.load();
        EXPECT_EQ(store.policy(), row.policy);
    }
    TrustStore store(TrustStore::Locations{QString(), {at("system")}, at("user")});
    writeFile(at("system/signatures.ini"), "[signatures]\npolicy=require\n");
    writeFile(at("user/signatures.ini"), "[signatures]\npolicy=accept-unsigned\n");
    store.load();
    EXPECT_EQ(store.policySource(), at("system/signatures.ini"));
}

TEST(TrustStoreLevels, KeysAreNamedByFileAndRefusedWhenNotPublicEd25519)
{
    QTemporaryDir folder;
    const auto at = [&folder](const QString& name)
    {
        return folder.filePath(name);
    };
    QDir().mkpath(at("data/trusted-keys"));
    QDir().mkpath(at("user/trusted-keys"));
    writeKeyPair(at("user/trusted-keys/leaked.pem"), at("data/trusted-keys/Veltrax 2026.pem"));
    writeFile(at("user/trusted-keys/junk.pem"), "not a key");
    TrustStore store(TrustStore::Locations{at("data"), {at("system")}, at("user")});
    store.load();
    ASSERT_EQ(store.keys().size(), 1U);
    EXPECT_EQ(store.keys()[0].name, "Veltrax 2026");
    EXPECT_EQ(store.keys()[0].origin, TrustStore::ORIGIN::DATA);
    EXPECT_EQ(store.keys()[0].key.fingerprint().size(), 16);
    EXPECT_EQ(store.problems(),
              QStringList(
                  {"The key file " + at("user/trusted-keys/junk.pem") +
                       " is left out: it holds no PEM "
                       "public key.",
                   "The key file " + at("user/trusted-keys/leaked.pem") +
                       " is left out: it holds a private key; give its public key (openssl pkey -pubout)."}));

    TrustStore::Key added;
    QString error;
    writeKeyPair(at("new.key"), at("new.pem"));
    ASSERT_TRUE(store.addUserKey(at("new.pem"), QString(), error, added)) << error;
    EXPECT_EQ(added.name, "new");
    EXPECT_FALSE(store.addUserKey(at("new.pem"), QStringLiteral("again"), error, added));
    EXPECT_EQ(error, "The key " + store.keys()[1].key.fingerprint() + " is trusted already as new (user).");
    EXPECT_FALSE(store.addUserKey(at("new.pem"), QStringLiteral("../escape"), error, added));
    TrustStore::Key removed;
    EXPECT_FALSE(store.removeUserKey(QStringLiteral("Veltrax 2026"), error, removed));
    EXPECT_TRUE(error.startsWith("The key Veltrax 2026 ("));
    EXPECT_TRUE(store.removeUserKey(QStringLiteral("new"), error, removed)) << error;
    EXPECT_FALSE(QFile::exists(at("user/trusted-keys/new.pem")));
}

} // namespace
