#include "Window/DialogUpdateHistory.h"

#include "Window/ModalPrompts.h"

#include "Engine/HistoryExport.h"
#include "Engine/OutputFile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

const QColor INTERRUPTED_BACKGROUND(255, 214, 128);

QTableWidget* makeTable(QWidget* parent, const QString& objectName, const QStringList& headings)
{
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    table->setObjectName(objectName);
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QColor outcomeColour(const QString& outcome)
{
    if (outcome == QLatin1String(HistoryRun::SUCCEEDED) || outcome == QLatin1String("done"))
    {
        return QColor(Qt::darkGreen);
    }
    if (outcome == QLatin1String(HistoryRun::FAILED) || outcome == QLatin1String("failed"))
    {
        return QColor(Qt::red);
    }
    return QColor(Qt::black);
}

} // namespace

DialogUpdateHistory::DialogUpdateHistory(UpdateHistory& history, const QString& serialNumber, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_History(history)
{
    setObjectName(QStringLiteral("DialogUpdateHistory"));
    setWindowTitle(tr("Update History"));
    buildLayout();
    m_Filter->setText(serialNumber);
    refresh();
    resize(860, 560);
}

void DialogUpdateHistory::buildLayout()
{
    auto* layout = new QVBoxLayout(this);
    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(tr("Camera serial number:"), this);
    m_Filter = new QLineEdit(this);
    m_Filter->setObjectName(QStringLiteral("serialFilter"));
    m_Filter->setPlaceholderText(tr("All cameras"));
    m_Filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_Filter);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_Filter, 1);
    layout->addLayout(filterRow);
    m_Problem = new QLabel(this);
    m_Problem->setObjectName(QStringLiteral("historyProblem"));
    m_Problem->setWordWrap(true);
    m_Problem->setStyleSheet(QStringLiteral("color: red"));
    m_Problem->hide();
    layout->addWidget(m_Problem);
    m_RunTable = makeTable(
        this, QStringLiteral("runsTable"),
        {tr("Run"), tr("Started"), tr("Camera"), tr("Model"), tr("Package"), tr("Bundle"), tr("Outcome")});
    layout->addWidget(m_RunTable, 3);
    layout->addWidget(new QLabel(tr("Loads of the selected run:"), this));
    m_LoadTable = makeTable(
        this, QStringLiteral("loadsTable"),
        {tr("Load"), tr("Number"), tr("Before"), tr("Bundle"), tr("After"), tr("Decision"), tr("Outcome")});
    layout->addWidget(m_LoadTable, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
    m_Export = buttons->addButton(tr("Export CSV..."), QDialogButtonBox::ActionRole);
    m_Export->setObjectName(QStringLiteral("exportButton"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_Export, &QPushButton::clicked, this, &DialogUpdateHistory::exportCsv);
    connect(m_Filter, &QLineEdit::editingFinished, this, &DialogUpdateHistory::refresh);
    connect(m_RunTable, &QTableWidget::itemSelectionChanged, this, &DialogUpdateHistory::showLoads);
}

QString DialogUpdateHistory::errorText() const
{
    return m_Problem->text();
}

void DialogUpdateHistory::showProblem(const QString& text)
{
    m_Problem->setText(text);
    m_Problem->setVisible(!text.isEmpty());
}

void DialogUpdateHistory::refresh()
{
    HistoryFilter filter;
    filter.serialNumber = m_Filter->text().trimmed();
    const std::optional<std::vector<HistoryRun>> runs = m_History.runs(filter);
    m_Runs = runs ? *runs : std::vector<HistoryRun>();
    showProblem(runs ? QString() : m_History.errorText());
    showRuns();
}

void DialogUpdateHistory::showRuns()
{
    m_RunTable->clearSelection();
    m_RunTable->setRowCount(0);
    m_RunTable->setRowCount(static_cast<int>(m_Runs.size()));
    // Newest first: the run the operator looks for is usually the last one.
    int row = 0;
    for (auto run = m_Runs.rbegin(); run != m_Runs.rend(); ++run)
    {
        addRunRow(row++, *run);
    }
    m_RunTable->resizeColumnsToContents();
    m_RunTable->horizontalHeader()->setStretchLastSection(true);
    m_Export->setEnabled(!m_Runs.empty());
    if (m_Runs.empty())
    {
        showLoads();
        return;
    }
    m_RunTable->selectRow(0);
}

void DialogUpdateHistory::addRunRow(int row, const HistoryRun& run)
{
    const QStringList cells{QString::number(run.id),
                            HistoryExport::timeText(run.startedAt),
                            orDash(run.serialNumber),
                            orDash(run.model),
                            orDash(run.package),
                            orDash(QFileInfo(run.bundleFile).fileName()),
                            run.interrupted() ? tr("interrupted") : run.outcome};
    for (int column = 0; column < RUN_COLUMN_COUNT; ++column)
    {
        auto* item = new QTableWidgetItem(cells.at(column));
        if (run.interrupted())
        {
            item->setBackground(INTERRUPTED_BACKGROUND);
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            item->setToolTip(tr("The run's end was never written: the updater was closed or killed, or "
                                "the power was lost. The next update of the camera programs its "
                                "unfinished loads again."));
        }
        m_RunTable->setItem(row, column, item);
    }
    m_RunTable->item(row, RUN_COLUMN_BUNDLE)->setToolTip(QDir::toNativeSeparators(run.bundleFile));
    m_RunTable->item(row, RUN_COLUMN_OUTCOME)->setForeground(outcomeColour(run.outcome));
    if (!run.failure.isEmpty())
    {
        m_RunTable->item(row, RUN_COLUMN_OUTCOME)->setToolTip(run.failure);
    }
}

void DialogUpdateHistory::showLoads()
{
    m_LoadTable->setRowCount(0);
    const QList<QTableWidgetItem*> selected = m_RunTable->selectedItems();
    if (selected.isEmpty())
    {
        return;
    }
    const int row = selected.first()->row();
    if (row < 0 || row >= static_cast<int>(m_Runs.size()))
    {
        return;
    }
    const HistoryRun& run = m_Runs[m_Runs.size() - 1 - static_cast<std::size_t>(row)];
    m_LoadTable->setRowCount(static_cast<int>(run.loads.size()));
    int loadRow = 0;
    for (const HistoryLoad& load : run.loads)
    {
        const QStringList cells{orDash(load.loadType),
                                QStringLiteral("0x%1").arg(load.loadNumber, 0, 16),
                                orDash(load.versionBefore),
                                orDash(load.bundleVersion),
                                orDash(load.versionAfter),
                                load.decision,
                                load.outcome};
        for (int column = 0; column < static_cast<int>(cells.size()); ++column)
        {
            m_LoadTable->setItem(loadRow, column, new QTableWidgetItem(cells.at(column)));
        }
        m_LoadTable->item(loadRow, static_cast<int>(cells.size()) - 1)
            ->setForeground(outcomeColour(load.outcome));
        ++loadRow;
    }
    m_LoadTable->resizeColumnsToContents();
    m_LoadTable->horizontalHeader()->setStretchLastSection(true);
}

void DialogUpdateHistory::exportCsv()
{
    const QString path = ModalPrompts::saveFileName(this, tr("Export Update History"),
                                                    QDir::homePath() + QStringLiteral("/UpdateHistory.csv"),
                                                    tr("CSV Files (*.csv)"));
    if (path.isEmpty())
    {
        return;
    }
    QString error;
    if (!OutputFile::write(path, HistoryExport::toCsv(m_Runs), error))
    {
        ModalPrompts::message(this, QMessageBox::Critical, tr("Error"), error);
        return;
    }
    ModalPrompts::message(this, QMessageBox::Information, tr("Information"),
                          tr("%n run(s) written to %1.", nullptr, static_cast<int>(m_Runs.size()))
                              .arg(QDir::toNativeSeparators(path)));
}
