// The PDF writer on its own, below the printer device: number and string syntax, and documents
// written through it read back by qpdf and poppler-utils.
#include "pdf/buffer_pdf.h"
#include "pdf/compresor.h"
#include "pdf/documento_pdf.h"
#include "pdf/salida_documento.h"
#include "support/programas.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The document's bytes kept in memory, then saved for the programs that read them back.
class SalidaMemoria : public SalidaDocumento {
  public:
    void abre() override {}
    void escribe(const char* datos, std::size_t cuantos) override { bytes.append(datos, cuantos); }
    void termina() override {}
    void descarta() noexcept override { bytes.clear(); }
    QString guarda(const QString& ruta) const {
        QFile f(ruta);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), qint64(bytes.size())) < 0)
            qFatal("no se puede escribir %s", qPrintable(ruta));
        return ruta;
    }
    std::string bytes;
};

// qpdf's verdict: empty when it finds nothing wrong.
QString QueDiceQpdf(const QString& pdf) {
    int estado = -1;
    QString errores;
    const QString salida = Ejecuta("qpdf", {"--check", pdf}, &estado, &errores);
    return estado == 0 && !salida.contains("WARNING") && errores.isEmpty() ? QString()
                                                                           : salida + errores;
}
} // namespace

class TestPdf : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Compresor compresor;

  private slots:
    void decimales_data() {
        QTest::addColumn<double>("valor");
        QTest::addColumn<QString>("escrito");
        QTest::newRow("entero") << 12.0 << "12";
        QTest::newRow("medio") << 0.5 << "0.5";
        QTest::newRow("negativo") << -3.125 << "-3.125";
        QTest::newRow("redondeado") << 2.0004 << "2";
        QTest::newRow("casi cero negativo") << -0.0004 << "0";
        QTest::newRow("milésima negativa") << -0.0006 << "-0.001";
        QTest::newRow("ceros del medio") << 7.05 << "7.05";
        QTest::newRow("grande") << 841.89 << "841.89";
    }
    void decimales() {
        QFETCH(double, valor);
        QFETCH(QString, escrito);
        BufferPdf b;
        b.decimal(valor);
        QCOMPARE(QString::fromStdString(b.datos()), escrito);
    }

    // What would end a literal string early or be read as another byte is escaped.
    void cadenas_data() {
        QTest::addColumn<QByteArray>("texto");
        QTest::addColumn<QByteArray>("escrito");
        QTest::newRow("llano") << QByteArray("Velmor") << QByteArray("(Velmor)");
        QTest::newRow("paréntesis") << QByteArray("a(b)c") << QByteArray("(a\\(b\\)c)");
        QTest::newRow("barra") << QByteArray("a\\b") << QByteArray("(a\\\\b)");
        QTest::newRow("retorno") << QByteArray("a\rb") << QByteArray("(a\\rb)");
    }
    void cadenas() {
        QFETCH(QByteArray, texto);
        QFETCH(QByteArray, escrito);
        BufferPdf b;
        b.cadena(texto.toStdString());
        QCOMPARE(QByteArray::fromStdString(b.datos()), escrito);
    }

    // Documents of any length and any page size: a sound file structure (qpdf checks every
    // offset of the cross-reference table) with the pages asked for.
    void documentos_data() {
        QTest::addColumn<int>("paginas");
        QTest::addColumn<QSizeF>("tamano");
        QTest::addColumn<QString>("medidas"); // as pdfinfo reports them
        QTest::newRow("una A4") << 1 << QSizeF(595.276, 841.89) << "595.276 x 841.89 pts (A4)";
        QTest::newRow("apaisada") << 2 << QSizeF(841.89, 595.276) << "841.89 x 595.276 pts (A4)";
        QTest::newRow("más de una fila de hijas") << 37 << QSizeF(612, 792) << "612 x 792 pts";
        QTest::newRow("mil") << 1000 << QSizeF(612, 792) << "612 x 792 pts";
    }
    void documentos() {
        QFETCH(int, paginas);
        QFETCH(QSizeF, tamano);
        QFETCH(QString, medidas);
        SalidaMemoria salida;
        DocumentoPdf doc(salida, compresor, tamano, "Velmor");
        for (int i = 0; i < paginas; ++i) {
            doc.empiezaPagina();
            doc.pagina().rectangulo(10, 10 + i % 700, 100, 1);
        }
        doc.termina();
        const QString pdf = salida.guarda(dir.filePath(QString("doc%1.pdf").arg(paginas)));
        QCOMPARE(QueDiceQpdf(pdf), QString());
        QCOMPARE(PaginasPdf(pdf), paginas);
        QVERIFY2(Ejecuta("pdfinfo", {pdf}).contains(medidas),
                 qPrintable(Ejecuta("pdfinfo", {pdf})));
    }
};

QTEST_GUILESS_MAIN(TestPdf)
#include "test_pdf.moc"
