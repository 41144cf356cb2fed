// What hostile bundles cost the updater, against honest input of the same size
// measured in the same run:
// - Manifest::parse of 4 MiB manifests built to exhaust the reader (an
//   internal entity referenced a million times, 50,000 attributes, nesting a
//   million levels deep) against a well-formed 4 MiB manifest of many
//   packages: time and peak memory of each (goal: under 100 ms and 64 MiB);
// - `vxupdate bundle verify` (in process and as the program) of a zip whose
//   9,600 directory entries all point at one 64 MiB deflate stream, against
//   the verification of a bundle holding that stream once (goal: under 1 s).
#include "Engine/BundleVerifier.h"
#include "Engine/Manifest.h"
#include "Engine/SecurityTags.h"

#include "BundleFixtures.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace BundleFixtures;

namespace
{

using Clock = std::chrono::steady_clock;
constexpr int MANIFEST_SIZE = 4 << 20;

long peakResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

QByteArray padded(QByteArray manifest)
{
    // A comment before the end keeps the document what it is.
    const int room = MANIFEST_SIZE - manifest.size() - 7;
    if (room > 0)
    {
        manifest.append("<!--").append(QByteArray(room, ' ')).append("-->");
    }
    return manifest;
}

QByteArray entityManifest()
{
    QByteArray body;
    while (body.size() < MANIFEST_SIZE - 200)
    {
        body += "&a;";
    }
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE Manifest [<!ENTITY a \"" + QByteArray(64, 'a') +
           "\">]>\n<Manifest>" + body + "</Manifest>";
}

QByteArray attributeManifest()
{
    QByteArray element = "<Manifest";
    for (int index = 0; index < 50000; ++index)
    {
        element += " a" + QByteArray::number(index) + "=\"" + QByteArray(60, 'v') + "\"";
    }
    return padded(element + "><Packages/></Manifest>");
}

QByteArray deepManifest()
{
    QByteArray opening;
    QByteArray closing;
    while (opening.size() + closing.size() < MANIFEST_SIZE - 40)
    {
        opening += "<a>";
        closing += "</a>";
    }
    return "<Manifest>" + opening + closing + "</Manifest>";
}

QByteArray honestManifest()
{
    QString packages;
    for (int index = 0; packages.size() < MANIFEST_SIZE - 4000; ++index)
    {
        packages += package(QStringLiteral("Model-%1").arg(index), QStringLiteral("0x%1").arg(index, 0, 16),
                            load("1", "Firmware", "fw.img", "<LoadVersion>1.2.3</LoadVersion>\n") +
                                load("2", "FPGA", "fpga.bit", "<LoadVersion>4.5</LoadVersion>\n"));
    }
    return manifest(packages);
}

struct Parse
{
    const char* name;
    qint64 size;
    double milliseconds;
    long peakGrowth;
    QString outcome;
};

// Parses once in a child process, so that the growth of its peak resident
// size is the parse's alone.
Parse parseOnce(const char* name, const QByteArray& bytes)
{
    struct Result
    {
        double milliseconds;
        long peakGrowth;
        bool parsed;
        char error[64];
    } result{};
    int channel[2];
    if (::pipe(channel) != 0)
    {
        return {name, bytes.size(), -1, -1, QStringLiteral("no pipe")};
    }
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::close(channel[0]);
        const long before = peakResidentKilobytes();
        const Clock::time_point start = Clock::now();
        Manifest manifest;
        result.parsed = manifest.parse(bytes);
        result.milliseconds = millisecondsSince(start);
        result.peakGrowth = peakResidentKilobytes() - before;
        std::snprintf(result.error, sizeof(result.error), "%s", manifest.errorString.toUtf8().constData());
        const ssize_t written = ::write(channel[1], &result, sizeof(result));
        ::_exit(written == sizeof(result) ? 0 : 1);
    }
    ::close(channel[1]);
    const ssize_t read = ::read(channel[0], &result, sizeof(result));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (read != sizeof(result))
    {
        return {name, bytes.size(), -1, -1, QStringLiteral("the child failed")};
    }
    return {name, bytes.size(), result.milliseconds, result.peakGrowth,
            result.parsed ? QStringLiteral("parsed") : QString::fromUtf8(result.error)};
}

QString aliasName(int index)
{
    return QStringLiteral("P_0x1_Any_/f%1.bin").arg(index, 4, 10, QLatin1Char('0'));
}

// One package of 9,600 loads, each naming its own alias, each with its own tag.
QByteArray aliasManifest(int loads)
{
    QString text;
    for (int index = 0; index < loads; ++index)
    {
        text += load(QString::number(index + 1), "FPGA", aliasName(index).section('/', 1));
    }
    QByteArray bytes = manifest(package("P", "0x1", text));
    bytes.replace("<SecurityTag></SecurityTag>", "<SecurityTag>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</SecurityTag>");
    return SecurityTags::withManifestTagContent(bytes, SecurityTags::computeManifestTag(bytes));
}

double verifyMilliseconds(const QString& bundle, QString& fault)
{
    const Clock::time_point start = Clock::now();
    BundleVerifier verifier;
    fault = verifier.verify(bundle) ? QStringLiteral("verified") : verifier.lastError().section('\n', 1, 1);
    return millisecondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;

    const Parse hostile[] = {parseOnce("entities", entityManifest()),
                             parseOnce("50,000 attributes", attributeManifest()),
                             parseOnce("deep nesting", deepManifest())};
    const QByteArray honest = honestManifest();
    const Parse baseline = parseOnce("honest (baseline)", honest);
    std::printf("Manifest parse, 4 MiB each:\n");
    for (const Parse& parse : {baseline, hostile[0], hostile[1], hostile[2]})
    {
        std::printf("%-18s %7.1f KiB  %7.2f ms (%.3f x honest)  peak memory +%ld KiB  %s\n", parse.name,
                    parse.size / 1024.0, parse.milliseconds, parse.milliseconds / baseline.milliseconds,
                    parse.peakGrowth, qPrintable(parse.outcome));
    }
    std::printf("\nbundle verify, one 64 MiB deflate stream:\n");
    const QString once = folder.filePath("once.zip");
    writeZeroBomb(once, {{"Manifest.xml", aliasManifest(1)}}, aliasName(0), 64 << 20, 64);
    QString fault;
    const double honestVerify = verifyMilliseconds(once, fault);
    std::printf("%-34s %9.1f ms  %s\n", "stored once, inflated (baseline)", honestVerify, qPrintable(fault));

    const QString aliased = folder.filePath("aliased.zip");
    writeZeroBomb(aliased, {{"Manifest.xml", aliasManifest(9600)}}, aliasName(0), 64 << 20, 64);
    QStringList aliases;
    for (int index = 1; index < 9600; ++index)
    {
        aliases << aliasName(index);
    }
    addAliases(aliased, aliasName(0), aliases);
    const double hostileVerify = verifyMilliseconds(aliased, fault);
    std::printf("%-34s %9.1f ms  (%.3f x baseline)  %s\n", "9,600 entries on it, in process", hostileVerify,
                hostileVerify / honestVerify, qPrintable(fault.left(90)));

    const Clock::time_point start = Clock::now();
    QProcess vxupdate;
    vxupdate.start(QStringLiteral(VXUPDATE_PATH), {"bundle", "verify", aliased});
    vxupdate.waitForFinished(600000);
    std::printf("%-34s %9.1f ms  exit %d\n", "9,600 entries, vxupdate bundle verify",
                millisecondsSince(start), vxupdate.exitCode());
    return 0;
}
