#pragma once

#include <QString>

#include <string>

// Untrusted text (zip entry names, manifest fields, camera identity strings)
// as the updater shows it on a terminal or writes it into its log: control
// characters become visible escapes, so that no text clears a screen, moves
// the cursor or starts a spoofed log line, and very long texts are cut. Every
// front end and the log use these; stateless and thread-safe.
namespace DisplayText
{

// Longest text shown whole, in characters.
constexpr int MAXIMUM_LENGTH = 256;

// C0 and C1 control characters and DEL escaped ("\n", "\t", "\r", "\e",
// otherwise "\xHH" or "\uHHHH"), line and paragraph separators too; past
// `maximumLength` characters the text is cut and "... (N characters)" added.
QString shown(const QString& text, int maximumLength = MAXIMUM_LENGTH);
QString shown(const std::string& text, int maximumLength = MAXIMUM_LENGTH);

// Only the escapes, never cut: for complete messages such as log lines.
QString escaped(const QString& text);

} // namespace DisplayText
