#include "PromptRecorder.h"

#include "Window/AboutBox.h"
#include "Window/UserGuide.h"

#include "BundleFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The About box and the user guide, as the main window's Help menu runs them.
class HelpActionsTest : public QObject
{
    Q_OBJECT

private:
    QString guidePath() const
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/UserGuide.pdf");
    }

private slots:
    void aboutBox()
    {
        QCOMPARE(AboutBox::text(), QStringLiteral("Veltrax VxUpdater Application\n\nVersion 3.0.0.10229"));
        PromptRecorder prompts;
        QWidget parent;
        AboutBox::show(&parent);
        QCOMPARE(prompts.summary(),
                 QStringList{"About|Veltrax VxUpdater Application\n\nVersion 3.0.0.10229"});
        QCOMPARE(prompts.prompts().front().kind, ModalPrompts::PROMPT_KIND::ABOUT);
        QCOMPARE(prompts.prompts().front().parent, &parent);
    }

    void userGuideUrl()
    {
        QCOMPARE(UserGuide::url(), QUrl::fromLocalFile(guidePath()));
        QVERIFY(UserGuide::url().toString().startsWith("file:///"));
    }

    // The build tree keeps the guide beside the program; an installed program
    // finds it in the documentation folder.
    void userGuideLocation_data()
    {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("expectInstalled");
        QTest::newRow("neither: named beside the program") << false << false << false;
        QTest::newRow("beside only") << true << false << false;
        QTest::newRow("installed only") << false << true << true;
        QTest::newRow("both: the one beside wins") << true << true << false;
    }
    void userGuideLocation()
    {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(bool, expectInstalled);
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString program = prefix.path() + QStringLiteral("/bin");
        const QString docs = QDir::cleanPath(program + QStringLiteral("/" VX_GUIDE_FROM_PROGRAM));
        QVERIFY(docs.startsWith(prefix.path() + QStringLiteral("/share/doc/")));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(docs));
        const auto touch = [](const QString& path)
        {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write("%PDF-1.4\n") == 9;
        };
        QVERIFY(!beside || touch(program + QStringLiteral("/UserGuide.pdf")));
        QVERIFY(!installed || touch(docs + QStringLiteral("/UserGuide.pdf")));
        QCOMPARE(UserGuide::locate(program),
                 QUrl::fromLocalFile((expectInstalled ? docs : program) + QStringLiteral("/UserGuide.pdf")));
    }

    void userGuide_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("platformOpens");
        QTest::addColumn<bool>("opened");
        QTest::newRow("present and opened") << true << true << true;
        QTest::newRow("missing: never handed to the platform") << false << true << false;
        QTest::newRow("present, the platform refuses") << true << false << false;
    }
    void userGuide()
    {
        QFETCH(bool, present);
        QFETCH(bool, platformOpens);
        QFETCH(bool, opened);
        QFile::remove(guidePath());
        if (present)
        {
            QFile guide(guidePath());
            QVERIFY(guide.open(QIODevice::WriteOnly));
            guide.write("%PDF-1.4\n");
        }
        QList<QUrl> handed;
        UserGuide::setOpenerForTesting(
            [&](const QUrl& url)
            {
                handed << url;
                return platformOpens;
            });
        BundleFixtures::LogCapture log;
        QStringList errors;
        QCOMPARE(UserGuide::open([&](const QString& text) { errors << text; }), opened);
        UserGuide::setOpenerForTesting({});
        QFile::remove(guidePath());

        const QString url = UserGuide::url().toString();
        QCOMPARE(handed, present ? QList<QUrl>{UserGuide::url()} : QList<QUrl>{});
        QCOMPARE(errors, opened ? QStringList{} : QStringList{"User guide file not found.\n(" + url + ")"});
        QCOMPARE(log.lines(), QStringList{"[info] Opening user guide file: " + url});
    }
};

QTEST_MAIN(HelpActionsTest)
#include "HelpActionsTest.moc"
