// Build tool of the Qt backend: writes each image of an icon group (.ico) as a PNG file
// for the desktop's icon theme, one folder per size.
//   sqk2xml_icon_export ICON.ico OUTDIR   ->  OUTDIR/<size>/sqk2xml.png
#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s ICON.ico OUTDIR\n", argv[0]);
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]), "ico");
    const QDir out(QString::fromLocal8Bit(argv[2]));
    int nWritten = 0;
    for (QImage image = reader.read(); !image.isNull(); image = reader.read())
    {
        const QString folder = QString::number(image.width());
        if (!out.mkpath(folder) || !image.save(out.filePath(folder + "/sqk2xml.png"), "PNG"))
        {
            std::fprintf(stderr, "%s: cannot write the %s pixel image\n", argv[0],
                         qPrintable(folder));
            return 1;
        }
        ++nWritten;
        if (!reader.jumpToNextImage())
            break;
    }
    if (nWritten == 0)
    {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], argv[1], qPrintable(reader.errorString()));
        return 1;
    }
    return 0;
}
