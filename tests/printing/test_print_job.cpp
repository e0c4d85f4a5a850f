// The print job's command-line switches and the name it leaves on the clipboard.
#include "printing/print_job.h"
#include "printing/trabajo_impresion.h"

#include <QTest>

class TestPrintJob : public QObject {
    Q_OBJECT
  private slots:
    void interruptores_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("borrar");
        QTest::addColumn<bool>("elegir");
        QTest::newRow("ninguno") << QStringList{} << false << false;
        QTest::newRow("/B") << QStringList{"/B"} << true << false;
        QTest::newRow("/b minúscula") << QStringList{"/b"} << true << false;
        QTest::newRow("/i minúscula") << QStringList{"/i"} << false << true;
        QTest::newRow("los dos") << QStringList{"/I", "/b"} << true << true;
        QTest::newRow("juntos") << QStringList{"/b/I"} << true << true;
        QTest::newRow("dentro de un argumento") << QStringList{"x/Bruno"} << true << false;
        QTest::newRow("sin barra") << QStringList{"B", "I", "-b"} << false << false;
        QTest::newRow("barra invertida") << QStringList{"\\B"} << false << false;
    }
    void interruptores() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, borrar);
        QFETCH(bool, elegir);
        const Interruptores i = Interruptores::De(argumentos);
        QCOMPARE(i.borrar, borrar);
        QCOMPARE(i.elegirImpresora, elegir);
    }

    void nombrePdf_data() {
        QTest::addColumn<QString>("fichero");
        QTest::addColumn<QString>("pdf");
        QTest::newRow("mayúsculas") << "INFORME.PRT"
                                    << "INFORME.pdf";
        QTest::newRow("minúsculas") << "LISTADO.prt"
                                    << "LISTADO.pdf";
        QTest::newRow("varios puntos") << "ventas.2026.prt"
                                       << "ventas.2026.pdf";
        QTest::newRow("acentos") << "AÑO.PRT"
                                 << "AÑO.pdf";
        QTest::newRow("corto") << "ab"
                               << "pdf";
    }
    void nombrePdf() {
        QFETCH(QString, fichero);
        QFETCH(QString, pdf);
        QCOMPARE(NombrePdf(fichero), pdf);
    }
};

QTEST_APPLESS_MAIN(TestPrintJob)
#include "test_print_job.moc"
