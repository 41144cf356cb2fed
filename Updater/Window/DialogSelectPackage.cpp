#include "Window/DialogSelectPackage.h"

#include "ui_DialogSelectPackage.h"

#include "Engine/EngineLog.h"
#include "Window/ModalPrompts.h"

#include <QColor>
#include <QHeaderView>
#include <QLayout>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

#include <map>

namespace
{

constexpr int MODEL_COLUMN = 0;
constexpr int FIXED_COLUMNS = 3;
// The candidate a row was made from, kept on its Model cell.
constexpr int CANDIDATE_ROLE = Qt::UserRole + 1;
// Room on either side of a column's widest text.
constexpr int COLUMN_PADDING = 8;

QTableWidgetItem* centredItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return item;
}

QString versionCell(const Load& load)
{
    QString text = load.loadVersion.toString();
    if (load.forceUpdate)
    {
        text += QStringLiteral(" [F]");
    }
    return text;
}

} // namespace

DialogSelectPackage::DialogSelectPackage(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::DialogSelectPackage>())
{
    ui->setupUi(this);
    setWindowTitle(tr("Package Selection"));
    ui->buttonBox->button(QDialogButtonBox::Open)->setText(tr("Select"));
    ui->buttonBox->button(QDialogButtonBox::Close)->setText(tr("Close"));
    ui->signatureLabel->setVisible(false);
    ui->tableWidget->horizontalHeader()->setStretchLastSection(true);
    ui->tableWidget->horizontalHeader()->setSortIndicator(MODEL_COLUMN, Qt::AscendingOrder);
    resetTable();
}

DialogSelectPackage::~DialogSelectPackage() = default;

void DialogSelectPackage::resetTable()
{
    ui->tableWidget->setSortingEnabled(false);
    ui->tableWidget->clear();
    ui->tableWidget->setRowCount(0);
    ui->tableWidget->setColumnCount(FIXED_COLUMNS);
    ui->tableWidget->setHorizontalHeaderLabels({tr("Model"), tr("ID"), tr("HW")});
}

void DialogSelectPackage::setPackages(const std::vector<Package>& candidates)
{
    resetTable();
    m_SelectedIndex = -1;
    for (std::size_t index = 0; index < candidates.size(); ++index)
    {
        addPackageRow(candidates[index], static_cast<std::int32_t>(index));
    }
    // Every candidate carries the same Model text and the sort is stable, so
    // the rows keep the candidates' order until the operator sorts otherwise.
    ui->tableWidget->setSortingEnabled(true);
    fitColumns();
}

void DialogSelectPackage::fitColumns()
{
    QTableWidget& table = *ui->tableWidget;
    QHeaderView& header = *table.horizontalHeader();
    int tableWidth = 2 * table.frameWidth() + table.verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < table.columnCount(); ++column)
    {
        table.resizeColumnToContents(column);
        const int width = header.sectionSize(column) + COLUMN_PADDING;
        header.resizeSection(column, width);
        tableWidth += width;
    }
    // Wide enough for every column, as far as the screen allows.
    const QScreen* screen = this->screen();
    const int widest = screen ? screen->availableGeometry().width() * 9 / 10 : tableWidth;
    const QMargins margins = layout()->contentsMargins();
    const int dialogWidth = std::min(widest, tableWidth + margins.left() + margins.right());
    if (dialogWidth > width())
    {
        resize(dialogWidth, height());
    }
}

void DialogSelectPackage::addPackageRow(const Package& candidate, std::int32_t candidateIndex)
{
    std::map<int, QString> cells;
    cells[0] = QString::fromStdString(candidate.displayName());
    cells[1] = QStringLiteral("0x") + QString::number(candidate.modelId, 16);
    cells[2] = candidate.hardwareRevision == Package::ANY_REVISION
                   ? tr("Any")
                   : QString::number(candidate.hardwareRevision);
    for (const Load& load : candidate.loads)
    {
        if (load.loadType == "XSVF")
        {
            continue;
        }
        const QString loadType = QString::fromStdString(load.loadType);
        const int column = loadTypeColumn(loadType);
        if (column < 0)
        {
            EngineLog::error(tr("Can't find load type: %1").arg(loadType));
            continue;
        }
        cells[column] = versionCell(load);
    }

    const int row = ui->tableWidget->rowCount();
    ui->tableWidget->insertRow(row);
    for (const auto& [column, text] : cells)
    {
        QTableWidgetItem* item = centredItem(text);
        if (column == MODEL_COLUMN)
        {
            item->setData(CANDIDATE_ROLE, candidateIndex);
        }
        ui->tableWidget->setItem(row, column, item);
    }
}

int DialogSelectPackage::loadTypeColumn(const QString& loadType)
{
    QTableWidget& table = *ui->tableWidget;
    for (int column = FIXED_COLUMNS; column < table.columnCount(); ++column)
    {
        const QTableWidgetItem* header = table.horizontalHeaderItem(column);
        if (header != nullptr && header->text() == loadType)
        {
            return column;
        }
    }
    const int column = table.columnCount();
    table.insertColumn(column);
    if (table.columnCount() != column + 1)
    {
        return -1;
    }
    table.setHorizontalHeaderItem(column, new QTableWidgetItem(loadType));
    return column;
}

void DialogSelectPackage::on_buttonBox_clicked(QAbstractButton* button)
{
    if (button == ui->buttonBox->button(QDialogButtonBox::Close))
    {
        reject();
    }
    else if (button == ui->buttonBox->button(QDialogButtonBox::Open))
    {
        selectPackage();
    }
}

void DialogSelectPackage::on_tableWidget_doubleClicked(const QModelIndex& /*index*/)
{
    selectPackage();
}

void DialogSelectPackage::selectPackage()
{
    QTableWidget& table = *ui->tableWidget;
    const QTableWidgetItem* model =
        table.selectionModel()->hasSelection() ? table.item(table.currentRow(), MODEL_COLUMN) : nullptr;
    if (model == nullptr)
    {
        m_SelectedIndex = -1;
        ModalPrompts::message(this, QMessageBox::Warning, tr("Warning"), tr("There is no package selected."));
        return;
    }
    m_SelectedIndex = model->data(CANDIDATE_ROLE).toInt();
    accept();
}

void DialogSelectPackage::setSignature(const QString& summary, const QString& warning)
{
    ui->signatureLabel->setVisible(!summary.isEmpty());
    ui->signatureLabel->setText(warning.isEmpty() ? summary : summary + QLatin1Char('\n') + warning);
    QPalette palette = ui->signatureLabel->palette();
    palette.setColor(QPalette::WindowText,
                     warning.isEmpty() ? palette.color(QPalette::Text) : QColor(Qt::red));
    ui->signatureLabel->setPalette(palette);
}

QString DialogSelectPackage::signatureText() const
{
    return ui->signatureLabel->isVisibleTo(this) ? ui->signatureLabel->text() : QString();
}
