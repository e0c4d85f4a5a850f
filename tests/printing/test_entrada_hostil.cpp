// Hostile input to the renderer: no hang, memory bounded by what one line can hold, and every
// failure told in Spanish naming what failed (the PRT file, the picture), with a line number
// only where a line caused it.
#include "printing/imagen_fondo.h"
#include "printing/imprimir_prt.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
long picoMemoriaKiB() {
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

// A PNG whose header says it is ancho x alto pixels, with no picture data after it: enough for a
// reader to learn its size without the memory a real one would take to make.
QByteArray cabeceraPng(quint32 ancho, quint32 alto) {
    auto crc32 = [](const QByteArray& datos) {
        quint32 c = 0xFFFFFFFFu;
        for (const char b : datos) {
            c ^= quint8(b);
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    auto grande = [](quint32 v) {
        const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
        return QByteArray(b, 4);
    };
    auto trozo = [&](const QByteArray& tipoYDatos) {
        return grande(quint32(tipoYDatos.size() - 4)) + tipoYDatos + grande(crc32(tipoYDatos));
    };
    const QByteArray ihdr =
        "IHDR" + grande(ancho) + grande(alto) + QByteArray("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + trozo(ihdr) + trozo("IDAT") + trozo("IEND");
}

// A device that fails when the document ends, as a full disk fails the last page's write.
class DispositivoQueFallaAlFinal : public FakeDispositivo {
  public:
    void finDocumento() override {
        throw ErrorVelmor(ErrorVelmor::DiscoLleno, "No se pudo escribir el documento: el disco "
                                                   "está lleno");
    }
};
} // namespace

class TestEntradaHostil : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int n = 0;

    QString escribe(const QByteArray& contenido, const QString& nombre = {}) {
        return EscribeFichero(dir.filePath(nombre.isEmpty() ? QString("h%1.prt").arg(++n) : nombre),
                              contenido);
    }
    static ResultadoPrt imprime(DispositivoImpresora& d, const QString& ruta) {
        TrabajoPrt t;
        t.ruta = ruta;
        return ImprimirPrt(t, d);
    }

  private slots:
    // Lines far longer than any printed width end the job at once, naming the file, the line and
    // the limit, before the memory is spent: the process grows by far less than the file.
    void lineasSinFin_data() {
        QTest::addColumn<QByteArray>("inicio");
        QTest::addColumn<int>("linea");
        QTest::newRow("sin fin de línea") << QByteArray() << 1;
        QTest::newRow("línea larga tras dos cortas") << QByteArray("uno\r\ndos\r\n") << 3;
        QTest::newRow("texto de corchetes") << QByteArray("[1]") << 1;
    }
    void lineasSinFin() {
        QFETCH(QByteArray, inicio);
        QFETCH(int, linea);
        const QString ruta = escribe(inicio);
        {
            QFile f(ruta);
            QVERIFY(f.open(QIODevice::Append));
            const QByteArray bloque(1 << 20, inicio == "[1]" ? '[' : 'x');
            for (int i = 0; i < 40; ++i) // 40 MB on a line
                f.write(bloque);
        }
        const long antes = picoMemoriaKiB();
        FakeDispositivo d;
        const ResultadoPrt r = imprime(d, ruta);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->numero(), int(ErrorVelmor::LineaDemasiadoLarga));
        QCOMPARE(r.error->linea(), linea);
        QVERIFY2(r.error->mensaje().contains("1048576 bytes") &&
                     r.error->mensaje().contains(QFileInfo(ruta).fileName()),
                 qPrintable(r.error->mensaje()));
        QCOMPARE(d.documentosTerminados, 0);
        QVERIFY2(picoMemoriaKiB() - antes < 64 * 1024,
                 qPrintable(QString("%1 KiB more").arg(picoMemoriaKiB() - antes)));
        QFile::remove(ruta);
    }

    // Pictures that are no regular file, cannot be read or are too large: a Spanish message that
    // names the picture, the file and the line; a FIFO never blocks.
    void imagenes_data() {
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("dice");
        QTest::newRow("FIFO") << "fifo"
                              << "es una tubería (FIFO)";
        QTest::newRow("sin permiso") << "ilegible"
                                     << "No hay permiso para leer la imagen";
        QTest::newRow("demasiado grande") << "grande"
                                          << "demasiado grande (7000 × 7000 píxeles";
        QTest::newRow("enlace en bucle") << "bucle"
                                         << "";
    }
    void imagenes() {
        QFETCH(QString, clase);
        QFETCH(QString, dice);
        const QString imagen = dir.filePath(clase + ".png");
        const QByteArray bytes = QFile::encodeName(imagen);
        if (clase == "fifo") {
            QVERIFY(::mkfifo(bytes.constData(), 0644) == 0);
        } else if (clase == "ilegible") {
            if (geteuid() == 0) QSKIP("permissions do not stop root");
            QImage(4, 4, QImage::Format_RGB32).save(imagen);
            QFile::setPermissions(imagen, QFileDevice::Permissions());
        } else if (clase == "grande") {
            EscribeFichero(imagen, cabeceraPng(7000, 7000));
        } else {
            QVERIFY(QFile::link(imagen, imagen));
        }
        FakeDispositivo d;
        const ResultadoPrt r = imprime(d, escribe("a\r\n/IMAGEN/" + bytes + " b\r\n"));
        if (dice.isEmpty()) { // a path that leads nowhere is no picture: the line prints as text
            QVERIFY(r.ok());
            QVERIFY(d.registro.contains("texto /IMAGEN/" + imagen + " b"));
            return;
        }
        QVERIFY(!r.ok());
        QCOMPARE(r.error->linea(), 2);
        QVERIFY2(r.error->mensaje().contains(dice) && r.error->mensaje().contains(imagen),
                 qPrintable(r.error->mensaje()));
    }

    // A 600 dpi scan of an A4 page is taken, and kept no larger than its printed size can show.
    void escaneoA4() {
        QImage escaneo(4960, 7016, QImage::Format_Grayscale8);
        escaneo.fill(200);
        const QString ruta = dir.filePath("escaneo.png");
        QVERIFY(escaneo.save(ruta));
        ImagenFondo fondo;
        bool laTengo = false;
        QString linea = "/IMAGEN/" + ruta;
        ImagenDeFondo(fondo, linea, laTengo);
        QVERIFY(laTengo);
        QVERIFY(!fondo.imagen.isNull());
        QVERIFY(fondo.imagen.width() <= ImagenFondo::anchoTwips * 1200 / 1440);
        QVERIFY(fondo.imagen.height() <= ImagenFondo::altoTwips * 1200 / 1440);
    }

    // A picture named without a folder is looked for in the current folder, then beside the
    // PRT file: the reports' logo prints wherever the program was started.
    void imagenJuntoAlPrt() {
        QDir().mkpath(dir.filePath("informes"));
        QImage(10, 8, QImage::Format_RGB32).save(dir.filePath("informes/logo.png"));
        const QString prt = escribe("/IMAGEN/logo.png Factura\r\n", "informes/F.PRT");
        const QString antes = QDir::currentPath();
        QDir::setCurrent(QDir::rootPath());
        FakeDispositivo d;
        const ResultadoPrt r = imprime(d, prt);
        QDir::setCurrent(antes);
        QVERIFY(r.ok());
        QCOMPARE(d.registro.filter("imagen 10x8").size(), 1);
    }

    // What fails when the document ends was caused by no line: no line number.
    void errorAlFinalSinLinea() {
        DispositivoQueFallaAlFinal d;
        const QString ruta = escribe("uno\r\ndos\r\n");
        const ResultadoPrt r = imprime(d, ruta);
        QVERIFY(!r.ok());
        QCOMPARE(r.error->linea(), 0);
        QVERIFY2(!r.error->mensaje().contains("línea"), qPrintable(r.error->mensaje()));
        QVERIFY2(r.error->mensaje().contains("disco está lleno"), qPrintable(r.error->mensaje()));
    }

    // The PRT file itself: what it is instead of a regular file, and why it cannot be read.
    void ficheroPrt_data() {
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("dice");
        QTest::newRow("enlace en bucle") << "bucle"
                                         << "enlace simbólico que no lleva";
        QTest::newRow("sin permiso") << "ilegible"
                                     << "No hay permiso para leer el fichero";
        QTest::newRow("carpeta") << "carpeta"
                                 << "es una carpeta";
    }
    void ficheroPrt() {
        QFETCH(QString, clase);
        QFETCH(QString, dice);
        const QString ruta = dir.filePath(clase + ".PRT");
        if (clase == "bucle") {
            QVERIFY(QFile::link(ruta, ruta));
        } else if (clase == "ilegible") {
            if (geteuid() == 0) QSKIP("permissions do not stop root");
            escribe("x\r\n", clase + ".PRT");
            QFile::setPermissions(ruta, QFileDevice::Permissions());
        } else {
            QDir().mkpath(ruta);
        }
        FakeDispositivo d;
        const ResultadoPrt r = imprime(d, ruta);
        QVERIFY(!r.ok());
        QVERIFY2(r.error->mensaje().contains(dice), qPrintable(r.error->mensaje()));
        QCOMPARE(r.error->mensaje().count(ruta), 1);
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestEntradaHostil t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_entrada_hostil.moc"
