#pragma once

#include <QString>
#include <QStringList>

#include <exception>

// Small helpers for the commands' own arguments.
namespace CommandLine
{

// Removes every occurrence of the flag; true when there was one.
bool takeFlag(QStringList& arguments, const QString& flag);

// Removes "OPTION VALUE" and puts VALUE into `value`. False, with `problem`
// set, when the option is given twice or has no value; true (value untouched)
// when it is absent.
bool takeOption(QStringList& arguments, const QString& option, QString& value, QString& problem);

// The first argument that looks like an option, or an empty text.
QString firstOption(const QStringList& arguments);

// The text shown for a failure: a library error's description, any other
// error's text.
QString describe(const std::exception& error);

} // namespace CommandLine
