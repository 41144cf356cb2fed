// Verifies a bundle of 64 MiB of load files (firmware-like content that
// deflates to about half; eight files of 8 MiB, or as many equal files as the
// first argument says) the way `vxupdate bundle verify` does, and inflates and
// hashes the same bundle with `unzip -p BUNDLE | sha1sum`, in alternating runs;
// prints the best time of each and their ratio (verify / pipeline; the goal is
// at most 0.7).
#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

namespace
{

constexpr int TOTAL_SIZE = 64 << 20;
constexpr int RUNS = 7;

using Clock = std::chrono::steady_clock;

// Stretches of random bytes between runs of one value, as in firmware images
// and bit streams.
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

QByteArray manifest(int fileCount)
{
    QString loads;
    for (int index = 0; index < fileCount; ++index)
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

double seconds(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int fileCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    const int fileSize = TOTAL_SIZE / fileCount;
    QTemporaryDir folder;
    const QString bundle = folder.filePath(QStringLiteral("bench.zip"));
    std::mt19937 random(20240601);
    std::map<QString, QByteArray> files;
    for (int index = 0; index < fileCount; ++index)
    {
        files[QStringLiteral("load%1.bin").arg(index)] = firmwareLike(random, fileSize);
    }
    BundleWriter writer;
    const auto source = [&files](const Package&, const Load& load, QByteArray& content, QString&)
    {
        content = files.at(QString::fromStdString(load.fileName));
        return true;
    };
    if (!writer.write(manifest(fileCount), source, bundle))
    {
        std::fprintf(stderr, "bundle not written: %s\n", qPrintable(writer.lastError()));
        return 1;
    }
    files.clear();

    const std::string command =
        "bash -c 'set -o pipefail; unzip -p \"" + bundle.toStdString() + "\" | sha1sum > /dev/null'";
    double bestVerify = 1e9;
    double bestPipeline = 1e9;
    // The first round warms the page cache and is not counted.
    for (int run = 0; run <= RUNS; ++run)
    {
        auto start = Clock::now();
        BundleVerifier verifier;
        if (!verifier.verify(bundle))
        {
            std::fprintf(stderr, "verification failed: %s\n", qPrintable(verifier.lastError()));
            return 1;
        }
        const double verifySeconds = seconds(start);
        start = Clock::now();
        if (std::system(command.c_str()) != 0)
        {
            std::fprintf(stderr, "pipeline failed: %s\n", command.c_str());
            return 1;
        }
        const double pipelineSeconds = seconds(start);
        if (run > 0)
        {
            bestVerify = std::min(bestVerify, verifySeconds);
            bestPipeline = std::min(bestPipeline, pipelineSeconds);
        }
    }
    const double mebibytes = fileCount * (fileSize / 1048576.0);
    std::printf("bundle: %.0f MiB of load files in %d file(s)\n", mebibytes, fileCount);
    std::printf("vxupdate verify:        %.3f s (%.0f MiB/s)\n", bestVerify, mebibytes / bestVerify);
    std::printf("unzip -p | sha1sum:     %.3f s (%.0f MiB/s)\n", bestPipeline, mebibytes / bestPipeline);
    std::printf("ratio verify/pipeline:  %.2f (goal <= 0.70)\n", bestVerify / bestPipeline);
    return 0;
}
