// Real output: PRT files printed on the built-in printer "Archivo PDF" and by velmor-imprimir,
// checked with poppler-utils (pdfinfo, pdftotext, pdffonts, pdfimages).
#include "printing/impresoras_sistema.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <sys/stat.h>

class TestSalidaPdf : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;
    std::unique_ptr<ImpresorasSistema> impresoras;

    QString escribe(const QByteArray& contenido, const QString& nombre = {}) {
        return EscribeFichero(dir.filePath(nombre.isEmpty() ? QString("f%1.prt").arg(++n) : nombre),
                              contenido);
    }
    static QByteArray lineas(int cuantas) {
        QByteArray b;
        for (int i = 1; i <= cuantas; ++i)
            b += "linea " + QByteArray::number(i) + "\r\n";
        return b;
    }
    // Prints the file on "Archivo PDF"; returns the PDF path.
    QString imprime(const QString& prt, bool dos = false, ResultadoPrt* resultado = nullptr) {
        const QString pdf = prt + ".pdf";
        QFile::remove(pdf);
        SalidaFichero salida(pdf);
        TrabajoPrt t;
        t.ruta = prt;
        t.modoDos = dos;
        const ResultadoPrt r = ImprimirPrt(t, impresoras->dispositivo(salida));
        if (resultado)
            *resultado = r;
        else if (!r)
            qWarning("%s", qPrintable(r.error->descripcion()));
        return pdf;
    }

  private slots:
    void initTestCase() {
        QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0);
        impresoras = std::make_unique<ImpresorasSistema>();
        // No scheduler is reachable here: only the built-in PDF printer, and it is current.
        QCOMPARE(impresoras->nombre(impresoras->cuenta() - 1), QString("Archivo PDF"));
        QCOMPARE(impresoras->nombreActual(), QString("Archivo PDF"));
        QVERIFY(impresoras->actualEsPdf());
        QCOMPARE(impresoras->orientacion(), Orientacion::Vertical);
    }

    void cuentaDePaginas_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("esperadas");
        QTest::newRow("una línea") << QByteArray("hola\r\n") << 1;
        QTest::newRow("66 líneas") << lineas(66) << 1;
        QTest::newRow("67 líneas") << lineas(67) << 2;
        QTest::newRow("132 líneas") << lineas(132) << 2;
        QTest::newRow("Pagina final") << QByteArray("a\r\n{{Pagina}}\r\n") << 1;
        QTest::newRow("Pagina tras página llena") << lineas(66) + "{{Pagina}}\r\n" << 1;
        QTest::newRow("Pagina en medio") << QByteArray("a\r\n{{Pagina}}\r\nb\r\n") << 2;
        QTest::newRow("página en blanco entre dos")
            << QByteArray("a\r\n{{Pagina}}\r\n{{Pagina}}\r\n\r\nb\r\n") << 3;
    }
    void cuentaDePaginas() {
        QFETCH(QByteArray, contenido);
        QFETCH(int, esperadas);
        const QString pdf = imprime(escribe(contenido));
        QCOMPARE(PaginasPdf(pdf), esperadas);
    }

    // A form feed ends the page where it stands: the text before it on this page, what follows
    // at the top of the next one; at the end of the file, or right after a full page, it gives
    // no blank sheet. Each page's text is read back from its own page.
    void avancesDePagina_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("paginas"); // each page's words, in order
        QTest::newRow("en medio de una línea")
            << QByteArray("uno\fdos\r\ntres\r\n") << QStringList{"uno", "dos tres"};
        QTest::newRow("al principio de una línea")
            << QByteArray("uno\r\n\fdos\r\n") << QStringList{"uno", "dos"};
        QTest::newRow("solo en su línea")
            << QByteArray("uno\r\n\f\r\ndos\r\n") << QStringList{"uno", "dos"};
        QTest::newRow("al final del fichero") << QByteArray("uno\r\n\f") << QStringList{"uno"};
        QTest::newRow("al final de la última línea")
            << QByteArray("uno\fdos\f\r\n") << QStringList{"uno", "dos"};
        QTest::newRow("tras una página llena") << lineas(66) + "\f\r\nsiguiente\r\n"
                                               << QStringList{"*", "siguiente"};
        QTest::newRow("cada página con el suyo")
            << QByteArray("a\r\nb\r\n\fc\r\n\fd\r\n\f") << QStringList{"a b", "c", "d"};
    }
    void avancesDePagina() {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, paginas);
        const QString pdf = imprime(escribe(contenido));
        QCOMPARE(PaginasPdf(pdf), int(paginas.size()));
        for (int i = 0; i < paginas.size(); ++i) {
            if (paginas[i] == "*") continue;
            const QString pagina = Ejecuta("pdftotext", {"-f", QString::number(i + 1), "-l",
                                                         QString::number(i + 1), pdf, "-"});
            QCOMPARE(pagina.simplified(), paginas[i]);
        }
    }

    // A DOS program's Epson output: its codes set the formats the markup sets, and none of their
    // bytes prints as a letter (graphics data included, line ends inside it too).
    void codigosEpson() {
        const QByteArray esc = "\x1b";
        QByteArray f = esc + "@" + "Normal " + esc + "E" + "negrita" + esc + "F" + " " + esc + "4" +
                       "cursiva" + esc + "5" + " " + esc + "-1" + "subrayado" + esc + "-0" + "\r\n";
        f += "\x0e"
             "ANCHO\r\n";
        f += "\x0f"
             "condensado\x12 normal\r\n";
        f += esc + "*" + QByteArray("\x00\x06\x00", 3) +
             "A\r\nB\x1b"
             "C" +
             "tras grafico\r\n";
        f += esc + "C" + QByteArray(1, char(3)) + "l1\r\nl2\r\nl3\r\nl4\r\n";
        f += "fin\x07" + esc + "*" +
             QByteArray("\x00\x02\x00"
                        "AB",
                        5);
        const QString pdf = imprime(escribe(f));
        const QString t = TextoPdf(pdf);
        for (const char* linea : {"Normal negrita cursiva subrayado", "ANCHO", "condensado normal",
                                  "tras grafico", "l1", "l4 fin"})
            QVERIFY2(t.simplified().contains(linea), qPrintable(t));
        for (const char* nunca : {"E", "F", "-1", "AB", "\x1b", "C"})
            QVERIFY2(!t.split(QRegularExpression("\\s+")).contains(nunca), qPrintable(t));
        const QString fuentes = Ejecuta("pdffonts", {pdf});
        QVERIFY2(fuentes.contains("LiberationMono-Bold") &&
                     fuentes.contains("LiberationMono-Italic"),
                 qPrintable(fuentes));
        // ESC C 3: pages of three lines from there on (l1-l3, then l4 and "fin").
        QCOMPARE(PaginasPdf(pdf), 3);
        // "ANCHO" is drawn twice as wide as the same letters in the normal size.
        const QString bbox = Ejecuta("pdftotext", {"-bbox", pdf, "-"});
        auto ancho = [&](const QString& palabra) {
            const auto m = QRegularExpression(R"re(xMin="([\d.]+)"[^>]*xMax="([\d.]+)"[^>]*>)re" +
                                              palabra + "<")
                               .match(bbox);
            return m.hasMatch() ? m.captured(2).toDouble() - m.captured(1).toDouble() : -1.0;
        };
        QVERIFY2(qAbs(ancho("ANCHO") / (ancho("Normal") * 5 / 6) - 2.0) < 0.1, qPrintable(bbox));
        QVERIFY2(ancho("condensado") < ancho("subrayado") * 10 / 9 * 0.75, qPrintable(bbox));
    }

    // 66 lines in pica or elite are taller than A4's printable height: the lines that do not fit
    // go on to another sheet, none is lost.
    void lineasQueNoCaben_data() {
        QTest::addColumn<QByteArray>("paso");
        QTest::newRow("pica") << QByteArray("{{Pica}}");
        QTest::newRow("elite") << QByteArray("{{Elite}}");
    }
    void lineasQueNoCaben() {
        QFETCH(QByteArray, paso);
        const QString pdf = imprime(escribe(paso + lineas(66) + "siguiente\r\n"));
        const QString t = TextoPdf(pdf);
        for (int i = 1; i <= 66; ++i)
            QVERIFY2(t.contains(QString("linea %1\n").arg(i)), qPrintable(QString::number(i)));
        QCOMPARE(PaginasPdf(pdf), 3); // the page, its overflow sheet, the next page
        const QStringList hojas = t.split('\f');
        QVERIFY(hojas.value(1).contains("linea 66") && !hojas.value(1).contains("siguiente"));
        QVERIFY(hojas.value(2).contains("siguiente"));
    }

    void ficheroVacioNoCreaDocumento() {
        ResultadoPrt r;
        const QString pdf = imprime(escribe(""), false, &r);
        QVERIFY(r.ok());
        QVERIFY(!QFileInfo::exists(pdf));
    }

    void textoYColumnas() {
        const QString pdf = imprime(escribe("CODIGO    DESCRIPCION          IMPORTE\r\n"
                                            "000123    Tornillos            1.234,50\r\n"
                                            "[N]000124[n]    Tuercas              99,00\r\n"));
        const QStringList filas = TextoPdf(pdf).split('\n');
        QVERIFY(filas.size() >= 3);
        const int c1 = int(filas[0].indexOf("DESCRIPCION")),
                  c2 = int(filas[1].indexOf("Tornillos")), c3 = int(filas[2].indexOf("Tuercas"));
        QVERIFY2(c1 > 0 && c1 == c2 && c2 == c3, qPrintable(filas.mid(0, 3).join('\n')));
        // pdftotext -layout narrows wide gaps, but text in one column stays in one column.
        QCOMPARE(filas[1].indexOf("1.234,50"), filas[0].indexOf("IMPORTE"));
    }

    // The file bytes are DOS code page 850: 0xA4 is "ñ", 0xDA 0xC4 0xB3 box drawing.
    void enheYCajas() {
        const QString pdf = imprime(escribe("Espa\xa4"
                                            "a \xda\xc4\xc4\xbf\r\n\xb3 A\xb3\r\n"));
        const QString t = TextoPdf(pdf);
        QVERIFY2(t.contains("España ┌──┐"), qPrintable(t));
        QVERIFY2(t.contains("│ A│"), qPrintable(t));
    }

    void negritaYTamano() {
        const QString pdf = imprime(
            escribe("normal [N]negrita[n]\r\n{{Pica}}{{AmpliadaOn}}GRANDE{{AmpliadaOff}} pica\r\n"
                    "[I]cursiva[i]\r\n"));
        const QString fuentes = Ejecuta("pdffonts", {pdf});
        QVERIFY2(fuentes.contains(QRegularExpression("Mono-Bold\\b")), qPrintable(fuentes));
        QVERIFY2(fuentes.contains(QRegularExpression("Mono-Italic\\b")), qPrintable(fuentes));
        QVERIFY2(fuentes.contains(QRegularExpression("LiberationMono(-Regular)?\\s")),
                 qPrintable(fuentes));
        // Word heights from pdftotext -bbox: "GRANDE" at 22 pt is twice "pica" at 11 pt.
        const QString bbox = Ejecuta("pdftotext", {"-bbox", pdf, "-"});
        auto alto = [&](const QString& palabra) {
            const auto m =
                QRegularExpression(R"re(yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">)re" +
                                   palabra + "<")
                    .match(bbox);
            return m.hasMatch() ? m.captured(2).toDouble() - m.captured(1).toDouble() : -1.0;
        };
        const double grande = alto("GRANDE"), pica = alto("pica"), normal = alto("normal");
        QVERIFY2(grande > 0 && pica > 0, qPrintable(bbox));
        QVERIFY(qAbs(grande / pica - 2.0) < 0.05);
        QVERIFY(qAbs(pica / normal - 1.1) < 0.05);
    }

    // Every format keeps the fixed-pitch grid: the second word of a line starts where it does in
    // plain text, and the blank between the words still reads as one.
    void columnasEnCadaFormato_data() {
        QTest::addColumn<QByteArray>("abre");
        QTest::addColumn<QByteArray>("cierra");
        QTest::addColumn<bool>("dos");
        QTest::newRow("negrita") << QByteArray("[N]") << QByteArray("[n]") << false;
        QTest::newRow("cursiva") << QByteArray("[I]") << QByteArray("[i]") << false;
        QTest::newRow("subrayado") << QByteArray("[S]") << QByteArray("[s]") << false;
        QTest::newRow("todo") << QByteArray("[N][I][S]") << QByteArray("[s][i][n]") << false;
        QTest::newRow("dos negrita") << QByteArray("[N]") << QByteArray("[n]") << true;
        QTest::newRow("dos subrayado") << QByteArray("[S]") << QByteArray("[s]") << true;
    }
    void columnasEnCadaFormato() {
        QFETCH(QByteArray, abre);
        QFETCH(QByteArray, cierra);
        QFETCH(bool, dos);
        const QString pdf = imprime(
            escribe("ABCD   EFGH \xa4\xb3\r\n" + abre + "ABCD   EFGH \xa4\xb3" + cierra + "\r\n"),
            dos);
        const QStringList filas = TextoPdf(pdf).split('\n');
        QVERIFY(filas.size() >= 2);
        QCOMPARE(filas[1], filas[0]);
        QVERIFY2(filas[0].contains(QRegularExpression("^ *ABCD +EFGH \\S\\S$")),
                 qPrintable(filas[0]));
        const QString bbox = Ejecuta("pdftotext", {"-bbox", pdf, "-"});
        QList<double> inicios;
        for (const auto& m :
             QRegularExpression(R"re(<word xMin="([\d.]+)"[^>]*>EFGH<)re").globalMatch(bbox))
            inicios << m.captured(1).toDouble();
        QCOMPARE(inicios.size(), 2);
        QVERIFY2(qAbs(inicios[1] - inicios[0]) < 0.05, qPrintable(bbox));
    }

    // Ravendot has no bold face: the bold is drawn twice, a hair apart, not half a letter apart.
    void negritaSinteticaEnSuSitio() {
        const QString pdf =
            imprime(escribe("[A]MMMM MMMM[a]\r\n\r\n[A][N]MMMM MMMM[n][a]\r\n"), true);
        QVERIFY(Ejecuta("pdffonts", {pdf}).contains("Ravendot"));
        const QString png = pdf + "-p";
        Ejecuta("pdftoppm", {"-r", "150", "-gray", "-png", "-singlefile", pdf, png});
        QImage pagina(png + ".png");
        QVERIFY(!pagina.isNull());
        pagina = pagina.convertToFormat(QImage::Format_Grayscale8);
        // Ink of each band of rows that holds some: leftmost and rightmost column, dark pixels.
        struct Banda {
            int izquierda = INT_MAX, derecha = -1, tinta = 0;
        };
        QList<Banda> bandas;
        bool dentro = false;
        for (int y = 0; y < pagina.height(); ++y) {
            const uchar* fila = pagina.constScanLine(y);
            Banda b;
            for (int x = 0; x < pagina.width(); ++x)
                if (fila[x] < 128) {
                    b.izquierda = qMin(b.izquierda, x), b.derecha = x, ++b.tinta;
                }
            if (b.tinta == 0) {
                dentro = false;
                continue;
            }
            if (!dentro) bandas.append(Banda{});
            dentro = true;
            Banda& actual = bandas.last();
            actual.izquierda = qMin(actual.izquierda, b.izquierda);
            actual.derecha = qMax(actual.derecha, b.derecha);
            actual.tinta += b.tinta;
        }
        QCOMPARE(bandas.size(), 2);
        QVERIFY(bandas[1].tinta > bandas[0].tinta * 1.1); // visibly bold
        QVERIFY2(qAbs(bandas[1].izquierda - bandas[0].izquierda) <= 3 &&
                     qAbs(bandas[1].derecha - bandas[0].derecha) <= 3,
                 qPrintable(QString("%1-%2 / %3-%4")
                                .arg(bandas[0].izquierda)
                                .arg(bandas[0].derecha)
                                .arg(bandas[1].izquierda)
                                .arg(bandas[1].derecha)));
    }

    void imagenDeFondo() {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        const QString png = dir.filePath("logo.png");
        QVERIFY(img.save(png));
        QByteArray f = "/IMAGEN/" + png.toLocal8Bit() + " Factura\r\n" + lineas(70);
        const QString pdf = imprime(escribe(f));
        QCOMPARE(PaginasPdf(pdf), 2);
        const QString lista = Ejecuta("pdfimages", {"-list", pdf});
        // One picture on each page, 64 x 48 pixels printed 1,215 twips wide (76 pixels an inch),
        // also when an earlier document ended in another scale.
        const auto filas = lista.split('\n', Qt::SkipEmptyParts).mid(2);
        QCOMPARE(filas.size(), 2);
        for (const QString& fila : filas) {
            QVERIFY2(fila.simplified().contains(QRegularExpression(R"(^\d+ \d+ image 64 48 )")),
                     qPrintable(lista));
            QCOMPARE(fila.simplified().split(' ').value(12), QString("76"));
        }
        QVERIFY(TextoPdf(pdf).contains("Factura"));
    }

    // A picture taken on the third line goes behind the two lines already printed, not over them.
    void imagenTardiaDetras() {
        QImage rojo(64, 48, QImage::Format_RGB32);
        rojo.fill(Qt::red);
        const QString png = dir.filePath("rojo.png");
        QVERIFY(rojo.save(png));
        const QString pdf = imprime(
            escribe("WWWWWWWWWW\r\nWWWWWWWWWW\r\n/IMAGEN/" + png.toLocal8Bit() + "\r\nfin\r\n"));
        const QString base = dir.filePath("tardia");
        Ejecuta("pdftoppm", {"-r", "72", "-f", "1", "-l", "1", "-png", pdf, base});
        const QImage pagina(base + "-1.png");
        QVERIFY(!pagina.isNull());
        // Inside the picture (from the printable area's corner, 12 pt in, 60 x 48 pt), where the
        // first two lines run: red around black letters.
        int rojos = 0, negros = 0;
        for (int y = 14; y < 34; ++y)
            for (int x = 22; x < 70; ++x) {
                const QColor c = pagina.pixelColor(x, y);
                rojos += c.red() > 200 && c.green() < 80;
                negros += c.red() < 90 && c.green() < 90 && c.blue() < 90;
            }
        QVERIFY2(rojos > 100 && negros > 50, qPrintable(QString("%1 %2").arg(rojos).arg(negros)));
    }

    void modoDosConRavendot() {
        const QString pdf = imprime(escribe("dos {{Courier}}mas\r\n"), true);
        const QString fuentes = Ejecuta("pdffonts", {pdf});
        QVERIFY2(fuentes.contains("Ravendot"), qPrintable(fuentes));
        QVERIFY(!fuentes.contains("Liberation"));
    }

    void horizontal() {
        impresoras->ponOrientacion(Orientacion::Horizontal);
        QCOMPARE(impresoras->orientacion(), Orientacion::Horizontal);
        const QString pdf = imprime(escribe("apaisado\r\n"));
        impresoras->ponOrientacion(Orientacion::Vertical);
        const QString info = Ejecuta("pdfinfo", {pdf});
        QVERIFY2(info.contains("842 x 595"), qPrintable(info));
        QVERIFY_THROWS_EXCEPTION(ErrorVelmor,
                                 impresoras->ponOrientacion(Orientacion::SegunImpresora));
    }

    // A failure mid-file leaves no PDF behind, and the next job is a fresh document.
    void fallaSinDejarNada() {
        ResultadoPrt r;
        const QString prt = escribe(lineas(100) + "x{{NegritaOn}\r\nmas\r\n");
        const QString pdf = imprime(prt, false, &r);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->linea(), 101);
        QVERIFY(!QFileInfo::exists(pdf));
        QVERIFY(!AbiertoPorEsteProceso(prt));
        const QString bien = imprime(escribe("despues\r\n"));
        QCOMPARE(PaginasPdf(bien), 1);
        QVERIFY(TextoPdf(bien).contains("despues"));
    }

    // A PDF that could not be written whole is a failure, never a print: the PRT file is kept,
    // and nothing is left at the output's name or beside it. The write fails on the file size
    // limit of the child (EFBIG), the way a full disk fails it.
    void escrituraFallida() {
        const QString prt = escribe(lineas(2000));
        const QString pdf = dir.filePath("limitado/salida.pdf");
        QDir().mkpath(dir.filePath("limitado"));
        int estado = -1;
        QString errores;
        Ejecuta("prlimit", {"--fsize=20000", VELMOR_IMPRIMIR, "--pdf", pdf, "--borrar", prt},
                &estado, &errores);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains("salida.pdf"), qPrintable(errores));
        QVERIFY(QFileInfo::exists(prt));
        QCOMPARE(QDir(dir.filePath("limitado"))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The output's name belongs to a device: it is refused, and the device stays as it was.
    void salidaQueNoEsUnFichero() {
        const QString prt = escribe("x\r\n");
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", "/dev/full", "--borrar", prt}, &estado, &errores);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains("/dev/full") && errores.contains("no es un fichero normal"),
                 qPrintable(errores));
        QVERIFY(QFileInfo::exists(prt));
        QVERIFY(QFileInfo("/dev/full").exists() && !QFileInfo("/dev/full").isFile());
    }

    // A file with nothing to print writes no PDF, and the command line says so rather than let an
    // older PDF of that name pass for its output.
    void nadaQueImprimir() {
        const QString vieja = dir.filePath("vieja.pdf");
        QVERIFY(QFile::copy(imprime(escribe("de antes\r\n")), vieja));
        int estado = -1;
        QString errores;
        const QString vacio = escribe("{{Pagina}}\r\n");
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", vieja, vacio}, &estado, &errores);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains(vacio) && errores.contains("nada que imprimir"),
                 qPrintable(errores));
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", vieja, escribe("nuevo\r\n")}, &estado, &errores);
        QCOMPARE(estado, 0);
        QVERIFY2(!errores.contains("nada que imprimir"), qPrintable(errores));
        QVERIFY(TextoPdf(vieja).contains("nuevo"));
    }

    // VELMOR_CP_DOS chooses the DOS page the printed text is converted from; a page that cannot
    // be used stops the command line before anything is printed.
    void paginaDosDelEntorno_data() {
        QTest::addColumn<QString>("pagina"); // empty: not set
        QTest::addColumn<int>("estado");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("sin variable: 850") << "" << 0 << "ı";
        QTest::newRow("437") << "437" << 0 << "╒";
        QTest::newRow("desconocida") << "klingon" << 2 << "klingon";
    }
    void paginaDosDelEntorno() {
        QFETCH(QString, pagina);
        QFETCH(int, estado);
        QFETCH(QString, esperado);
        auto entorno = QProcessEnvironment::systemEnvironment();
        entorno.remove("VELMOR_CP_DOS");
        if (!pagina.isEmpty()) entorno.insert("VELMOR_CP_DOS", pagina);
        const QString prt = escribe("caja \xd5\r\n");
        const QString pdf = prt + ".pdf";
        int obtenido = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", pdf, prt}, &obtenido, &errores, {}, entorno);
        QCOMPARE(obtenido, estado);
        if (estado == 0) {
            QVERIFY2(TextoPdf(pdf).contains("caja " + esperado), qPrintable(TextoPdf(pdf)));
        } else {
            QVERIFY2(errores.contains(esperado) && errores.contains("VELMOR_CP_DOS"),
                     qPrintable(errores));
            QVERIFY(!QFileInfo::exists(pdf));
        }
    }

    // Two files that would write the same PDF are refused before anything is printed.
    void mismoPdfDosVeces() {
        const QString uno = escribe("primero\r\n", "a/INF.prt");
        const QString otro = escribe("segundo\r\n", "b/INF.prt");
        const QString salida = dir.filePath("juntos");
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", salida, "--borrar", uno, otro}, &estado, &errores);
        QCOMPARE(estado, 2);
        QVERIFY2(errores.contains(uno) && errores.contains(otro), qPrintable(errores));
        QVERIFY(QFileInfo::exists(uno));
        QVERIFY(QFileInfo::exists(otro));
        QVERIFY(!QFileInfo::exists(salida + "/INF.pdf"));
    }

    // With several files, a --pdf folder whose name is not UTF-8 is made under that very name.
    void carpetaPdfQueNoEsUtf8() {
        const QString carpeta = dir.filePath("no-utf8");
        escribe("primero\r\n", "no-utf8/UNO.PRT");
        escribe("segundo\r\n", "no-utf8/OTRO.PRT");
        int estado = -1;
        QString errores;
        // Through sh, so that the name reaches argv as its bytes (QProcess would encode it).
        Ejecuta(
            "sh",
            {"-c", "exec \"$0\" --pdf \"$(printf 'SAL\\321')\" UNO.PRT OTRO.PRT", VELMOR_IMPRIMIR},
            &estado, &errores, carpeta);
        QVERIFY2(estado == 0, qPrintable(errores));
        const QByteArray salida = QFile::encodeName(carpeta) + "/SAL\xd1";
        struct stat datos {};
        QCOMPARE(::stat(salida + "/UNO.pdf", &datos), 0);
        QCOMPARE(::stat(salida + "/OTRO.pdf", &datos), 0);
        QCOMPARE(::stat(QFile::encodeName(carpeta) + "/SAL\uFFFD", &datos), -1); // no look-alike
    }

    void ordenImprimir() {
        const QString a = escribe("primero\r\n", "UNO.PRT");
        const QString b = escribe(lineas(67), "dos.prt");
        const QString malo = escribe("ok\r\nx}}y{{Pica\r\n", "MALO.PRT");
        const QString salida = dir.filePath("salida");
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", salida, "--borrar", a, malo, b}, &estado, &errores);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains(malo) && errores.contains("línea 2"), qPrintable(errores));
        QCOMPARE(PaginasPdf(salida + "/UNO.pdf"), 1);
        QCOMPARE(PaginasPdf(salida + "/dos.pdf"), 2);
        QVERIFY(!QFileInfo::exists(salida + "/MALO.pdf"));
        QVERIFY(!QFileInfo::exists(a));
        QVERIFY(!QFileInfo::exists(b));
        QVERIFY(QFileInfo::exists(malo)); // not printed: not deleted

        const QString c = escribe("tres\r\n");
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", dir.filePath("c.pdf"), "--horizontal", c}, &estado);
        QCOMPARE(estado, 0);
        QVERIFY(Ejecuta("pdfinfo", {dir.filePath("c.pdf")}).contains("842 x 595"));

        const QString lista = Ejecuta(VELMOR_IMPRIMIR, {"--impresoras"}, &estado);
        QCOMPARE(estado, 0);
        QVERIFY(lista.contains("* Archivo PDF"));
        QVERIFY(Ejecuta(VELMOR_IMPRIMIR, {"--help"}, &estado).contains("--impresora NOMBRE"));
        Ejecuta(VELMOR_IMPRIMIR, {"--impresora", "NoExiste", c}, &estado, &errores);
        QCOMPARE(estado, 2);
        QVERIFY(errores.contains("NoExiste"));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestSalidaPdf t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_salida_pdf.moc"
