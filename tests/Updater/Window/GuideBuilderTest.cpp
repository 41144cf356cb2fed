#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The build-time tool that makes UserGuide.pdf, run as the build runs it.
class GuideBuilderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_Folder;

    struct Outcome
    {
        int exitCode;
        QString errors;
        QByteArray pdf;
    };

    Outcome build(const QByteArray& markdown, const QString& source = QString())
    {
        const QString markdownPath = source.isEmpty() ? m_Folder.filePath("guide.md") : source;
        if (source.isEmpty())
        {
            QFile file(markdownPath);
            file.open(QIODevice::WriteOnly);
            file.write(markdown);
        }
        const QString output = m_Folder.filePath("guide.pdf");
        QFile::remove(output);
        QProcess builder;
        builder.start(QStringLiteral(VX_GUIDE_BUILDER),
                      {markdownPath, m_Folder.filePath("pictures"), output});
        builder.waitForFinished(60000);
        QFile pdf(output);
        pdf.open(QIODevice::ReadOnly);
        return {builder.exitCode(), QString::fromUtf8(builder.readAllStandardError()), pdf.readAll()};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_Folder.path()).mkpath("pictures"));
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::darkBlue);
        QVERIFY(picture.save(m_Folder.filePath("pictures/window.png")));
    }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("markdown");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("text and a picture")
            << QByteArray("# Guide\n\nText.\n\n![The window](window.png)\n") << 0 << QString();
        QTest::newRow("a picture that was not made")
            << QByteArray("# Guide\n\n![A](window.png)\n![B](dialog.png)\n![C](about.png)\n") << 1
            << QStringLiteral("pictures missing in %1: dialog.png, about.png");
    }
    void outcomes()
    {
        QFETCH(QByteArray, markdown);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        const Outcome outcome = build(markdown);
        QCOMPARE(outcome.exitCode, exitCode);
        if (exitCode == 0)
        {
            QVERIFY(outcome.pdf.startsWith("%PDF-"));
            QVERIFY(outcome.pdf.contains("/Subtype /Image"));
            QVERIFY(outcome.pdf.contains("DejaVu"));
        }
        else
        {
            QVERIFY2(outcome.errors.contains(error.arg(m_Folder.filePath("pictures"))),
                     qPrintable(outcome.errors));
            QVERIFY(outcome.pdf.isEmpty());
        }
    }

    void missingSource()
    {
        const Outcome outcome = build({}, m_Folder.filePath("absent.md"));
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY2(outcome.errors.contains("cannot read " + m_Folder.filePath("absent.md")),
                 qPrintable(outcome.errors));
    }

    // The build puts the guide beside the program, where the Help menu looks.
    void guideBesideTheProgram()
    {
        QFile guide(QStringLiteral(VX_BUILT_GUIDE));
        QVERIFY2(guide.open(QIODevice::ReadOnly), VX_BUILT_GUIDE);
        const QByteArray pdf = guide.readAll();
        QVERIFY(pdf.startsWith("%PDF-"));
        QVERIFY(pdf.count("/Subtype /Image") >= 8);
    }
};

QTEST_GUILESS_MAIN(GuideBuilderTest)
#include "GuideBuilderTest.moc"
