// Build tool: writes the largest picture of an icon file as a PNG of the
// given size (the desktop icon of the package).
//
//   vx-icon-to-png ICON PNG SIZE

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool number = false;
    const int size = arguments.size() == 4 ? arguments[3].toInt(&number) : 0;
    if (!number || size <= 0)
    {
        std::fprintf(stderr, "usage: vx-icon-to-png ICON PNG SIZE\n");
        return 2;
    }
    QImageReader reader(arguments[1]);
    QImage largest;
    do
    {
        const QImage picture = reader.read();
        if (picture.isNull())
        {
            break;
        }
        if (picture.width() * picture.height() > largest.width() * largest.height())
        {
            largest = picture;
        }
    } while (reader.jumpToNextImage());
    if (largest.isNull())
    {
        std::fprintf(stderr, "vx-icon-to-png: cannot read %s: %s\n", qPrintable(arguments[1]),
                     qPrintable(reader.errorString()));
        return 1;
    }
    if (largest.width() != size || largest.height() != size)
    {
        largest = largest.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    if (!largest.save(arguments[2], "PNG"))
    {
        std::fprintf(stderr, "vx-icon-to-png: cannot write %s\n", qPrintable(arguments[2]));
        return 1;
    }
    return 0;
}
