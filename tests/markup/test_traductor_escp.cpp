#include "markup/traductor_escp.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray traduce(const QByteArray& entrada) {
    TraductorEscP t;
    QByteArray salida;
    t.traduce(entrada, salida);
    return salida;
}
// The same bytes fed one at a time: a sequence may be split anywhere between two reads.
QByteArray traduceDeUnoEnUno(const QByteArray& entrada) {
    TraductorEscP t;
    QByteArray salida;
    for (char c : entrada)
        t.traduce(QByteArrayView(&c, 1), salida);
    return salida;
}
QByteArray esc(const QByteArray& resto) {
    return "\x1b" + resto;
}
} // namespace

class TestTraductorEscP : public QObject {
    Q_OBJECT
  private slots:
    void traduccion_data() {
        QTest::addColumn<QByteArray>("entrada");
        QTest::addColumn<QByteArray>("esperado");
        QTest::newRow("texto y marcas intactos") << QByteArray("Total {{NegritaOn}}[N]5\t\xa4\r\n")
                                                 << QByteArray("Total {{NegritaOn}}[N]5\t\xa4\r\n");
        QTest::newRow("negrita") << esc("E") + "bold " + esc("F") + "x"
                                 << QByteArray("{{NegritaOn}}bold {{NegritaOff}}x");
        QTest::newRow("cursiva") << esc("4") + "it" + esc("5")
                                 << QByteArray("{{ItalicaOn}}it{{ItalicaOff}}");
        QTest::newRow("subrayado binario y ASCII")
            << esc("-\x01") + "a" + esc("-0") + "b" + esc("-1") + "c" + esc("-\x00"_ba)
            << QByteArray("{{SubrayadoOn}}a{{SubrayadoOff}}b{{SubrayadoOn}}c{{SubrayadoOff}}");
        QTest::newRow("doble ancho ESC W") << esc("W1") + "AA" + esc("W\x00"_ba) + "b"
                                           << QByteArray("{{AmpliadaOn}}AA{{AmpliadaOff}}b");
        QTest::newRow("ESC W repetido no cuadruplica")
            << esc("W1") + esc("W\x01") + "A" + esc("W0") + esc("W0")
            << QByteArray("{{AmpliadaOn}}A{{AmpliadaOff}}");
        QTest::newRow("SO hasta el fin de línea")
            << QByteArray("\x0eTITULO\r\nresto")
            << QByteArray("{{AmpliadaOn}}TITULO{{AmpliadaOff}}\r\nresto");
        QTest::newRow("DC4 cancela SO") << QByteArray("\x0e"
                                                      "AB\x14"
                                                      "cd\r\n")
                                        << QByteArray("{{AmpliadaOn}}AB{{AmpliadaOff}}cd\r\n");
        QTest::newRow("SO dentro de ESC W sigue doble") << esc("W1") + "\x0e"
                                                                       "a\r\nb"
                                                        << QByteArray("{{AmpliadaOn}}a\r\nb");
        QTest::newRow("condensado SI y DC2 vuelve al paso")
            << esc("M") + "\x0f"
                          "c\x12"
                          "e"
            << QByteArray("{{Elite}}{{Comprimida}}c{{Elite}}e");
        QTest::newRow("ESC SI") << esc("\x0f") + "c" << QByteArray("{{Comprimida}}c");
        QTest::newRow("pica, élite, 15 cpi con doble ancho")
            << esc("W1") + esc("P") + esc("M") + esc("g")
            << QByteArray("{{AmpliadaOn}}{{Pica}}{{AmpliadaOn}}{{Elite}}{{AmpliadaOn}}"
                          "{{Comprimida}}{{AmpliadaOn}}");
        QTest::newRow("reinicio") << esc("E") + esc("@") + "x"
                                  << QByteArray("{{NegritaOn}}{{\x01Reinicio}}x");
        QTest::newRow("largo de página en líneas")
            << esc("C\x30") + "x" << QByteArray("{{\x01Lineas 48}}x");
        QTest::newRow("largo de página en pulgadas")
            << esc("C\x00\x0b"_ba) + "x" << QByteArray("{{\x01Lineas 66}}x");
        // Graphics data may hold any byte: CR, LF, ESC, letters; none of it reaches the text.
        QTest::newRow("ESC * 8 puntos")
            << esc("*\x00\x04\x00"_ba) + "A\r\n\x1b" + "fin" << QByteArray("fin");
        QTest::newRow("ESC * 24 puntos")
            << esc("*\x21\x02\x00"_ba) + "ABCDEF" + "fin" << QByteArray("fin");
        QTest::newRow("ESC K") << esc("K\x03\x00"_ba) + "\r\nZ" + "fin" << QByteArray("fin");
        QTest::newRow("ESC ( con su largo")
            << esc("(C\x02\x00\x10\x27"_ba) + "fin" << QByteArray("fin");
        QTest::newRow("ESC . por tramos") << esc(".\x01\x0a\x0a\x01\x10\x00"_ba) + "\x00"
                                                                                   "A"
                                                                                   "\xfe"
                                                                                   "B"
                                                                                   "fin"_ba
                                          << QByteArray("fin");
        QTest::newRow("ESC . sin comprimir")
            << esc(".\x00\x0a\x0a\x02\x08\x00"_ba) + "XYfin" << QByteArray("fin");
        QTest::newRow("ESC $ posición") << esc("$\x10\x00"_ba) + "a" << QByteArray("a");
        QTest::newRow("ESC B lista hasta NUL") << esc("B\x05\x0a\x00"_ba) + "a" << QByteArray("a");
        QTest::newRow("ESC & caracteres propios") << esc("&\x00\x41\x42"_ba) + "\x00\x01\x00"
                                                                               "abc"
                                                                               "\x00\x01\x00"
                                                                               "def"
                                                                               "fin"_ba
                                                  << QByteArray("fin");
        QTest::newRow("desconocida: ESC y un byte") << esc("~") + "ab" << QByteArray("ab");
        QTest::newRow("controles sin imprimir") << QByteArray("a\x07\x00\x08\x0b"
                                                              "b",
                                                              7)
                                                << QByteArray("ab");
        QTest::newRow("salto de página intacto") << QByteArray("a\fb") << QByteArray("a\fb");
        QTest::newRow("ESC suelto al final de línea")
            << QByteArray("a\x1b\r\nb") << QByteArray("a\r\nb");
        QTest::newRow("secuencia cortada al final")
            << esc("*\x00\x10\x00"_ba) + "ABC" << QByteArray();
    }
    void traduccion() {
        QFETCH(QByteArray, entrada);
        QFETCH(QByteArray, esperado);
        QCOMPARE(traduce(entrada), esperado);
        QCOMPARE(traduceDeUnoEnUno(entrada), esperado);
    }
};

QTEST_APPLESS_MAIN(TestTraductorEscP)
#include "test_traductor_escp.moc"
