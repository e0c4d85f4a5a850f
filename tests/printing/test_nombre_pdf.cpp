// The PDF-style name the print job leaves on the clipboard and offers for the PDF.
#include "printing/trabajo_impresion.h"

#include <QTest>

class TestNombrePdf : public QObject {
    Q_OBJECT
  private slots:
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

QTEST_APPLESS_MAIN(TestNombrePdf)
#include "test_nombre_pdf.moc"
