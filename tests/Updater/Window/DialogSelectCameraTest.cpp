#include "PromptRecorder.h"

#include "Window/DialogSelectCamera.h"

#include "Cameras/Camera.h"
#include "Cameras/SimulatedCamera/SimulatedCamera.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using CameraInterface::Camera;
using CameraInterface::SimulatedAdapter::SimulatedCamera;

namespace
{

QString camera(const QString& serial, const QString& model)
{
    return QStringLiteral("{\"Identification\": {\"Serial Number\": \"%1\", \"Model Name\": \"%2\"}, "
                          "\"Properties\": [], \"Functions\": []}")
        .arg(serial, model);
}

} // namespace

// The registry holds three simulated cameras, listed out of serial order in
// their file; the watchdogs are slowed down so that they never change the list
// during a test.
class DialogSelectCameraTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_Folder;

    struct Shown
    {
        DialogSelectCamera dialog;
        QTableWidget* table = dialog.findChild<QTableWidget*>("tableWidget");
        Shown()
        {
            dialog.open();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        }
        QPushButton* button(const char* name) { return dialog.findChild<QPushButton*>(name); }
        void click(int row, int column, bool twice)
        {
            const QPoint at = table->visualItemRect(table->item(row, column)).center();
            if (twice)
            {
                // An item view takes a double click only on the index the first
                // click pressed.
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
            }
            else
            {
                QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
            }
        }
        QStringList rows() const
        {
            QStringList lines;
            for (int row = 0; row < table->rowCount(); ++row)
            {
                lines << table->item(row, 0)->text() + QLatin1Char('|') + table->item(row, 1)->text();
            }
            return lines;
        }
    };

private slots:
    void initTestCase()
    {
        QFile list(m_Folder.filePath("cameras.json"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(
            QStringLiteral("{\"Cameras\": [%1, %2, %3]}")
                .arg(camera("SN-300", "VX-9000"), camera("SN-100", "VX-2448M"), camera("SN-200", "VX-2448C"))
                .toUtf8());
        list.close();
        SimulatedCamera::setCameraListFile(list.fileName().toStdString());
        Camera::setWatchdogPeriodsForTesting(600000, 600000);
        Camera::initialiseWorkspace();
        QCOMPARE(Camera::getCamerasList().size(), std::size_t{3});
    }
    void cleanupTestCase()
    {
        Camera::unitialisedWorkpace();
        SimulatedCamera::setCameraListFile("");
    }

    void construction()
    {
        DialogSelectCamera dialog;
        QCOMPARE(dialog.objectName(), QStringLiteral("DialogSelectCamera"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Camera Selection"));
        QCOMPARE(dialog.size(), QSize(400, 300));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        const auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QCOMPARE(table->columnCount(), 2);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Model Name"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Serial Number"));
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(table->alternatingRowColors());
        const auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        QStringList texts;
        for (const char* name : {"selectButton", "closeButton", "refreshButton"})
        {
            auto* button = dialog.findChild<QPushButton*>(name);
            QVERIFY2(button, name);
            texts << button->text() + QLatin1Char('/') + QString::number(buttons->buttonRole(button));
        }
        QCOMPARE(texts, (QStringList{"Select/" + QString::number(QDialogButtonBox::AcceptRole),
                                     "Close/" + QString::number(QDialogButtonBox::RejectRole),
                                     "Refresh/" + QString::number(QDialogButtonBox::ResetRole)}));
        QCOMPARE(dialog.selectedSerialNumber(), std::string());
    }

    void showingListsTheRegistryBySerialNumber()
    {
        Shown shown;
        QCOMPARE(shown.rows(), (QStringList{"VX-2448M|SN-100", "VX-2448C|SN-200", "VX-9000|SN-300"}));
        QCOMPARE(shown.table->item(0, 1)->textAlignment(), int(Qt::AlignHCenter | Qt::AlignVCenter));
        QCOMPARE(shown.dialog.cursor().shape(), Qt::ArrowCursor);
    }

    void choices_data()
    {
        QTest::addColumn<int>("rowIndex");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QString>("serialNumber");
        QTest::newRow("select the second row") << 1 << 0 << false << "SN-200";
        QTest::newRow("double-click a model name") << 2 << 0 << true << "SN-300";
        QTest::newRow("double-click a serial number") << 0 << 1 << true << "SN-100";
    }
    void choices()
    {
        QFETCH(int, rowIndex);
        QFETCH(int, column);
        QFETCH(bool, doubleClick);
        QFETCH(QString, serialNumber);
        PromptRecorder prompts;
        Shown shown;
        shown.click(rowIndex, column, doubleClick);
        if (!doubleClick)
        {
            shown.button("selectButton")->click();
        }
        QCOMPARE(shown.dialog.result(), int(QDialog::Accepted));
        QVERIFY(!shown.dialog.isVisible());
        QCOMPARE(QString::fromStdString(shown.dialog.selectedSerialNumber()), serialNumber);
        QVERIFY(prompts.prompts().empty());
    }

    void selectWithoutARowWarnsAndForgetsTheLastChoice()
    {
        PromptRecorder prompts;
        Shown shown;
        shown.click(0, 1, true);
        QCOMPARE(shown.dialog.selectedSerialNumber(), std::string("SN-100"));
        shown.dialog.open();
        QVERIFY(shown.table->selectedItems().isEmpty());
        shown.button("selectButton")->click();
        QCOMPARE(prompts.summary(), QStringList{"Warning|No camera has been selected."});
        QCOMPARE(prompts.prompts().front().icon, QMessageBox::Warning);
        QCOMPARE(prompts.prompts().front().parent, &shown.dialog);
        QVERIFY(shown.dialog.isVisible());
        QCOMPARE(shown.dialog.selectedSerialNumber(), std::string());
        QCOMPARE(shown.table->rowCount(), 3);
    }

    void closeRejects()
    {
        PromptRecorder prompts;
        Shown shown;
        shown.click(1, 1, false);
        shown.button("closeButton")->click();
        QCOMPARE(shown.dialog.result(), int(QDialog::Rejected));
        QVERIFY(!shown.dialog.isVisible());
        QVERIFY(prompts.prompts().empty());
    }

    // Runs last: empties the registry.
    void refreshShowsTheRegistryAsItIsNow()
    {
        PromptRecorder prompts;
        Shown shown;
        QCOMPARE(shown.table->rowCount(), 3);
        Camera::unitialisedWorkpace();
        QCOMPARE(shown.table->rowCount(), 3);
        shown.button("refreshButton")->click();
        QCOMPARE(shown.table->rowCount(), 0);
        shown.button("selectButton")->click();
        QCOMPARE(prompts.summary(), QStringList{"Warning|No camera has been selected."});
        QVERIFY(shown.dialog.isVisible());
    }
};

QTEST_MAIN(DialogSelectCameraTest)
#include "DialogSelectCameraTest.moc"
