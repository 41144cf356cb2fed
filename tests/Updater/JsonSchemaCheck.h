#pragma once

#include <QJsonObject>
#include <QString>

// Every JSON document vxupdate prints is checked against the schemas it
// ships (Updater/Cli/schemas), by tools/validate-json.py under Debian's
// python3 with python3-jsonschema.
namespace JsonSchemaCheck
{

// Empty when `document` is valid against the schema `name` ("update",
// "bundle-verify"), else the validator's findings.
QString findings(const QString& name, const QString& document);

// The schema of a document, named after its "command": "bundle verify" has
// "bundle-verify".
QString schemaOf(const QJsonObject& document);

// Parses a document vxupdate printed and checks it against the schema of its
// command; a document that is no JSON object or does not fit fails the
// running test. Returns the document (empty when it is none).
QJsonObject checked(const QString& text);

} // namespace JsonSchemaCheck
