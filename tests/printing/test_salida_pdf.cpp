// The PDF output: PRT files printed on the PDF device as real documents, read back with qpdf and
// poppler-utils and compared with reference renders; failures that leave nothing behind; the
// samples of samples/ printed by velmor-imprimir as a user would.
#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "support/ficheros.h"
#include "support/programas.h"

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
// The same lines as pdftotext reads them, one blank apart.
QString palabras(int desde, int hasta) {
    return QString::fromUtf8(lineas(desde, hasta)).simplified();
}

// The faces pdffonts lists, without their subset tags; "!" before one that is not embedded as a
// subset with a ToUnicode map.
QStringList caras(const QString& pdf) {
    QStringList r;
    for (const QString& l : Ejecuta("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2)) {
        const QStringList c = l.simplified().split(' ');
        const bool bien = c.value(c.size() - 5) == "yes" && c.value(c.size() - 4) == "yes" &&
                          c.value(c.size() - 3) == "yes" && c[0].contains('+');
        r << (bien ? "" : "!") + c[0].section('+', -1);
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
// Each page's text, blanks collapsed.
QStringList textoPorPagina(const QString& pdf) {
    QStringList paginas = TextoPdf(pdf).split('\f');
    paginas.removeLast(); // after the last page's form feed
    for (QString& p : paginas)
        p = p.simplified();
    return paginas;
}
// pdftoppm's grey render of a PDF's pages: <base>-<n>.png.
void Renderiza(const QString& pdf, const QString& base) {
    Ejecuta("pdftoppm", {"-r", "72", "-gray", "-png", pdf, base});
}

// A PNG whose header claims ancho x alto pixels, with no picture data after it.
QByteArray cabeceraPng(quint32 ancho, quint32 alto) {
    auto grande = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    auto trozo = [&](const QByteArray& tipoYDatos) {
        quint32 c = 0xFFFFFFFFu;
        for (const char b : tipoYDatos) {
            c ^= quint8(b);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return grande(quint32(tipoYDatos.size() - 4)) + tipoYDatos + grande(~c);
    };
    return "\x89PNG\r\n\x1a\n"_ba +
           trozo("IHDR" + grande(ancho) + grande(alto) + "\x08\x02\0\0\0"_ba) + trozo("IDAT") +
           trozo("IEND");
}

// An output that fails like a full disk once `capacidad` bytes are written (-1: when the document
// is completed); it notes whether anything was written after the failure.
class SalidaLlena : public SalidaDocumento {
  public:
    explicit SalidaLlena(long capacidad) : capacidad_(capacidad) {}
    void abre() override {}
    void escribe(const char*, std::size_t cuantos) override {
        trasElFallo |= fallo;
        escritos += long(cuantos);
        if (capacidad_ >= 0 && escritos > capacidad_) falla();
    }
    void termina() override {
        if (capacidad_ < 0) falla();
        terminada = true;
    }
    void descarta() noexcept override { descartada = true; }
    bool fallo = false, trasElFallo = false, terminada = false, descartada = false;

  private:
    void falla() {
        fallo = true;
        throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida, "No queda espacio para «salida.pdf»");
    }
    long capacidad_, escritos = 0;
};
} // namespace

class TestSalidaPdf : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;
    DispositivoPdf dispositivo; // one device for every document, as the programs use it
    std::unique_ptr<SalidaDocumento> salida;

    // Prints the PRT file on the PDF device to `pdf` (beside it when empty), or to `otra`.
    ResultadoPrt imprime(const QString& prt, bool dos = false, QString pdf = {},
                         SalidaDocumento* otra = nullptr, bool horizontal = false) {
        if (pdf.isEmpty()) pdf = prt + ".pdf";
        salida = std::make_unique<SalidaFichero>(pdf);
        dispositivo.ponSalida(otra ? otra : salida.get());
        QPageLayout hoja = dispositivo.pagina();
        hoja.setOrientation(horizontal ? QPageLayout::Landscape : QPageLayout::Portrait);
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
        QTest::newRow("disco lleno al terminar")
            << "uno\r\n"_ba << '\0' << -1 << 0 << "«salida.pdf»";
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
        rusage uso{};
        getrusage(RUSAGE_SELF, &uso);
        const long antes = uso.ru_maxrss;
        SalidaLlena llena(capacidad);
        const ResultadoPrt r = imprime(prt, false, {}, capacidad == -2 ? nullptr : &llena);
        getrusage(RUSAGE_SELF, &uso);
        QVERIFY2(uso.ru_maxrss - antes < 64 * 1024,
                 qPrintable(QString::number(uso.ru_maxrss - antes)));
        QVERIFY(!r.ok());
        const QString m = r.error->mensaje();
        QVERIFY2(m.contains(dice), qPrintable(m));
        if (linea >= 0) QCOMPARE(r.error->linea(), linea);
        QVERIFY2(linea > 0 ? m.contains(QString("«%1», línea %2").arg(prt).arg(linea))
                           : linea < 0 || !m.contains("línea"),
                 qPrintable(m));
        QVERIFY(!AbiertoPorEsteProceso(prt));
        QCOMPARE(QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"MAL.PRT"});
        if (capacidad != -2) QVERIFY(llena.fallo && !llena.trasElFallo && llena.descartada);
        QCOMPARE(textoPorPagina(imprimeBien("despues\r\n")), QStringList{"despues"});
    }

    // Pages as a user reads them: each page's text, "+" for a sheet that takes the lines that
    // did not fit on the one before it (66 lines in pica or elite are taller than A4's printable
    // height), none for a file with nothing to print (no document at all).
    void paginas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("paginas");
        const QString p66 = palabras(1, 66);
        QTest::newRow("una línea") << "hola\r\n"_ba << QStringList{"hola"};
        QTest::newRow("66 líneas") << lineas(1, 66) << QStringList{p66};
        QTest::newRow("67 líneas") << lineas(1, 67) << QStringList{p66, "linea 67"};
        QTest::newRow("vacío") << QByteArray() << QStringList{};
        QTest::newRow("solo Pagina") << "{{Pagina}}\r\n"_ba << QStringList{};
        QTest::newRow("Pagina final") << "a\r\n{{Pagina}}\r\n"_ba << QStringList{"a"};
        QTest::newRow("Pagina al principio") << "{{Pagina}}\r\na\r\n"_ba << QStringList{"a"};
        QTest::newRow("Pagina tras página llena") << lineas(1, 66) + "{{Pagina}}\r\n"
                                                  << QStringList{p66};
        QTest::newRow("Pagina en medio") << "a\r\n{{Pagina}}\r\nb\r\n"_ba << QStringList{"a", "b"};
        QTest::newRow("tras Pagina nada") << "a\r\nb{{Pagina}}resto\r\n"_ba << QStringList{"a b"};
        QTest::newRow("página en blanco entre dos")
            << "a\r\n{{Pagina}}\r\n{{Pagina}}\r\n\r\nb\r\n"_ba << QStringList{"a", "", "b"};
        QTest::newRow("Pagina no cuenta como línea")
            << "\x1b"
               "C\x02"
               "a\r\nb\r\nc\r\n{{Pagina}}\r\nd\r\ne\r\nf\r\n"_ba
            << QStringList{"a b", "c", "d e", "f"};
        QTest::newRow("ESC C 3") << "\x1b"
                                    "C\x03l1\r\nl2\r\nl3\r\nl4\r\nfin"_ba
                                 << QStringList{"l1 l2 l3", "l4 fin"};
        QTest::newRow("FF en medio de una línea")
            << "uno\fdos\r\ntres\r\n"_ba << QStringList{"uno", "dos tres"};
        QTest::newRow("FF al principio") << "uno\r\n\fdos\r\n"_ba << QStringList{"uno", "dos"};
        QTest::newRow("FF en su línea") << "uno\r\n\f\r\ndos\r\n"_ba << QStringList{"uno", "dos"};
        QTest::newRow("FF al final") << "uno\r\n\f"_ba << QStringList{"uno"};
        QTest::newRow("FF tras la última línea")
            << "uno\fdos\f\r\n"_ba << QStringList{"uno", "dos"};
        QTest::newRow("FF tras página llena") << lineas(1, 66) + "\f\r\nsiguiente\r\n"
                                              << QStringList{p66, "siguiente"};
        QTest::newRow("FF en cada página")
            << "a\r\nb\r\n\fc\r\n\fd\r\n\f"_ba << QStringList{"a b", "c", "d"};
        QTest::newRow("pica que no cabe") << "{{Pica}}" + lineas(1, 66) + "siguiente\r\n"
                                          << QStringList{p66, "+", "siguiente"};
        QTest::newRow("elite que no cabe") << "{{Elite}}" + lineas(1, 66) + "siguiente\r\n"
                                           << QStringList{p66, "+", "siguiente"};
    }
    void paginas() {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, paginas);
        const QString prt = EscribeFichero(dir.nueva() + "/P.PRT", contenido);
        const ResultadoPrt r = imprime(prt);
        QVERIFY(r.ok());
        if (paginas.isEmpty()) {
            QVERIFY(!QFile::exists(prt + ".pdf"));
            return;
        }
        QCOMPARE(defectos(prt + ".pdf"), QString());
        QStringList leidas = textoPorPagina(prt + ".pdf");
        QCOMPARE(PaginasPdf(prt + ".pdf"), int(leidas.size()));
        for (int i = 1; i < leidas.size() && i < paginas.size(); ++i)
            if (paginas[i] == "+" && !leidas[i].isEmpty())
                leidas[i - 1] += " " + std::exchange(leidas[i], "+");
        QCOMPARE(leidas, paginas);
    }

    // Text read back as written, and the faces embedded for it ("-": none, the letters drawn as
    // outlines): each format its own face or one made up from the regular one, fonts by name as Qt
    // matches them, characters a font lacks from a fallback font.
    void texto_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QStringList>("caras"); // empty: not checked
        const QString mono = "LiberationMono-Regular";
        QTest::newRow("eñe y cajas") << "Espa\xa4"
                                        "a \xda\xc4\xc4\xbf\r\n\xb3 A\xb3\r\n"_ba
                                     << false << "España ┌──┐ │ A│" << QStringList{};
        QTest::newRow("página 850")
            << "\x80\x87\x81 \xc9\xcd\xbb\xba\xc8\xbc\xb0\xb1\xb2\xdb\r\n"_ba << false
            << "Ççü ╔═╗║╚╝░▒▓█" << QStringList{};
        QTest::newRow("cajas en negrita")
            << "[N]\xc9\xcd\xbb \xa4[n]\r\n"_ba << false << "╔═╗ ñ" << QStringList{};
        QTest::newRow("cajas sin glifo propio")
            << "{{*DejaVu Math TeX Gyre}}a\xc9\xcd\xbb\xba\xc8\xbc"
               "b\r\n"_ba
            << false << "a╔═╗║╚╝b" << QStringList{"DejaVuMathTeXGyre-Regular", "DejaVuSans"};
        QTest::newRow("estilos") << "a [N]b[n] [I]c[i] [N][I]d[i][n] [S]e  f[s]\r\n"_ba << false
                                 << "a b c d e f"
                                 << QStringList{mono, "LiberationMono-Bold",
                                                "LiberationMono-Italic",
                                                "LiberationMono-BoldItalic"};
        QTest::newRow("ms-dos: sin conversión, estilos inventados")
            << "A\xd1\xe7 [N]b[n] [I]c[i] {{Courier}}d\r\n"_ba << true << "AÑç b c d"
            << QStringList{"Ravendot"};
        QTest::newRow("familias por nombre")
            << "{{*Courier New}}a{{*courier new}}b{{*Arial}}c{{*DejaVu Serif}}d{{*Ravendot}}e"
               "{{*Fuente00001}}f\r\n"_ba
            << false << "abcdef"
            << QStringList{mono, "LiberationSans", "DejaVuSerif-Book", "Ravendot",
                           "DejaVuSansMono"};
        QByteArray miles;
        for (int i = 0; i < 3000; ++i)
            miles += "{{*Fuente" + QByteArray::number(i) + "}}n" + QByteArray::number(i) + "\r\n";
        QTest::newRow("miles de nombres, una cara")
            << miles << false << "n2998 n2999" << QStringList{"DejaVuSansMono"};
        QTest::newRow("cara sin tablas (Type 1)")
            << "{{*Nimbus Sans}}HHHH [N]HHHH[n]\r\n"_ba << false << "" << QStringList{"-"};
        const QByteArray e = "\x1b";
        QTest::newRow("códigos Epson")
            << e + "@Normal " + e + "Enegrita" + e + "F " + e + "4cursiva" + e + "5 " + e +
                   "-1subrayado" + e +
                   "-0\r\n\x0e"
                   "ANCHO\r\n\x0f"
                   "condensado\x12 normal\r\n" +
                   e + "*\x00\x06\x00"_ba +
                   "A\r\nB\x1b"
                   "Ctras grafico\r\nfin\x07" +
                   e +
                   "*\x21\x10\x00"
                   "AB"_ba
            << false << "Normal negrita cursiva subrayado ANCHO condensado normal tras grafico fin"
            << QStringList{mono, "LiberationMono-Bold", "LiberationMono-Italic"};
        QByteArray informe;
        QString leido;
        for (int i = 0; i < 3300; ++i) {
            const QByteArray n = QByteArray::number(i).rightJustified(6, '0');
            informe += n +
                       "  Espa\xa4"
                       "a \x80 \xc9\xcd\xbb \xb0\xb1\xb2\xdb  " +
                       (i % 3 ? "[N]TORNILLO[n]" : "[I]tuerca  [i]") + "   1.234,56 EUR\r\n";
            leido += n + " España Ç ╔═╗ ░▒▓█ " + (i % 3 ? "TORNILLO" : "tuerca") + " 1.234,56 EUR ";
        }
        QTest::newRow("informe de 50 páginas")
            << informe << false << leido.trimmed() << QStringList{};
    }
    void texto() {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, dos);
        QFETCH(QString, texto);
        QFETCH(QStringList, caras);
        if (caras == QStringList{"-"} &&
            !QRawFont::fromFont(QFont("Nimbus Sans")).fontTable("head").isEmpty())
            QSKIP("Nimbus Sans is not a Type 1 font here");
        const QString pdf = imprimeBien(contenido, dos);
        QCOMPARE(defectos(pdf), QString());
        const QString leido = TextoPdf(pdf).simplified();
        QVERIFY2(leido.contains(texto), qPrintable(leido.left(2000)));
        QStringList embebidas = ::caras(pdf);
        if (caras == QStringList{"-"}) {
            QCOMPARE(embebidas, QStringList());
            Renderiza(pdf, pdf);
            const QImage pagina(pdf + "-1.png");
            int tinta = 0;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 200; ++x)
                    tinta += qGray(pagina.pixel(x, y)) < 128;
            QVERIFY2(tinta > 100, qPrintable(QString::number(tinta)));
        } else if (!caras.isEmpty()) {
            embebidas.sort();
            QCOMPARE(embebidas.size(), caras.size());
            for (const QString& c : caras)
                QVERIFY2(!embebidas.filter(QRegularExpression("^" + c)).isEmpty(),
                         qPrintable(embebidas.join(' ')));
        }
    }

    // Every format keeps the fixed-pitch grid (the word after it starts where it does in plain
    // text), and each pitch its width: 10, 12 and 17 characters an inch at most, double width
    // twice that (Liberation Mono's advance is 0.6 of the size).
    void medidas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<double>("ancho"); // of the first "EFGH" or "MMMMMMMMMM", points
        const QByteArray linea = "ABCD   EFGH \xa4\xb3";
        for (const auto& [nombre, abre, cierra, dos] :
             std::initializer_list<std::tuple<const char*, QByteArray, QByteArray, bool>>{
                 {"negrita", "[N]", "[n]", false},
                 {"cursiva", "[I]", "[i]", false},
                 {"subrayado", "[S]", "[s]", false},
                 {"todo", "[N][I][S]", "[s][i][n]", false},
                 {"ms-dos negrita", "[N]", "[n]", true},
                 {"ms-dos subrayado", "[S]", "[s]", true}})
            QTest::newRow(nombre) << linea + "\r\n" + abre + linea + cierra + "\r\n" << dos << 0.0;
        QTest::newRow("pica") << "{{Pica}}MMMMMMMMMM\r\n"_ba << false << 66.0;
        QTest::newRow("elite") << "{{Elite}}MMMMMMMMMM\r\n"_ba << false << 54.0;
        QTest::newRow("comprimida") << "{{Comprimida}}MMMMMMMMMM\r\n"_ba << false << 42.0;
        QTest::newRow("doble pica") << "{{Pica}}[A]MMMMMMMMMM\r\n"_ba << false << 132.0;
    }
    void medidas() {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, dos);
        QFETCH(double, ancho);
        const QString bbox = Ejecuta("pdftotext", {"-bbox", imprimeBien(contenido, dos), "-"});
        QList<double> inicios;
        static const QRegularExpression palabra(
            R"re(xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)"[^>]*>(EFGH|M+)<)re");
        for (const auto& m : palabra.globalMatch(bbox))
            inicios << m.captured(1).toDouble()
                    << m.captured(2).toDouble() - m.captured(1).toDouble();
        QVERIFY2(!inicios.isEmpty(), qPrintable(bbox));
        if (ancho > 0)
            QVERIFY2(qAbs(inicios[1] - ancho) < ancho * 0.1, qPrintable(bbox));
        else
            QVERIFY2(inicios.size() == 4 && qAbs(inicios[2] - inicios[0]) < 0.05, qPrintable(bbox));
    }

    // Pages compared with renders of the Qt-based device's output (datos_pdf/): fonts, pitches,
    // columns, underlines, made-up bold, a picture behind the text of every page, landscape.
    void referencias_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("hojas");
        QTest::newRow("formatos") << "formatos" << false << false << 1;
        QTest::newRow("fondo") << "fondo" << false << false << 2;
        QTest::newRow("apaisado") << "apaisado" << false << true << 1;
        QTest::newRow("ms-dos") << "dos" << true << false << 1;
    }
    void referencias() {
        QFETCH(QString, nombre);
        QFETCH(bool, dos);
        QFETCH(bool, horizontal);
        QFETCH(int, hojas);
        const QString c = dir.nueva(), prt = c + "/" + nombre + ".prt", pdf = prt + ".pdf";
        QFile::copy(kDatos + "/fondo.png", c + "/fondo.png");
        QFile::copy(kDatos + "/" + nombre + ".prt", prt);
        QVERIFY(imprime(prt, dos, {}, nullptr, horizontal).ok());
        QCOMPARE(defectos(pdf), QString());
        QCOMPARE(PaginasPdf(pdf), hojas);
        QSet<QString> imagenes; // one picture object for all the pages it is drawn on
        for (const QString& f :
             Ejecuta("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).mid(2))
            imagenes << f.simplified().section(' ', 10, 10);
        QVERIFY(imagenes.size() <= 1);
        Renderiza(pdf, c + "/" + nombre);
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
            QVERIFY2(distintos <= qMax(20, tinta / 200) && peor <= 10,
                     qPrintable(
                         QString("%1: %2 / %3 / %4").arg(png).arg(distintos).arg(peor).arg(tinta)));
        }
    }

    // Background pictures: drawn on every page, at 76 pixels an inch in the 1,215-twip holder, a
    // scan no larger than that can show; what is no picture is told with the picture's name and
    // the line; a directive that leads nowhere prints as text.
    void imagenes_data() {
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("dice");   // empty: printed
        QTest::addColumn<QString>("imagen"); // pdfimages: width, height, x-ppi; empty: none
        QTest::newRow("png") << "png"
                             << ""
                             << "64 48 76";
        QTest::newRow("escaneo A4 a 600 ppp") << "escaneo"
                                              << ""
                                              << "1012 812 1199";
        QTest::newRow("no es una imagen") << "texto"
                                          << "no es una imagen de un formato"
                                          << "";
        QTest::newRow("cortada") << "cortada"
                                 << "dañados"
                                 << "";
        QTest::newRow("carpeta") << "carpeta"
                                 << "es una carpeta"
                                 << "";
        QTest::newRow("FIFO") << "fifo"
                              << "es una tubería (FIFO)"
                              << "";
        QTest::newRow("sin permiso") << "ilegible"
                                     << "No hay permiso para leer la imagen"
                                     << "";
        QTest::newRow("demasiado grande") << "grande"
                                          << "demasiado grande (7000 × 7000 píxeles"
                                          << "";
        QTest::newRow("enlace en bucle") << "bucle"
                                         << ""
                                         << "";
        QTest::newRow("en minúsculas") << "minusculas"
                                       << ""
                                       << "";
    }
    void imagenes() {
        QFETCH(QString, clase);
        QFETCH(QString, dice);
        QFETCH(QString, imagen);
        const QString c = dir.nueva(), ruta = c + "/" + clase + ".png";
        QImage png(64, 48, QImage::Format_RGB32);
        png.fill(Qt::darkGreen);
        if (clase == "png" || clase == "minusculas") QVERIFY(png.save(ruta));
        if (clase == "escaneo") QVERIFY(QImage(4960, 7016, QImage::Format_Grayscale8).save(ruta));
        if (clase == "texto") EscribeFichero(ruta, "hola");
        if (clase == "cortada") QVERIFY(png.save(ruta) && QFile::resize(ruta, 60));
        if (clase == "carpeta") QDir().mkpath(ruta);
        if (clase == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(ruta), 0644), 0);
        if (clase == "grande") EscribeFichero(ruta, cabeceraPng(7000, 7000));
        if (clase == "bucle") QVERIFY(QFile::link(ruta, ruta));
        if (clase == "ilegible") {
            if (geteuid() == 0) QSKIP("permissions do not stop root");
            QVERIFY(png.save(ruta) && QFile::setPermissions(ruta, {}));
        }
        const QString directiva = clase == "minusculas" ? "/imagen/" : "/IMAGEN/";
        const QString prt =
            EscribeFichero(c + "/I.PRT", "a\r\n" + directiva.toLatin1() + QFile::encodeName(ruta) +
                                             " Factura\r\n" + lineas(1, 70));
        const ResultadoPrt r = imprime(prt);
        if (!dice.isEmpty()) {
            QVERIFY(!r.ok());
            QCOMPARE(r.error->linea(), 2);
            QVERIFY2(r.error->mensaje().contains(dice) && r.error->mensaje().contains(ruta),
                     qPrintable(r.error->mensaje()));
            QVERIFY(!QFile::exists(prt + ".pdf"));
            return;
        }
        QVERIFY(r.ok());
        QCOMPARE(TextoPdf(prt + ".pdf").contains(directiva), imagen.isEmpty());
        QVERIFY(TextoPdf(prt + ".pdf").contains("Factura"));
        QStringList vistas;
        QSet<QString> objetos;
        for (const QString& f :
             Ejecuta("pdfimages", {"-list", prt + ".pdf"}).split('\n', Qt::SkipEmptyParts).mid(2)) {
            const QStringList c = f.simplified().split(' ');
            vistas << c.value(3) + " " + c.value(4) + " " + c.value(12);
            objetos << c.value(10);
        }
        QCOMPARE(vistas, (imagen.isEmpty() ? QStringList{} : QStringList{imagen, imagen}));
        QVERIFY(objetos.size() <= 1);
    }

    // The samples, printed by velmor-imprimir from another folder: the picture named without a
    // folder is found beside the PRT file. The wrong one fails naming its line.
    void muestras_data() {
        QTest::addColumn<QString>("fichero");
        QTest::addColumn<int>("estado");
        QTest::addColumn<int>("paginas");      // each with the background picture; 0: no PDF
        QTest::addColumn<QStringList>("dice"); // in the PDF's text, or in the messages
        QTest::newRow("informe") << "INFORME.PRT" << 0 << 3
                                 << QStringList{"INFORME MENSUAL DE VENTAS",
                                                "ñ Ñ á é í ó ú ü ç ¿ ¡ º ª ░▒▓ █ ╔═╗ ║ ╚═╝",
                                                "Esta línea termina la página", "Tercera página",
                                                "otra vez DejaVu Sans"};
        QTest::newRow("factura") << "FACTURA.PRT" << 0 << -1
                                 << QStringList{"FERRETERÍA DEL NORTE", "┌──────────┬",
                                                "│ TOR-0012 │", "118,76", "señal recibida"};
        QTest::newRow("vacío") << "VACIO.PRT" << 0 << 0 << QStringList{"nada que imprimir"};
        QTest::newRow("erróneo") << "ERRONEO.PRT" << 1 << 0
                                 << QStringList{"ERRONEO.PRT", "línea 2"};
    }
    void muestras() {
        QFETCH(QString, fichero);
        QFETCH(int, estado);
        QFETCH(int, paginas);
        QFETCH(QStringList, dice);
        const QStringList antes = QDir(kMuestras).entryList(QDir::Files);
        const QString c = dir.nueva(), pdf = c + "/salida.pdf";
        int obtenido = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", pdf, kMuestras + "/" + fichero}, &obtenido, &errores, c);
        QCOMPARE(obtenido, estado);
        QCOMPARE(QDir(kMuestras).entryList(QDir::Files), antes);
        QCOMPARE(QFile::exists(pdf), paginas != 0);
        const QString leido = paginas ? TextoPdf(pdf) : errores;
        for (const QString& parte : dice)
            QVERIFY2(leido.contains(parte), qPrintable(leido));
        if (paginas <= 0) return;
        QCOMPARE(PaginasPdf(pdf), paginas);
        QVERIFY(!leido.contains("/IMAGEN/") && !leido.contains("esto no se imprime"));
        const QString lista = Ejecuta("pdfimages", {"-list", pdf});
        QCOMPARE(lista.count(QRegularExpression("\\d+ +image +\\d")), paginas);
        QStringList embebidas = caras(pdf);
        for (const char* f :
             {"LiberationMono-Bold", "LiberationMono-Italic", "LiberationSerif", "DejaVuSans"})
            QVERIFY2(embebidas.filter(f).size() == 1, qPrintable(embebidas.join(' ')));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestSalidaPdf t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_salida_pdf.moc"
