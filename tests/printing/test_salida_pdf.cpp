// The PDF output: PRT files printed on the PDF device as real documents, read back with qpdf and
// poppler-utils and compared with reference renders; failures that leave nothing behind; the
// samples of samples/ printed by velmor-imprimir as a user would.
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QRawFont>
#include <QSet>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QString kDatos = QStringLiteral(VELMOR_SOURCE_DIR "/tests/printing/datos_pdf");
const QString kMuestras = QStringLiteral(VELMOR_SOURCE_DIR "/samples");

QByteArray lineas(int desde, int hasta) {
    QByteArray b;
    for (int i = desde; i <= hasta; ++i)
        b += "linea " + QByteArray::number(i) + "\r\n";
    return b;
}
// A field of a table: the bytes it spells, "<66>" standing for lines 1 to 66 ("linea 1" ...).
QByteArray Contenido(const QString& campo) {
    return Bytes(campo).replace("<66>", lineas(1, 66)).replace("<67>", lineas(1, 67));
}

// Each page's text, blanks collapsed.
QStringList textoPorPagina(const QString& pdf) {
    QStringList paginas = TextoPdf(pdf).split('\f');
    paginas.removeLast(); // after the last page's form feed
    for (QString& p : paginas)
        p = p.simplified();
    return paginas;
}
// The faces pdffonts lists, without their subset tags; "!" before one that is not embedded as a
// subset with a ToUnicode map.
QStringList caras(const QString& pdf) {
    QStringList r;
    for (const QString& l : Ejecuta("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2)) {
        const QStringList c = l.simplified().split(' ');
        const bool bien =
            c.value(c.size() - 5) + c.value(c.size() - 4) + c.value(c.size() - 3) == "yesyesyes";
        r << (bien && c[0].contains('+') ? "" : "!") + c[0].section('+', -1);
    }
    return r;
}
// What qpdf finds wrong in the file; empty when nothing.
QString defectos(const QString& pdf) {
    int estado = -1;
    QString errores;
    const QString salida = Ejecuta("qpdf", {"--check", pdf}, &estado, &errores);
    return estado == 0 && !salida.contains("WARNING") ? errores : salida + errores;
}
// pdfimages' rows: "width height x-ppi object".
QStringList ListaImagenes(const QString& pdf) {
    QStringList r;
    for (const QString& f : Ejecuta("pdfimages", {"-list", pdf}).split('\n').mid(2))
        if (const QStringList c = f.simplified().split(' '); c.value(2) == "image")
            r << c[3] + " " + c[4] + " " + c[12] + " " + c[10];
    return r;
}

// An output that fails like a full disk once `capacidad` bytes are written (-1: when the document
// is completed); it notes whether anything was written after the failure.
struct SalidaLlena : SalidaDocumento {
    explicit SalidaLlena(long c) : capacidad(c) {}
    void abre() override {}
    void escribe(const char*, std::size_t cuantos) override {
        trasElFallo |= fallo;
        if (capacidad >= 0 && (escritos += long(cuantos)) > capacidad) falla();
    }
    void termina() override {
        if (capacidad < 0) falla();
    }
    void descarta() noexcept override { descartada = true; }
    void falla() {
        fallo = true;
        throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida, "No queda espacio para «salida.pdf»");
    }
    long capacidad, escritos = 0;
    bool fallo = false, trasElFallo = false, descartada = false;
};

// Documents as a user reads them. MS-Dos (1: no conversion, base font Ravendot) ¦ bytes ¦ each
// page's text, "/" between pages, "+" for a sheet that takes the lines that did not fit on the one
// before it (66 lines in pica or elite are taller than A4's printable height), "(ninguna)" for a
// file with nothing to print (no document at all) ¦ the faces embedded: each format its own face
// or one made up from the regular one, fonts by name as Qt matches them, characters a font lacks
// from a fallback font; "-": none, the letters drawn as outlines.
const char* const kDocumentos = R"filas(
una línea ¦ 0 ¦ hola\r\n ¦ hola ¦
66 líneas ¦ 0 ¦ <66> ¦ <66> ¦
67 líneas ¦ 0 ¦ <67> ¦ <66>/linea 67 ¦
vacío ¦ 0 ¦  ¦ (ninguna) ¦
solo Pagina ¦ 0 ¦ {{Pagina}}\r\n ¦ (ninguna) ¦
Pagina final ¦ 0 ¦ a\r\n{{Pagina}}\r\n ¦ a ¦
Pagina al principio ¦ 0 ¦ {{Pagina}}\r\na\r\n ¦ a ¦
Pagina tras página llena ¦ 0 ¦ <66>{{Pagina}}\r\n ¦ <66> ¦
Pagina en medio ¦ 0 ¦ a\r\n{{Pagina}}\r\nb\r\n ¦ a/b ¦
tras Pagina nada ¦ 0 ¦ a\r\nb{{Pagina}}resto\r\n ¦ a b ¦
página en blanco entre dos ¦ 0 ¦ a\r\n{{Pagina}}\r\n{{Pagina}}\r\n\r\nb\r\n ¦ a//b ¦
Pagina no cuenta como línea ¦ 0 ¦ \eC\x02a\r\nb\r\nc\r\n{{Pagina}}\r\nd\r\ne\r\nf\r\n ¦ a b/c/d e/f ¦
ESC C 3 ¦ 0 ¦ \eC\x03l1\r\nl2\r\nl3\r\nl4\r\nfin ¦ l1 l2 l3/l4 fin ¦
FF en medio de una línea ¦ 0 ¦ uno\fdos\r\ntres\r\n ¦ uno/dos tres ¦
FF al principio ¦ 0 ¦ uno\r\n\fdos\r\n ¦ uno/dos ¦
FF en su línea ¦ 0 ¦ uno\r\n\f\r\ndos\r\n ¦ uno/dos ¦
FF al final ¦ 0 ¦ uno\r\n\f ¦ uno ¦
FF tras la última línea ¦ 0 ¦ uno\fdos\f\r\n ¦ uno/dos ¦
FF tras página llena ¦ 0 ¦ <66>\f\r\nsiguiente\r\n ¦ <66>/siguiente ¦
FF en cada página ¦ 0 ¦ a\r\nb\r\n\fc\r\n\fd\r\n\f ¦ a b/c/d ¦
pica que no cabe ¦ 0 ¦ {{Pica}}<66>siguiente\r\n ¦ <66>/+/siguiente ¦
elite que no cabe ¦ 0 ¦ {{Elite}}<66>siguiente\r\n ¦ <66>/+/siguiente ¦
eñe y cajas ¦ 0 ¦ Espa\xa4a \xda\xc4\xc4\xbf\r\n\xb3 A\xb3\r\n ¦ España ┌──┐ │ A│ ¦ 
página 850 ¦ 0 ¦ \x80\x87\x81 \xc9\xcd\xbb\xba\xc8\xbc\xb0\xb1\xb2\xdb\r\n ¦ Ççü ╔═╗║╚╝░▒▓█ ¦ 
cajas en negrita ¦ 0 ¦ [N]\xc9\xcd\xbb \xa4[n]\r\n ¦ ╔═╗ ñ ¦ 
cajas sin glifo propio ¦ 0 ¦ {{*DejaVu Math TeX Gyre}}a\xc9\xcd\xbb\xba\xc8\xbcb\r\n ¦ a╔═╗║╚╝b ¦ DejaVuMathTeXGyre-Regular DejaVuSans
estilos ¦ 0 ¦ a [N]b[n] [I]c[i] [N][I]d[i][n] [S]e  f[s]\r\n ¦ a b c d e f ¦ LiberationMono-Regular LiberationMono-Bold LiberationMono-Italic LiberationMono-BoldItalic
ms-dos, estilos inventados ¦ 1 ¦ A\xd1\xe7 [N]b[n] [I]c[i] {{Courier}}d\r\n ¦ AÑç b c d ¦ Ravendot
familias por nombre ¦ 0 ¦ {{*Courier New}}a{{*courier new}}b{{*Arial}}c{{*DejaVu Serif}}d{{*Ravendot}}e{{*Fuente00001}}f\r\n ¦ abcdef ¦ LiberationMono-Regular LiberationSans DejaVuSerif-Book Ravendot DejaVuSansMono
cara sin tablas (Type 1) ¦ 0 ¦ {{*Nimbus Sans}}HHHH [N]HHHH[n]\r\n ¦  ¦ -
códigos Epson ¦ 0 ¦ \e@Normal \eEnegrita\eF \e4cursiva\e5 \e-1subrayado\e-0\r\n\x0eANCHO\r\n\x0fcondensado\x12 normal\r\n\e*\0\x06\0A\r\nB\eCtras grafico\r\nfin\x07\e*\0\x02\0AB ¦ Normal negrita cursiva subrayado ANCHO condensado normal tras grafico fin ¦ LiberationMono-Regular LiberationMono-Bold LiberationMono-Italic
)filas";
// A picture of each kind ¦ what the message says, empty when printed ¦ what pdfimages lists.
const char* const kImagenes = R"filas(
png ¦ ¦ 64 48 76
jpeg ¦ ¦ 64 48 76
jpeg girado ¦ ¦ 64 48 95
bmp ¦ ¦ 64 48 76
gif ¦ ¦ 2 1 2
escaneo ¦ ¦ 1012 812 1199
texto ¦ no es una imagen de un formato ¦
cortada ¦ dañados ¦
carpeta ¦ es una carpeta ¦
fifo ¦ es una tubería (FIFO) ¦
ilegible ¦ No hay permiso para leer la imagen ¦
gigante ¦ demasiado grande (7000 × 7000 píxeles ¦
bucle ¦ ¦
minúsculas ¦ ¦
)filas";
} // namespace

class TestSalidaPdf : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;
    DispositivoPdf dispositivo; // one device for every document, as the programs use it
    std::unique_ptr<SalidaFichero> salida;

    // Prints the PRT file on the PDF device to the file beside it, or to `otra`.
    ResultadoPrt imprime(const QString& prt, bool dos = false, SalidaDocumento* otra = nullptr,
                         bool horizontal = false) {
        salida = std::make_unique<SalidaFichero>(prt + ".pdf");
        dispositivo.ponSalida(otra ? otra : salida.get());
        Papel hoja = dispositivo.pagina();
        hoja.horizontal = horizontal;
        dispositivo.ponPagina(hoja);
        TrabajoPrt t;
        t.ruta = prt;
        t.modoDos = dos;
        return ImprimirPrt(t, dispositivo);
    }
    QString imprimeBien(const QByteArray& contenido, bool dos = false) {
        const QString prt = EscribeFichero(dir.nueva() + "/F.PRT", contenido);
        const ResultadoPrt r = imprime(prt, dos);
        if (!r) qWarning("%s", qPrintable(r.error->mensaje()));
        return prt + ".pdf";
    }

  private slots:
    void initTestCase() { QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0); }

    // A failure stops the job: no PDF (or the output discarded, nothing written after the failed
    // write), the PRT file closed, a message naming the file and the line that caused it (none
    // when no line did), memory bounded by one line, and the next job prints whole. First in the
    // program, so that the peak memory of the others does not hide that of these.
    void fallos_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<char>("larga");    // 40 MiB of it appended on one line
        QTest::addColumn<int>("capacidad"); // of a failing output; -2: a real file
        QTest::addColumn<int>("linea");     // -1: any
        QTest::addColumn<QString>("dice");
        QTest::newRow("sin fin de línea") << QByteArray() << 'x' << -2 << 1 << "1048576 bytes";
        QTest::newRow("larga tras dos cortas")
            << "uno\r\ndos\r\n"_ba << 'x' << -2 << 3 << "1048576";
        QTest::newRow("corchetes sin fin") << "[1]"_ba << '[' << -2 << 1 << "1048576 bytes";
        QTest::newRow("etiqueta mal formada") << lineas(1, 100) + "x{{NegritaOn}\r\nmas\r\n"
                                              << '\0' << -2 << 101 << "mal formada";
        QTest::newRow("disco lleno") << lineas(1, 2000) << '\0' << 20000 << -1 << "«salida.pdf»";
        QTest::newRow("disco lleno al terminar") << "uno\r\n"_ba << '\0' << -1 << 0 << "salida";
    }
    void fallos() {
        QFETCH(QByteArray, contenido);
        QFETCH(char, larga);
        QFETCH(int, capacidad);
        QFETCH(int, linea);
        QFETCH(QString, dice);
        const QString carpeta = dir.nueva();
        const QString prt = EscribeFichero(carpeta + "/MAL.PRT", contenido);
        QFile f(prt);
        QVERIFY(f.open(QIODevice::Append));
        for (int i = 0; larga && i < 40; ++i)
            f.write(QByteArray(1 << 20, larga));
        f.close();
        rusage antes{}, despues{};
        getrusage(RUSAGE_SELF, &antes);
        SalidaLlena llena(capacidad);
        const ResultadoPrt r = imprime(prt, false, capacidad == -2 ? nullptr : &llena);
        getrusage(RUSAGE_SELF, &despues);
        QVERIFY(despues.ru_maxrss - antes.ru_maxrss < 64 * 1024);
        QVERIFY(!r.ok());
        const QString m = r.error->mensaje();
        if (linea >= 0) QCOMPARE(r.error->linea(), linea);
        QVERIFY2(m.contains(dice) &&
                     (linea > 0 ? m.contains(QString("«%1», línea %2").arg(prt).arg(linea))
                                : linea < 0 || !m.contains("línea")),
                 qPrintable(m));
        QVERIFY(!AbiertoPorEsteProceso(prt));
        QCOMPARE(QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"MAL.PRT"});
        if (capacidad != -2) QVERIFY(llena.fallo && !llena.trasElFallo && llena.descartada);
        QCOMPARE(textoPorPagina(imprimeBien("despues\r\n")), QStringList{"despues"});
    }

    void documentos_data() {
        QTest::addColumn<bool>("dos");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("paginas");
        QTest::addColumn<QString>("caras"); // empty: not checked
        for (const QStringList& f : Filas(kDocumentos, 5))
            QTest::newRow(qPrintable(f[0])) << (f[1] == "1") << Contenido(f[2]) << f[3] << f[4];
        QByteArray miles, informe;
        QStringList leidas, paginas; // one page every 66 lines
        for (int i = 0; i < 3000; ++i) {
            miles += "{{*Fuente" + QByteArray::number(i) + "}}n" + QByteArray::number(i) + "\r\n";
            leidas << "n" + QString::number(i);
        }
        for (int i = 0; i < leidas.size(); i += 66)
            paginas << leidas.mid(i, 66).join(' ');
        QTest::newRow("miles de nombres, una cara")
            << false << miles << paginas.join('/') << "DejaVuSansMono";
        leidas.clear(), paginas.clear();
        for (int i = 0; i < 3300; ++i) {
            const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
            informe += n +
                       "  Espa\xa4"
                       "a \x80 \xc9\xcd\xbb \xb0\xb1\xb2\xdb  " +
                       (i % 3 ? "[N]TORNILLO[n]" : "[I]tuerca  [i]") + "   1.234,56 EUR\r\n";
            leidas << n + " España Ç ╔═╗ ░▒▓█ " + (i % 3 ? "TORNILLO" : "tuerca") + " 1.234,56 EUR";
        }
        for (int i = 0; i < leidas.size(); i += 66)
            paginas << leidas.mid(i, 66).join(' ');
        QTest::newRow("informe de 50 páginas") << false << informe << paginas.join('/') << "";
    }
    void documentos() {
        QFETCH(bool, dos);
        QFETCH(QByteArray, contenido);
        QFETCH(QString, paginas);
        QFETCH(QString, caras);
        if (caras == "-" && !QRawFont::fromFont(QFont("Nimbus Sans")).fontTable("head").isEmpty())
            QSKIP("Nimbus Sans is not a Type 1 font here");
        const QString pdf = imprimeBien(contenido, dos);
        if (paginas == "(ninguna)") {
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(defectos(pdf), QString());
        QStringList leidas = textoPorPagina(pdf);
        QCOMPARE(PaginasPdf(pdf), int(leidas.size()));
        const QStringList esperadas =
            QString(paginas)
                .replace("<66>", QString::fromUtf8(lineas(1, 66)).simplified())
                .split('/');
        for (int i = 1; i < leidas.size() && i < esperadas.size(); ++i)
            if (esperadas[i] == "+" && !leidas[i].isEmpty())
                leidas[i - 1] += " " + std::exchange(leidas[i], "+");
        QCOMPARE(leidas, esperadas);
        const QStringList embebidas = ::caras(pdf), nombres = caras.split(' ', Qt::SkipEmptyParts);
        if (caras == "-") {
            QCOMPARE(embebidas, QStringList());
            Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", "-singlefile", pdf, pdf});
            const QImage pagina(pdf + ".png");
            int tinta = 0;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 200; ++x)
                    tinta += qGray(pagina.pixel(x, y)) < 128;
            QVERIFY2(tinta > 100, qPrintable(QString::number(tinta)));
        } else if (!nombres.isEmpty()) {
            QCOMPARE(embebidas.size(), nombres.size());
            for (const QString& c : nombres) // a face's name may go on with its style
                QVERIFY2(!embebidas.filter(QRegularExpression("^" + c)).isEmpty(),
                         qPrintable(embebidas.join(' ')));
        }
    }

    // Every format keeps the fixed-pitch grid: the word after it starts where it does in plain
    // text (a hair of difference per letter would add up along a line).
    void columnas_data() {
        QTest::addColumn<QByteArray>("abre");
        QTest::addColumn<QByteArray>("cierra");
        QTest::addColumn<bool>("dos");
        QTest::newRow("negrita") << "[N]"_ba
                                 << "[n]"_ba << false;
        QTest::newRow("cursiva") << "[I]"_ba
                                 << "[i]"_ba << false;
        QTest::newRow("subrayado") << "[S]"_ba
                                   << "[s]"_ba << false;
        QTest::newRow("todo") << "[N][I][S]"_ba
                              << "[s][i][n]"_ba << false;
        QTest::newRow("ms-dos negrita") << "[N]"_ba
                                        << "[n]"_ba << true;
        QTest::newRow("ms-dos subrayado") << "[S]"_ba
                                          << "[s]"_ba << true;
    }
    void columnas() {
        QFETCH(QByteArray, abre);
        QFETCH(QByteArray, cierra);
        QFETCH(bool, dos);
        const QByteArray linea = "ABCD   EFGH \xa4\xb3";
        const QString pdf = imprimeBien(linea + "\r\n" + abre + linea + cierra + "\r\n", dos);
        const QString bbox = Ejecuta("pdftotext", {"-bbox", pdf, "-"});
        QList<double> x;
        for (const auto& m :
             QRegularExpression(R"re(xMin="([\d.]+)"[^>]*>EFGH<)re").globalMatch(bbox))
            x << m.captured(1).toDouble();
        QVERIFY2(x.size() == 2 && qAbs(x[1] - x[0]) < 0.05, qPrintable(bbox));
    }

    // Pages compared with renders of the Qt-based device's output (datos_pdf/): fonts, pitches,
    // columns, underlines, made-up bold, a picture behind the text of every page (one picture
    // object for all), landscape.
    void referencias_data() {
        QTest::addColumn<bool>("dos");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("hojas");
        QTest::newRow("formatos") << false << false << 1;
        QTest::newRow("fondo") << false << false << 2;
        QTest::newRow("apaisado") << false << true << 1;
        QTest::newRow("dos") << true << false << 1;
    }
    void referencias() {
        QFETCH(bool, dos);
        QFETCH(bool, horizontal);
        QFETCH(int, hojas);
        const QString nombre = QTest::currentDataTag(), c = dir.nueva();
        const QString prt = c + "/" + nombre + ".prt", pdf = prt + ".pdf";
        QFile::copy(kDatos + "/fondo.png", c + "/fondo.png");
        QFile::copy(kDatos + "/" + nombre + ".prt", prt);
        QVERIFY(imprime(prt, dos, nullptr, horizontal).ok());
        QCOMPARE(defectos(pdf), QString());
        QCOMPARE(PaginasPdf(pdf), hojas);
        QSet<QString> objetos;
        for (const QString& i : ListaImagenes(pdf))
            objetos << i.section(' ', 3);
        QVERIFY(objetos.size() <= 1);
        Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", pdf, c + "/" + nombre});
        for (int i = 1; i <= hojas; ++i) {
            const QString png = QString("/%1-%2.png").arg(nombre).arg(i);
            const QImage a = QImage(kDatos + png).convertToFormat(QImage::Format_Grayscale8);
            const QImage b = QImage(c + png).convertToFormat(QImage::Format_Grayscale8);
            QCOMPARE(b.size(), a.size());
            // Pixels whose grey differs by more than a quarter of the scale, in all and in the
            // worst 24 x 24 tile. A letter a third of a 1200-dpi pixel away, a stroked underline
            // against a filled one, a picture kept whole instead of Qt's JPEG change 13 at most,
            // 6 in one place (measured); a missing, moved or misdrawn letter 15 or more in one
            // place, a missing underline or picture far more.
            int distintos = 0, peor = 0, tinta = 0;
            QHash<int, int> zonas;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) {
                    const int ga = a.constScanLine(y)[x], gb = b.constScanLine(y)[x];
                    tinta += ga < 128;
                    if (qAbs(ga - gb) > 64)
                        ++distintos, peor = qMax(peor, ++zonas[y / 24 * 1000 + x / 24]);
                }
            QVERIFY2(
                distintos <= qMax(20, tinta / 200) && peor <= 10,
                qPrintable(QString("%1: %2 %3 %4").arg(png).arg(distintos).arg(peor).arg(tinta)));
        }
    }

    // Background pictures: drawn on every page from one object, at 76 pixels an inch in the
    // 1,215-twip holder, a scan no larger than that can show; what is no picture is told with the
    // picture's name and the line; a directive that leads nowhere prints as text.
    void imagenes_data() {
        QTest::addColumn<QString>("dice");   // empty: printed
        QTest::addColumn<QString>("imagen"); // pdfimages: width, height, x-ppi; empty: none
        for (const QStringList& f : Filas(kImagenes, 3))
            QTest::newRow(qPrintable(f[0])) << f[1] << f[2];
    }
    void imagenes() {
        QFETCH(QString, dice);
        QFETCH(QString, imagen);
        const QString clase = QTest::currentDataTag(), c = dir.nueva(), ruta = c + "/i.png";
        QImage png(64, 48, QImage::Format_RGB32);
        png.fill(Qt::darkGreen);
        if (clase == "png" || clase == "minúsculas" || clase == "ilegible") QVERIFY(png.save(ruta));
        QImage escaneo(clase == "escaneo" ? QSize(4960, 7016) : QSize(), QImage::Format_Grayscale8);
        escaneo.fill(200); // a 600-dpi A4 page, stored uncompressed: quick to write
        if (clase == "escaneo") QVERIFY(escaneo.save(ruta, nullptr, 100));
        if (clase == "jpeg" || clase == "bmp") QVERIFY(png.save(ruta, clase.toLatin1()));
        if (clase == "jpeg girado") { // its left half black; Exif: seen turned a quarter right
            QImage mitad = png.convertToFormat(QImage::Format_Grayscale8);
            mitad.fill(255);
            for (int y = 0; y < 48; ++y)
                memset(mitad.scanLine(y), 0, 32);
            QBuffer jpeg;
            QVERIFY(jpeg.open(QIODevice::WriteOnly) && mitad.save(&jpeg, "JPEG"));
            EscribeFichero(ruta,
                           QByteArray(jpeg.data())
                               .insert(2, QByteArray::fromHex("ffe100224578696600004d4d002a00000008"
                                                              "0001011200030000000100060000000000"
                                                              "00")));
        }
        if (clase == "gif") // 2 x 1, its second pixel transparent
            EscribeFichero(ruta, QByteArray::fromHex("474946383961020001008000000000"
                                                     "00ffffff21f90401000001002c00000000020001"
                                                     "00000202440a003b"));
        if (clase == "texto") EscribeFichero(ruta, "hola");
        if (clase == "cortada") QVERIFY(png.save(ruta) && QFile::resize(ruta, 60));
        if (clase == "carpeta") QDir().mkpath(ruta);
        if (clase == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(ruta), 0644), 0);
        if (clase == "bucle") QVERIFY(QFile::link(ruta, ruta));
        if (clase == "ilegible" && geteuid() == 0) QSKIP("permissions do not stop root");
        if (clase == "ilegible") QVERIFY(QFile::setPermissions(ruta, {}));
        if (clase == "gigante") { // a header that claims 7000 x 7000 pixels, and no more
            QVERIFY(QImage(1, 1, QImage::Format_RGB32).save(ruta, "BMP"));
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(18)); // width and height, LE
            f.write(QByteArray::fromHex("581b0000581b0000"));
        }
        const QString directiva = clase == "minúsculas" ? "/imagen/" : "/IMAGEN/";
        const QString prt =
            EscribeFichero(c + "/i", "a\r\n" + directiva.toLatin1() + QFile::encodeName(ruta) +
                                         " Factura\r\n" + lineas(1, 70));
        const ResultadoPrt r = imprime(prt);
        QCOMPARE(r.ok(), dice.isEmpty());
        if (!r) {
            QCOMPARE(r.error->linea(), 2);
            QCOMPARE(r.error->fichero(), prt); // not the picture, whose path begins with it
            QVERIFY2(r.error->mensaje().contains(dice) && r.error->mensaje().contains(ruta),
                     qPrintable(r.error->mensaje()));
            QVERIFY(!QFile::exists(prt + ".pdf"));
            return;
        }
        QCOMPARE(TextoPdf(prt + ".pdf").contains(directiva), imagen.isEmpty());
        QVERIFY(TextoPdf(prt + ".pdf").contains("Factura"));
        const QStringList vistas = ListaImagenes(prt + ".pdf");
        QCOMPARE(vistas.size(), imagen.isEmpty() ? 0 : 2);
        for (const QString& v : vistas)
            QCOMPARE(v, imagen + " " + vistas[0].section(' ', 3));
        if (clase == "jpeg girado") { // black above: the holder is (12, 12) to (72, 61) points
            Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", "-singlefile", prt + ".pdf", prt});
            const QImage p(prt + ".png");
            QVERIFY(qGray(p.pixel(66, 16)) < 64 && qGray(p.pixel(18, 57)) > 192);
        }
        // A JPEG goes into the PDF as it is, never decoded and compressed again.
        QCOMPARE(Ejecuta("pdfimages", {"-list", prt + ".pdf"}).contains(" jpeg "),
                 clase.startsWith("jpeg"));
    }

    // The samples, printed by velmor-imprimir from another folder: the picture named without a
    // folder is found beside the PRT file. The wrong one fails naming its line.
    void muestras_data() {
        QTest::addColumn<int>("estado");
        QTest::addColumn<int>("paginas");      // each with the background picture; 0: no PDF
        QTest::addColumn<QStringList>("dice"); // in the PDF's text, or in the messages
        QTest::newRow("INFORME.PRT")
            << 0 << 3
            << QStringList{"INFORME MENSUAL DE VENTAS", "ñ Ñ á é í ó ú ü ç ¿ ¡ º ª ░▒▓ █ ╔═╗ ║ ╚═╝",
                           "Esta línea termina la página", "Tercera página",
                           "otra vez DejaVu Sans"};
        QTest::newRow("FACTURA.PRT") << 0 << -1
                                     << QStringList{"FERRETERÍA DEL NORTE", "┌──────────┬",
                                                    "│ TOR-0012 │", "118,76", "señal recibida"};
        QTest::newRow("VACIO.PRT") << 0 << 0 << QStringList{"nada que imprimir"};
        QTest::newRow("ERRONEO.PRT") << 1 << 0 << QStringList{"ERRONEO.PRT", "línea 2"};
    }
    void muestras() {
        QFETCH(int, estado);
        QFETCH(int, paginas);
        QFETCH(QStringList, dice);
        const QStringList antes = QDir(kMuestras).entryList(QDir::Files);
        const QString c = dir.nueva(), pdf = c + "/salida.pdf";
        int obtenido = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", pdf, kMuestras + "/" + QTest::currentDataTag()},
                &obtenido, &errores, c);
        QCOMPARE(obtenido, estado);
        QCOMPARE(QDir(kMuestras).entryList(QDir::Files), antes);
        QCOMPARE(QFile::exists(pdf), paginas != 0);
        const QString leido = paginas ? TextoPdf(pdf) : errores;
        for (const QString& parte : dice)
            QVERIFY2(leido.contains(parte), qPrintable(leido));
        if (paginas <= 0) return;
        QCOMPARE(PaginasPdf(pdf), paginas);
        QCOMPARE(ListaImagenes(pdf).size(), paginas);
        QVERIFY(!leido.contains("/IMAGEN/") && !leido.contains("esto no se imprime"));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestSalidaPdf t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_salida_pdf.moc"
