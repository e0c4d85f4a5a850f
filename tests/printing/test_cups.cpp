// The print job on the system printers of the private CUPS scheduler of the fixture "cups":
// "Almacen" and "Oficina" (default) are raw socket queues whose jobs the loopback listener writes
// to $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf; "Detenida" is stopped, "Rechaza" refuses jobs and
// "Inalcanzable" sends to a printer that never answers.
#include "printing/cola_cups.h"
#include "printing/impresoras_sistema.h"
#include "printing/trabajo_impresion.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
QStringList trabajos(const QString& cola) {
    return QDir(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR"))
        .entryList({cola + "-*.pdf"}, QDir::Files, QDir::Name);
}
// Waits for a job that was not there before; empty after the timeout.
QString esperaTrabajo(const QString& cola, const QStringList& antes, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        for (const QString& f : trabajos(cola))
            if (!antes.contains(f))
                return QDir(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR")).filePath(f);
        QThread::msleep(100);
    }
    return {};
}

// The command line's answers: no dialog, no question.
struct SinPreguntas : InterlocutorTrabajo {
    bool eligeImpresora(Impresoras&) override { return true; }
    QString salidaPdf(const QString&, const QString&) override { return {}; }
    bool confirmaBorrado(const QString&) override { return false; }
};

// Runs a job on a queue to its end.
ResultadoTrabajo imprime(const QString& cola, const QString& prt, bool borrar, int espera = 300) {
    ImpresorasSistema imp;
    for (int i = 0; i < imp.cuenta(); ++i)
        if (imp.nombre(i) == cola) imp.hazActual(i);
    if (imp.nombreActual() != cola) qFatal("no queue %s", qPrintable(cola));
    SinPreguntas preguntas;
    PeticionTrabajo p;
    p.ruta = prt;
    p.borrar = borrar;
    p.esperaSegundos = espera;
    TrabajoImpresion trabajo(imp, preguntas, p);
    QSignalSpy fin(&trabajo, &TrabajoImpresion::terminado);
    trabajo.inicia();
    if (!trabajo.haTerminado() && !fin.wait(120000)) qFatal("the job did not end");
    return trabajo.resultado();
}
} // namespace

class TestCups : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString escribe(const QByteArray& contenido, const QString& nombre) {
        return EscribeFichero(dir.filePath(nombre), contenido);
    }

  private slots:
    void listaEnOrden() {
        QVERIFY(!qEnvironmentVariable("CUPS_SERVER").isEmpty());
        ImpresorasSistema imp;
        QStringList nombres;
        for (int i = 0; i < imp.cuenta(); ++i)
            nombres << imp.nombre(i);
        QCOMPARE(nombres, (QStringList{"Almacen", "Detenida", "Inalcanzable", "Oficina", "Rechaza",
                                       "Archivo PDF"}));
        QCOMPARE(imp.nombreActual(), QString("Oficina"));
        QVERIFY(!imp.actualEsPdf());
    }

    // Without deletion, acceptance by the scheduler is enough; the job carries the file's name.
    void imprimeSinBorrar() {
        const QStringList antes = trabajos("Almacen");
        const QString prt = escribe("ALBARAN 42 Espa\xa4"
                                    "a\r\n{{Pagina}}\r\nsegunda hoja\r\n",
                                    "ALBARAN.PRT");
        const ResultadoTrabajo r = imprime("Almacen", prt, false);
        QVERIFY2(r.fin == ResultadoTrabajo::Fin::Impreso && !r.error,
                 r.error ? qPrintable(r.error->mensaje()) : "");
        QVERIFY(r.idTrabajo > 0);
        QVERIFY(QFile::exists(prt));
        const QString pdf = esperaTrabajo("Almacen", antes);
        QVERIFY2(!pdf.isEmpty(), "the job did not reach the listener");
        const QString texto = TextoPdf(pdf);
        QVERIFY2(texto.contains("ALBARAN 42 España"), qPrintable(texto));
        QVERIFY(texto.contains("segunda hoja"));
        QProcess lpstat;
        lpstat.start("lpstat", {"-W", "completed", "-l", "-o", "Almacen"});
        QVERIFY(lpstat.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(lpstat.readAllStandardOutput())
                    .contains(QString("Almacen-%1").arg(r.idTrabajo)));
    }

    // With deletion, the file goes only when its job has completed.
    void borraAlCompletarse() {
        const QStringList antes = trabajos("Oficina");
        const QString prt = escribe("SE BORRA AL TERMINAR\r\n", "COMPLETO.PRT");
        const ResultadoTrabajo r = imprime("Oficina", prt, true);
        QVERIFY2(r.borrado && !r.error, r.error ? qPrintable(r.error->mensaje()) : "");
        QVERIFY(!QFile::exists(prt));
        QVERIFY(TextoPdf(esperaTrabajo("Oficina", antes)).contains("SE BORRA AL TERMINAR"));
    }

    // Queues where a job never completes keep the file and say which queue, job and state.
    void colasQueNoTerminan_data() {
        QTest::addColumn<QString>("cola");
        QTest::addColumn<int>("espera");
        QTest::addColumn<bool>("enviado");
        QTest::addColumn<QStringList>("dice");
        QTest::newRow("detenida") << "Detenida" << 300 << true
                                  << QStringList{"«Detenida» está detenida", "espera su turno",
                                                 "PARADA.PRT» no se ha borrado"};
        QTest::newRow("rechaza trabajos")
            << "Rechaza" << 300 << false << QStringList{"«Rechaza» no acepta trabajos"};
        QTest::newRow("no termina a tiempo")
            << "Inalcanzable" << 2 << true
            << QStringList{"«Inalcanzable» no ha terminado en 2 segundos",
                           "PARADA.PRT» no se ha borrado"};
    }
    void colasQueNoTerminan() {
        QFETCH(QString, cola);
        QFETCH(int, espera);
        QFETCH(bool, enviado);
        QFETCH(QStringList, dice);
        const QString prt = escribe("NO SE BORRA\r\n", "PARADA.PRT");
        QElapsedTimer reloj;
        reloj.start();
        const ResultadoTrabajo r = imprime(cola, prt, true, espera);
        QVERIFY(QFile::exists(prt));
        QVERIFY(!r.borrado);
        QVERIFY(r.error);
        QCOMPARE(r.fin, enviado ? ResultadoTrabajo::Fin::Impreso : ResultadoTrabajo::Fin::Fallido);
        for (const QString& parte : dice)
            QVERIFY2(r.error->mensaje().contains(parte), qPrintable(r.error->mensaje()));
        if (enviado)
            QVERIFY2(r.error->mensaje().contains(QString("trabajo %1").arg(r.idTrabajo)),
                     qPrintable(r.error->mensaje()));
        QVERIFY2(reloj.elapsed() < 60000, "a job that cannot complete is told without delay");
        cupsCancelJob2(CUPS_HTTP_DEFAULT, cola.toUtf8().constData(), 0, 1);
    }

    // A job cancelled while it is awaited: the file stays.
    void cancelado() {
        const QString prt = escribe("CANCELADO\r\n", "CANCELA.PRT");
        QTimer::singleShot(2500, [] { QProcess::execute("cancel", {"-a", "Inalcanzable"}); });
        const ResultadoTrabajo r = imprime("Inalcanzable", prt, true, 60);
        QVERIFY(QFile::exists(prt));
        QVERIFY(r.error);
        QVERIFY2(r.error->mensaje().contains("se ha cancelado"), qPrintable(r.error->mensaje()));
    }

    // A failed rendering reaches nothing; the next job goes through alone.
    void trabajoFallidoNoLlega() {
        const QStringList antes = trabajos("Oficina");
        const ResultadoTrabajo malo =
            imprime("Oficina", escribe("NO DEBE SALIR\r\nx{{NegritaOn}\r\n", "MALO.PRT"), true);
        QCOMPARE(malo.fin, ResultadoTrabajo::Fin::Fallido);
        QVERIFY(QFile::exists(dir.filePath("MALO.PRT")));
        QVERIFY(imprime("Oficina", escribe("SI DEBE SALIR\r\n", "BUENO.PRT"), false).idTrabajo);
        const QString texto = TextoPdf(esperaTrabajo("Oficina", antes));
        QVERIFY(texto.contains("SI DEBE SALIR"));
        QVERIFY(!texto.contains("NO DEBE SALIR"));
        QThread::msleep(1500);
        QCOMPARE(trabajos("Oficina").size(), antes.size() + 1);
    }

    // What the scheduler answers, in Spanish: a missing queue, and no scheduler at all.
    void erroresDelServidor() {
        const int fd = ::open("/dev/null", O_RDONLY);
        try {
            ColaCups("NoExiste", 5).envia(fd, "x", 1);
            QFAIL("a missing queue must fail");
        } catch (const ErrorVelmor& e) {
            QVERIFY2(e.mensaje().contains("«NoExiste» no existe"), qPrintable(e.mensaje()));
        }
        cupsSetServer(QFile::encodeName(dir.filePath("sin-servidor.sock")).constData());
        try {
            ColaCups("Oficina", 5).envia(fd, "x", 1);
            QFAIL("no scheduler must fail");
        } catch (const ErrorVelmor& e) {
            QVERIFY2(e.mensaje().contains("CUPS) no está en marcha"), qPrintable(e.mensaje()));
        }
        cupsSetServer(nullptr);
        ::close(fd);
    }

    void ordenImprimirEnCups_data() {
        QTest::addColumn<QStringList>("opciones");
        QTest::addColumn<int>("estado");
        QTest::addColumn<bool>("borrado");
        QTest::addColumn<QString>("dice");
        QTest::newRow("completa") << QStringList{"--borrar"} << 0 << true << "";
        QTest::newRow("-d Almacen, -n 2")
            << QStringList{"--borrar", "-d", "Almacen", "-n", "2"} << 0 << true << "";
        QTest::newRow("detenida") << QStringList{"--borrar", "--impresora=Detenida"} << 1 << false
                                  << "no se ha borrado";
        QTest::newRow("--espera") << QStringList{"--borrar", "-d", "Inalcanzable", "--espera", "1"}
                                  << 1 << false << "no ha terminado en 1 segundos";
    }
    void ordenImprimirEnCups() {
        QFETCH(QStringList, opciones);
        QFETCH(int, estado);
        QFETCH(bool, borrado);
        QFETCH(QString, dice);
        const QString prt = escribe("DESDE LA ORDEN\r\n", "ORDEN.PRT");
        QProcess p;
        p.start(VELMOR_IMPRIMIR, opciones << prt);
        QVERIFY(p.waitForFinished(60000));
        const QString errores = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), estado);
        QCOMPARE(!QFile::exists(prt), borrado);
        QVERIFY2(errores.contains(dice), qPrintable(errores));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, "Detenida", 0, 1);
        cupsCancelJob2(CUPS_HTTP_DEFAULT, "Inalcanzable", 0, 1);
    }

    void listaDeLaOrden() {
        QProcess p;
        p.start(VELMOR_IMPRIMIR, {"--impresoras"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 QString("  Almacen\n  Detenida\n  Inalcanzable\n* Oficina\n  Rechaza\n"
                         "  Archivo PDF\n"));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestCups t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_cups.moc"
