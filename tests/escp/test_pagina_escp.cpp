// The Epson page: what is taken for ESC/P, and ESC/P pages printed by velmor-imprimir, on the PDF
// (word positions, pictures, reference renders).
#include "markup/lenguaje_impresora.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QTemporaryDir>
#include <QTest>

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

// Where each command puts a word, from Epson's units: the distance from an anchor word on the page
// (points; 1/360 inch is 0.2 pt; pica is 7.2 pt a character, elite 6, 15 cpi 4.8, condensed 4.2
// and 3.6), within 0.5 pt, and the width of the word when it says its pitch. Name ¦ file and
// options ¦ anchor ¦ word ¦ dx ¦ dy ("-": another size) ¦ width (0: not compared).
const char* const kPosiciones = R"filas(
factura Articulo ¦ factura.prt ¦ FACTURA ¦ Articulo ¦ 0 ¦ 24 ¦ 0
factura Cantidad: ESC D: tab at column 10 ¦ factura.prt ¦ Articulo ¦ Cantidad ¦ 72 ¦ 0 ¦ 0
factura 7: ESC $ 180/60 inch ¦ factura.prt ¦ Tuercas ¦ 7 ¦ 216 ¦ 0 ¦ 0
factura 99,00: 5 columns + ESC \ 360/180 ¦ factura.prt ¦ Total ¦ 99,00 ¦ 180 ¦ 0 ¦ 0
factura Sangrado: ESC l 5 ¦ factura.prt ¦ Articulo ¦ Sangrado ¦ 36 ¦ 48 ¦ 0
factura Tab: tabs count from the margin ¦ factura.prt ¦ Articulo ¦ Tab ¦ 108 ¦ 48 ¦ 0
listado L70: ESC 0: 8 lines an inch ¦ listado.prt ¦ L01 ¦ L70 ¦ 0 ¦ 621 ¦ 0
formulario Garcia: ESC J 90/180, same column ¦ formulario.prt ¦ Nombre: ¦ Garcia ¦ 50.4 ¦ 36 ¦ 0
formulario Calle ¦ formulario.prt ¦ Nombre: ¦ Calle ¦ 0 ¦ 48 ¦ 0
formulario Ciudad: ESC 3 72/180 ¦ formulario.prt ¦ Nombre: ¦ Ciudad ¦ 0 ¦ 76.8 ¦ 0
formulario Pais: ESC A 12/60 ¦ formulario.prt ¦ Nombre: ¦ Pais ¦ 0 ¦ 120 ¦ 0
formulario Fecha: ESC 2 ¦ formulario.prt ¦ Nombre: ¦ Fecha ¦ 0 ¦ 146.4 ¦ 0
formulario Garcia 9 agujas: 90/216 ¦ formulario.prt --escp9 ¦ Nombre: ¦ Garcia ¦ 50.4 ¦ 30 ¦ 0
formulario Ciudad 9 agujas: 72/216 ¦ formulario.prt --escp9 ¦ Nombre: ¦ Ciudad ¦ 0 ¦ 66 ¦ 0
formulario Pais 9 agujas: 12/72 ¦ formulario.prt --escp9 ¦ Nombre: ¦ Pais ¦ 0 ¦ 102 ¦ 0
sobreimpresion _______: CR ¦ sobreimpresion.prt ¦ Importe ¦ _______ ¦ 0 ¦ 0 ¦ 0
sobreimpresion ----: BS ¦ sobreimpresion.prt ¦ Nulo ¦ ---- ¦ 0 ¦ 0 ¦ 0
tipos ANCHO: SO: 14.4 a character ¦ tipos.prt ¦ Normal ¦ ANCHO ¦ 50.4 ¦ 0 ¦ 72
tipos DOBLE: ESC W 1 ¦ tipos.prt ¦ Sigue ¦ DOBLE ¦ 43.2 ¦ 0 ¦ 72
tipos fin ¦ tipos.prt ¦ Sigue ¦ fin ¦ 122.4 ¦ 0 ¦ 0
tipos bajo: ESC w: as wide ¦ tipos.prt ¦ ALTO ¦ bajo ¦ 36 ¦ - ¦ 28.8
tipos 2: ESC S 0 ¦ tipos.prt ¦ m ¦ 2 ¦ 7.2 ¦ - ¦ 0
tipos Elite ¦ tipos.prt ¦ Pica ¦ Elite ¦ 36 ¦ 0 ¦ 30
tipos Quince ¦ tipos.prt ¦ Pica ¦ Quince ¦ 72 ¦ 0 ¦ 28.8
tipos Condensada ¦ tipos.prt ¦ Pica ¦ Condensada ¦ 105.6 ¦ 0 ¦ 42
tipos Veinte ¦ tipos.prt ¦ Pica ¦ Veinte ¦ 151.8 ¦ 0 ¦ 21.6
nacional español: ESC R 7 ¦ nacional.prt ¦ AÑO ¦ español ¦ 28.8 ¦ 0 ¦ 0
nacional ₧ ¦ nacional.prt ¦ AÑO ¦ ₧ ¦ 86.4 ¦ 0 ¦ 0
nacional ¿Cómo?: ESC R 11 ¦ nacional.prt ¦ ¡Qué ¦ ¿Cómo? ¦ 72 ¦ 0 ¦ 0
nacional niño: ESC R 12 ¦ nacional.prt ¦ Pingüino ¦ niño ¦ 64.8 ¦ 0 ¦ 0
nacional Cursiva: ESC t 0 ¦ nacional.prt ¦ AÑO ¦ Cursiva ¦ 0 ¦ 36 ¦ 0
marcado_nacional español: markup: 10-point Courier ¦ marcado_nacional.prt ¦ AÑO ¦ español ¦ 24 ¦ 0 ¦ 0
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
        QTest::addColumn<QStringList>("f"); // the columns of kPosiciones
        for (const QStringList& f : Filas(kPosiciones, 7))
            QTest::newRow(qPrintable(f[0])) << f;
    }
    void posiciones() {
        QFETCH(QStringList, f);
        const QString &ancla = f[2], &palabra = f[3];
        const double dx = f[4].toDouble(), ancho = f[6].toDouble();
        const auto cajas = PalabrasPdf(pdfDe(f[1].section(' ', 0, 0), f[1].split(' ').mid(1)));
        QVERIFY2(cajas.contains(ancla) && cajas.contains(palabra),
                 qPrintable(QStringList(cajas.keys()).join(' ')));
        const QRectF a = cajas[ancla][0], p = cajas[palabra][0];
        QVERIFY2(qAbs(p.left() - a.left() - dx) <= 0.5, qPrintable(QString::number(p.left())));
        if (f[5] != "-")
            QVERIFY2(qAbs(p.bottom() - a.bottom() - f[5].toDouble()) <= 0.5,
                     qPrintable(QString::number(p.bottom())));
        if (ancho > 0)
            QVERIFY2(qAbs(p.width() - ancho) <= 0.5, qPrintable(QString::number(p.width())));
    }

    // The logo's three graphics on each of three pages: at their true size (the dots per inch
    // pdfimages reads from the placed size), each held once in the document as a 1-bit stencil.
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
            QCOMPARE(c[5], "stencil");
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
