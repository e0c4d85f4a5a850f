#pragma once

// Other programs run from the tests: the command-line printer, poppler-utils, qpdf.

#include <QHash>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Runs `programa` to its end: its standard output; exit status and standard error when asked.
// One that has not finished in two minutes ends the test program.
inline QString Ejecuta(const QString& programa, const QStringList& argumentos,
                       int* estado = nullptr, QString* errores = nullptr,
                       const QString& carpeta = {}, const QProcessEnvironment& entorno = {}) {
    QProcess p;
    if (!carpeta.isEmpty()) p.setWorkingDirectory(carpeta);
    if (!entorno.isEmpty()) p.setProcessEnvironment(entorno);
    p.start(programa, argumentos);
    if (!p.waitForFinished(120000)) qFatal("%s did not finish", qPrintable(programa));
    if (estado) *estado = p.exitCode();
    if (errores) *errores = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

#ifdef VELMOR_IMPRIMIR
// velmor-imprimir run as a user would; its exit status, its messages in `errores`.
inline int Imprime(const QStringList& argumentos, QString* errores = nullptr,
                   const QString& carpeta = {}) {
    int estado = -1;
    Ejecuta(VELMOR_IMPRIMIR, argumentos, &estado, errores, carpeta);
    return estado;
}
#endif

// A PDF's text laid out as on its pages (pdftotext -layout).
inline QString TextoPdf(const QString& pdf) {
    return Ejecuta("pdftotext", {"-layout", pdf, "-"});
}

// Each page's text, blanks collapsed.
inline QStringList TextoPorPagina(const QString& pdf) {
    QStringList paginas = TextoPdf(pdf).split('\f');
    paginas.removeLast(); // after the last page's form feed
    for (QString& p : paginas)
        p = p.simplified();
    return paginas;
}

// A PDF's page count as pdfinfo reads it; -1 when it cannot.
inline int PaginasPdf(const QString& pdf) {
    static const QRegularExpression paginas(QStringLiteral(R"(Pages:\s+(\d+))"));
    const auto m = paginas.match(Ejecuta("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// What qpdf finds wrong in the file; empty when nothing.
inline QString DefectosPdf(const QString& pdf) {
    int estado = -1;
    QString errores;
    const QString salida = Ejecuta("qpdf", {"--check", pdf}, &estado, &errores);
    return estado == 0 && !salida.contains("WARNING") && errores.isEmpty() ? QString()
                                                                           : salida + errores;
}

// pdfimages' rows, one a picture drawn: width, height, x-ppi, y-ppi, object, type ("image", or
// "stencil" for 1-bit ink), encoding ("jpeg" for a JPEG kept as it is).
inline QList<QStringList> ImagenesPdf(const QString& pdf) {
    QList<QStringList> r;
    for (const QString& f : Ejecuta("pdfimages", {"-list", pdf}).split('\n').mid(2))
        if (const QStringList c = f.simplified().split(' ');
            c.value(2) == "image" || c.value(2) == "stencil")
            r << QStringList{c[3], c[4], c[12], c[13], c[10], c[2], c[8]};
    return r;
}

// The first page's words as pdftotext -bbox reads them: each word's boxes, in points from the
// page's top-left corner, in the order of the page.
inline QHash<QString, QList<QRectF>> PalabrasPdf(const QString& pdf) {
    static const QRegularExpression palabra(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re"));
    QHash<QString, QList<QRectF>> cajas;
    const QString bbox = Ejecuta("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    for (const auto& w : palabra.globalMatch(bbox))
        cajas[w.captured(5).replace("&amp;", "&")]
            << QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                      QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()));
    return cajas;
}

// A page of the PDF rendered in grey at `ppp` dots per inch (pdftoppm).
inline QImage PaginaGris(const QString& pdf, int pagina, int ppp) {
    const QString n = QString::number(pagina), png = pdf + "-" + n;
    Ejecuta("pdftoppm", {"-r", QString::number(ppp), "-gray", "-png", "-f", n, "-l", n,
                         "-singlefile", pdf, png});
    return QImage(png + ".png").convertToFormat(QImage::Format_Grayscale8);
}

// Two renders of a page compared: pixels whose grey differs by more than a quarter of the scale,
// in all and in the worst 24 x 24 tile, and the dark pixels of the first.
struct Diferencia {
    int distintos = 0, peor = 0, tinta = 0;
};
inline Diferencia Compara(const QImage& a, const QImage& b) {
    Diferencia d;
    QHash<int, int> zonas;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const int ga = qGray(a.pixel(x, y)), gb = qGray(b.pixel(x, y));
            d.tinta += ga < 128;
            if (qAbs(ga - gb) > 64)
                ++d.distintos, d.peor = qMax(d.peor, ++zonas[y / 24 * 1000 + x / 24]);
        }
    return d;
}
