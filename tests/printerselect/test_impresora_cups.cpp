#include "printerselect/impresora.h"
#include "printing/salida_fichero.h"
#include "printing/impresoras_sistema.h"
#include "support/accesible.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// The dialog on the system's printers of the private scheduler: queues "Oficina" (default) and
// "Almacen", then the PDF printer.
class TestImpresoraCups : public QObject {
    Q_OBJECT
  private slots:
    void listaYPreseleccion() {
        ImpresorasSistema impresoras;
        Impresora dialogo(impresoras);
        QStringList lista;
        auto* desplegable = Control<QComboBox>(&dialogo, "Lista de impresoras");
        for (int i = 0; i < desplegable->count(); ++i)
            lista << desplegable->itemText(i);
        QVERIFY2(lista.contains("Oficina") && lista.contains("Almacen"),
                 qPrintable(lista.join(",")));
        QCOMPARE(lista.last(), QString("Archivo PDF"));
        QCOMPARE(desplegable->currentText(), QString("Oficina"));
        QCOMPARE(Descripcion(desplegable), QString("Oficina"));
    }

    // Choosing the PDF printer in landscape: the next job comes out on landscape pages.
    void eligePdfHorizontal() {
        ImpresorasSistema impresoras;
        impresoras.ponOrientacion(Orientacion::Vertical);
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<Impresora*>(QApplication::activeModalWidget());
            QVERIFY(d);
            auto* desplegable = Control<QComboBox>(d, "Lista de impresoras");
            desplegable->setCurrentIndex(desplegable->findText("Archivo PDF"));
            Control<QAbstractButton>(d, "Orientación del papel")->click();
            Control<QAbstractButton>(d, "Aceptar")->click();
        });
        QVERIFY(ElegirImpresora(impresoras));
        QVERIFY(impresoras.actualEsPdf());
        QCOMPARE(impresoras.orientacion(), Orientacion::Horizontal);

        QTemporaryDir dir;
        const QString pdf = dir.filePath("salida.pdf");
        SalidaFichero destino(pdf);
        impresoras.dispositivo(destino).escribe("Apaisado");
        impresoras.dispositivo(destino).finDocumento();
        QProcess info;
        info.start("pdfinfo", {pdf});
        QVERIFY(info.waitForFinished());
        const QString salida = info.readAllStandardOutput();
        const auto m = QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+)").match(salida);
        QVERIFY2(m.hasMatch(), qPrintable(salida));
        QVERIFY2(m.captured(1).toDouble() > m.captured(2).toDouble(), qPrintable(salida));
    }
};

QTEST_MAIN(TestImpresoraCups)
#include "test_impresora_cups.moc"
