// The PDF device on real documents: PRT files printed through ImprimirPrt (and the device driven
// directly where that says more), the PDFs checked with qpdf and poppler-utils and their pages
// compared with renders of the Qt-based device's output.
#include "pdf/cara_fuente.h"
#include "pdf/catalogo_fuentes.h"
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kDatos = QStringLiteral(VELMOR_SOURCE_DIR "/tests/printing/datos_pdf");

// pdffonts' rows: name, type, encoding, emb, sub, uni.
QList<QStringList> fuentes(const QString& pdf) {
    QList<QStringList> filas;
    const QStringList lineas = Ejecuta("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts);
    for (const QString& l : lineas.mid(2)) {
        const QStringList c = l.simplified().split(' ');
        if (c.size() >= 7) filas << c;
    }
    return filas;
}

// How a page differs from its reference render: pixels whose grey differs by more than a
// quarter of the scale, in all and in the worst 24 x 24 tile, and the reference's ink.
struct Diferencia {
    int pixeles = 0, peorZona = 0, tinta = 0;
};
Diferencia compara(const QImage& a, const QImage& b) {
    Diferencia d;
    constexpr int kZona = 24;
    QList<int> zonas((a.width() / kZona + 1) * (a.height() / kZona + 1));
    for (int y = 0; y < a.height(); ++y) {
        const uchar* fa = a.constScanLine(y);
        const uchar* fb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x) {
            d.tinta += fa[x] < 128;
            if (qAbs(int(fa[x]) - int(fb[x])) > 64) {
                ++d.pixeles;
                int& z = zonas[(y / kZona) * (a.width() / kZona + 1) + x / kZona];
                d.peorZona = qMax(d.peorZona, ++z);
            }
        }
    }
    return d;
}

// A sink that fails like a full disk once `capacidad` bytes are written; it notes whether
// anything was written after the failure and whether the document was discarded.
class SalidaLlena : public SalidaDocumento {
  public:
    explicit SalidaLlena(size_t capacidad) : capacidad_(capacidad) {}
    void abre() override { abierta = true; }
    void escribe(const char*, std::size_t cuantos) override {
        if (fallo) trasElFallo = true;
        escritos += cuantos;
        if (escritos > capacidad_) {
            fallo = true;
            throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                              QStringLiteral("No queda espacio en el disco para «salida.pdf»"));
        }
    }
    void termina() override { terminada = true; }
    void descarta() noexcept override { descartada = true, abierta = false; }
    bool abierta = false, fallo = false, trasElFallo = false, terminada = false, descartada = false;
    size_t escritos = 0;

  private:
    size_t capacidad_;
};
} // namespace

class TestDispositivoPdf : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;
    DispositivoPdf dispositivo;
    SalidaFichero salida;

    QString escribe(const QByteArray& contenido) {
        return EscribeFichero(dir.filePath(QString("f%1.prt").arg(++n)), contenido);
    }
    static QByteArray lineas(int cuantas) {
        QByteArray b;
        for (int i = 1; i <= cuantas; ++i)
            b += "linea " + QByteArray::number(i) + "\r\n";
        return b;
    }
    // Prints the PRT file on the PDF device; returns the PDF path.
    QString imprime(const QString& prt, bool dos = false, bool horizontal = false,
                    ResultadoPrt* resultado = nullptr) {
        const QString pdf = prt + ".pdf";
        QFile::remove(pdf);
        QPageLayout pagina = dispositivo.pagina();
        pagina.setOrientation(horizontal ? QPageLayout::Landscape : QPageLayout::Portrait);
        dispositivo.ponPagina(pagina);
        salida.ponDestino(pdf);
        dispositivo.ponSalida(&salida);
        TrabajoPrt t;
        t.ruta = prt;
        t.modoDos = dos;
        const ResultadoPrt r = ImprimirPrt(t, dispositivo);
        if (resultado)
            *resultado = r;
        else if (!r)
            qWarning("%s", qPrintable(r.error->descripcion()));
        return pdf;
    }
    // qpdf finds nothing wrong, and every font is embedded as a subset with a ToUnicode map.
    static bool pdfCorrecto(const QString& pdf, QString& porque) {
        int estado = -1;
        QString errores;
        const QString salida = Ejecuta("qpdf", {"--check", pdf}, &estado, &errores);
        if (estado != 0 || salida.contains("WARNING") || !errores.isEmpty()) {
            porque = salida + errores;
            return false;
        }
        for (const QStringList& f : fuentes(pdf))
            if (f.value(f.size() - 5) != "yes" || f.value(f.size() - 4) != "yes" ||
                f.value(f.size() - 3) != "yes" || !f.value(0).contains('+')) {
                porque = "fuente: " + f.join(' ');
                return false;
            }
        return true;
    }

  private slots:
    void initTestCase() { QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0); }

    void comoLasReferencias_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("hojas");
        QTest::newRow("formatos") << "formatos" << false << false << 1;
        QTest::newRow("fondo") << "fondo" << false << false << 2;
        QTest::newRow("apaisado") << "apaisado" << false << true << 1;
        QTest::newRow("ms-dos") << "dos" << true << false << 1;
    }
    void comoLasReferencias() {
        QFETCH(QString, nombre);
        QFETCH(bool, dos);
        QFETCH(bool, horizontal);
        QFETCH(int, hojas);
        // The picture of "fondo" is named relative to the working folder.
        QFile::copy(kDatos + "/fondo.png", dir.filePath("fondo.png"));
        const QString prt = dir.filePath(nombre + ".prt");
        QFile::copy(kDatos + "/" + nombre + ".prt", prt);
        const QString antes = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QString pdf = imprime(prt, dos, horizontal);
        QDir::setCurrent(antes);
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QCOMPARE(PaginasPdf(pdf), hojas);
        Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", pdf, dir.filePath(nombre)});
        for (int i = 1; i <= hojas; ++i) {
            const QString sufijo = QString("-%1.png").arg(i);
            const QImage ref(kDatos + "/" + nombre + sufijo), nueva(dir.filePath(nombre + sufijo));
            QVERIFY(!ref.isNull() && !nueva.isNull());
            QCOMPARE(nueva.size(), ref.size());
            const Diferencia d = compara(ref.convertToFormat(QImage::Format_Grayscale8),
                                         nueva.convertToFormat(QImage::Format_Grayscale8));
            // A letter drawn a third of a 1200-dpi pixel away, a stroked underline against a
            // filled one, a picture kept whole instead of Qt's JPEG: at 72 dpi these change
            // anti-aliased edges by less than a quarter of the grey scale, or a few pixels in a
            // page (13 at most, 6 in one place, measured). A missing, moved or misdrawn letter
            // changes 15 or more pixels in one place, a missing underline or picture far more.
            QVERIFY2(
                d.pixeles <= qMax(20, d.tinta / 200) && d.peorZona <= 10,
                qPrintable(QString("página %1: %2 píxeles distintos, %3 juntos, de %4 con tinta")
                               .arg(i)
                               .arg(d.pixeles)
                               .arg(d.peorZona)
                               .arg(d.tinta)));
        }
    }

    void caracteres_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("eñe") << QByteArray("Espa\xa4"
                                           "a\r\n")
                             << false << "España";
        QTest::newRow("ce cedilla") << QByteArray("\x80\x87\r\n") << false << "Çç";
        QTest::newRow("cajas") << QByteArray("\xc9\xcd\xbb\xba\xc8\xbc\xb0\xb1\xb2\xdb\r\n")
                               << false << "╔═╗║╚╝░▒▓█";
        QTest::newRow("cajas en negrita")
            << QByteArray("[N]\xc9\xcd\xbb \xa4[n]\r\n") << false << "╔═╗ ñ";
        QTest::newRow("cajas sin glifo propio")
            << QByteArray("{{*DejaVu Math TeX Gyre}}a\xc9\xcd\xbb\xba\xc8\xbc"
                          "b\r\n")
            << false << "a╔═╗║╚╝b";
        QTest::newRow("ms-dos") << QByteArray("A\xd1\xe7 [I]x[i]\r\n") << true << "AÑç x";
        QTest::newRow("subrayado con blancos")
            << QByteArray("[S]a   b[s] c\r\n") << false << "a   b c";
    }
    void caracteres() {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, dos);
        QFETCH(QString, esperado);
        const QString pdf = imprime(escribe(contenido), dos);
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        const QString t = TextoPdf(pdf);
        QVERIFY2(t.contains(esperado), qPrintable(t));
    }

    // Every format embeds its own face, or makes the style up from the regular one where the
    // family has no such face; a character the font lacks comes from a fallback font.
    void fuentesIncrustadas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<QStringList>("caras");
        QTest::newRow("estilos") << QByteArray("a [N]b[n] [I]c[i] [N][I]d[i][n]\r\n") << false
                                 << QStringList{"LiberationMono-Regular", "LiberationMono-Bold",
                                                "LiberationMono-Italic",
                                                "LiberationMono-BoldItalic"};
        QTest::newRow("por nombre") << QByteArray("a {{*DejaVu Serif}}b\r\n") << false
                                    << QStringList{"LiberationMono-Regular", "DejaVuSerif-Book"};
        QTest::newRow("inventados")
            << QByteArray("a [N]b[n] [I]c[i]\r\n") << true << QStringList{"Ravendot"};
        QTest::newRow("respaldo") << QByteArray("{{*DejaVu Math TeX Gyre}}a\xc9\r\n") << false
                                  << QStringList{"DejaVuMathTeXGyre-Regular", "DejaVuSans"};
    }
    void fuentesIncrustadas() {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, dos);
        QFETCH(QStringList, caras);
        const QString pdf = imprime(escribe(contenido), dos);
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QStringList nombres;
        for (const QStringList& f : fuentes(pdf))
            nombres << f[0].section('+', 1);
        nombres.sort();
        QStringList esperados;
        for (const QString& cara : caras)
            for (const QString& n : nombres)
                if (n.startsWith(cara)) esperados << n;
        esperados.sort();
        esperados.removeDuplicates();
        QCOMPARE(nombres, esperados);
        QCOMPARE(nombres.size(), caras.size());
    }

    // A face Qt cannot hand over as tables (a Type 1 font) is drawn as outlines: the page shows
    // the text and the PDF embeds no broken font.
    void caraSinTablas() {
        QRawFont cara = QRawFont::fromFont(QFont("Nimbus Sans"));
        if (cara.familyName() != "Nimbus Sans" || !cara.fontTable("head").isEmpty())
            QSKIP("Nimbus Sans is not installed as a Type 1 font here");
        const QString pdf = imprime(escribe("{{*Nimbus Sans}}HHHH [N]HHHH[n]\r\n"));
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QVERIFY(fuentes(pdf).isEmpty());
        const QString png = dir.filePath("tipo1");
        Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", "-singlefile", pdf, png});
        const QImage pagina = QImage(png + ".png").convertToFormat(QImage::Format_Grayscale8);
        int tinta = 0;
        for (int y = 10; y < 30; ++y)
            for (int x = 10; x < 120; ++x)
                tinta += pagina.pixelColor(x, y).value() < 128;
        QVERIFY2(tinta > 100, qPrintable(QString::number(tinta)));
    }

    // A character only another font has, written straight to the device.
    void caracterDeRespaldo() {
        salida.ponDestino(dir.filePath("respaldo.pdf"));
        dispositivo.ponSalida(&salida);
        dispositivo.reiniciaFormato();
        dispositivo.ponFuente("Courier New");
        dispositivo.escribe(QString::fromUtf8("caballo ♞ y rey ♔"));
        dispositivo.finDocumento();
        const QString pdf = dir.filePath("respaldo.pdf");
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QVERIFY2(TextoPdf(pdf).contains(QString::fromUtf8("caballo ♞ y rey ♔")),
                 qPrintable(TextoPdf(pdf)));
        QCOMPARE(fuentes(pdf).size(), 2);
    }

    // Pica, elite and compressed are 10, 12 and 17 characters an inch at most; double width
    // doubles the size.
    void pasosYDobleAncho_data() {
        QTest::addColumn<QByteArray>("etiqueta");
        QTest::addColumn<double>("puntos");
        QTest::newRow("pica") << QByteArray("{{Pica}}") << 11.0;
        QTest::newRow("elite") << QByteArray("{{Elite}}") << 9.0;
        QTest::newRow("comprimida") << QByteArray("{{Comprimida}}") << 7.0;
        QTest::newRow("doble pica") << QByteArray("{{Pica}}[A]") << 22.0;
    }
    void pasosYDobleAncho() {
        QFETCH(QByteArray, etiqueta);
        QFETCH(double, puntos);
        const QString pdf = imprime(escribe(etiqueta + "MMMMMMMMMM\r\n"));
        const QString bbox = Ejecuta("pdftotext", {"-bbox", pdf, "-"});
        const auto m =
            QRegularExpression(
                R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">M+<)re")
                .match(bbox);
        QVERIFY2(m.hasMatch(), qPrintable(bbox));
        // Liberation Mono's advance is 0.6 of the size.
        const double ancho = m.captured(3).toDouble() - m.captured(1).toDouble();
        QVERIFY2(qAbs(ancho - 10 * 0.6 * puntos) < 0.1 * puntos,
                 qPrintable(QString::number(ancho)));
    }

    // An underline runs under the blanks too, and only under the underlined text.
    void subrayadoBajoBlancos() {
        const QString pdf = imprime(escribe("[S]AB      CD[s]      EF\r\n"));
        const QString png = dir.filePath("subrayado");
        Ejecuta("pdftoppm", {"-r", "150", "-gray", "-png", "-singlefile", pdf, png});
        const QImage pagina = QImage(png + ".png").convertToFormat(QImage::Format_Grayscale8);
        QVERIFY(!pagina.isNull());
        // The longest run of dark pixels in any row: the underline, from "A" to "D" (10
        // characters of 6 points: 125 pixels at 150 dpi), not on to "EF".
        int largo = 0;
        for (int y = 0; y < pagina.height() / 4; ++y) {
            int run = 0;
            const uchar* fila = pagina.constScanLine(y);
            for (int x = 0; x < pagina.width(); ++x) {
                run = fila[x] < 128 ? run + 1 : 0;
                largo = qMax(largo, run);
            }
        }
        QVERIFY2(largo >= 120 && largo <= 130, qPrintable(QString::number(largo)));
    }

    // One picture object for the whole document, drawn behind the text of every page.
    void fondoEnCadaPagina() {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(Qt::red);
        const QString png = dir.filePath("rojo.png");
        QVERIFY(img.save(png));
        const QString pdf =
            imprime(escribe("WWWWWWWWWW\r\n/IMAGEN/" + png.toLocal8Bit() + "\r\n" + lineas(200)));
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QCOMPARE(PaginasPdf(pdf), 4);
        const QStringList filas =
            Ejecuta("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
        QCOMPARE(filas.size(), 4);
        QSet<QString> objetos;
        for (const QString& f : filas)
            objetos << f.simplified().section(' ', 10, 10);
        QCOMPARE(objetos.size(), 1);
        Ejecuta("pdftoppm", {"-r", "72", "-png", pdf, dir.filePath("rojo")});
        for (int p = 1; p <= 4; ++p) {
            const QImage pagina(dir.filePath(QString("rojo-%1.png").arg(p)));
            int rojos = 0, negros = 0;
            for (int y = 13; y < 60; ++y)
                for (int x = 13; x < 70; ++x) {
                    const QColor c = pagina.pixelColor(x, y);
                    rojos += c.red() > 200 && c.green() < 80;
                    negros += c.red() < 90 && c.green() < 90;
                }
            QVERIFY2(rojos > 300 && negros > 20,
                     qPrintable(QString("%1: %2 %3").arg(p).arg(rojos).arg(negros)));
        }
    }

    void apaisado() {
        const QString pdf = imprime(escribe("apaisado\r\n"), false, true);
        QVERIFY(Ejecuta("pdfinfo", {pdf}).contains("842 x 595"));
        QCOMPARE(dispositivo.anchoPagina(), (842 - 24) * 20);
        imprime(escribe("vertical\r\n"));
        QCOMPARE(dispositivo.anchoPagina(), (595 - 24) * 20);
    }

    void cuentaDePaginas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("esperadas");
        QTest::newRow("una línea") << QByteArray("hola\r\n") << 1;
        QTest::newRow("66 líneas") << lineas(66) << 1;
        QTest::newRow("67 líneas") << lineas(67) << 2;
        QTest::newRow("Pagina final") << QByteArray("a\r\n{{Pagina}}\r\n") << 1;
        QTest::newRow("Pagina al principio") << QByteArray("{{Pagina}}\r\na\r\n") << 1;
        QTest::newRow("página en blanco entre dos")
            << QByteArray("a\r\n{{Pagina}}\r\n{{Pagina}}\r\n\r\nb\r\n") << 3;
        QTest::newRow("pica que no cabe") << "{{Pica}}" + lineas(66) + "siguiente\r\n" << 3;
        QTest::newRow("vacío") << QByteArray() << 0;
    }
    void cuentaDePaginas() {
        QFETCH(QByteArray, contenido);
        QFETCH(int, esperadas);
        ResultadoPrt r;
        const QString pdf = imprime(escribe(contenido), false, false, &r);
        QVERIFY(r.ok());
        if (esperadas == 0) {
            QVERIFY(!QFileInfo::exists(pdf));
            return;
        }
        QCOMPARE(PaginasPdf(pdf), esperadas);
    }

    // A large report reads back line for line, every character in its place. pdftotext -layout
    // widens some gaps of several blanks by a column (it does so for the Qt device's output as
    // well), so runs of blanks are compared as one; columns are checked by mismoAvanceQueQt.
    void informeLeidoEntero() {
        QByteArray prt;
        QStringList esperadas;
        for (int i = 0; i < 3300; ++i) {
            const QByteArray numero = QByteArray::number(i).rightJustified(6, '0');
            const QByteArray linea = numero +
                                     "  Espa\xa4"
                                     "a \x80 \xc9\xcd\xbb \xb0\xb1\xb2\xdb  " +
                                     (i % 3 ? "[N]TORNILLO[n]" : "[I]tuerca  [i]") +
                                     "   1.234,56 EUR   " + QByteArray::number(i * 7 % 1000);
            prt += linea + "\r\n";
            esperadas << QString::fromUtf8(numero) + QString::fromUtf8("  España Ç ╔═╗ ░▒▓█  ") +
                             (i % 3 ? "TORNILLO" : "tuerca  ") + "   1.234,56 EUR   " +
                             QString::number(i * 7 % 1000);
        }
        const QString pdf = imprime(escribe(prt));
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QCOMPARE(PaginasPdf(pdf), 50);
        QStringList leidas;
        static const QRegularExpression blancos(" +");
        for (QString l : TextoPdf(pdf).split('\n')) {
            l.remove('\f');
            if (!l.trimmed().isEmpty()) leidas << l.trimmed().replace(blancos, " ");
        }
        QCOMPARE(leidas.size(), esperadas.size());
        for (int i = 0; i < esperadas.size(); ++i)
            QCOMPARE(leidas[i], esperadas[i].replace(blancos, " "));
    }

    // A full disk stops the job at the write that failed: nothing more is written, the
    // document is thrown away, the error names the file, and the next job starts afresh.
    void discoLleno() {
        SalidaLlena llena(20000);
        dispositivo.ponSalida(&llena);
        TrabajoPrt t;
        t.ruta = escribe(lineas(2000));
        const ResultadoPrt r = ImprimirPrt(t, dispositivo);
        QVERIFY(!r.ok());
        QVERIFY2(r.error->descripcion().contains("salida.pdf"), qPrintable(r.error->descripcion()));
        QCOMPARE(r.error->numero(), int(ErrorVelmor::ErrorEntradaSalida));
        QVERIFY(llena.fallo && !llena.trasElFallo && llena.descartada && !llena.terminada);
        QVERIFY(!dispositivo.documentoAbierto());

        const QString pdf = imprime(escribe("despues\r\n"));
        QCOMPARE(PaginasPdf(pdf), 1);
        QVERIFY(TextoPdf(pdf).contains("despues"));
    }

    // Several documents in a row on one device, each whole and with its own fonts.
    void documentosSeguidos() {
        for (int i = 0; i < 3; ++i) {
            const QString pdf = imprime(escribe("doc " + QByteArray::number(i) + " [N]x[n]\r\n"));
            QString porque;
            QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
            QVERIFY(TextoPdf(pdf).contains(QString("doc %1 x").arg(i)));
            QCOMPARE(fuentes(pdf).size(), 2);
        }
    }

    // Names no font has are all matched like any one of them, by Qt as by the catalogue.
    void familiasComoQt_data() {
        QTest::addColumn<QString>("nombre");
        QTest::newRow("desconocida") << "Fuente00001";
        QTest::newRow("otra desconocida") << "Fuente19999";
        QTest::newRow("alias de fontconfig") << "Courier New";
        QTest::newRow("alias en minúsculas") << "courier new";
        QTest::newRow("instalada") << "DejaVu Serif";
        QTest::newRow("de la aplicación") << "Ravendot";
        QTest::newRow("alias de Arial") << "Arial";
    }
    void familiasComoQt() {
        QFETCH(QString, nombre);
        CatalogoFuentes catalogo;
        QFont f(nombre);
        f.setPointSizeF(10);
        f.setStyleHint(QFont::TypeWriter);
        f.setHintingPreference(QFont::PreferNoHinting);
        const QRawFont qt = QRawFont::fromFont(f);
        const auto letra = catalogo.letra(nombre, 10, false, false);
        QCOMPARE(QString::fromStdString(letra->cara()->familia()), qt.familyName());
        QCOMPARE(QString::fromStdString(letra->cara()->estilo()), qt.styleName());
    }

    // Thousands of font names in one file: one embedded font for all that resolve to one face.
    void milesDeNombres() {
        QByteArray prt;
        for (int i = 0; i < 3000; ++i)
            prt += "{{*Fuente" + QByteArray::number(i).rightJustified(5, '0') + "}}linea " +
                   QByteArray::number(i) + "\r\n";
        const QString pdf = imprime(escribe(prt));
        QString porque;
        QVERIFY2(pdfCorrecto(pdf, porque), qPrintable(porque));
        QCOMPARE(fuentes(pdf).size(), 1); // every line is in the face unknown names get
        QCOMPARE(dispositivo.fuente(), QString("Fuente02999"));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestDispositivoPdf t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_dispositivo_pdf.moc"
