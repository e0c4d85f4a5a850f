// The samples shipped in samples/, printed to PDF by velmor-imprimir as a user would, from the
// samples folder (the background picture is named relative to it).
#include "support/programas.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Muestras = QStringLiteral(VELMOR_SOURCE_DIR "/samples");

} // namespace

class TestMuestras : public QObject {
    Q_OBJECT
    QTemporaryDir salida;
    QStringList antes;

  private slots:
    void initTestCase() {
        antes = QDir(Muestras).entryList(QDir::Files);
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR,
                {"--pdf", salida.path(), "FACTURA.PRT", "INFORME.PRT", "VACIO.PRT"}, &estado,
                &errores, Muestras);
        QVERIFY2(estado == 0, qPrintable(errores));
    }

    void informe() {
        const QString pdf = salida.filePath("INFORME.pdf");
        QCOMPARE(PaginasPdf(pdf), 3);
        const QString texto = TextoPdf(pdf);
        for (const char* esperado :
             {"INFORME MENSUAL DE VENTAS", "ñ Ñ á é í ó ú ü ç ¿ ¡ º ª ░▒▓ █ ╔═╗ ║ ╚═╝",
              "Esta línea termina la página", "Tercera página", "otra vez DejaVu Sans"})
            QVERIFY2(texto.contains(QString::fromUtf8(esperado)), esperado);
        QVERIFY(!texto.contains("/IMAGEN/"));
        QVERIFY(!texto.contains("esto no se imprime"));
        // The background picture on each of the three pages.
        const QString imagenes = Ejecuta("pdfimages", {"-list", pdf});
        for (int pagina = 1; pagina <= 3; ++pagina)
            QVERIFY2(imagenes.contains(
                         QRegularExpression(QString("\\n\\s+%1\\s+\\d+\\s+image").arg(pagina))),
                     qPrintable(imagenes));
        const QString fuentes = Ejecuta("pdffonts", {pdf});
        for (const char* f :
             {"LiberationMono-Bold", "LiberationMono-Italic", "LiberationSerif", "DejaVuSans"})
            QVERIFY2(fuentes.contains(f), qPrintable(fuentes));
    }

    void factura() {
        const QString texto = TextoPdf(salida.filePath("FACTURA.pdf"));
        for (const char* esperado :
             {"FERRETERÍA DEL NORTE", "┌──────────┬", "│ TOR-0012 │", "118,76", "señal recibida"})
            QVERIFY2(texto.contains(QString::fromUtf8(esperado)), qPrintable(texto));
    }

    // An empty file prints nothing and still counts as printed.
    void vacio() { QVERIFY(!QFile::exists(salida.filePath("VACIO.pdf"))); }

    void erroneo() {
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", salida.filePath("e.pdf"), "ERRONEO.PRT"}, &estado,
                &errores, Muestras);
        QCOMPARE(estado, 1);
        QVERIFY2(errores.contains("ERRONEO.PRT") && errores.contains("línea 2"),
                 qPrintable(errores));
        QVERIFY(!QFile::exists(salida.filePath("e.pdf")));
    }

    // Printing the samples leaves the folder as it was.
    void cleanupTestCase() { QCOMPARE(QDir(Muestras).entryList(QDir::Files), antes); }
};

QTEST_APPLESS_MAIN(TestMuestras)
#include "test_muestras.moc"
