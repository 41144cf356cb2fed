#include "Window/DialogShowLogText.h"

#include "ui_DialogShowLogText.h"

#include "Engine/EngineLog.h"
#include "Engine/UpdaterLog.h"
#include "Window/ModalPrompts.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>

#include <spdlog/spdlog.h>

namespace
{

// Log files are named after the program's short name and an underscore.
constexpr char LOG_FILE_PREFIX[] = "VxUpdater";

} // namespace

DialogShowLogText::DialogShowLogText(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::DialogShowLogText>())
{
    ui->setupUi(this);
    ui->buttonBox->button(QDialogButtonBox::Open)->setText(tr("Open Log"));
    ui->buttonBox->button(QDialogButtonBox::Close)->setText(tr("Close"));
    ui->textBrowser->setReadOnly(true);
    connect(ui->buttonBox->button(QDialogButtonBox::Close), &QPushButton::clicked, this,
            &DialogShowLogText::closeClicked);
    connect(ui->buttonBox->button(QDialogButtonBox::Open), &QPushButton::clicked, this,
            &DialogShowLogText::openLogClicked);
    showLog();
}

DialogShowLogText::~DialogShowLogText() = default;

void DialogShowLogText::closeClicked()
{
    accept();
}

void DialogShowLogText::openLogClicked()
{
    const QString current = QString::fromStdString(UpdaterLog::logFilePath());
    const QString folder = current.left(current.lastIndexOf(QLatin1Char('/')));
    m_LogPath = ModalPrompts::openFileName(this, tr("Select Log File"), folder,
                                           tr("Log File (%1_*)").arg(QLatin1String(LOG_FILE_PREFIX)));
    showLog();
}

void DialogShowLogText::showLog()
{
    if (m_LogPath.isEmpty())
    {
        // Lines still in the logger's buffer would otherwise be missing.
        if (const auto logger = spdlog::get(EngineLog::LOGGER_NAME))
        {
            logger->flush();
        }
        m_LogPath = QString::fromStdString(UpdaterLog::logFilePath());
    }
    QFile file(m_LogPath);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    setWindowTitle(tr("Displaying Log: ") + QFileInfo(m_LogPath).fileName());
    ui->textBrowser->clear();
    if (!opened)
    {
        return;
    }
    ui->textBrowser->setPlainText(QString::fromUtf8(file.readAll()));
    file.close();
    ui->textBrowser->moveCursor(QTextCursor::End);
    ui->textBrowser->ensureCursorVisible();
}
