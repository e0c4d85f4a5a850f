// The PDF writer below the printer device: number and string syntax, fonts read back.
#include "pdf/buffer_pdf.h"
#include "pdf/cara_fuente.h"
#include "pdf/catalogo_fuentes.h"
#include "pdf/compresor.h"
#include "pdf/documento_pdf.h"
#include "pdf/texto_pdf.h"
#include "printing/salida_fichero.h"
#include "support/filas.h"
#include "support/programas.h"

#include <fontconfig/fontconfig.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QProcessEnvironment entornoSinPantalla() {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    return e;
}

// Text in each kind of face: file (empty: the font named) ¦ font ¦ text ¦ type as pdffonts names
// it ¦ the same design in another format, which the page must look like (a Type 1 subset that
// lost or misnamed a glyph does not).
const char* const kTextos = R"filas(
OpenType CFF ¦ /usr/share/fonts/opentype/urw-base35/NimbusRoman-Regular.otf ¦  ¦ Nimbus Roman texto ¦ CID Type 0C (OT) ¦
Type 1 (.pfb) ¦ /usr/share/fonts/X11/Type1/NimbusRoman-Regular.pfb ¦  ¦ Nimbus Roman: ñ Ñ á é ¿ ¡ ¦ Type 1 ¦ /usr/share/fonts/opentype/urw-base35/NimbusRoman-Regular.otf
Type 1 (.t1) ¦ /usr/share/fonts/type1/urw-base35/NimbusSans-Regular.t1 ¦  ¦ Nimbus Sans: ç ü Ü ¦ Type 1 ¦ /usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf
árabe con formas ¦  ¦ DejaVu Sans ¦ سلام عليكم ¦ CID TrueType ¦
)filas";

// What would end a literal string early or be read as another byte is escaped; numbers have no
// exponent, no "-0" and no trailing zeros. Kind ¦ value ¦ as written.
const char* const kSintaxis = R"filas(
decimal medio ¦ 0.5 ¦ 0.5
decimal negativo ¦ -3.125 ¦ -3.125
decimal redondeado ¦ 2.0004 ¦ 2
decimal casi cero negativo ¦ -0.0004 ¦ 0
decimal milésima negativa ¦ -0.0006 ¦ -0.001
decimal ceros del medio ¦ 7.05 ¦ 7.05
cadena paréntesis ¦ a(b)c ¦ (a\(b\)c)
cadena barra ¦ a\b ¦ (a\\b)
cadena retorno ¦ a\rb ¦ (a\x5crb)
)filas";
} // namespace

class TestPdf : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Compresor compresor;

    // A line of text in the face of the file given (or in the font of that name) on a page of
    // its own; the PDF's path.
    QString textoEn(const QString& nombre, const std::shared_ptr<LetraPdf>& letra,
                    const QString& texto) {
        const QString pdf = dir.filePath(nombre + ".pdf");
        SalidaFichero salida(pdf);
        salida.abre();
        DocumentoPdf doc(salida, compresor, QSizeF(595, 842), "Velmor");
        class TextoPdf escritor; // not the reading helper of the same name
        doc.empiezaPagina();
        escritor.dibuja(doc, *letra, texto, 36, 800, false);
        doc.termina();
        salida.termina();
        return pdf;
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
        for (const char* c : {"fichero", "nombre", "texto", "tipo", "igualQue"})
            QTest::addColumn<QString>(c);
        for (const QStringList& f : Filas(kTextos, 6))
            QTest::newRow(qPrintable(f[0])) << f[1] << f[2] << f[3] << f[4] << f[5];
    }
    void textoLegible() {
        QFETCH(QString, fichero);
        QFETCH(QString, nombre);
        QFETCH(QString, texto);
        QFETCH(QString, tipo);
        QFETCH(QString, igualQue);
        CatalogoFuentes catalogo;
        const auto en = [&](const QString& f) {
            return std::make_shared<LetraPdf>(CaraFuente::abre(f.toStdString(), 0), 12, false,
                                              false);
        };
        for (const QString& f : {fichero, igualQue})
            if (!f.isEmpty() && !QFile::exists(f)) QSKIP("the face is not installed here");
        const auto letra =
            fichero.isEmpty() ? catalogo.letra(nombre, 12, false, false) : en(fichero);
        const QString pdf = textoEn(QTest::currentDataTag(), letra, texto);
        if (!igualQue.isEmpty()) {
            const QString otro =
                textoEn(QTest::currentDataTag() + QString("-igual"), en(igualQue), texto);
            const Diferencia d = Compara(PaginaGris(otro, 1, 150), PaginaGris(pdf, 1, 150));
            QVERIFY2(d.tinta > 500 && d.distintos <= d.tinta / 50,
                     qPrintable(QString::number(d.distintos)));
        }
        QCOMPARE(DefectosPdf(pdf), QString());
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
    // A Type 1 face's simple font holds 256 glyphs: a text of more goes on in a second font of
    // the same face, still text.
    void type1MasDe256() {
        const char* pfb = "/usr/share/fonts/X11/Type1/NimbusRoman-Regular.pfb";
        if (!QFile::exists(pfb)) QSKIP("the face is not installed here");
        QString texto;
        for (char16_t c = 0x21; c < 0x180; ++c)
            if (c < 0x7f || (c > 0xa0 && c != 0xad)) texto += QChar(c);
        const auto letra = std::make_shared<LetraPdf>(CaraFuente::abre(pfb, 0), 3, false, false);
        const QString pdf = textoEn("type1-317", letra, texto);
        QCOMPARE(DefectosPdf(pdf), QString());
        QCOMPARE(Ejecuta("pdftotext", {pdf, "-"}).remove(QRegularExpression("\\s")), texto);
        const QStringList fuentes = Ejecuta("pdffonts", {pdf}).split('\n').mid(2).filter("Type 1");
        QCOMPARE(fuentes.size(), 2);
        for (const QString& fila : fuentes)
            QVERIFY2(fila.contains(" yes yes yes "), qPrintable(fila));
    }
    void sintaxis_data() {
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QByteArray>("escrito");
        for (const QStringList& f : Filas(kSintaxis, 3))
            QTest::newRow(qPrintable(f[0])) << f[1] << Bytes(f[2]);
    }
    void sintaxis() {
        QFETCH(QString, valor);
        QFETCH(QByteArray, escrito);
        BufferPdf b;
        if (QByteArray(QTest::currentDataTag()).startsWith("decimal"))
            b.decimal(valor.toDouble());
        else
            b.cadena(Bytes(valor).toStdString());
        QCOMPARE(QByteArray::fromStdString(b.datos()), escrito);
    }
};

QTEST_GUILESS_MAIN(TestPdf)
#include "test_pdf.moc"
