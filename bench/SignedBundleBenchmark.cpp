// `vxupdate bundle verify` of a signed bundle of 64 MiB of load files (eight
// files of 8 MiB, firmware-like content) against the same bundle unsigned, in
// alternating runs of the real command, each in a process of its own; prints
// the best time of each, their ratio (signed / unsigned; the goal is at most
// 1.05) and the peak resident memory of each (the signature must not make the
// verification hold a load file twice).
#include "Engine/BundleSigner.h"
#include "Engine/BundleWriter.h"
#include "Engine/SigningKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr int FILE_COUNT = 8;
constexpr int FILE_SIZE = 8 << 20;
constexpr int RUNS = 7;

using Clock = std::chrono::steady_clock;

QByteArray firmwareLike(std::mt19937& random, int size)
{
    QByteArray data;
    data.reserve(size);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(16, 512);
    while (data.size() < size)
    {
        const int count = length(random);
        if (random() % 2 == 0)
        {
            for (int index = 0; index < count; ++index)
            {
                data.append(static_cast<char>(byte(random)));
            }
        }
        else
        {
            data.append(count, static_cast<char>(byte(random)));
        }
    }
    data.truncate(size);
    return data;
}

QByteArray manifest()
{
    QString loads;
    for (int index = 0; index < FILE_COUNT; ++index)
    {
        loads += QStringLiteral("<Load><LoadNumber>%1</LoadNumber><LoadType>FPGA</LoadType>"
                                "<FileName>load%1.bin</FileName><SecurityTag></SecurityTag></Load>\n")
                     .arg(index);
    }
    return QStringLiteral("<Manifest><Packages><Package><ModelID>0x1A2B</ModelID><ModelName>Bench</ModelName>"
                          "<Loads>\n%1</Loads></Package></Packages><ManifestSecurityTag/></Manifest>\n")
        .arg(loads)
        .toUtf8();
}

bool writeKeyPair(const QString& privatePath, const QString& publicPath)
{
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    FILE* privateFile = std::fopen(QFile::encodeName(privatePath).constData(), "w");
    FILE* publicFile = std::fopen(QFile::encodeName(publicPath).constData(), "w");
    const bool written = key != nullptr && privateFile != nullptr && publicFile != nullptr &&
                         PEM_write_PrivateKey(privateFile, key, nullptr, nullptr, 0, nullptr, nullptr) == 1 &&
                         PEM_write_PUBKEY(publicFile, key) == 1;
    if (privateFile != nullptr)
    {
        std::fclose(privateFile);
    }
    if (publicFile != nullptr)
    {
        std::fclose(publicFile);
    }
    EVP_PKEY_free(key);
    return written;
}

struct Run
{
    double seconds = 0;
    long peakKibibytes = 0;
    bool succeeded = false;
};

// One `vxupdate bundle verify BUNDLE` in a child process; its time and its
// own peak resident size.
Run verify(const QString& bundle)
{
    const QByteArray path = QFile::encodeName(bundle);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0)
    {
        const int quiet = ::open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        execl(VXUPDATE_PATH, "vxupdate", "bundle", "verify", path.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    Run run;
    run.succeeded = child > 0 && wait4(child, &status, 0, &usage) == child && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKibibytes = usage.ru_maxrss;
    return run;
}

bool makeBundles(const QTemporaryDir& folder, QString& unsignedBundle, QString& signedBundle)
{
    unsignedBundle = folder.filePath(QStringLiteral("unsigned.zip"));
    signedBundle = folder.filePath(QStringLiteral("signed.zip"));
    std::mt19937 random(20240601);
    std::map<QString, QByteArray> files;
    for (int index = 0; index < FILE_COUNT; ++index)
    {
        files[QStringLiteral("load%1.bin").arg(index)] = firmwareLike(random, FILE_SIZE);
    }
    BundleWriter writer;
    const auto source = [&files](const Package&, const Load& load, QByteArray& content, QString&)
    {
        content = files.at(QString::fromStdString(load.fileName));
        return true;
    };
    const QString keys = folder.filePath(QStringLiteral("config/VxUpdater/trusted-keys"));
    SigningKey key;
    QString error;
    BundleSigner signer;
    if (!writer.write(manifest(), source, unsignedBundle) || !QDir().mkpath(keys) ||
        !writeKeyPair(folder.filePath(QStringLiteral("bench.key")), keys + QStringLiteral("/bench.pem")) ||
        !key.readFile(folder.filePath(QStringLiteral("bench.key")), error) ||
        !signer.sign(unsignedBundle, key, signedBundle))
    {
        std::fprintf(stderr, "bundles not made: %s%s%s\n", qPrintable(writer.lastError()), qPrintable(error),
                     qPrintable(signer.lastError()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    QString unsignedBundle;
    QString signedBundle;
    if (!makeBundles(folder, unsignedBundle, signedBundle))
    {
        return 1;
    }
    // The signer's key is trusted in this run's own configuration only.
    setenv("XDG_CONFIG_HOME", QFile::encodeName(folder.filePath(QStringLiteral("config"))).constData(), 1);
    unsetenv("VX_SYSTEM_TRUST_FOLDER");
    Run bestUnsigned{1e9, 0, true};
    Run bestSigned{1e9, 0, true};
    // The first round warms the page cache and is not counted.
    for (int round = 0; round <= RUNS; ++round)
    {
        const Run plain = verify(unsignedBundle);
        const Run withSignature = verify(signedBundle);
        if (!plain.succeeded || !withSignature.succeeded)
        {
            std::fprintf(stderr, "a verification failed\n");
            return 1;
        }
        if (round > 0)
        {
            bestUnsigned.seconds = std::min(bestUnsigned.seconds, plain.seconds);
            bestSigned.seconds = std::min(bestSigned.seconds, withSignature.seconds);
            bestUnsigned.peakKibibytes = std::max(bestUnsigned.peakKibibytes, plain.peakKibibytes);
            bestSigned.peakKibibytes = std::max(bestSigned.peakKibibytes, withSignature.peakKibibytes);
        }
    }
    std::printf("bundle: %d MiB of load files in %d files\n", FILE_COUNT * (FILE_SIZE >> 20), FILE_COUNT);
    std::printf("verify unsigned:  %.3f s, peak %ld KiB\n", bestUnsigned.seconds, bestUnsigned.peakKibibytes);
    std::printf("verify signed:    %.3f s, peak %ld KiB\n", bestSigned.seconds, bestSigned.peakKibibytes);
    std::printf("ratio signed/unsigned: %.3f (goal <= 1.05)\n", bestSigned.seconds / bestUnsigned.seconds);
    std::printf("peak memory signed/unsigned: %.3f\n", static_cast<double>(bestSigned.peakKibibytes) /
                                                           static_cast<double>(bestUnsigned.peakKibibytes));
    return 0;
}
