// The markup without a printer: lines read from the bytes of a file, bracket codes expanded,
// lines split into text and tags, Epson codes translated; paths and the one deleting primitive.
#include "markup/lector_prt.h"
#include "markup/segmentos.h"
#include "markup/sustituye_prt.h"
#include "markup/traductor_escp.h"
#include "shared/error.h"
#include "shared/fichero_regular.h"
#include "shared/paths.h"
#include "support/ficheros.h"

#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
QByteArray esc(const QByteArray& resto) {
    return "\x1b" + resto;
}
// A line of `largo` bytes ending in CR exactly at the reader's 64 KiB block boundary, then CR LF.
QByteArray crEnElLimite(int largo) {
    QByteArray b(largo, 'x');
    b += '\r';
    b += QByteArray(65536 - b.size() % 65536 - 1, 'y') + "\r\nfin";
    return b;
}
} // namespace

class TestMarcado : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    // Every line end a DOS, Unix or Mac program writes, and lines longer than a read block.
    void lectura_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lineas"); // "#n": a line of n characters
        QTest::newRow("CR LF") << "uno\r\ndos\r\n"_ba << QStringList{"uno", "dos"};
        QTest::newRow("CR") << "uno\rdos\r"_ba << QStringList{"uno", "dos"};
        QTest::newRow("mezcla") << "a\rb\r\nc\nd"_ba << QStringList{"a", "b", "c", "d"};
        QTest::newRow("vacías") << "\r\n\r\nx\r\n\r\n"_ba << QStringList{"", "", "x", ""};
        QTest::newRow("LF CR son dos fines") << "a\n\rb"_ba << QStringList{"a", "", "b"};
        QTest::newRow("fichero vacío") << QByteArray() << QStringList{};
        QTest::newRow("solo un fin") << "\r\n"_ba << QStringList{""};
        QTest::newRow("bytes altos") << "\xA4\x81\xFF"_ba << QStringList{"¤\u0081ÿ"};
        QTest::newRow("CR LF partido entre bloques")
            << QByteArray(65535, 'a') + "\r\nb" << QStringList{"#65535", "b"};
        QTest::newRow("línea de varios bloques")
            << crEnElLimite(200000) << QStringList{"#200000", "#62142", "fin"};
    }
    void lectura() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lineas);
        LectorPrt lector(EscribeFichero(dir.filePath("l.prt"), bytes));
        QStringList leidas;
        for (QString l; lector.siguiente(l);) {
            leidas << (l.size() > 1000 ? "#" + QString::number(l.size()) : l);
            QCOMPARE(lector.numeroLinea(), leidas.size());
        }
        QVERIFY(lector.alFinal());
        QCOMPARE(leidas, lineas);
    }

    void expansion_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QString>("esperado");
        const QString relleno(40000, ' ');
        for (const auto& [nombre, linea, esperado] :
             std::initializer_list<std::tuple<const char*, QString, QString>>{
                 {"sin códigos", "Sin codigos", "Sin codigos"},
                 {"sin cierre", "abc [def", "abc [def"},
                 {"vacío entre texto", "x[]y", "xy"},
                 {"negrita", "[N]Hola[n]", "{{NegritaOn}}Hola{{NegritaOff}}"},
                 {"1 es PN", "[1]", "{{Pica}}{{NegritaOn}}"},
                 {"ignorados", "[N x]", "{{NegritaOn}}"},
                 {"fuente vacía", "[*]", "{{*}}"},
                 {"cierre antes", "]a[N]", "]a{{NegritaOn}}"},
                 {"corchete dentro", "[N[I]", "{{NegritaOn}}{{ItalicaOn}}"},
                 {"dos tramos", "[N]a[I]b", "{{NegritaOn}}a{{ItalicaOn}}b"},
                 {"Courier New", "[*Courier New]", "{{*Courier New}}"},
                 {"asterisco segundo", "[N*Arial]", "{{**Arial}}"},
                 {"todos", "[AaPECNnIiSs1ZFL]",
                  "{{AmpliadaOn}}{{AmpliadaOff}}{{Pica}}{{Elite}}{{Comprimida}}{{NegritaOn}}"
                  "{{NegritaOff}}{{ItalicaOn}}{{ItalicaOff}}{{SubrayadoOn}}{{SubrayadoOff}}"
                  "{{Pica}}{{NegritaOn}}{{Pica}}{{NegritaOff}}{{Pagina}}{{Courier}}"},
                 {"minúsculas sin código", "[pecflz]", ""},
                 {"palabra con código", "[Hola]", "{{AmpliadaOff}}"},
                 {"tramo tras uno sin cierre", "[N]x[y", "{{NegritaOn}}x[y"},
                 // A font name holding "[" opens the next span inside the tag just made.
                 {"fuente con corchete", "[*A[B]C]", "{{*A{{Comprimida}}"},
                 {"fuente con corchete, luego N", "[*x[N]y]z", "{{*x{{NegritaOn}}z"},
                 {"fuente anidada", "[*[*ab]cd]", "{{*{{*ab}}cd}}"},
                 {"más allá de 32765", relleno + "[N]x", relleno + "{{NegritaOn}}x"}})
            QTest::newRow(nombre) << linea << esperado;
    }
    void expansion() {
        QFETCH(QString, linea);
        QFETCH(QString, esperado);
        QCOMPARE(SustituyePrt(linea), esperado);
    }

    // Each segment as "text|tag": "*name" a font, "?" an unknown tag, "!" a malformed line.
    void segmentos_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<QStringList>("partes");
        const QString relleno(40000, 'x');
        for (const auto& [nombre, linea, partes] :
             std::initializer_list<std::tuple<const char*, QString, QStringList>>{
                 {"ejemplo",
                  "Total: {{NegritaOn}}125{{NegritaOff}} EUR",
                  {"Total: |NegritaOn", "125|NegritaOff", " EUR|"}},
                 {"vacía", "", {}},
                 {"etiqueta vacía", "a{{}}b", {"a|?", "b|"}},
                 {"desconocidas", "{{pica}}x{{ Pica}}", {"|?", "x|?"}},
                 {"tercera llave", "a{{{Pica}}b", {"a|?", "b|"}},
                 {"fuente", "{{*  Courier New }}x", {"|*Courier New", "x|"}},
                 {"fuente vacía", "{{*}}", {"|*"}},
                 {"Pagina corta la línea", "abc{{Pagina}}def{{Pica}}", {"abc|Pagina"}},
                 {"cierre suelto tras etiqueta", "{{Pica}}a}}b", {"|Pica", "a}}b|"}},
                 {"más allá de 32765", relleno + "{{Pica}}y", {relleno + "|Pica", "y|"}},
                 {"sin cierre", "x{{NegritaOn}", {"!"}},
                 {"cierre antes", "a}}b{{Pica}}c", {"!"}},
                 {"mala tras una buena", "{{Pica}}a{{b", {"|Pica", "!"}},
                 {"cierre solo antes", "{{Pica}}}}x{{y", {"|Pica", "!"}}})
            QTest::newRow(nombre) << linea << partes;
    }
    void segmentos() {
        QFETCH(QString, linea);
        QFETCH(QStringList, partes);
        Segmentos s(linea);
        QStringList leidas;
        try {
            for (auto g = s.siguiente(); g; g = s.siguiente()) {
                const QString tag = partes.value(leidas.size()).section('|', 1);
                const bool esa = g->fuente       ? "*" + *g->fuente == tag
                                 : tag.isEmpty() ? g->etiqueta == Etiqueta::Ninguna
                                 : tag == "?"    ? g->etiqueta == Etiqueta::Desconocida
                                                 : g->etiqueta == etiquetaDeNombre(tag);
                leidas << g->texto.toString() + "|" + (esa ? tag : "otra");
            }
        } catch (const ErrorVelmor& e) {
            QCOMPARE(e.numero(), int(ErrorVelmor::ArgumentoNoValido));
            QVERIFY2(e.descripcion().startsWith("Etiqueta mal formada"),
                     qPrintable(e.descripcion()));
            leidas << "!";
        }
        QCOMPARE(leidas, partes);
    }

    // A DOS program's Epson codes become the markup's tags; no byte of a code prints.
    void escp_data() {
        QTest::addColumn<QByteArray>("entrada");
        QTest::addColumn<QByteArray>("esperado");
        QTest::newRow("texto y marcas intactos") << "Total {{NegritaOn}}[N]5\t\xa4\r\n"_ba
                                                 << "Total {{NegritaOn}}[N]5\t\xa4\r\n"_ba;
        QTest::newRow("negrita") << esc("E") + "b " + esc("F") + "x"
                                 << "{{NegritaOn}}b {{NegritaOff}}x"_ba;
        QTest::newRow("cursiva") << esc("4") + "it" + esc("5")
                                 << "{{ItalicaOn}}it{{ItalicaOff}}"_ba;
        QTest::newRow("subrayado binario y ASCII")
            << esc("-\x01") + "a" + esc("-0") + "b" + esc("-1") + "c" + esc("-\x00"_ba)
            << "{{SubrayadoOn}}a{{SubrayadoOff}}b{{SubrayadoOn}}c{{SubrayadoOff}}"_ba;
        QTest::newRow("ESC W repetido no cuadruplica")
            << esc("W1") + esc("W\x01") + "A" + esc("W0") + esc("W\x00"_ba) + "b"
            << "{{AmpliadaOn}}A{{AmpliadaOff}}b"_ba;
        QTest::newRow("SO hasta el fin de línea")
            << "\x0eTITULO\r\nresto"_ba
            << "{{AmpliadaOn}}TITULO{{AmpliadaOff}}\r\nresto"_ba;
        QTest::newRow("DC4 cancela SO") << "\x0e"
                                           "AB\x14"
                                           "cd\r\n"_ba
                                        << "{{AmpliadaOn}}AB{{AmpliadaOff}}cd\r\n"_ba;
        QTest::newRow("SO dentro de ESC W sigue doble") << esc("W1") + "\x0e"
                                                                       "a\r\nb"
                                                        << "{{AmpliadaOn}}a\r\nb"_ba;
        QTest::newRow("SI y DC2 vuelven al paso") << esc("M") + "\x0f"
                                                                "c\x12"
                                                                "e"
                                                  << "{{Elite}}{{Comprimida}}c{{Elite}}e"_ba;
        QTest::newRow("ESC SI") << esc("\x0f") + "c"
                                << "{{Comprimida}}c"_ba;
        QTest::newRow("pasos con doble ancho")
            << esc("W1") + esc("P") + esc("M") + esc("g")
            << "{{AmpliadaOn}}{{Pica}}{{AmpliadaOn}}{{Elite}}{{AmpliadaOn}}{{Comprimida}}"
               "{{AmpliadaOn}}"_ba;
        QTest::newRow("reinicio") << esc("E") + esc("@") + "x"
                                  << "{{NegritaOn}}{{\x01Reinicio}}x"_ba;
        QTest::newRow("página en líneas") << esc("C\x30") + "x"
                                          << "{{\x01Lineas 48}}x"_ba;
        QTest::newRow("página en pulgadas") << esc("C\x00\x0b"_ba) + "x"
                                            << "{{\x01Lineas 66}}x"_ba;
        // Graphics data may hold any byte: CR, LF, ESC, letters; none of it reaches the text.
        QTest::newRow("ESC * 8 puntos") << esc("*\x00\x04\x00"_ba) + "A\r\n\x1b"
                                                                     "fin"
                                        << "fin"_ba;
        QTest::newRow("ESC * 24 puntos") << esc("*\x21\x02\x00"_ba) + "ABCDEFfin"
                                         << "fin"_ba;
        QTest::newRow("ESC K") << esc("K\x03\x00"_ba) + "\r\nZfin"
                               << "fin"_ba;
        QTest::newRow("ESC ( con su largo") << esc("(C\x02\x00\x10\x27"_ba) + "fin"
                                            << "fin"_ba;
        QTest::newRow("ESC . por tramos") << esc(".\x01\x0a\x0a\x01\x10\x00"_ba) + "\x00"
                                                                                   "A\xfe"
                                                                                   "Bfin"_ba
                                          << "fin"_ba;
        QTest::newRow("ESC . sin comprimir") << esc(".\x00\x0a\x0a\x02\x08\x00"_ba) + "XYfin"
                                             << "fin"_ba;
        QTest::newRow("ESC $ posición") << esc("$\x10\x00"_ba) + "a"
                                        << "a"_ba;
        QTest::newRow("ESC B hasta NUL") << esc("B\x05\x0a\x00"_ba) + "a"
                                         << "a"_ba;
        QTest::newRow("ESC & caracteres propios") << esc("&\x00\x41\x42"_ba) + "\x00\x01\x00"
                                                                               "abc\x00\x01\x00"
                                                                               "deffin"_ba
                                                  << "fin"_ba;
        QTest::newRow("desconocida: ESC y un byte") << esc("~") + "ab"
                                                    << "ab"_ba;
        QTest::newRow("controles sin imprimir") << "a\x07\x00\x08\x0b"
                                                   "b"_ba
                                                << "ab"_ba;
        QTest::newRow("salto de página intacto") << "a\fb"_ba
                                                 << "a\fb"_ba;
        QTest::newRow("ESC suelto al final de línea") << "a\x1b\r\nb"_ba
                                                      << "a\r\nb"_ba;
        QTest::newRow("secuencia cortada al final") << esc("*\x00\x10\x00"_ba) + "ABC"
                                                    << ""_ba;
    }
    void escp() {
        QFETCH(QByteArray, entrada);
        QFETCH(QByteArray, esperado);
        TraductorEscP entero, troceado; // the second one fed a byte at a time
        QByteArray todo, aTrozos;
        entero.traduce(entrada, todo);
        for (char c : entrada)
            troceado.traduce(QByteArrayView(&c, 1), aTrozos);
        QCOMPARE(todo, esperado);
        QCOMPARE(aTrozos, esperado);
    }

    void existeRuta_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<bool>("soloCarpeta");
        QTest::addColumn<bool>("existe");
        EscribeFichero(dir.filePath("INFORME.PRT"), "x");
        dir.nueva(); // c1
        QTest::newRow("fichero") << "INFORME.PRT" << false << true;
        QTest::newRow("fichero, solo carpeta") << "INFORME.PRT" << true << false;
        QTest::newRow("carpeta, solo carpeta") << "c1" << true << true;
        QTest::newRow("falta") << "NOEXISTE.PRT" << false << false;
        QTest::newRow("vacía") << "" << false << false;
        QTest::newRow("dentro de un fichero") << "INFORME.PRT/x" << false << false;
        QTest::newRow("NUL tras un fichero") << u"INFORME.PRT\0x"_s << false << false;
        QTest::newRow("NUL tras una carpeta") << u"c1\0"_s << true << false;
    }
    void existeRuta() {
        QFETCH(QString, ruta);
        QFETCH(bool, soloCarpeta);
        QFETCH(bool, existe);
        QCOMPARE(ExisteRuta(ruta.isEmpty() ? ruta : dir.filePath(ruta), soloCarpeta), existe);
        const QString antes = QDir::currentPath();
        QDir::setCurrent(dir.path()); // a relative path is taken from the current folder
        const bool relativa = ExisteRuta(ruta, soloCarpeta);
        QDir::setCurrent(antes);
        QCOMPARE(relativa, existe);
    }

    // The file goes only when it is still the file whose identity was taken; a failure names
    // the file and the cause, and deletes nothing.
    void borrar_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("cambio"); // what happens after the identity is taken
        QTest::addColumn<QString>("causa");  // empty: deleted
        QTest::newRow("el mismo") << "B.PRT"
                                  << ""
                                  << "";
        QTest::newRow("ya no existe") << "B.PRT"
                                      << "quita"
                                      << "ya no existe";
        QTest::newRow("dentro de un fichero") << "B.PRT/x"
                                              << ""
                                              << "ya no existe";
        QTest::newRow("carpeta") << "C"
                                 << ""
                                 << "es una carpeta";
        QTest::newRow("ampliado") << "B.PRT"
                                  << "amplia"
                                  << "ha cambiado desde que se imprimió";
        QTest::newRow("sustituido") << "B.PRT"
                                    << "sustituye"
                                    << "ha cambiado desde que se imprimió";
    }
    void borrar() {
        QFETCH(QString, nombre);
        QFETCH(QString, cambio);
        QFETCH(QString, causa);
        const QString c = dir.nueva();
        EscribeFichero(c + "/B.PRT", "x\r\n");
        QDir(c).mkdir("C");
        const QString ruta = c + "/" + nombre;
        struct stat datos {};
        ::stat(QFile::encodeName(ruta).constData(), &datos);
        const IdentidadFichero antes = IdentidadFichero::De(datos);
        if (cambio == "quita") QFile::remove(ruta);
        if (cambio == "amplia") EscribeFichero(ruta, "x\r\nmas\r\n");
        if (cambio == "sustituye")
            QVERIFY(::rename(QFile::encodeName(EscribeFichero(c + "/n", "x\r\n")),
                             QFile::encodeName(ruta)) == 0);
        const bool existia = QFileInfo::exists(ruta);
        try {
            BorrarFichero(ruta, antes, "desde que se imprimió");
            QVERIFY(causa.isEmpty());
            QVERIFY(!QFileInfo::exists(ruta));
        } catch (const ErrorVelmor& e) {
            QVERIFY2(e.descripcion().contains("«" + ruta + "»") && !causa.isEmpty() &&
                         e.descripcion().contains(causa),
                     qPrintable(e.descripcion()));
            QCOMPARE(QFileInfo::exists(ruta), existia);
        }
    }
};

QTEST_APPLESS_MAIN(TestMarcado)
#include "test_marcado.moc"
