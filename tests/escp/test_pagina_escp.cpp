// The Epson page: what is taken for ESC/P, and ESC/P pages printed by velmor-imprimir, on the PDF
// (word positions, pictures, reference renders).
#include "markup/lenguaje_impresora.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {
const QString kDatos = QStringLiteral(VELMOR_DATOS_ESCP);

// Epson codes that look like another language's and are not: never refused. Bytes ¦ the
// language found.
const char* const kNoRechazados = R"filas(
negrita al empezar ¦ \eETotal ¦ EscP
caracteres propios ESC & ¦ \e&\0AAx ¦ EscP
unidades ESC ( U ¦ \e(U\x01\0\nx ¦ EscP
gráfico ESC * 39 ¦ \e*\x27\x01\0abc ¦ EscP
marcado con códigos Epson ¦ {{NegritaOn}}x\eE\e&l2A\e(s3B ¦ Marcado
texto llano con corchetes ¦ [N]Total 5%! ¦ Marcado
)filas";

} // namespace

class TestPaginaEscP : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QHash<QString, QString> impresos; // the corpus file printed once per set of options

    QString pdfDe(const QString& fichero, const QStringList& opciones) {
        const QString clave = fichero + opciones.join(' ');
        if (!impresos.contains(clave)) {
            const QString pdf = dir.filePath(QStringLiteral("corpus%1.pdf").arg(impresos.size()));
            QString errores;
            if (Imprime(QStringList{"--pdf", pdf} + opciones + QStringList{kDatos + "/" + fichero},
                        &errores))
                qWarning("%s", qPrintable(errores));
            impresos.insert(clave, pdf);
        }
        return impresos.value(clave);
    }

  private slots:
    void epsonNoSeRechaza_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<int>("lenguaje");
        for (const QStringList& f : Filas(kNoRechazados, 3))
            QTest::newRow(qPrintable(f[0]))
                << Bytes(f[1]) << int(f[2] == "EscP" ? Lenguaje::EscP : Lenguaje::Marcado);
    }
    void epsonNoSeRechaza() {
        QFETCH(QByteArray, contenido);
        QFETCH(int, lenguaje);
        QCOMPARE(int(DetectaLenguaje(contenido)), lenguaje);
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
        fila("factura.prt", n, "Tuercas", "7", 216, 0);           // ESC $ 180/60 inch
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
        const auto cajas = PalabrasPdf(pdfDe(fichero, opciones));
        QVERIFY2(cajas.contains(ancla) && cajas.contains(palabra),
                 qPrintable(QStringList(cajas.keys()).join(' ')));
        const QRectF a = cajas[ancla][0], p = cajas[palabra][0];
        QVERIFY2(qAbs(p.left() - a.left() - dx) <= 0.5, qPrintable(QString::number(p.left())));
        if (!std::isnan(dy))
            QVERIFY2(qAbs(p.bottom() - a.bottom() - dy) <= 0.5,
                     qPrintable(QString::number(p.bottom())));
        if (ancho > 0)
            QVERIFY2(qAbs(p.width() - ancho) <= 0.5, qPrintable(QString::number(p.width())));
    }

    // The logo's three graphics on each of three pages: at their true size (the dots per inch
    // pdfimages reads from the placed size) and each held once in the document.
    void graficos_data() {
        QTest::addColumn<QString>("imagen"); // width, height, x-ppi, y-ppi
        QTest::addColumn<QStringList>("opciones");
        QTest::newRow("ESC * 39: 24 puntos a 180 ppp") << "120 24 180 180" << QStringList();
        QTest::newRow("ESC * 1: 8 puntos a 120 x 60 ppp") << "96 8 120 60" << QStringList();
        QTest::newRow("ESC . por tramos a 180 ppp") << "64 24 180 180" << QStringList();
        QTest::newRow("9 agujas: ESC * 1 a 120 x 72 ppp")
            << "96 8 120 72" << QStringList{"--escp9"};
    }
    void graficos() {
        QFETCH(QString, imagen);
        QFETCH(QStringList, opciones);
        const QString pdf = pdfDe("logo.prt", opciones);
        QCOMPARE(PaginasPdf(pdf), 3);
        QSet<QString> objetos;
        int veces = 0;
        for (const QStringList& c : ImagenesPdf(pdf)) {
            if (c.mid(0, 2) != imagen.split(' ').mid(0, 2)) continue; // another of the graphics
            QCOMPARE(c.mid(0, 4).join(' '), imagen);
            ++veces, objetos << c[4];
        }
        QCOMPARE(objetos.size(), 1);
        QCOMPARE(veces, 3);
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
        const QImage ref(kDatos + "/" + nombre + ".png"),
            nueva = PaginaGris(pdfDe(fichero, opciones), 1, 50);
        QVERIFY(!ref.isNull() && !nueva.isNull());
        QCOMPARE(nueva.size(), ref.size());
        const int distintos = Compara(ref, nueva).distintos;
        QVERIFY2(distintos <= 20, qPrintable(QString::number(distintos)));
    }
};

QTEST_GUILESS_MAIN(TestPaginaEscP)
#include "test_pagina_escp.moc"
