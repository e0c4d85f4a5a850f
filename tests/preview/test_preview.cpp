// The preview: its box's document read back fragment by fragment, and the window as shown.
#include "preview/frm_prt_ver.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/scripted_messages.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

namespace {

// Each block as "text<font,size[,N][,I][,S]> + ..." (bold, italic, underlined; ",color" when not
// navy); a form feed's rule as "<regla>".
QStringList Describe(const QTextDocument* documento) {
    QStringList bloques;
    for (QTextBlock b = documento->begin(); b.isValid(); b = b.next()) {
        QStringList trozos;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            trozos << it.fragment().text() + '<' + c.fontFamilies().toStringList().join('|') + ',' +
                          QString::number(c.fontPointSize()) +
                          (c.fontWeight() >= QFont::Bold ? ",N" : "") +
                          (c.fontItalic() ? ",I" : "") + (c.fontUnderline() ? ",S" : "") +
                          (c.foreground().color() != QColor(0, 0, 128) ? ",color" : "") + '>';
        }
        bloques << (b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
                        ? "<regla>"
                        : trozos.join(" + "));
    }
    return bloques;
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int numero_ = 0;

    // A new .prt file in the temporary folder holding the bytes; returns its name.
    QString Escribe(const QByteArray& bytes) {
        return QFileInfo(EscribeFichero(dir_.filePath(QString("F%1.PRT").arg(++numero_)), bytes))
            .fileName();
    }

  private slots:
    void initTestCase() { QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0); }

    // One paragraph per file line; formats carry over from line to line; a form feed is a rule
    // across the box (the preview has no pages); DOS mode shows the bytes unconverted in
    // "Ravendot", otherwise through code page 850. name ¦ bytes ¦ DOS ¦ blocks, " / " between
    // them ("<n>": the initial format).
    void documento_data() {
        FilasEnLista(R"(
vacío ¦ ¦ 0 ¦
formatos y arrastre ¦ a{{NegritaOn}}{{ItalicaOn}}{{SubrayadoOn}}b\r\nc{{NegritaOff}}d\r\n ¦ 0 ¦ a<n> + b<Courier New,9.75,N,I,S> / c<Courier New,9.75,N,I,S> + d<Courier New,9.75,I,S>
tamaños ¦ {{Pica}}{{AmpliadaOn}}T{{AmpliadaOff}}x{{Comprimida}}y ¦ 0 ¦ T<Courier New,22> + x<Courier New,11> + y<Courier New,8>
fuentes ¦ {{*  Liberation Sans  }}a{{Courier}}b{{Fuente}}c ¦ 0 ¦ a<Liberation Sans,9.75> + b<n> + c<Liberation Sans,9.75>
línea vacía en medio ¦ a\r\n\r\nb ¦ 0 ¦ a<n> /  / b<n>
avance de página ¦ uno\fdos\r\n\f\r\ntres ¦ 0 ¦ uno<n> / <regla> / dos<n> / <regla> / tres<n>
DOS ¦ Ma\xA4ana \xB3 {{Courier}}\xA4 ¦ 1 ¦ Ma¤ana ³ <Ravendot,9.75> + ¤<n>
no DOS ¦ Ma\xA4ana \xB3 ¦ 0 ¦ Mañana │<n>
)",
                     4, "c");
    }
    void documento() {
        QFETCH(QStringList, c);
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), Escribe(Bytes(c[1])), c[2] == "1");
        QCOMPARE(Describe(ventana.rtfVisor()->document()).join(" / "),
                 c[3].replace("<n>", "<Courier New,9.75>"));
        if (c[2] == "1")
            QCOMPARE(QFontInfo(ventana.rtfVisor()->document()->defaultFont()).family(), "Ravendot");
    }

    // A form feed shows in the preview as a rule across the box, whatever the lines' length.
    void reglaDelSaltoDePagina_data() {
        QTest::addColumn<QByteArray>("prt");
        QTest::newRow("líneas cortas") << QByteArray("uno\r\n\fdos\r\n");
        QTest::newRow("línea más ancha que la caja") << QByteArray(300, 'x') + "\r\n\fdos\r\n";
    }
    void reglaDelSaltoDePagina() {
        QFETCH(QByteArray, prt);
        frmPrtVer visor;
        visor.Cargar(dir_.path(), Escribe(prt), false);
        visor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&visor));
        QWidget* caja = visor.rtfVisor()->viewport();
        const QImage imagen = caja->grab().toImage();
        const QRgb fondo = imagen.pixel(imagen.width() - 1, imagen.height() - 1);
        int masLarga = 0; // the longest run of drawn pixels in any row
        for (int y = 0; y < imagen.height(); ++y)
            for (int x = 0, seguidos = 0; x < imagen.width(); ++x)
                masLarga =
                    qMax(masLarga, seguidos = imagen.pixel(x, y) == fondo ? 0 : seguidos + 1);
        QVERIFY2(masLarga >= caja->width() * 8 / 10, qPrintable(QString::number(masLarga)));
    }

    // Thousands of font names no font has cost the box one font, not one format per name.
    void milesDeFuentes() {
        QByteArray f;
        for (int i = 0; i < 20000; ++i)
            f += "{{*Fuente" + QByteArray::number(i) + "}}linea\r\n";
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), Escribe(f), false);
        QCOMPARE(ventana.rtfVisor()->document()->blockCount(), 20000);
        QVERIFY(ventana.rtfVisor()->document()->allFormats().size() < 20);
    }

    // A preview is a modal window, from the top of the file, read-only to the keyboard, gone once
    // closed (Esc is the window's tests' business).
    void mostrar() {
        QByteArray bytes;
        for (int i = 0; i < 200; ++i)
            bytes += "linea " + QByteArray::number(i) + "\r\n";
        QPointer<frmPrtVer> vista;
        int posicion = -1, bloque = -1;
        QString texto;
        QTimer::singleShot(0, this, [&] {
            vista = qobject_cast<frmPrtVer*>(QApplication::activeModalWidget());
            QTextEdit* caja = vista->rtfVisor();
            posicion = caja->textCursor().position();
            QTest::keyClick(caja, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(caja, "zzz");
            bloque = caja->textCursor().blockNumber();
            texto = caja->toPlainText();
            vista->close();
        });
        QVERIFY(frmPrtVer::Mostrar(dir_.path(), Escribe(bytes), false, "Velmor 2.0"));
        QCOMPARE(posicion, 0);
        QCOMPARE(bloque, 199);
        QVERIFY(!texto.contains("zzz"));
        QVERIFY(vista.isNull());
    }

    // A file that cannot be shown (a malformed tag line, a missing file): no preview, one
    // box naming the file and the line, and the file is closed.
    void malformado() {
        MensajesGuionizados mensajes;
        const QString nombre = Escribe("bien\r\nmal {{NegritaOn\r\nnunca");
        QVERIFY(!frmPrtVer::Mostrar(dir_.path(), nombre, false, "Velmor 2.0"));
        QVERIFY(!frmPrtVer::Mostrar(dir_.path(), "NOEXISTE.PRT", false, "Velmor 2.0"));
        QCOMPARE(mensajes.cajas.size(), 2);
        const auto& caja = mensajes.cajas[0];
        QVERIFY2(
            caja.texto.startsWith("No se puede visualizar el fichero.\n\nEtiqueta mal formada") &&
                caja.texto.contains("«" + dir_.path() + '/' + nombre + "», línea 2)"),
            qPrintable(caja.texto));
        QVERIFY(mensajes.cajas[1].texto.contains(dir_.path() + "/NOEXISTE.PRT"));
        QVERIFY(!AbiertoPorEsteProceso(dir_.filePath(nombre)));
    }
};

QTEST_MAIN(TestPreview)
#include "test_preview.moc"
