// The PDF writer on its own, below the printer device: number and string syntax, and documents
// written through it read back by qpdf and poppler-utils.
#include "pdf/buffer_pdf.h"
#include "pdf/cara_fuente.h"
#include "pdf/catalogo_fuentes.h"
#include "pdf/compresor.h"
#include "pdf/documento_pdf.h"
#include "pdf/salida_documento.h"
#include "pdf/texto_pdf.h"
#include "support/programas.h"

#include <fontconfig/fontconfig.h>

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

QProcessEnvironment entornoSinPantalla() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    return e;
}

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

    // A line of text in the face of the file given (or in the font of that name) on a page of
    // its own; the PDF's path.
    QString textoEn(const QString& nombre, const std::shared_ptr<LetraPdf>& letra,
                    const QString& texto) {
        SalidaMemoria salida;
        {
            DocumentoPdf doc(salida, compresor, QSizeF(595, 842), "Velmor");
            class TextoPdf escritor; // not the reading helper of the same name
            doc.empiezaPagina();
            escritor.dibuja(doc, *letra, texto, 36, 800, false);
            doc.termina();
        }
        return salida.guarda(dir.filePath(nombre + ".pdf"));
    }

  private slots:
    void initTestCase() {
        // The test font the window's tests add to Qt, added to fontconfig as Qt adds it.
        QVERIFY(
            FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(VELMOR_RAVENDOT_TTF)));
    }

    // For every font name the reference renders and the sample report use, and more, the core
    // draws with the very file the window's Qt font draws with: same glyphs, same metrics.
    void mismosFicherosQueQt_data() {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("negrita");
        QTest::addColumn<bool>("cursiva");
        const QStringList nombres = {
            "Courier New",  "DejaVu Sans", "DejaVu Serif", "DejaVu Math TeX Gyre", "Ravendot",
            "Nimbus Roman", "Nimbus Sans", "Arial",        "Fuente00001",          ""};
        for (const QString& n : nombres)
            for (int estilo = 0; estilo < 4; ++estilo)
                QTest::addRow("%s %d", qPrintable(n), estilo)
                    << n << bool(estilo & 1) << bool(estilo & 2);
    }
    void mismosFicherosQueQt() {
        QFETCH(QString, nombre);
        QFETCH(bool, negrita);
        QFETCH(bool, cursiva);
        const QString qt =
            Ejecuta(VELMOR_FICHERO_FUENTE_QT,
                    {VELMOR_RAVENDOT_TTF, nombre, negrita ? "1" : "0", cursiva ? "1" : "0"},
                    nullptr, nullptr, {}, entornoSinPantalla())
                .trimmed();
        CatalogoFuentes catalogo;
        const auto letra = catalogo.letra(nombre, 10, negrita, cursiva);
        QVERIFY(letra->cara());
        QCOMPARE(QString::fromStdString(letra->cara()->fichero()), qt);
    }

    // Text in each kind of face reads back as written: embedded as a subset with a ToUnicode map
    // (shaped Arabic included, each contextual form mapped to its letter).
    void textoLegible_data() {
        QTest::addColumn<QString>("fichero"); // empty: the font named
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("tipo"); // as pdffonts names it
        QTest::newRow("TrueType") << ""
                                  << "DejaVu Sans Mono"
                                  << "Factura 2024: 1.234,50"
                                  << "CID TrueType";
        QTest::newRow("OpenType CFF")
            << "/usr/share/fonts/opentype/urw-base35/NimbusRoman-Regular.otf"
            << ""
            << "Nimbus Roman texto"
            << "CID Type 0C (OT)";
        QTest::newRow("árabe con formas")
            << ""
            << "DejaVu Sans" << QString::fromUtf8("سلام عليكم") << "CID TrueType";
        QTest::newRow("respaldo") << ""
                                  << "Courier New" << QString::fromUtf8("rey ♔") << "CID TrueType";
    }
    void textoLegible() {
        QFETCH(QString, fichero);
        QFETCH(QString, nombre);
        QFETCH(QString, texto);
        QFETCH(QString, tipo);
        CatalogoFuentes catalogo;
        std::shared_ptr<LetraPdf> letra;
        if (fichero.isEmpty()) {
            letra = catalogo.letra(nombre, 12, false, false);
        } else {
            if (!QFile::exists(fichero)) QSKIP("the face is not installed here");
            letra = std::make_shared<LetraPdf>(CaraFuente::abre(fichero.toStdString(), 0), 12,
                                               false, false);
        }
        const QString pdf = textoEn(QTest::currentDataTag(), letra, texto);
        QCOMPARE(QueDiceQpdf(pdf), QString());
        // Without the marks pdftotext puts around right-to-left text.
        QCOMPARE(Ejecuta("pdftotext", {pdf, "-"})
                     .remove(QRegularExpression("[\u202a-\u202e]"))
                     .trimmed(),
                 texto);
        const QString fuentes = Ejecuta("pdffonts", {pdf});
        QVERIFY2(fuentes.contains(tipo), qPrintable(fuentes));
        for (const QString& fila : fuentes.split('\n').mid(2))
            if (!fila.isEmpty()) QVERIFY2(fila.contains(" yes yes yes "), qPrintable(fila));
    }
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
