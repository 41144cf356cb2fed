#include "JsonSchemaCheck.h"

#include <QJsonDocument>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace JsonSchemaCheck
{

QString findings(const QString& name, const QString& document)
{
    QProcess validator;
    validator.start(QStringLiteral(VX_PYTHON3),
                    {QStringLiteral(VX_VALIDATE_JSON), QStringLiteral(VX_SCHEMA_FOLDER), name});
    if (!validator.waitForStarted())
    {
        return QStringLiteral("the validator did not start: ") + validator.errorString();
    }
    validator.write(document.toUtf8());
    validator.closeWriteChannel();
    if (!validator.waitForFinished(30000))
    {
        return QStringLiteral("the validator did not finish");
    }
    const QString errors = QString::fromUtf8(validator.readAllStandardError());
    if (validator.exitStatus() != QProcess::NormalExit || validator.exitCode() != 0)
    {
        return errors.isEmpty() ? QStringLiteral("invalid (exit %1)").arg(validator.exitCode()) : errors;
    }
    return QString();
}

QString schemaOf(const QJsonObject& document)
{
    return document.value(QStringLiteral("command")).toString().replace(QLatin1Char(' '), QLatin1Char('-'));
}

QJsonObject checked(const QString& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << text.toStdString();
    EXPECT_TRUE(document.isObject()) << text.toStdString();
    QJsonObject object = document.object();
    const QString schema = schemaOf(object);
    EXPECT_FALSE(schema.isEmpty()) << "no command in " << text.toStdString();
    if (!schema.isEmpty())
    {
        const QString found = findings(schema, text);
        EXPECT_TRUE(found.isEmpty()) << "against " << schema.toStdString() << ".schema.json:\n"
                                     << found.toStdString() << text.toStdString();
    }
    return object;
}

} // namespace JsonSchemaCheck
