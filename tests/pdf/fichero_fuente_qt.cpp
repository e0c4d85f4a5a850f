// Prints the file Qt draws each font with (arguments: a font file to add, then name, bold 0/1,
// italic 0/1 in threes), asked as the window asks; the file is the one FreeType maps when Qt first
// uses the face, a face already in use known by its family and style.
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <cstdio>

namespace {
QSet<QByteArray> ficherosMapeados() {
    QFile mapas("/proc/self/maps");
    QSet<QByteArray> ficheros;
    if (!mapas.open(QIODevice::ReadOnly)) return ficheros;
    for (const QByteArray& linea : mapas.readAll().split('\n')) {
        const qsizetype barra = linea.indexOf('/');
        if (barra < 0) continue;
        const QByteArray ruta = linea.mid(barra);
        for (const char* ext : {".ttf", ".otf", ".pfb", ".pfa", ".t1", ".ttc", ".otc"})
            if (ruta.endsWith(ext)) ficheros.insert(ruta);
    }
    return ficheros;
}
} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2 || QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1])) < 0)
        return 2;
    QHash<QString, QByteArray> porCara; // family and style -> file
    for (int i = 2; i + 2 < argc; i += 3) {
        QFont f(QString::fromUtf8(argv[i]));
        f.setPointSizeF(10);
        f.setBold(argv[i + 1][0] == '1');
        f.setItalic(argv[i + 2][0] == '1');
        f.setStyleHint(QFont::TypeWriter);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setKerning(false);
        const QSet<QByteArray> antes = ficherosMapeados();
        const QRawFont cara = QRawFont::fromFont(f);
        cara.pathForGlyph(cara.glyphIndexesForString(QStringLiteral("A")).value(0)); // loads it
        const QString clave = cara.familyName() + u'\x1f' + cara.styleName();
        const QSet<QByteArray> nuevos = ficherosMapeados() - antes;
        if (nuevos.size() == 1) porCara.insert(clave, *nuevos.begin());
        std::printf("%s\n", porCara.value(clave, "?").constData());
    }
    return 0;
}
