#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The user guide: "UserGuide.pdf" beside the program, opened with the
// platform's default viewer. GUI thread only.
class UserGuide
{
public:
    static constexpr char FILE_NAME[] = "UserGuide.pdf";

    // The guide as a local-file URL: the program's folder, "/UserGuide.pdf".
    static QUrl url();

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
