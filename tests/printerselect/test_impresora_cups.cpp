#include "printerselect/impresora.h"
#include "printing/salida_fichero.h"
#include "printing/system_printers.h"

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
        for (int i = 0; i < dialogo.ListaImpresoras->count(); ++i)
            lista << dialogo.ListaImpresoras->itemText(i);
        QVERIFY2(lista.contains("Oficina") && lista.contains("Almacen"),
                 qPrintable(lista.join(",")));
        QCOMPARE(lista.last(), QString("Archivo PDF"));
        QCOMPARE(dialogo.ListaImpresoras->currentText(), QString("Oficina"));
        QCOMPARE(dialogo.ListaImpresoras->toolTip(), QString("Oficina"));
    }

    // Choosing the PDF printer in landscape: the next job comes out on landscape pages.
    void eligePdfHorizontal() {
        ImpresorasSistema impresoras;
        impresoras.ponOrientacion(1);
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<Impresora*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->ListaImpresoras->setCurrentIndex(d->ListaImpresoras->findText("Archivo PDF"));
            d->ModoPapel->click();
            d->cmdAceptar->click();
        });
        QVERIFY(ElegirImpresora(impresoras));
        QVERIFY(impresoras.actualEsPdf());
        QCOMPARE(impresoras.orientacion(), 2);

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
