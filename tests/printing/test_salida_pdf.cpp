// The PDF output: PRT files printed on the PDF device, read back with qpdf and poppler-utils and
// compared with reference renders; failures that leave nothing.
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QRawFont>
#include <QSet>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QString kDatos = QStringLiteral(VELMOR_SOURCE_DIR "/tests/printing/datos_pdf");

QByteArray lineas(int desde, int hasta) {
    QByteArray b;
    for (int i = desde; i <= hasta; ++i)
        b += "linea " + QByteArray::number(i) + "\r\n";
    return b;
}
// A field of a table: the bytes it spells, "<N>" standing for lines 1 to N ("linea 1" ...).
QByteArray Contenido(const QString& campo) {
    QByteArray b = Bytes(campo);
    for (const auto& m : QRegularExpression(R"(<(\d+)>)").globalMatch(campo))
        b.replace(m.captured(0).toLatin1(), lineas(1, m.captured(1).toInt()));
    return b;
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

// MS-Dos (1: base font Ravendot) ¦ bytes ¦ each page's text, "/" between pages, "+" a sheet of the
// lines that did not fit on the one before, "(ninguna)": no document ¦ the faces embedded, as
// pdffonts names them ("-": none, the letters drawn as outlines).
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
FF en su línea ¦ 0 ¦ uno\r\n\f\r\ndos\r\n ¦ uno/dos ¦
FF al final ¦ 0 ¦ uno\r\n\f ¦ uno ¦
FF tras página llena ¦ 0 ¦ <66>\f\r\nsiguiente\r\n ¦ <66>/siguiente ¦
FF en cada página ¦ 0 ¦ a\r\nb\r\n\fc\r\n\fd\r\n\f ¦ a b/c/d ¦
FF tras página llena, al final ¦ 0 ¦ <66>\f ¦ <66> ¦
dos FF seguidos ¦ 0 ¦ a\f\fb ¦ a//b ¦
FF, línea y FF ¦ 0 ¦ a\f\r\n\f\r\nb\r\n ¦ a//b ¦
ESC/P: ESC C 0 1, una página por pulgada ¦ 0 ¦ \e@\eC\0\x01a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n ¦ a b c d e f/g ¦
ESC/P: ESC C 3 a media página empieza el impreso ¦ 0 ¦ \e@a\r\nb\r\n\eC\x03c\r\nd\r\ne\r\nf\r\n ¦ a b/c d e/f ¦
ESC/P: 90 líneas a 8 por pulgada ¦ 0 ¦ \e@\e0<90> ¦ <1-88>/<89-90> ¦
ESC/P: página llena y FF al final ¦ 0 ¦ \e@<66>\f ¦ <66> ¦
ESC/P: dos FF seguidos ¦ 0 ¦ \e@a\f\fb ¦ a//b ¦
pica que no cabe ¦ 0 ¦ {{Pica}}<66>siguiente\r\n ¦ <66>/+/siguiente ¦
página 850 ¦ 0 ¦ \x80\x87\x81 \xc9\xcd\xbb\xba\xc8\xbc\xb0\xb1\xb2\xdb\r\n ¦ Ççü ╔═╗║╚╝░▒▓█ ¦ 
cajas en negrita ¦ 0 ¦ [N]\xc9\xcd\xbb \xa4[n]\r\n ¦ ╔═╗ ñ ¦ 
cajas sin glifo propio ¦ 0 ¦ {{*DejaVu Math TeX Gyre}}a\xc9\xcd\xbb\xba\xc8\xbcb\r\n ¦ a╔═╗║╚╝b ¦ DejaVuMathTeXGyre-Regular DejaVuSans
estilos ¦ 0 ¦ a [N]b[n] [I]c[i] [N][I]d[i][n] [S]e  f[s]\r\n ¦ a b c d e f ¦ LiberationMono-Regular LiberationMono-Bold LiberationMono-Italic LiberationMono-BoldItalic
ms-dos, estilos inventados ¦ 1 ¦ A\xd1\xe7 [N]b[n] [I]c[i] {{Courier}}d\r\n ¦ AÑç b c d ¦ Ravendot
familias por nombre ¦ 0 ¦ {{*Courier New}}a{{*courier new}}b{{*Arial}}c{{*DejaVu Serif}}d{{*Ravendot}}e{{*Fuente00001}}f\r\n ¦ abcdef ¦ LiberationMono-Regular LiberationSans DejaVuSerif-Book Ravendot DejaVuSansMono
cara sin tablas (Type 1) ¦ 0 ¦ {{*Nimbus Sans}}HHHH [N]HHHH[n]\r\n ¦  ¦ -
códigos Epson ¦ 0 ¦ \e@Normal \eEnegrita\eF \e4cursiva\e5 \e-1subrayado\e-0\r\n\x0eANCHO\r\n\x0fcondensado\x12 normal\r\n\e*\0\x06\0A\r\nB\eCtras grafico\r\nfin\x07\e*\0\x02\0AB ¦ Normal negrita cursiva subrayado ANCHO condensado normal tras grafico fin ¦ LiberationMono-Regular LiberationMono-Bold LiberationMono-Italic
)filas";
// Bytes ¦ 40 MiB of this byte end line 1 ¦ a failing output's capacity (-2: a file) ¦ line ¦ says
const char* const kFallos = R"filas(
larga tras dos cortas ¦ uno\r\ndos\r\n ¦ x ¦ -2 ¦ 3 ¦ 1048576
corchetes sin fin ¦ [1] ¦ [ ¦ -2 ¦ 1 ¦ 1048576 bytes
etiqueta mal formada ¦ <100>x{{NegritaOn}\r\nmas\r\n ¦  ¦ -2 ¦ 101 ¦ mal formada
disco lleno ¦ <2000> ¦  ¦ 20000 ¦ -1 ¦ «salida.pdf»
disco lleno al terminar ¦ uno\r\n ¦  ¦ -1 ¦ 0 ¦ salida
)filas";
// Formats keep the fixed-pitch grid of plain text. Opens ¦ closes ¦ MS-Dos.
const char* const kColumnas = R"filas(
todo ¦ [N][I][S] ¦ [s][i][n] ¦ 0
ms-dos ¦ [N][S] ¦ [s][n] ¦ 1
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

    // A failure leaves no PDF (nothing written after the failed write), the file closed, a message
    // with file and line, memory bounded, and the next job whole. First, so that the peak memory
    // of the others does not hide that of these.
    void fallos_data() {
        FilasDeDatos(kFallos, {"contenido", "larga", "capacidad", "linea", "dice"});
    }
    void fallos() {
        const QByteArray contenido = Contenido(Campo("contenido"));
        const char larga = Campo("larga").toLatin1().append('\0')[0];
        const int capacidad = Campo("capacidad").toInt(), linea = Campo("linea").toInt();
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
        QCOMPARE(TextoPorPagina(imprimeBien("despues\r\n")), QStringList{"despues"});
    }

    void documentos_data() {
        FilasDeDatos(kDocumentos, {"dos", "contenido", "paginas", "caras"});
        // Long documents, one page every 66 lines: each line's bytes and its text as read.
        auto largo = [](const char* nombre, int n, auto linea, const QString& caras) {
            QString bytes; // as a table field: bytes above 127 as \xHH
            QStringList paginas;
            for (int i = 0; i < n; ++i) {
                const auto [b, t] = linea(i);
                for (const char c : b + "\r\n")
                    bytes += uchar(c) < 128 ? QString(QChar(c)) : u"\\x%1"_s.arg(uchar(c), 2, 16);
                paginas << (i % 66 ? paginas.takeLast() + " " : "") + t;
            }
            QTest::newRow(nombre) << u"0"_s << bytes << paginas.join('/') << caras;
        };
        largo(
            "miles de nombres, una cara", 3000,
            [](int i) {
                const QByteArray n = QByteArray::number(i);
                return std::pair("{{*Fuente" + n + "}}n" + n, "n" + QString(n));
            },
            "DejaVuSansMono");
        largo(
            "informe de 50 páginas", 3300,
            [](int i) {
                const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
                const QByteArray a = i % 3 ? "TORNILLO" : "tuerca";
                return std::pair(
                    n +
                        "  Espa\xa4"
                        "a \x80 \xc9\xcd\xbb \xb0\xb1\xb2\xdb  " +
                        (i % 3 ? "[N]TORNILLO[n]" : "[I]tuerca  [i]") + "   1.234,56 EUR",
                    QString::fromUtf8(n + " España Ç ╔═╗ ░▒▓█ " + a + " 1.234,56 EUR"));
            },
            "");
    }
    void documentos() {
        const bool dos = Campo("dos") == "1";
        const QByteArray contenido = Contenido(Campo("contenido"));
        QFETCH(QString, paginas);
        QFETCH(QString, caras);
        if (caras == "-" && !QRawFont::fromFont(QFont("Nimbus Sans")).fontTable("head").isEmpty())
            QSKIP("Nimbus Sans is not a Type 1 font here");
        const QString pdf = imprimeBien(contenido, dos);
        if (paginas == "(ninguna)") {
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(DefectosPdf(pdf), QString());
        QStringList leidas = TextoPorPagina(pdf);
        QCOMPARE(PaginasPdf(pdf), int(leidas.size()));
        for (const auto& m : QRegularExpression(R"(<(\d+)-?(\d*)>)").globalMatch(paginas)) {
            const int desde = m.captured(2).isEmpty() ? 1 : m.captured(1).toInt();
            const int hasta =
                m.captured(2).isEmpty() ? m.captured(1).toInt() : m.captured(2).toInt();
            paginas.replace(m.captured(0), QString::fromUtf8(lineas(desde, hasta)).simplified());
        }
        const QStringList esperadas = paginas.split('/');
        for (int i = 1; i < leidas.size() && i < esperadas.size(); ++i)
            if (esperadas[i] == "+" && !leidas[i].isEmpty())
                leidas[i - 1] += " " + std::exchange(leidas[i], "+");
        QCOMPARE(leidas, esperadas);
        const QStringList embebidas = ::caras(pdf), nombres = caras.split(' ', Qt::SkipEmptyParts);
        if (caras == "-") {
            QCOMPARE(embebidas, QStringList());
            const QImage pagina = PaginaGris(pdf, 1, 72);
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

    void columnas_data() { FilasDeDatos(kColumnas, {"abre", "cierra", "dos"}); }
    void columnas() {
        const QByteArray linea = "ABCD   EFGH \xa4\xb3", abre = Campo("abre").toLatin1();
        const QByteArray texto = linea + "\r\n" + abre + linea + Campo("cierra").toLatin1();
        const auto x = PalabrasPdf(imprimeBien(texto + "\r\n", Campo("dos") == "1")).value("EFGH");
        QVERIFY(x.size() == 2);
        QVERIFY2(qAbs(x[1].left() - x[0].left()) < 0.05, qPrintable(QString::number(x[1].left())));
    }

    // Pages compared with reference renders (datos_pdf/); one picture object for every page.
    void referencias_data() {
        FilasDeDatos(
            "formatos ¦ 0 ¦ 0 ¦ 1\nfondo ¦ 0 ¦ 0 ¦ 2\napaisado ¦ 0 ¦ 1 ¦ 1\ndos ¦ 1 ¦ 0 ¦ 1",
            {"dos", "horizontal", "hojas"});
    }
    void referencias() {
        const bool dos = Campo("dos") == "1", horizontal = Campo("horizontal") == "1";
        const int hojas = Campo("hojas").toInt();
        const QString nombre = QTest::currentDataTag(), c = dir.nueva();
        const QString prt = c + "/" + nombre + ".prt", pdf = prt + ".pdf";
        QFile::copy(kDatos + "/fondo.png", c + "/fondo.png");
        QFile::copy(kDatos + "/" + nombre + ".prt", prt);
        QVERIFY(imprime(prt, dos, nullptr, horizontal).ok());
        QCOMPARE(DefectosPdf(pdf), QString());
        QCOMPARE(PaginasPdf(pdf), hojas);
        QSet<QString> objetos;
        for (const QStringList& i : ImagenesPdf(pdf))
            objetos << i[4];
        QVERIFY(objetos.size() <= 1);
        for (int i = 1; i <= hojas; ++i) {
            const QString png = QString("/%1-%2.png").arg(nombre).arg(i);
            const QImage a(kDatos + png), b = PaginaGris(pdf, i, 72);
            QCOMPARE(b.size(), a.size());
            // Rendering noise changes 13 pixels at most, 6 in one tile (measured); a missing,
            // moved or misdrawn letter 15 or more in one tile.
            const Diferencia d = Compara(a, b);
            QVERIFY2(d.distintos <= qMax(20, d.tinta / 200) && d.peor <= 10,
                     qPrintable(QString("%1: %2 %3").arg(png).arg(d.distintos).arg(d.peor)));
        }
    }

    // Background pictures: one object on every page, at 76 ppi; what is no picture is told with
    // its name and the line; a directive that leads nowhere prints as text.
    void imagenes_data() {
        FilasDeDatos(kImagenes, {"dice", "imagen"}); // imagen: pdfimages' width, height, x-ppi
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
        const QList<QStringList> vistas = ImagenesPdf(prt + ".pdf");
        QCOMPARE(vistas.size(), imagen.isEmpty() ? 0 : 2);
        for (const QStringList& v : vistas) { // one object; a JPEG as it is, never decoded
            QCOMPARE(v.mid(0, 3).join(' ') + " " + v[4], imagen + " " + vistas[0][4]);
            QCOMPARE(v[6] == "jpeg", clase.startsWith("jpeg"));
        }
        if (clase == "jpeg girado") { // black above: the holder is (12, 12) to (72, 61) points
            const QImage p = PaginaGris(prt + ".pdf", 1, 72);
            QVERIFY(qGray(p.pixel(66, 16)) < 64 && qGray(p.pixel(18, 57)) > 192);
        }
    }
};

QTEST_MAIN(TestSalidaPdf)

#include "test_salida_pdf.moc"
