// The system printers through the private CUPS scheduler of the fixture "cups": queues
// "Almacen" and "Oficina" (default), raw socket queues whose jobs the loopback listener writes to
// $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf.
#include "printing/imprimir_prt.h"
#include "printing/system_printers.h"
#include "support/ficheros.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

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
QString pdftotext(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}
} // namespace

class TestCups : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString escribe(const QByteArray& contenido, const QString& nombre) {
        const QString ruta = dir.filePath(nombre);
        return EscribeFichero(ruta, contenido);
    }

  private slots:
    void listaEnOrden() {
        QVERIFY(!qEnvironmentVariable("CUPS_SERVER").isEmpty());
        ImpresorasSistema imp;
        QCOMPARE(imp.cuenta(), 3);
        QCOMPARE(imp.nombre(0), QString("Almacen"));
        QCOMPARE(imp.nombre(1), QString("Oficina"));
        QCOMPARE(imp.nombre(2), QString("Archivo PDF"));
        QCOMPARE(imp.nombreActual(), QString("Oficina"));
        QVERIFY(!imp.actualEsPdf());
    }

    void imprimeEnUnaCola() {
        ImpresorasSistema imp;
        imp.hazActual(0);
        QCOMPARE(imp.nombreActual(), QString("Almacen"));
        const QStringList antes = trabajos("Almacen");
        TrabajoPrt t;
        t.ruta = escribe("ALBARAN 42 Espa\xa4"
                         "a\r\n{{Pagina}}\r\nsegunda hoja\r\n",
                         "ALBARAN.PRT");
        const ResultadoPrt r = ImprimirPrt(t, imp);
        QVERIFY2(r.ok(), r.ok() ? "" : qPrintable(r.error->descripcion()));
        const QString pdf = esperaTrabajo("Almacen", antes);
        QVERIFY2(!pdf.isEmpty(), "the job did not reach the listener");
        const QString texto = pdftotext(pdf);
        QVERIFY2(texto.contains("ALBARAN 42 España"), qPrintable(texto));
        QVERIFY(texto.contains("segunda hoja"));
    }

    // A failed job reaches nothing; the next one goes through alone.
    void trabajoFallidoNoLlega() {
        ImpresorasSistema imp;
        QCOMPARE(imp.nombreActual(), QString("Oficina"));
        QStringList antes = trabajos("Oficina");
        TrabajoPrt t;
        t.ruta = escribe("NO DEBE SALIR\r\nx{{NegritaOn}\r\n", "MALO.PRT");
        QVERIFY(!ImprimirPrt(t, imp).ok());
        t.ruta = escribe("SI DEBE SALIR\r\n", "BUENO.PRT");
        QVERIFY(ImprimirPrt(t, imp).ok());
        const QString pdf = esperaTrabajo("Oficina", antes);
        QVERIFY(!pdf.isEmpty());
        const QString texto = pdftotext(pdf);
        QVERIFY(texto.contains("SI DEBE SALIR"));
        QVERIFY(!texto.contains("NO DEBE SALIR"));
        QThread::msleep(1500);
        QCOMPARE(trabajos("Oficina").size(), antes.size() + 1);
    }

    void ordenImprimirEnCups() {
        const QStringList antes = trabajos("Oficina");
        const QString prt = escribe("DESDE LA ORDEN\r\n", "ORDEN.PRT");
        QProcess p;
        p.start(VELMOR_IMPRIMIR, {"--borrar", prt});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(!QFile::exists(prt));
        const QString pdf = esperaTrabajo("Oficina", antes);
        QVERIFY(!pdf.isEmpty());
        QVERIFY(pdftotext(pdf).contains("DESDE LA ORDEN"));
        p.start(VELMOR_IMPRIMIR, {"--impresoras"});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 QString("  Almacen\n* Oficina\n  Archivo PDF\n"));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestCups t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_cups.moc"
