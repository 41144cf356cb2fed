#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui
{
class DialogShowLogText;
}

// Shows a log file of the updater: on construction the current run's log
// (flushed first, so its last line is there), then any earlier log the
// operator opens with "Open Log". The main window creates one per showing
// (parent: the window), runs exec and destroys it. GUI thread only.
class DialogShowLogText : public QDialog
{
    Q_OBJECT

public:
    explicit DialogShowLogText(QWidget* parent = nullptr);
    ~DialogShowLogText() override;

    // The file shown.
    const QString& logPath() const { return m_LogPath; }

public slots:
    void closeClicked();
    void openLogClicked();

private:
    // Shows m_LogPath, or the current run's log when it is empty. A file that
    // cannot be opened leaves the view empty; the title still names it.
    void showLog();

    std::unique_ptr<Ui::DialogShowLogText> ui;
    QString m_LogPath;
};
