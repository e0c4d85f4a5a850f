// The Epson page surface, end to end through velmor-imprimir: what a file is and what Velmor
// refuses, what counts as printed, malformed commands, form feeds, and the ESC/P page itself on
// the PDF (word positions, pictures, page counts).
#include "markup/lenguaje_impresora.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
QByteArray esc(const QByteArray& resto) {
    return "\x1b" + resto;
}

const QString kDatos = QStringLiteral(VELMOR_DATOS_ESCP);

// A word's box on the first page, in points from the page's top-left corner.
struct Caja {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The first page's words as pdftotext -bbox reads them; the first box of each word.
QHash<QString, Caja> palabras(const QString& pdf) {
    static const QRegularExpression palabra(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)<)re");
    QHash<QString, Caja> cajas;
    const QString bbox = Ejecuta("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    for (auto m = palabra.globalMatch(bbox); m.hasNext();) {
        const auto w = m.next();
        const QString texto = w.captured(5).replace("&amp;", "&");
        if (!cajas.contains(texto))
            cajas.insert(texto, {w.captured(1).toDouble(), w.captured(2).toDouble(),
                                 w.captured(3).toDouble(), w.captured(4).toDouble()});
    }
    return cajas;
}

// Grey pixels that differ by more than a quarter of the scale.
int pixelesDistintos(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64;
    return n;
}

// A LaserJet report as a DOS program writes it.
QByteArray trabajoPcl() {
    QByteArray f = esc("E") + esc("&l26A") + esc("(s0p10h12v0s0b3T");
    for (int i = 1; i <= 20; ++i)
        f += "Linea " + QByteArray::number(i) + " del informe\r\n";
    return f + "\f" + esc("E");
}
} // namespace

class TestPaginaEscP : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;

    QString escribe(const QByteArray& contenido) {
        return EscribeFichero(dir.filePath(QStringLiteral("F%1.PRT").arg(++n)), contenido);
    }
    // Prints with --borrar into a PDF; the exit status, the messages and the PDF.
    int imprime(const QString& prt, QString& errores, QString& pdf, const QStringList& mas = {}) {
        int estado = -1;
        pdf = prt + ".pdf";
        Ejecuta(VELMOR_IMPRIMIR, QStringList{"--borrar", "--pdf", pdf} + mas + QStringList{prt},
                &estado, &errores);
        return estado;
    }

    // The corpus file printed once per set of options; its PDF.
    QHash<QString, QString> impresos;
    QString pdfDe(const QString& fichero, const QStringList& opciones) {
        const QString clave = fichero + opciones.join(' ');
        if (!impresos.contains(clave)) {
            const QString pdf = dir.filePath(QStringLiteral("corpus%1.pdf").arg(impresos.size()));
            int estado = -1;
            QString errores;
            Ejecuta(VELMOR_IMPRIMIR,
                    QStringList{"--pdf", pdf} + opciones + QStringList{kDatos + "/" + fichero},
                    &estado, &errores);
            if (estado != 0) qWarning("%s", qPrintable(errores));
            impresos.insert(clave, pdf);
        }
        return impresos.value(clave);
    }

  private slots:
    // Epson codes that look like another language's and are not: never refused.
    void epsonNoSeRechaza_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("lenguaje");
        QTest::newRow("negrita al empezar") << esc("E") + "Total" << int(Lenguaje::EscP);
        QTest::newRow("caracteres propios ESC &")
            << esc("&\x00\x41\x41"_ba) + "x" << int(Lenguaje::EscP);
        QTest::newRow("unidades ESC ( U") << esc("(U\x01\x00\x0a"_ba) + "x" << int(Lenguaje::EscP);
        QTest::newRow("gráfico ESC * 39") << esc("*\x27\x01\x00"_ba) + "abc" << int(Lenguaje::EscP);
        QTest::newRow("marcado con códigos Epson")
            << "{{NegritaOn}}x" + esc("E") + esc("&l2A") + esc("(s3B") << int(Lenguaje::Marcado);
        QTest::newRow("texto llano con corchetes") << "[N]Total 5%!"_ba << int(Lenguaje::Marcado);
    }
    void epsonNoSeRechaza() {
        QFETCH(QByteArray, contenido);
        QFETCH(int, lenguaje);
        QCOMPARE(int(DetectaLenguaje(contenido)), lenguaje);
    }

    // Files Velmor must not print (or cannot): exit 1, the message, the file kept, no PDF. An
    // empty file still counts as printed.
    void rechazados_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("mensaje"); // parts, "|" between; empty: prints and is deleted
        QTest::newRow("PCL") << trabajoPcl()
                             << "es un trabajo PCL para impresoras láser; Velmor "
                                "no lo imprime. El fichero se conserva.";
        QTest::newRow("PJL") << esc("%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n") +
                                    trabajoPcl()
                             << "es un trabajo PCL";
        QTest::newRow("PJL con PostScript")
            << esc("%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\r\nshowpage\r\n")
            << "es un trabajo PostScript";
        QTest::newRow("PostScript") << "%!PS-Adobe-3.0\n/Courier findfont\nshowpage\n"_ba
                                    << "es un trabajo PostScript";
        QTest::newRow("PDF") << "%PDF-1.4\n%\xe2\xe3\n1 0 obj\n"_ba
                             << "es un documento PDF";
        QTest::newRow("HP-GL/2") << "IN;SP1;PU0,0;PD100,100;"_ba
                                 << "es un trabajo HP-GL/2";
        QTest::newRow("IBM Proprinter")
            << esc(":") + "doce cpi" + esc("[@\x04\x00\x00\x00\x11\x02"_ba) + "alto\r\n"
            << "IBM Proprinter";
        QTest::newRow("1 MB de NUL") << QByteArray(1 << 20, '\0') << "no tiene nada que imprimir";
        QTest::newRow("solo códigos y saltos") << esc("@") + esc("E") + "\r\n\r\n\x07\x0e\f"
                                               << "no tiene nada que imprimir";
        QTest::newRow("ESC ( más largo que el fichero")
            << "linea 1\r\n" + esc("(C\x30\x70"_ba) + "resto del informe\r\n"
            << "ESC ( declara 28720 bytes|orden de impresora mal formada|«$», línea 2)";
        QTest::newRow("ESC * 0x48 0xFF 0xFF al empezar")
            << esc("*\x48\xff\xff"_ba) + QByteArray(150000, 'x')
            << "ESC * declara 393210 bytes|«$», línea 1)";
        QTest::newRow("fichero vacío") << QByteArray() << QString();
        QTest::newRow("línea de 800 KB de ESC E") << QByteArray(800 * 1024 / 2, '\0')
                                                             .replace('\0', "\x1b"
                                                                            "E") +
                                                         "fin"
                                                  << QString();
    }
    void rechazados() {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, mensaje);
        const QString prt = escribe(contenido);
        QString errores, pdf;
        const int estado = imprime(prt, errores, pdf);
        if (mensaje.isEmpty()) {
            QVERIFY2(estado == 0, qPrintable(errores));
            QVERIFY(!QFile::exists(prt));
            return;
        }
        QCOMPARE(estado, 1);
        for (const QString& parte : mensaje.replace("$", prt).split('|'))
            QVERIFY2(errores.contains(parte) && errores.contains(prt), qPrintable(errores));
        QVERIFY(QFile::exists(prt));
        QCOMPARE(QFileInfo(prt).size(), contenido.size());
        QVERIFY(!QFile::exists(pdf));
    }

    // Form feeds as a printer takes them: the paper already at the top of a sheet after a full
    // page; two in a row eject a blank sheet.
    void avancesDePagina_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QStringList>("paginas"); // each page's text, "" blank
        QByteArray llena;
        for (int i = 1; i <= 66; ++i)
            llena += "l" + QByteArray::number(i) + "\r\n";
        QTest::newRow("página llena y avance al final") << llena + "\f" << QStringList{"*"};
        QTest::newRow("página llena, avance y texto") << llena + "\f\r\nsigue\r\n"
                                                      << QStringList{"*", "sigue"};
        QTest::newRow("dos avances seguidos") << "a\f\fb"_ba << QStringList{"a", "", "b"};
        QTest::newRow("avance, línea y avance")
            << "a\f\r\n\f\r\nb\r\n"_ba << QStringList{"a", "", "b"};
        QTest::newRow("avance al final de la última página") << "a\r\nb\f"_ba << QStringList{"a b"};
        const QByteArray epson = esc("@");
        QTest::newRow("ESC/P: página llena y avance al final")
            << epson + llena + "\f" << QStringList{"*"};
        QTest::newRow("ESC/P: dos avances seguidos")
            << epson + "a\f\fb" << QStringList{"a", "", "b"};
        QTest::newRow("ESC/P: ESC C 0 1, una página por pulgada")
            << epson + esc("C\x00\x01"_ba) + "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n"
            << QStringList{"a b c d e f", "g"};
        QTest::newRow("ESC/P: ESC C 3 a media página: la línea es el principio del impreso")
            << epson + "a\r\nb\r\n" + esc("C\x03"_ba) + "c\r\nd\r\ne\r\nf\r\n"
            << QStringList{"a b", "c d e", "f"};
        QByteArray ochenta = epson + esc("0");
        for (int i = 1; i <= 90; ++i)
            ochenta += "m" + QByteArray::number(i) + "\r\n";
        QTest::newRow("ESC/P: 90 líneas a 8 por pulgada") << ochenta << QStringList{"*", "*"};
    }
    void avancesDePagina() {
        QFETCH(QByteArray, contenido);
        QFETCH(QStringList, paginas);
        QString errores, pdf;
        QVERIFY2(imprime(escribe(contenido), errores, pdf) == 0, qPrintable(errores));
        QCOMPARE(PaginasPdf(pdf), int(paginas.size()));
        for (int i = 0; i < paginas.size(); ++i) {
            if (paginas[i] == "*") continue;
            const QString p = QString::number(i + 1);
            QCOMPARE(Ejecuta("pdftotext", {"-f", p, "-l", p, pdf, "-"}).simplified(), paginas[i]);
        }
    }

    // Where each command puts a word, from Epson's units: the distance from an anchor word on
    // the page (points; 1/360 inch is 0.2 pt; pica is 7.2 pt a character, elite 6, 15 cpi 4.8,
    // condensed 4.2 and 3.6), within 0.5 pt, and the width of the word when it says its pitch.
    void posiciones_data() {
        QTest::addColumn<QString>("fichero");
        QTest::addColumn<QStringList>("opciones");
        QTest::addColumn<QString>("ancla");
        QTest::addColumn<QString>("palabra");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");    // NaN: not compared (another size)
        QTest::addColumn<double>("ancho"); // 0: not compared
        const QStringList n;
        const QStringList nueve{"--escp9"};
        const double no = std::nan("");
        auto fila = [&](const char* f, const QStringList& o, const char* a, const char* p,
                        double dx, double dy, double ancho = 0) {
            QTest::addRow("%s %s%s", f, p, o.isEmpty() ? "" : " 9 agujas")
                << QString(f) << o << QString(a) << QString::fromUtf8(p) << dx << dy << ancho;
        };
        fila("factura.prt", n, "FACTURA", "Articulo", 0, 24);
        fila("factura.prt", n, "Articulo", "Cantidad", 72, 0);    // ESC D: tab at column 10
        fila("factura.prt", n, "Articulo", "Importe", 360, 0);    // column 50
        fila("factura.prt", n, "Tuercas", "7", 216, 0);           // ESC $ 180/60 inch
        fila("factura.prt", n, "Tuercas", "1,10", 360, 0);        // ESC $ 300/60 inch
        fila("factura.prt", n, "Total", "99,00", 180, 0);         // 5 columns + ESC \ 360/180
        fila("factura.prt", n, "Articulo", "Sangrado", 36, 48);   // ESC l 5
        fila("factura.prt", n, "Articulo", "Tab", 108, 48);       // tabs count from the margin
        fila("listado.prt", n, "L01", "L70", 0, 69 * 9);          // ESC 0: 8 lines an inch
        fila("formulario.prt", n, "Nombre:", "Garcia", 50.4, 36); // ESC J 90/180, same column
        fila("formulario.prt", n, "Nombre:", "Calle", 0, 48);
        fila("formulario.prt", n, "Nombre:", "Ciudad", 0, 76.8);      // ESC 3 72/180
        fila("formulario.prt", n, "Nombre:", "Pais", 0, 120);         // ESC A 12/60
        fila("formulario.prt", n, "Nombre:", "Fecha", 0, 146.4);      // ESC 2
        fila("formulario.prt", nueve, "Nombre:", "Garcia", 50.4, 30); // 90/216
        fila("formulario.prt", nueve, "Nombre:", "Ciudad", 0, 66);    // 72/216
        fila("formulario.prt", nueve, "Nombre:", "Pais", 0, 102);     // 12/72
        fila("sobreimpresion.prt", n, "Importe", "_______", 0, 0);    // CR
        fila("sobreimpresion.prt", n, "Nulo", "----", 0, 0);          // BS
        fila("tipos.prt", n, "Normal", "ANCHO", 50.4, 0, 72);         // SO: 14.4 a character
        fila("tipos.prt", n, "Sigue", "DOBLE", 43.2, 0, 72);          // ESC W 1
        fila("tipos.prt", n, "Sigue", "fin", 122.4, 0);
        fila("tipos.prt", n, "ALTO", "bajo", 36, no, 28.8); // ESC w: as wide
        fila("tipos.prt", n, "m", "2", 7.2, no);            // ESC S 0
        fila("tipos.prt", n, "Pica", "Elite", 36, 0, 30);
        fila("tipos.prt", n, "Pica", "Quince", 72, 0, 28.8);
        fila("tipos.prt", n, "Pica", "Condensada", 105.6, 0, 42);
        fila("tipos.prt", n, "Pica", "Veinte", 151.8, 0, 21.6);
        fila("nacional.prt", n, "AÑO", "español", 28.8, 0); // ESC R 7
        fila("nacional.prt", n, "AÑO", "₧", 86.4, 0);
        fila("nacional.prt", n, "¡Qué", "¿Cómo?", 72, 0);         // ESC R 11
        fila("nacional.prt", n, "Pingüino", "niño", 64.8, 0);     // ESC R 12
        fila("nacional.prt", n, "AÑO", "Cursiva", 0, 36);         // ESC t 0
        fila("marcado_nacional.prt", n, "AÑO", "español", 24, 0); // markup: 10-point Courier
    }
    void posiciones() {
        QFETCH(QString, fichero);
        QFETCH(QStringList, opciones);
        QFETCH(QString, ancla);
        QFETCH(QString, palabra);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, ancho);
        const auto cajas = palabras(pdfDe(fichero, opciones));
        QVERIFY2(cajas.contains(ancla) && cajas.contains(palabra),
                 qPrintable(QStringList(cajas.keys()).join(' ')));
        const Caja a = cajas.value(ancla), p = cajas.value(palabra);
        QVERIFY2(qAbs(p.x0 - a.x0 - dx) <= 0.5, qPrintable(QString::number(p.x0 - a.x0)));
        if (!std::isnan(dy))
            QVERIFY2(qAbs(p.y1 - a.y1 - dy) <= 0.5, qPrintable(QString::number(p.y1 - a.y1)));
        if (ancho > 0)
            QVERIFY2(qAbs(p.x1 - p.x0 - ancho) <= 0.5, qPrintable(QString::number(p.x1 - p.x0)));
    }

    // The logo's three graphics on each of three pages: at their true size (the dots per inch
    // pdfimages reads from the placed size), each held once in the document as a 1-bit stencil.
    void graficos_data() {
        QTest::addColumn<int>("ancho");
        QTest::addColumn<int>("alto");
        QTest::addColumn<int>("ppiX");
        QTest::addColumn<int>("ppiY");
        QTest::addColumn<QStringList>("opciones");
        QTest::newRow("ESC * 39: 24 puntos a 180 ppp") << 120 << 24 << 180 << 180 << QStringList();
        QTest::newRow("ESC * 1: 8 puntos a 120 x 60 ppp") << 96 << 8 << 120 << 60 << QStringList();
        QTest::newRow("ESC . por tramos a 180 ppp") << 64 << 24 << 180 << 180 << QStringList();
        QTest::newRow("9 agujas: ESC * 1 a 120 x 72 ppp")
            << 96 << 8 << 120 << 72 << QStringList{"--escp9"};
    }
    void graficos() {
        QFETCH(int, ancho);
        QFETCH(int, alto);
        QFETCH(int, ppiX);
        QFETCH(int, ppiY);
        QFETCH(QStringList, opciones);
        const QString pdf = pdfDe("logo.prt", opciones);
        QCOMPARE(PaginasPdf(pdf), 3);
        QSet<QString> objetos;
        int veces = 0;
        for (const QString& l : Ejecuta("pdfimages", {"-list", pdf}).split('\n')) {
            const QStringList c = l.simplified().split(' ');
            if (c.size() < 14 || c[2] != "stencil" || c[3] != QString::number(ancho) ||
                c[4] != QString::number(alto))
                continue;
            ++veces;
            objetos << c[10];
            QCOMPARE(c[12].toInt(), ppiX);
            QCOMPARE(c[13].toInt(), ppiY);
        }
        QCOMPARE(veces, 3);
        QCOMPARE(objetos.size(), 1);
    }

    // The look of each corpus page against a render made once and looked at
    // (datos/rehace_referencias.sh): a missing, moved or misdrawn letter or dot changes more
    // pixels than anti-aliasing does.
    void comoLaReferencia_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QStringList>("opciones");
        for (const char* f :
             {"factura", "listado", "formulario", "sobreimpresion", "logo", "nacional", "tipos"})
            QTest::newRow(f) << QString(f) << QStringList();
        QTest::newRow("formulario 9 agujas") << "formulario9" << QStringList{"--escp9"};
    }
    void comoLaReferencia() {
        QFETCH(QString, nombre);
        QFETCH(QStringList, opciones);
        const QString fichero = (opciones.isEmpty() ? nombre : nombre.chopped(1)) + ".prt";
        const QString png = dir.filePath(nombre);
        Ejecuta("pdftoppm", {"-r", "50", "-gray", "-png", "-f", "1", "-l", "1", "-singlefile",
                             pdfDe(fichero, opciones), png});
        const QImage ref(kDatos + "/" + nombre + ".png"), nueva(png + ".png");
        QVERIFY(!ref.isNull() && !nueva.isNull());
        QCOMPARE(nueva.size(), ref.size());
        const int distintos = pixelesDistintos(ref, nueva);
        QVERIFY2(distintos <= 20, qPrintable(QString::number(distintos)));
    }
};

QTEST_GUILESS_MAIN(TestPaginaEscP)
#include "test_pagina_escp.moc"
