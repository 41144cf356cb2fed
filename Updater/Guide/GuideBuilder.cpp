// VxGuideBuilder MARKDOWN IMAGE_FOLDER OUTPUT_PDF
//
// Turns the user guide's Markdown into a PDF at build time: Qt's Markdown
// reader lays the text out, the pictures come from IMAGE_FOLDER (made by
// VxScreenshots in the same build) and Qt's PDF writer prints it on A4.
// Exits 1, naming what is wrong, when the source or a picture it refers to is
// missing, so that a guide with holes never reaches an operator.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include <QTextCursor>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr qreal MARGIN_MILLIMETRES = 18;
constexpr int BODY_POINT_SIZE = 10;
// The document is laid out in pixels of this resolution, which is what the
// pictures were taken at.
constexpr qreal LAYOUT_DPI = 96;
constexpr qreal MILLIMETRES_PER_INCH = 25.4;
// The line below each page that carries its number, in layout pixels.
constexpr qreal FOOTER_HEIGHT = 28;
constexpr int FOOTER_PIXEL_SIZE = 12;
// Pictures are laid out at this share of their pixel size (narrower when the
// page is narrower).
constexpr qreal PICTURE_SCALE = 0.8;

int fail(const QString& message)
{
    std::fprintf(stderr, "VxGuideBuilder: %s\n", qPrintable(message));
    return 1;
}

struct PictureSpot
{
    int position;
    int length;
    QTextImageFormat format;
};

std::vector<PictureSpot> findPictures(const QTextDocument& document)
{
    std::vector<PictureSpot> spots;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
        {
            const QTextFragment piece = fragment.fragment();
            if (piece.charFormat().isImageFormat())
            {
                spots.push_back({piece.position(), piece.length(), piece.charFormat().toImageFormat()});
            }
        }
    }
    return spots;
}

// Loads every picture the document names and gives it its printed size; the
// names that cannot be loaded are returned.
QStringList attachPictures(QTextDocument& document, const QString& folder)
{
    const qreal widest = document.pageSize().width() - 2 * document.documentMargin();
    QStringList missing;
    for (PictureSpot& spot : findPictures(document))
    {
        const QImage image(folder + QLatin1Char('/') + spot.format.name());
        if (image.isNull())
        {
            missing << spot.format.name();
            continue;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(spot.format.name()), image);
        const qreal scale = std::min(PICTURE_SCALE, widest / image.width());
        spot.format.setWidth(image.width() * scale);
        spot.format.setHeight(image.height() * scale);
        QTextCursor cursor(&document);
        cursor.setPosition(spot.position);
        cursor.setPosition(spot.position + spot.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(spot.format);
    }
    return missing;
}

QPageLayout pageLayout()
{
    return QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(MARGIN_MILLIMETRES, MARGIN_MILLIMETRES, MARGIN_MILLIMETRES, MARGIN_MILLIMETRES),
        QPageLayout::Millimeter);
}

// Each page of the paginated document, with its number centred below it.
void printPages(QTextDocument& document, QPdfWriter& writer)
{
    QPainter painter(&writer);
    const qreal scale = writer.resolution() / LAYOUT_DPI;
    painter.scale(scale, scale);
    // In layout pixels: a point size would be taken at the writer's resolution.
    QFont numbers(QStringLiteral("DejaVu Sans"));
    numbers.setPixelSize(FOOTER_PIXEL_SIZE);
    painter.setFont(numbers);
    const QSizeF page = document.pageSize();
    for (int index = 0; index < document.pageCount(); ++index)
    {
        if (index > 0)
        {
            writer.newPage();
        }
        const QRectF shown(QPointF(0, index * page.height()), page);
        painter.save();
        painter.translate(0, -shown.top());
        document.drawContents(&painter, shown);
        painter.restore();
        painter.drawText(QRectF(0, page.height(), page.width(), FOOTER_HEIGHT),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::number(index + 1));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 4)
    {
        return fail(QStringLiteral("usage: VxGuideBuilder MARKDOWN IMAGE_FOLDER OUTPUT_PDF"));
    }
    QFile source(arguments[1]);
    if (!source.open(QIODevice::ReadOnly))
    {
        return fail(QStringLiteral("cannot read %1: %2").arg(arguments[1], source.errorString()));
    }

    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), BODY_POINT_SIZE));
    // Laid out in pages of the printable area less the page number's line.
    const QSizeF printable =
        pageLayout().paintRect(QPageLayout::Millimeter).size() * (LAYOUT_DPI / MILLIMETRES_PER_INCH);
    document.setPageSize(QSizeF(printable.width(), printable.height() - FOOTER_HEIGHT));
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    const QStringList missing = attachPictures(document, arguments[2]);
    if (!missing.isEmpty())
    {
        return fail(QStringLiteral("pictures missing in %1: %2")
                        .arg(arguments[2], missing.join(QStringLiteral(", "))));
    }

    const QString& output = arguments[3];
    QFile::remove(output);
    {
        QPdfWriter writer(output);
        writer.setTitle(QStringLiteral("Veltrax VxUpdater User Guide"));
        writer.setCreator(QStringLiteral("VxGuideBuilder"));
        writer.setPageLayout(pageLayout());
        printPages(document, writer);
    }
    if (QFileInfo(output).size() == 0)
    {
        return fail(QStringLiteral("the PDF writer produced nothing at %1").arg(output));
    }
    return 0;
}
