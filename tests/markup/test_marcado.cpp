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
#include "support/filas.h"

#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
// Every line end a DOS, Unix or Mac program writes. Bytes ¦ the lines read, "/" between them.
const char* const kLecturas = R"filas(
CR ¦ uno\rdos\r ¦ uno/dos
mezcla ¦ a\rb\r\nc\nd ¦ a/b/c/d
vacías ¦ \r\n\r\nx\r\n\r\n ¦ //x/
LF CR son dos fines ¦ a\n\rb ¦ a//b
solo un fin ¦ \r\n ¦
)filas";

// Bracket codes ¦ what they expand to.
const char* const kExpansiones = R"filas(
sin cierre ¦ abc [def ¦ abc [def
vacío entre texto ¦ x[]y ¦ xy
ignorados ¦ [N x] ¦ {{NegritaOn}}
fuente vacía ¦ [*] ¦ {{*}}
cierre antes ¦ ]a[N] ¦ ]a{{NegritaOn}}
corchete dentro ¦ [N[I] ¦ {{NegritaOn}}{{ItalicaOn}}
Courier New ¦ [*Courier New] ¦ {{*Courier New}}
asterisco segundo ¦ [N*Arial] ¦ {{**Arial}}
todos ¦ [AaPECNnIiSs1ZFL] ¦ {{AmpliadaOn}}{{AmpliadaOff}}{{Pica}}{{Elite}}{{Comprimida}}{{NegritaOn}}{{NegritaOff}}{{ItalicaOn}}{{ItalicaOff}}{{SubrayadoOn}}{{SubrayadoOff}}{{Pica}}{{NegritaOn}}{{Pica}}{{NegritaOff}}{{Pagina}}{{Courier}}
minúsculas sin código ¦ [pecflz] ¦
palabra con código ¦ [Hola] ¦ {{AmpliadaOff}}
tramo tras uno sin cierre ¦ [N]x[y ¦ {{NegritaOn}}x[y
# A font name holding "[" opens the next span inside the tag just made.
fuente con corchete ¦ [*A[B]C] ¦ {{*A{{Comprimida}}
fuente anidada ¦ [*[*ab]cd] ¦ {{*{{*ab}}cd}}
)filas";

// A line ¦ its segments, "/" between them, each "text|tag": "*name" a font, "?" an unknown tag;
// "!" where the line is found malformed.
const char* const kSegmentos = R"filas(
ejemplo ¦ Total: {{NegritaOn}}125{{NegritaOff}} EUR ¦ Total: |NegritaOn/125|NegritaOff/ EUR|
desconocidas ¦ {{pica}}x{{ Pica}} ¦ |?/x|?
tercera llave ¦ a{{{Pica}}b ¦ a|?/b|
fuente ¦ {{*  Courier New }}x ¦ |*Courier New/x|
fuente vacía ¦ {{*}} ¦ |*
Pagina corta la línea ¦ abc{{Pagina}}def{{Pica}} ¦ abc|Pagina
cierre suelto tras etiqueta ¦ {{Pica}}a}}b ¦ |Pica/a}}b|
sin cierre ¦ x{{NegritaOn} ¦ !
cierre antes ¦ a}}b{{Pica}}c ¦ !
mala tras una buena ¦ {{Pica}}a{{b ¦ |Pica/!
)filas";

// A DOS program's Epson codes ¦ the markup's tags they become; no byte of a code prints. Graphics
// data may hold any byte (CR, LF, ESC, letters), and a code may be split anywhere between reads.
const char* const kEscP = R"filas(
texto y marcas intactos ¦ Total {{NegritaOn}}[N]5\t\xa4\r\n ¦ Total {{NegritaOn}}[N]5\t\xa4\r\n
negrita ¦ \eEb \eFx ¦ {{NegritaOn}}b {{NegritaOff}}x
cursiva ¦ \e4it\e5 ¦ {{ItalicaOn}}it{{ItalicaOff}}
subrayado binario y ASCII ¦ \e-\x01a\e-0b\e-1c\e-\0 ¦ {{SubrayadoOn}}a{{SubrayadoOff}}b{{SubrayadoOn}}c{{SubrayadoOff}}
ESC W repetido no cuadruplica ¦ \eW1\eW\x01A\eW0\eW\0b ¦ {{AmpliadaOn}}A{{AmpliadaOff}}b
SO hasta el fin de línea ¦ \x0eTITULO\r\nresto ¦ {{AmpliadaOn}}TITULO{{AmpliadaOff}}\r\nresto
DC4 cancela SO ¦ \x0eAB\x14cd\r\n ¦ {{AmpliadaOn}}AB{{AmpliadaOff}}cd\r\n
SO dentro de ESC W sigue doble ¦ \eW1\x0ea\r\nb ¦ {{AmpliadaOn}}a\r\nb
SI y DC2 vuelven al paso ¦ \eM\x0fc\x12e ¦ {{Elite}}{{Comprimida}}c{{Elite}}e
ESC SI ¦ \e\x0fc ¦ {{Comprimida}}c
pasos con doble ancho ¦ \eW1\eP\eM\eg ¦ {{AmpliadaOn}}{{Pica}}{{AmpliadaOn}}{{Elite}}{{AmpliadaOn}}{{Comprimida}}{{AmpliadaOn}}
reinicio ¦ \eE\e@x ¦ {{NegritaOn}}{{\x01Reinicio}}x
página en líneas ¦ \eC\x30x ¦ {{\x01Lineas 48}}x
página en pulgadas ¦ \eC\0\x0bx ¦ {{\x01Lineas 66}}x
ESC * 8 puntos ¦ \e*\0\x04\0A\r\n\efin ¦ fin
ESC * 24 puntos ¦ \e*\x21\x02\0ABCDEFfin ¦ fin
ESC K ¦ \eK\x03\0\r\nZfin ¦ fin
ESC ( con su largo ¦ \e(C\x02\0\x10\x27fin ¦ fin
ESC . por tramos ¦ \e.\x01\x0a\x0a\x01\x10\0\0A\xfeBfin ¦ fin
ESC . sin comprimir ¦ \e.\0\x0a\x0a\x02\x08\0XYfin ¦ fin
ESC $ posición ¦ \e$\x10\0a ¦ a
ESC B hasta NUL ¦ \eB\x05\x0a\0a ¦ a
ESC & caracteres propios ¦ \e&\0\x41\x42\0\x01\0abc\0\x01\0deffin ¦ fin
desconocida: ESC y un byte ¦ \e~ab ¦ ab
controles sin imprimir ¦ a\x07\0\x08\x0bb ¦ ab
salto de página intacto ¦ a\fb ¦ a\fb
ESC suelto al final de línea ¦ a\e\r\nb ¦ a\r\nb
secuencia cortada al final ¦ \e*\0\x10\0ABC ¦
)filas";

// A file's lines are counted in its own bytes, codes and graphics data included: bytes ¦ the
// limit ¦ the line found too long (0: none).
const char* const kLimites = R"filas(
justo en el límite ¦ abcd\r\nefgh ¦ 4 ¦ 0
un byte más ¦ abcd\r\nefghi ¦ 4 ¦ 2
los fines no cuentan ¦ ab\r\n\r\ncd\n ¦ 2 ¦ 0
tercera línea ¦ a\rb\rcccc ¦ 3 ¦ 3
los códigos cuentan ¦ a\eEb ¦ 3 ¦ 1
los datos gráficos cuentan ¦ x\r\eK\x03\0ABC\r\n ¦ 6 ¦ 2
texto tras los datos ¦ \eK\x01\0Aabc ¦ 6 ¦ 1
)filas";

// Paths below the test's folder, which holds the file INFORME.PRT and the folder c1 (NUL as \0):
// path ¦ only a folder ¦ exists.
const char* const kRutas = R"filas(
fichero ¦ INFORME.PRT ¦ 0 ¦ 1
fichero, solo carpeta ¦ INFORME.PRT ¦ 1 ¦ 0
carpeta, solo carpeta ¦ c1 ¦ 1 ¦ 1
falta ¦ NOEXISTE.PRT ¦ 0 ¦ 0
vacía ¦  ¦ 0 ¦ 0
dentro de un fichero ¦ INFORME.PRT/x ¦ 0 ¦ 0
NUL tras una carpeta ¦ c1\0 ¦ 1 ¦ 0
)filas";

// The file goes only when it is still the file whose identity was taken; a failure names the
// file and the cause, and deletes nothing. Path in a folder holding B.PRT and the folder C ¦ what
// happens after the identity is taken ¦ the cause (empty: deleted).
const char* const kBorrados = R"filas(
el mismo ¦ B.PRT ¦  ¦
ya no existe ¦ B.PRT ¦ quita ¦ ya no existe
dentro de un fichero ¦ B.PRT/x ¦  ¦ ya no existe
carpeta ¦ C ¦  ¦ es una carpeta
ampliado ¦ B.PRT ¦ amplia ¦ ha cambiado desde que se imprimió
sustituido ¦ B.PRT ¦ sustituye ¦ ha cambiado desde que se imprimió
)filas";
} // namespace

class TestMarcado : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    // Lines longer than a read block are shown as "#length".
    void lectura_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lineas");
        for (const QStringList& f : Filas(kLecturas, 3))
            QTest::newRow(qPrintable(f[0])) << Bytes(f[1]) << f[2].split('/');
        QTest::newRow("fichero vacío") << QByteArray() << QStringList{};
        QTest::newRow("bytes altos") << "\xA4\x81\xFF"_ba << QStringList{u"¤\u0081ÿ"_s};
        QTest::newRow("CR LF partido entre bloques")
            << QByteArray(65535, 'a') + "\r\nb" << QStringList{"#65535", "b"};
        // then a CR at the end of a 64 KiB block, its LF in the next
        QTest::newRow("línea de varios bloques")
            << QByteArray(200000, 'x') + '\r' + QByteArray(62142, 'y') + "\r\nfin"
            << QStringList{"#200000", "#62142", "fin"};
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
        FilasDeDatos(kExpansiones, {"linea", "esperado"});
        const QString relleno(40000, ' ');
        QTest::newRow("más allá de 32765") << relleno + "[N]x" << relleno + "{{NegritaOn}}x";
    }
    void expansion() {
        QFETCH(QString, linea);
        QFETCH(QString, esperado);
        QCOMPARE(SustituyePrt(linea), esperado);
    }

    void segmentos_data() {
        FilasDeDatos(kSegmentos, {"linea", "partes"});
        const QString relleno(40000, 'x');
        QTest::newRow("vacía") << QString() << QString();
        QTest::newRow("más allá de 32765") << relleno + "{{Pica}}y" << relleno + "|Pica/y|";
    }
    void segmentos() {
        QFETCH(QString, linea);
        QFETCH(QString, partes);
        const QStringList esperadas = partes.split('/', Qt::SkipEmptyParts);
        Segmentos s(linea);
        QStringList leidas;
        try {
            for (auto g = s.siguiente(); g; g = s.siguiente()) {
                const QString tag = esperadas.value(leidas.size()).section('|', 1);
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
        QCOMPARE(leidas, esperadas);
    }

    void escp_data() { FilasDeDatos(kEscP, {"entrada", "esperado"}); }
    void escp() {
        const QByteArray entrada = Bytes(Campo("entrada")), esperado = Bytes(Campo("esperado"));
        TraductorEscP entero, troceado; // the second one fed a byte at a time
        QByteArray todo, aTrozos;
        entero.traduce(entrada, todo);
        for (char c : entrada)
            troceado.traduce(QByteArrayView(&c, 1), aTrozos);
        QCOMPARE(todo, esperado);
        QCOMPARE(aTrozos, esperado);
    }

    void limiteLinea_data() { FilasDeDatos(kLimites, {"entrada", "limite", "linea"}); }
    void limiteLinea() {
        const QByteArray entrada = Bytes(Campo("entrada"));
        const int limite = Campo("limite").toInt(), linea = Campo("linea").toInt();
        for (const qsizetype trozo : {entrada.size(), qsizetype(1)}) {
            TraductorEscP traductor(limite);
            QByteArray salida;
            int fallo = 0;
            try {
                for (qsizetype i = 0; i < entrada.size(); i += trozo)
                    traductor.traduce(
                        QByteArrayView(entrada).sliced(i, std::min(trozo, entrada.size() - i)),
                        salida);
            } catch (const ErrorVelmor& e) {
                QCOMPARE(e.numero(), int(ErrorVelmor::LineaDemasiadoLarga));
                fallo = traductor.lineaActual();
            }
            QCOMPARE(fallo, linea);
        }
    }

    void existeRuta_data() {
        QDir::setCurrent(dir.path()); // relative paths are taken from here
        EscribeFichero(dir.filePath("INFORME.PRT"), "x");
        dir.nueva(); // c1
        FilasDeDatos(kRutas, {"ruta", "soloCarpeta", "existe"});
    }
    void existeRuta() {
        const QString ruta = QString::fromLatin1(Bytes(Campo("ruta")));
        const bool soloCarpeta = Campo("soloCarpeta") == "1", existe = Campo("existe") == "1";
        QCOMPARE(ExisteRuta(ruta.isEmpty() ? ruta : dir.filePath(ruta), soloCarpeta), existe);
        QCOMPARE(ExisteRuta(ruta, soloCarpeta), existe);
    }

    void borrar_data() { FilasDeDatos(kBorrados, {"nombre", "cambio", "causa"}); }
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
