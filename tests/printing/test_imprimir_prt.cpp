// The renderer ImprimirPrt against the recording fake device.
#include "printing/imagen_fondo.h"
#include "printing/imprimir_prt.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

class TestImprimirPrt : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;

    QString escribe(const QByteArray& contenido, const QString& nombre = {}) {
        const QString ruta = dir.filePath(nombre.isEmpty() ? QString("f%1.prt").arg(++n) : nombre);
        return EscribeFichero(ruta, contenido);
    }
    static QByteArray lineas(int cuantas, const QByteArray& prefijo = "linea ") {
        QByteArray b;
        for (int i = 1; i <= cuantas; ++i)
            b += prefijo + QByteArray::number(i) + "\r\n";
        return b;
    }
    static ResultadoPrt imprime(FakeDispositivo& d, const QString& ruta, int lineasPagina = 66,
                                bool dos = false, ImagenFondo* fondo = nullptr) {
        TrabajoPrt t;
        t.ruta = ruta;
        t.lineasPagina = lineasPagina;
        t.modoDos = dos;
        ImagenFondo propio;
        return ImprimirPrt(t, d, fondo ? *fondo : propio);
    }
    static QString b(const char* que, bool v) { return QString("%1 %2").arg(que).arg(v); }
    static QStringList de(const QStringList& registro, const QString& prefijo) {
        QStringList r;
        for (const QString& s : registro)
            if (s.startsWith(prefijo)) r << s;
        return r;
    }

  private slots:
    // The classic three-line example: bold, a page break line and a last line.
    void ejemploDeLaParte() {
        FakeDispositivo d;
        const auto r = imprime(d, escribe("[N]Total{{NegritaOff}}: 5\r\n{{Pagina}}\r\nFin\r\n"));
        QVERIFY(r.ok());
        const QStringList esperado{"reiniciaFormato",
                                   "fuente Courier New",
                                   "x 264",
                                   "texto ",
                                   b("negrita", true),
                                   "texto Total",
                                   b("negrita", false),
                                   "texto : 5",
                                   "finLinea",
                                   "y 204",
                                   "x 264",
                                   "texto ",
                                   "nuevaPagina",
                                   "x 264",
                                   "texto Fin",
                                   "finLinea",
                                   "y 204",
                                   "finDocumento"};
        QCOMPARE(d.registro, esperado);
        QCOMPARE(d.documentosTerminados, 1);
    }

    void longitudDePagina() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe(lineas(67))).ok());
        QCOMPARE(d.registro.count("nuevaPagina"), 1);
        QCOMPARE(d.registro.count("finDocumento"), 1);
        const int salto = d.registro.indexOf("nuevaPagina");
        QCOMPARE(d.registro.indexOf("texto linea 66") < salto, true);
        QCOMPARE(d.registro.indexOf("texto linea 67") > salto, true);
        QCOMPARE(d.registro.last(), QString("finDocumento"));
    }

    void lineasDeOtroLargo() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe(lineas(7)), 3).ok());
        QCOMPARE(d.registro.count("nuevaPagina"), 2);
        QCOMPARE(d.registro.count("finDocumento"), 1);
    }

    // A "{{Pagina}}" line does not count: the page after it again takes LineasPagina lines.
    void paginaNoCuenta() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe("a\r\nb\r\nc\r\n{{Pagina}}\r\nd\r\ne\r\n"), 2).ok());
        QCOMPARE(d.registro.count("nuevaPagina"), 2);
        QCOMPARE(d.registro.count("finLinea"), 5);
        const int e = d.registro.indexOf("texto e");
        const int dd = d.registro.indexOf("texto d");
        QVERIFY(d.registro.lastIndexOf("nuevaPagina") < dd);
        QCOMPARE(d.registro.mid(e + 1), (QStringList{"finLinea", "y 408", "finDocumento"}));
    }

    void paginaAlFinal() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe("a\r\nb{{Pagina}}resto\r\n")).ok());
        QCOMPARE(d.registro.count("finDocumento"), 1);
        QCOMPARE(d.registro.count("nuevaPagina"), 0); // the document ends instead
        QVERIFY(!d.registro.contains("texto resto"));
        QCOMPARE(d.registro.last(), QString("finDocumento"));
    }

    void ficheroVacio() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe("")).ok());
        QCOMPARE(d.registro, (QStringList{"reiniciaFormato", "fuente Courier New"}));
        QCOMPARE(d.documentosTerminados, 0);
        QVERIFY(!d.documentoAbierto);
    }

    void exactamenteLineasPagina() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe(lineas(66))).ok());
        QCOMPARE(d.registro.count("nuevaPagina"), 0);
        QCOMPARE(d.registro.count("finDocumento"), 1);
        QCOMPARE(d.registro.last(), QString("finDocumento"));
    }

    // Extra spacing after each line by the last pitch tag: 91 (7), 50 (9), 4 (11 or none).
    void espaciadoPorPaso() {
        FakeDispositivo d;
        QVERIFY(imprime(d, escribe("a\r\n{{Comprimida}}b\r\n\r\n{{Elite}}c\r\n{{Pica}}d\r\n"
                                   "{{AmpliadaOn}}e\r\n"))
                    .ok());
        // The fake's line height is the size in twips (20 a point).
        QCOMPARE(de(d.registro, "y "),
                 (QStringList{"y 204",          // 10 pt, no pitch: +4
                              "y 435", "y 666", // 7 pt: 140 + 91, twice
                              "y 896",          // 9 pt: 180 + 50
                              "y 1120",         // 11 pt: 220 + 4
                              "y 1564"}));      // 22 pt, pitch still 11: 440 + 4
    }

    void dobleAncho() {
        FakeDispositivo d;
        QVERIFY(
            imprime(d, escribe("{{Pica}}{{AmpliadaOn}}TITULO{{AmpliadaOff}}\r\ntexto\r\n"
                               "{{Elite}}{{AmpliadaOn}}x\r\n{{AmpliadaOff}}{{AmpliadaOff}}y\r\n"))
                .ok());
        QCOMPARE(de(d.registro, "tamano "),
                 (QStringList{"tamano 11", "tamano 22", "tamano 11", "tamano 9", "tamano 18",
                              "tamano 9", "tamano 4.5"}));
        const int t = d.registro.indexOf("texto TITULO");
        QCOMPARE(d.registro.at(t - 1), QString("tamano 22"));
        QCOMPARE(d.registro.at(t + 1), QString("tamano 11"));
        // The line end after TITULO is in the normal size: 220 + 4.
        QCOMPARE(de(d.registro, "y ").first(), QString("y 224"));
        // The horizontal start is the same for every line.
        QCOMPARE(de(d.registro, "x ").size(), 4);
        QCOMPARE(de(d.registro, "x ").removeDuplicates(), 3);
    }

    void sinPasoUsaElTamanoInicial() {
        FakeDispositivo d;
        d.tamanoActual = 14; // left over from an earlier job: reset by reiniciaFormato
        d.negrita = true;
        QVERIFY(imprime(d, escribe("a\r\n")).ok());
        QCOMPARE(d.registro.mid(0, 2), (QStringList{"reiniciaFormato", "fuente Courier New"}));
        QCOMPARE(de(d.registro, "tamano ").size(), 0);
        QCOMPARE(d.tamanoActual, 10.0);
    }

    void fuentes() {
        FakeDispositivo d;
        QVERIFY(
            imprime(d, escribe("{{Fuente}}a{{*  Arial Black }}b{{Courier}}c{{Fuente}}d\r\n")).ok());
        QCOMPARE(de(d.registro, "fuente"),
                 (QStringList{"fuente Courier New", "fuente ", "fuente Arial Black",
                              "fuente Courier New", "fuente Arial Black"}));
    }

    // DOS mode: base font "Ravendot", "{{Courier}}" selects it too, bytes unconverted.
    void modoDos() {
        const QString ruta = escribe("Espa\xa4"
                                     "a \xda\xc4\xb3{{Courier}}\r\n");
        FakeDispositivo dos;
        QVERIFY(imprime(dos, ruta, 66, true).ok());
        QCOMPARE(de(dos.registro, "fuente"), (QStringList{"fuente Ravendot", "fuente Ravendot"}));
        QCOMPARE(dos.registro.at(3), QString("texto Espa") + QChar(0xA4) + "a " + QChar(0xDA) +
                                         QChar(0xC4) + QChar(0xB3));
        FakeDispositivo win;
        QVERIFY(imprime(win, ruta, 66, false).ok());
        QCOMPARE(de(win.registro, "fuente"),
                 (QStringList{"fuente Courier New", "fuente Courier New"}));
        QCOMPARE(win.registro.at(3), QString("texto España ┌─│"));
    }

    // The picture is drawn where it is taken and on every page begun after it (line counter
    // or "{{Pagina}}"), with the holder's size; not on pages before it.
    void imagenDeFondo() {
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(Qt::red);
        const QString png = dir.filePath("logo.png");
        QVERIFY(img.save(png));
        FakeDispositivo d;
        ImagenFondo fondo;
        const QByteArray f = "a\r\nb\r\nc\r\n/IMAGEN/" + png.toLocal8Bit() +
                             ",1,2 Factura\r\ne\r\ne2\r\n{{Pagina}}\r\nf\r\n";
        QVERIFY(imprime(d, escribe(f), 3, false, &fondo).ok());
        const QString dibujo = "imagen 40x30 en 0,0 1215x975";
        QCOMPARE(d.registro.count(dibujo), 3);
        QCOMPARE(fondo.ancho, 1215);
        QCOMPARE(fondo.alto, 975);
        const int primera = d.registro.indexOf(dibujo);
        QVERIFY(primera > d.registro.indexOf("nuevaPagina")); // page 2, not page 1
        QCOMPARE(d.registro.at(primera - 1), QString("x 264"));
        const QString blancos(8 + png.size() + 4, ' ');
        QCOMPARE(d.registro.at(primera + 1), "texto " + blancos + " Factura");
        // After the page break of the counter and after "{{Pagina}}".
        QStringList tras;
        for (int i = 1; i < d.registro.size(); ++i)
            if (d.registro.at(i) == dibujo) tras << d.registro.at(i - 1);
        QCOMPARE(tras, (QStringList{"x 264", "nuevaPagina", "nuevaPagina"}));
    }

    // A picture that cannot be loaded stops the job; the cause is told in Spanish.
    void imagenNoValida_data() {
        QTest::addColumn<QString>("imagen");
        QTest::addColumn<QString>("causa");
        QTest::newRow("no es una imagen")
            << escribe("esto no es una imagen", "falsa.png") << "no es una imagen de un formato";
        QTest::newRow("carpeta") << dir.filePath("carpeta.png") << "es una carpeta";
        QImage img(40, 40, QImage::Format_RGB32);
        img.fill(Qt::red);
        QVERIFY(img.save(dir.filePath("entera.png")));
        QFile entera(dir.filePath("entera.png"));
        QVERIFY(entera.open(QIODevice::ReadOnly));
        QTest::newRow("cortada") << escribe(entera.read(60), "cortada.png") << "dañados";
    }
    void imagenNoValida() {
        QFETCH(QString, imagen);
        QFETCH(QString, causa);
        QDir().mkpath(dir.filePath("carpeta.png"));
        FakeDispositivo d;
        const auto r = imprime(d, escribe("a\r\n/IMAGEN/" + imagen.toLocal8Bit() + "\r\nb\r\n"));
        QVERIFY(!r.ok());
        QCOMPARE(r.error->numero(), int(ErrorVelmor::ImagenNoValida));
        const QString texto = r.error->mensaje();
        QVERIFY2(texto.contains("línea 2") && texto.contains(imagen) && texto.contains(causa),
                 qPrintable(texto));
        QCOMPARE(r.error->linea(), 2);
        QCOMPARE(d.registro.last(), QString("descartaDocumento"));
        QCOMPARE(d.documentosTerminados, 0);
    }

    // Every error says where it happened, even when the message names a file whose path begins
    // with the PRT file's (here the picture "informe.png" of the PRT file "informe").
    void errorConSuSitio() {
        const QString imagen = escribe("no es una imagen", "informe.png");
        const QString ruta = escribe("x\r\n/IMAGEN/" + imagen.toLocal8Bit() + "\r\n", "informe");
        FakeDispositivo d;
        const auto r = imprime(d, ruta);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->fichero(), ruta);
        QCOMPARE(r.error->linea(), 2);
        QVERIFY2(r.error->mensaje().contains("«" + ruta + "», línea 2"),
                 qPrintable(r.error->mensaje()));
    }

    // A malformed line mid-file: False, the document is discarded, the file is closed.
    void lineaMalFormada() {
        const QString ruta = escribe("uno\r\ndos\r\nx{{NegritaOn}\r\ntres\r\n");
        FakeDispositivo d;
        const auto r = imprime(d, ruta);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->numero(), int(ErrorVelmor::ArgumentoNoValido));
        QCOMPARE(r.error->linea(), 3);
        QCOMPARE(r.error->fichero(), ruta);
        QVERIFY2(r.error->mensaje().endsWith("(fichero «" + ruta + "», línea 3)"),
                 qPrintable(r.error->mensaje()));
        QVERIFY(d.registro.contains("texto uno"));
        QVERIFY(d.registro.contains("texto dos"));
        QVERIFY(!d.registro.contains("texto tres"));
        QCOMPARE(d.registro.last(), QString("descartaDocumento"));
        QCOMPARE(d.documentosTerminados, 0);
        QCOMPARE(d.documentosDescartados, 1);
        QVERIFY(!AbiertoPorEsteProceso(ruta));
        // The next job starts afresh.
        QVERIFY(imprime(d, escribe("otra\r\n")).ok());
        QCOMPARE(d.documentosTerminados, 1);
    }

    void ficheroQueNoExiste() {
        FakeDispositivo d;
        TrabajoPrt t;
        t.ruta = dir.filePath("no-existe.prt");
        const auto r = ImprimirPrt(t, d);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->numero(), int(ErrorVelmor::FicheroNoEncontrado));
        QVERIFY(r.error->descripcion().contains(t.ruta));
        QCOMPARE(d.documentosTerminados, 0);
        QCOMPARE(TituloErrorPrt(t), "Velmor 2.0( " + t.ruta + ")");
    }
};

// The background directive.
class TestImagenDeFondo : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString png;

  private slots:
    void initTestCase() {
        png = dir.filePath("fondo.bmp");
        QImage img(8, 6, QImage::Format_RGB32);
        img.fill(Qt::blue);
        QVERIFY(img.save(png, "BMP"));
    }
    void conTextoDetras() {
        ImagenFondo f;
        bool tengo = false;
        QString linea = "x/IMAGEN/" + png + " Factura";
        const int largo = linea.size();
        ImagenDeFondo(f, linea, tengo);
        QVERIFY(tengo);
        QCOMPARE(linea, "x" + QString(8 + png.size(), ' ') + " Factura");
        QCOMPARE(linea.size(), largo);
        QCOMPARE(f.imagen.size(), QSize(8, 6));
    }
    void conCampos() {
        ImagenFondo f;
        bool tengo = false;
        QString linea = "/IMAGEN/" + png + ",1,2";
        ImagenDeFondo(f, linea, tengo);
        QVERIFY(tengo);
        QCOMPARE(linea, QString(linea.size(), ' '));
    }
    void noSeToca_data() {
        QTest::addColumn<QString>("linea");
        QTest::newRow("al final") << "texto /IMAGEN/";
        QTest::newRow("minúsculas") << "/imagen/" + png;
        QTest::newRow("no existe") << "/IMAGEN/" + png + "x";
        QTest::newRow("cortada por espacio") << "/IMAGEN/" + png.left(png.size() - 3) + " bmp";
        QTest::newRow("sin marca") << "nada";
    }
    void noSeToca() {
        QFETCH(QString, linea);
        ImagenFondo f;
        bool tengo = false;
        QString copia = linea;
        ImagenDeFondo(f, copia, tengo);
        QVERIFY(!tengo);
        QCOMPARE(copia, linea);
        QVERIFY(f.imagen.isNull());
    }
    void soloLaPrimera() {
        ImagenFondo f;
        bool tengo = false;
        QString linea = "/IMAGEN/noexiste.png /IMAGEN/" + png;
        const QString antes = linea;
        ImagenDeFondo(f, linea, tengo);
        QVERIFY(!tengo);
        QCOMPARE(linea, antes);
    }
    void formatos() {
        for (const char* fmt : {"PNG", "JPG", "GIF", "ICO", "BMP"}) {
            const QString ruta = dir.filePath(QString("img.") + QString(fmt).toLower());
            QImage img(16, 16, QImage::Format_RGB32);
            img.fill(Qt::green);
            if (!img.save(ruta, fmt)) {
                if (QByteArray(fmt) == "GIF") continue; // Qt reads GIF but does not write it
                QFAIL(fmt);
            }
            ImagenFondo f;
            bool tengo = false;
            QString linea = "/IMAGEN/" + ruta;
            ImagenDeFondo(f, linea, tengo);
            QVERIFY2(!f.imagen.isNull(), fmt);
        }
        QVERIFY(QImageReader::supportedImageFormats().contains("gif"));
    }
    void noEsImagen() {
        const QString ruta = dir.filePath("texto.png");
        QFile fichero(ruta);
        QVERIFY(fichero.open(QIODevice::WriteOnly));
        fichero.write("hola");
        fichero.close();
        ImagenFondo f;
        bool tengo = false;
        QString linea = "/IMAGEN/" + ruta;
        QVERIFY_THROWS_EXCEPTION(ErrorVelmor, ImagenDeFondo(f, linea, tengo));
        QVERIFY(tengo);
        QCOMPARE(linea, QString(linea.size(), ' '));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int r = 0;
    {
        TestImprimirPrt t;
        r |= QTest::qExec(&t, argc, argv);
    }
    {
        TestImagenDeFondo t;
        r |= QTest::qExec(&t, argc, argv);
    }
    return r;
}

#include "test_imprimir_prt.moc"
