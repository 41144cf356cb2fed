#include "BundleReport.h"

#include "ExitCodes.h"

#include "Engine/BundleVerifier.h"
#include "Engine/BundleWriter.h"
#include "Engine/CameraUpdate.h"
#include "Engine/DisplayText.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QTextStream>

#include <vector>

namespace
{

QJsonValue textOrNull(const QString& text)
{
    return text.isNull() ? QJsonValue() : QJsonValue(text);
}

QJsonObject signatureDocument(const BundleSignature& signature)
{
    const auto state = signature.state == BundleSignature::STATE::VALID      ? QStringLiteral("valid")
                       : signature.state == BundleSignature::STATE::UNSIGNED ? QStringLiteral("unsigned")
                                                                             : QStringLiteral("refused");
    return QJsonObject{
        {QStringLiteral("state"), state},
        {QStringLiteral("summary"), signature.summary()},
        {QStringLiteral("signer"),
         signature.signerName.isEmpty() ? QJsonValue() : QJsonValue(signature.signerName)},
        {QStringLiteral("fingerprint"),
         signature.fingerprint.isEmpty() ? QJsonValue() : QJsonValue(signature.fingerprint)},
        {QStringLiteral("reason"), signature.isRefused() ? QJsonValue(signature.text) : QJsonValue()},
        {QStringLiteral("detail"), signature.isRefused() ? QJsonValue(signature.detail) : QJsonValue()}};
}

} // namespace

namespace BundleReport
{

QString missingBundle(const QString& path)
{
    return QFileInfo::exists(path)
               ? QString()
               : QStringLiteral("The bundle file %1 does not exist.").arg(DisplayText::shown(path));
}

int print(const BundleVerifier& verifier, bool verified, const QString& faultPrefix, QTextStream& out,
          QTextStream& err)
{
    for (const QString& line : verifier.report())
    {
        out << line << "\n";
    }
    out.flush();
    if (!verified)
    {
        err << faultPrefix << verifier.lastError() << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}

int print(const BundleWriter& writer, bool written, QTextStream& out, QTextStream& err)
{
    for (const QString& line : writer.report())
    {
        out << line << "\n";
    }
    out.flush();
    if (!written)
    {
        err << "Error: " << writer.lastError() << "\n";
        return ExitCodes::FAILURE;
    }
    return ExitCodes::SUCCESS;
}

QJsonObject document(const QString& bundlePath, bool verified, const BundleVerifier& verifier)
{
    const Manifest& manifest = verifier.manifest();
    std::vector<std::vector<const BundleVerifier::LoadFinding*>> findings(manifest.packages.size());
    for (const BundleVerifier::LoadFinding& finding : verifier.loadFindings())
    {
        if (finding.package < findings.size())
        {
            findings[finding.package].resize(manifest.packages[finding.package].loads.size(), nullptr);
            findings[finding.package][finding.load] = &finding;
        }
    }
    QJsonArray packages;
    for (std::size_t packageIndex = 0; packageIndex < manifest.packages.size(); ++packageIndex)
    {
        const Package& package = manifest.packages[packageIndex];
        QJsonArray loads;
        for (std::size_t loadIndex = 0; loadIndex < package.loads.size(); ++loadIndex)
        {
            const Load& load = package.loads[loadIndex];
            const BundleVerifier::LoadFinding* finding =
                loadIndex < findings[packageIndex].size() ? findings[packageIndex][loadIndex] : nullptr;
            loads.append(QJsonObject{
                {QStringLiteral("loadNumber"), static_cast<qint64>(load.loadNumber)},
                {QStringLiteral("loadType"), QString::fromStdString(load.loadType)},
                {QStringLiteral("fileName"), QString::fromStdString(load.fileName)},
                {QStringLiteral("loadVersion"), load.loadVersion.toString()},
                {QStringLiteral("forceUpdate"), load.forceUpdate},
                // Unknown when the verification stopped before this load.
                {QStringLiteral("size"), finding != nullptr ? QJsonValue(finding->size) : QJsonValue()},
                {QStringLiteral("tagValid"),
                 finding != nullptr ? QJsonValue(finding->tagValid) : QJsonValue()}});
        }
        packages.append(
            QJsonObject{{QStringLiteral("packageFolder"),
                         QString::fromStdString(CameraUpdate::packageFolderName(package))},
                        {QStringLiteral("modelName"), QString::fromStdString(package.modelName)},
                        {QStringLiteral("commercialName"), QString::fromStdString(package.commercialName)},
                        {QStringLiteral("modelFamily"), QString::fromStdString(package.modelFamily)},
                        {QStringLiteral("modelId"), static_cast<qint64>(package.modelId)},
                        // Null: the package fits any revision.
                        {QStringLiteral("hardwareRevision"), package.hardwareRevision == Package::ANY_REVISION
                                                                 ? QJsonValue()
                                                                 : QJsonValue(package.hardwareRevision)},
                        {QStringLiteral("loads"), loads}});
    }
    const QString& fault = verifier.lastError();
    const int lineBreak = fault.indexOf(QLatin1Char('\n'));
    return QJsonObject{
        {QStringLiteral("bundle"), bundlePath},
        {QStringLiteral("verified"), verified},
        {QStringLiteral("detail"),
         verified || lineBreak < 0 ? QJsonValue() : QJsonValue(fault.mid(lineBreak + 1))},
        {QStringLiteral("requiredUpdaterVersion"),
         manifest.requiredUpdaterVersion.isNull() ? QJsonValue()
                                                  : QJsonValue(manifest.requiredUpdaterVersion.toString())},
        {QStringLiteral("checkedUpdaterVersion"), verifier.updaterVersion().toString()},
        {QStringLiteral("signature"),
         verifier.signatureExamined() ? QJsonValue(signatureDocument(verifier.signature())) : QJsonValue()},
        {QStringLiteral("manifestSecurityTag"), textOrNull(manifest.manifestSecurityTag)},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(verifier.warnings())},
        {QStringLiteral("packages"), packages}};
}

QString failure(bool verified, const BundleVerifier& verifier)
{
    if (verified)
    {
        return QString();
    }
    const QString& fault = verifier.lastError();
    const int lineBreak = fault.indexOf(QLatin1Char('\n'));
    return lineBreak < 0 ? fault : fault.left(lineBreak);
}

} // namespace BundleReport
