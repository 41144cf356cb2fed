#include "PromptRecorder.h"

#include "Window/DialogSelectPackage.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

namespace
{

Load load(const char* type, const char* version, bool forced = false)
{
    Load made;
    made.loadType = type;
    made.loadVersion = QVersionNumber::fromString(QLatin1String(version));
    made.forceUpdate = forced;
    return made;
}

Package package(const char* model, const char* commercial, std::uint32_t id, std::int32_t revision,
                std::vector<Load> loads)
{
    Package made;
    made.modelName = model;
    made.commercialName = commercial;
    made.modelId = id;
    made.hardwareRevision = revision;
    made.loads = std::move(loads);
    return made;
}

// Three candidates for one camera: the second brings a load type the first
// lacks, the third reuses it; XSVF loads never get a column.
std::vector<Package> candidates()
{
    return {package("VX-2448M", "", 0x1234, 2,
                    {load("Firmware", "2.1.0"), load("XSVF", "1.0"), load("FPGA", "1.4", true)}),
            package("VX-2448M", "", 0x1234, Package::ANY_REVISION,
                    {load("FPGA", "1.5"), load("U3V", "1.0.3"), load("Firmware", "2.2.0")}),
            package("Other", "VX-2448M", 0xABCDEF, 0, {load("U3V", "1.1"), load("XSVF", "9")})};
}

QStringList row(const QTableWidget& table, int row)
{
    QStringList cells;
    for (int column = 0; column < table.columnCount(); ++column)
    {
        const QTableWidgetItem* item = table.item(row, column);
        cells << (item ? item->text() : QStringLiteral("-"));
    }
    return cells;
}

QStringList headers(const QTableWidget& table)
{
    QStringList texts;
    for (int column = 0; column < table.columnCount(); ++column)
    {
        texts << table.horizontalHeaderItem(column)->text();
    }
    return texts;
}

} // namespace

class DialogSelectPackageTest : public QObject
{
    Q_OBJECT

private:
    struct Shown
    {
        DialogSelectPackage dialog;
        QTableWidget* table;
        QDialogButtonBox* buttons;
        Shown()
            : table(dialog.findChild<QTableWidget*>("tableWidget")),
              buttons(dialog.findChild<QDialogButtonBox*>("buttonBox"))
        {
            dialog.setPackages(candidates());
            dialog.open();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        }
        void clickRowCell(int row, int column, bool twice)
        {
            const QRect cell = table->visualItemRect(table->item(row, column));
            if (twice)
            {
                // An item view takes a double click only on the index the first
                // click pressed.
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            }
            else
            {
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            }
        }
    };

private slots:
    void construction()
    {
        DialogSelectPackage dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("DialogSelectPackage"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Package Selection"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        QCOMPARE(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("Select"));
        QCOMPARE(buttons->button(QDialogButtonBox::Close)->text(), QStringLiteral("Close"));
        auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QCOMPARE(headers(*table), (QStringList{"Model", "ID", "HW"}));
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(table->alternatingRowColors());
        QCOMPARE(dialog.selectedIndex(), -1);
    }

    void rows_data()
    {
        QTest::addColumn<int>("rowIndex");
        QTest::addColumn<QStringList>("cells");
        QTest::newRow("first: revision, forced load, XSVF left out")
            << 0 << QStringList{"VX-2448M", "0x1234", "2", "2.1.0", "1.4 [F]", "-"};
        QTest::newRow("second: any revision, new column at the right")
            << 1 << QStringList{"VX-2448M", "0x1234", "Any", "2.2.0", "1.5", "1.0.3"};
        QTest::newRow("third: commercial name, lower-case hex, reused column")
            << 2 << QStringList{"VX-2448M", "0xabcdef", "0", "-", "-", "1.1"};
    }
    void rows()
    {
        QFETCH(int, rowIndex);
        QFETCH(QStringList, cells);
        DialogSelectPackage dialog;
        dialog.setPackages(candidates());
        const auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QCOMPARE(headers(*table), (QStringList{"Model", "ID", "HW", "Firmware", "FPGA", "U3V"}));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(row(*table, rowIndex), cells);
        QCOMPARE(table->item(rowIndex, 0)->textAlignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));
        QVERIFY(table->isSortingEnabled());
    }

    // Every load column is readable without scrolling.
    void everyColumnShows()
    {
        Shown shown;
        QCOMPARE(shown.table->columnCount(), 6);
        QVERIFY(!shown.table->horizontalScrollBar()->isVisible());
        for (int column = 0; column < shown.table->columnCount(); ++column)
        {
            QVERIFY2(shown.table->columnWidth(column) >=
                         shown.table->horizontalHeader()->sectionSizeHint(column),
                     qPrintable(shown.table->horizontalHeaderItem(column)->text()));
        }
    }

    void secondFillReplacesTheFirst()
    {
        DialogSelectPackage dialog;
        dialog.setPackages(candidates());
        dialog.setPackages({package("VX-1", "", 1, 1, {load("AFE", "17.1")})});
        const auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QCOMPARE(headers(*table), (QStringList{"Model", "ID", "HW", "AFE"}));
        QCOMPARE(row(*table, 0), (QStringList{"VX-1", "0x1", "1", "17.1"}));
        QCOMPARE(table->rowCount(), 1);
    }

    void choices_data()
    {
        QTest::addColumn<int>("rowIndex");
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("select the second row") << 1 << false;
        QTest::newRow("select the third row") << 2 << false;
        QTest::newRow("double-click the first row") << 0 << true;
        QTest::newRow("double-click the third row") << 2 << true;
    }
    void choices()
    {
        QFETCH(int, rowIndex);
        QFETCH(bool, doubleClick);
        PromptRecorder prompts;
        Shown shown;
        shown.clickRowCell(rowIndex, 1, doubleClick);
        if (!doubleClick)
        {
            QCOMPARE(shown.dialog.result(), int(QDialog::Rejected));
            shown.buttons->button(QDialogButtonBox::Open)->click();
        }
        QCOMPARE(shown.dialog.result(), int(QDialog::Accepted));
        QVERIFY(!shown.dialog.isVisible());
        QCOMPARE(shown.dialog.selectedIndex(), rowIndex);
        QVERIFY(prompts.prompts().empty());
    }

    void selectWithoutARowWarnsAndStaysOpen()
    {
        PromptRecorder prompts;
        Shown shown;
        shown.buttons->button(QDialogButtonBox::Open)->click();
        QCOMPARE(prompts.summary(), QStringList{"Warning|There is no package selected."});
        QCOMPARE(prompts.prompts().front().icon, QMessageBox::Warning);
        QCOMPARE(prompts.prompts().front().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(prompts.prompts().front().parent, &shown.dialog);
        QVERIFY(shown.dialog.isVisible());
        QCOMPARE(shown.dialog.selectedIndex(), -1);
        QCOMPARE(shown.table->rowCount(), 3);
    }

    void closeRejects()
    {
        PromptRecorder prompts;
        Shown shown;
        shown.clickRowCell(1, 0, false);
        shown.buttons->button(QDialogButtonBox::Close)->click();
        QCOMPARE(shown.dialog.result(), int(QDialog::Rejected));
        QVERIFY(!shown.dialog.isVisible());
        QCOMPARE(shown.dialog.selectedIndex(), -1);
        QVERIFY(prompts.prompts().empty());
    }

    // After sorting by the ID column in descending order, the top row is the
    // third candidate: the choice must still name that candidate.
    void choiceSurvivesResorting()
    {
        PromptRecorder prompts;
        Shown shown;
        shown.table->sortByColumn(1, Qt::DescendingOrder);
        QCOMPARE(shown.table->item(0, 1)->text(), QStringLiteral("0xabcdef"));
        shown.clickRowCell(0, 2, true);
        QCOMPARE(shown.dialog.result(), int(QDialog::Accepted));
        QCOMPARE(shown.dialog.selectedIndex(), 2);
    }

    // The bundle's signer stands above the packages; an unsigned bundle's
    // warning in red.
    void signatureLine()
    {
        DialogSelectPackage dialog;
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("signatureLabel"));
        QVERIFY(label != nullptr);
        QVERIFY(dialog.signatureText().isEmpty());
        dialog.setSignature(QStringLiteral("Signature: valid, signed by maker (0123456789abcdef)"));
        QCOMPARE(dialog.signatureText(),
                 QStringLiteral("Signature: valid, signed by maker (0123456789abcdef)"));
        QVERIFY(label->palette().color(QPalette::WindowText) != QColor(Qt::red));
        dialog.setSignature(QStringLiteral("Signature: not signed"),
                            QStringLiteral("Nothing shows who made it."));
        QCOMPARE(dialog.signatureText(), QStringLiteral("Signature: not signed\nNothing shows who made it."));
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::red));
        dialog.setSignature(QString());
        QVERIFY(dialog.signatureText().isEmpty());
    }
};

QTEST_MAIN(DialogSelectPackageTest)
#include "DialogSelectPackageTest.moc"
