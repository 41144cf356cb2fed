#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The user guide: "UserGuide.pdf" beside the program (the build tree), or in
// the installed documentation folder, opened with the platform's default
// viewer. GUI thread only.
class UserGuide
{
public:
    static constexpr char FILE_NAME[] = "UserGuide.pdf";

    // The guide as a local-file URL for the running program: locate() on the
    // program's folder.
    static QUrl url();

    // The guide of a program in `programFolder`: "<folder>/UserGuide.pdf" when
    // that file exists, else the installed copy ("<folder>/<docs>/UserGuide.pdf",
    // <docs> being the documentation folder relative to the installed program)
    // when that exists, else the first, so that a missing guide is named where
    // it was looked for first.
    static QUrl locate(const QString& programFolder);

    // Logs "Opening user guide file: <url>" and opens the guide. A guide that
    // is missing or unreadable, or that the platform refuses to open, goes to
    // `showError` as "User guide file not found.\n(<url>)"; false then.
    static bool open(const std::function<void(const QString&)>& showError);

    // Tests: opens URLs instead of the platform; an empty opener brings the
    // platform back.
    using Opener = std::function<bool(const QUrl&)>;
    static void setOpenerForTesting(Opener opener);

private:
    static Opener m_Opener;
};
