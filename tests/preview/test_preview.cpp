// Tests of the preview: the box's document is read
// back block by block and fragment by fragment.
#include "preview/frm_prt_ver.h"
#include "support/scripted_messages.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <utility>

namespace {

// One block as "text<font,size[,N][,I][,S]> + ...": N bold, I italic, S underline. Every fragment
// must also be navy; a fragment of another colour is marked ",color=#rrggbb".
QString describeBloque(const QTextBlock& bloque) {
    QStringList trozos;
    for (auto it = bloque.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const QTextCharFormat c = f.charFormat();
        const QStringList familias = c.fontFamilies().toStringList();
        QString d = f.text() + '<' + familias.join('|') + ',' + QString::number(c.fontPointSize());
        if (c.fontWeight() >= QFont::Bold) d += ",N";
        if (c.fontItalic()) d += ",I";
        if (c.fontUnderline()) d += ",S";
        if (c.foreground().color() != QColor(0, 0, 128))
            d += ",color=" + c.foreground().color().name();
        trozos << d + '>';
    }
    return trozos.join(" + ");
}

QStringList describe(const QTextDocument* documento) {
    QStringList bloques;
    for (QTextBlock b = documento->begin(); b.isValid(); b = b.next())
        bloques << (b.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
                        ? QStringLiteral("<regla>")
                        : describeBloque(b));
    return bloques;
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<MensajesGuionizados> mensajes_;
    int numero_ = 0;

    // Writes the bytes to a new .prt file in the temporary folder; returns its name.
    QString escribe(const QByteArray& bytes) {
        const QString nombre = QStringLiteral("F%1.PRT").arg(++numero_);
        QFile f(dir_.filePath(nombre));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) qFatal("cannot write");
        return nombre;
    }
    // Loads a window from the bytes and returns the description of its box.
    QStringList carga(const QByteArray& bytes, bool dos = false, QString* plano = nullptr) {
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe(bytes), dos);
        if (plano) *plano = ventana.rtfVisor()->toPlainText();
        return describe(ventana.rtfVisor()->document());
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(VELMOR_RAVENDOT_TTF));
        QVERIFY2(id >= 0, VELMOR_RAVENDOT_TTF);
        QVERIFY(QFontDatabase::applicationFontFamilies(id).contains(QStringLiteral("Ravendot")));
    }
    // No test may block on a real message box; one that a test did not take is a failure.
    void init() { mensajes_ = std::make_unique<MensajesGuionizados>(); }
    void cleanup() {
        for (const auto& c : mensajes_->cajas)
            QFAIL(qPrintable("unexpected message box " + c.titulo + ": " + c.texto));
        mensajes_.reset();
    }

    // The preview's tag table, one tag (or a small group) per row.
    void tablaFormatos_data() {
        QTest::addColumn<QByteArray>("linea");
        QTest::addColumn<QString>("esperado");
        QTest::newRow("sin etiquetas")
            << QByteArray("Hola  mundo") << "Hola  mundo<Courier New,9.75>";
        QTest::newRow("Pica") << QByteArray("a{{Pica}}b")
                              << "a<Courier New,9.75> + b<Courier New,11>";
        QTest::newRow("Elite") << QByteArray("{{Elite}}b") << "b<Courier New,9>";
        QTest::newRow("Comprimida 8 pt") << QByteArray("{{Comprimida}}b") << "b<Courier New,8>";
        QTest::newRow("Elite Ampliada 18")
            << QByteArray("{{Elite}}{{AmpliadaOn}}T") << "T<Courier New,18>";
        QTest::newRow("Ampliada y deshacer")
            << QByteArray("{{Pica}}{{AmpliadaOn}}T{{AmpliadaOff}}x")
            << "T<Courier New,22> + x<Courier New,11>";
        QTest::newRow("AmpliadaOff sola, division real")
            << QByteArray("{{Pica}}{{AmpliadaOff}}x{{AmpliadaOff}}y")
            << "x<Courier New,5.5> + y<Courier New,2.75>";
        QTest::newRow("AmpliadaOff del tamano base")
            << QByteArray("{{AmpliadaOff}}x") << "x<Courier New,4.875>";
        QTest::newRow("Ampliada no anida")
            << QByteArray("{{Elite}}{{AmpliadaOn}}{{AmpliadaOn}}x") << "x<Courier New,36>";
        QTest::newRow("pitch dentro de Ampliada")
            << QByteArray("{{AmpliadaOn}}{{Pica}}x") << "x<Courier New,11>";
        QTest::newRow("Negrita")
            << QByteArray("Total: {{NegritaOn}}125{{NegritaOff}} EUR")
            << "Total: <Courier New,9.75> + 125<Courier New,9.75,N> +  EUR<Courier New,9.75>";
        QTest::newRow("Italica") << QByteArray("{{ItalicaOn}}x{{ItalicaOff}}y")
                                 << "x<Courier New,9.75,I> + y<Courier New,9.75>";
        QTest::newRow("Subrayado") << QByteArray("{{SubrayadoOn}}x{{SubrayadoOff}}y")
                                   << "x<Courier New,9.75,S> + y<Courier New,9.75>";
        QTest::newRow("todo a la vez")
            << QByteArray("{{NegritaOn}}{{ItalicaOn}}{{SubrayadoOn}}{{Comprimida}}x")
            << "x<Courier New,8,N,I,S>";
        QTest::newRow("fuente recortada, Courier, Fuente")
            << QByteArray("{{*  Liberation Sans  }}a{{Courier}}b{{Fuente}}c")
            << "a<Liberation Sans,9.75> + b<Courier New,9.75> + c<Liberation Sans,9.75>";
        QTest::newRow("Fuente sin fuente: nombre vacio") << QByteArray("{{Fuente}}x") << "x<,9.75>";
        QTest::newRow("etiqueta vacia") << QByteArray("a{{}}b") << "ab<Courier New,9.75>";
        QTest::newRow("tercera llave") << QByteArray("a{{{Pica}}b") << "ab<Courier New,9.75>";
        QTest::newRow("blanco delante") << QByteArray("a{{ Pica}}b") << "ab<Courier New,9.75>";
        QTest::newRow("minusculas")
            << QByteArray("a{{pica}}b{{negritaon}}c") << "abc<Courier New,9.75>";
        QTest::newRow("desconocida") << QByteArray("a{{Nada}}b") << "ab<Courier New,9.75>";
        QTest::newRow("solo etiquetas") << QByteArray("{{NegritaOn}}{{Pica}}") << "";
        QTest::newRow("IMAGEN es texto")
            << QByteArray("/IMAGEN/") +
                   QFile::encodeName(QStringLiteral(VELMOR_SOURCE_DIR "/CMakeLists.txt")) +
                   " Factura"
            << "/IMAGEN/" VELMOR_SOURCE_DIR "/CMakeLists.txt Factura<Courier New,9.75>";
    }
    void tablaFormatos() {
        QFETCH(QByteArray, linea);
        QFETCH(QString, esperado);
        QCOMPARE(carga(linea), QStringList{esperado});
    }

    // Formats carry over from line to line and are never reset during a call.
    void arrastreEntreLineas() {
        QString plano;
        QCOMPARE(
            carga("{{NegritaOn}}x\r\ny\r\n{{NegritaOff}}z", false, &plano),
            (QStringList{"x<Courier New,9.75,N>", "y<Courier New,9.75,N>", "z<Courier New,9.75>"}));
        QCOMPARE(plano, QStringLiteral("x\ny\nz"));
        QCOMPARE(carga("{{Pica}}\r\n{{AmpliadaOn}}TITULO{{AmpliadaOff}} mas\r\ntexto"),
                 (QStringList{"", "TITULO<Courier New,22> +  mas<Courier New,11>",
                              "texto<Courier New,11>"}));
        // An empty line in the middle stays a paragraph of its own.
        QCOMPARE(carga("a\r\n\r\nb", false, &plano),
                 (QStringList{"a<Courier New,9.75>", "", "b<Courier New,9.75>"}));
        QCOMPARE(plano, QStringLiteral("a\n\nb"));
    }

    // "{{Pagina}}" drops the rest of its line; the line still ends; no page mark.
    void paginaDescartaResto() {
        QString plano;
        QCOMPARE(carga("abc{{Pagina}}def{{NegritaOn}}\r\nghi", false, &plano),
                 (QStringList{"abc<Courier New,9.75>", "ghi<Courier New,9.75>"}));
        QCOMPARE(plano, QStringLiteral("abc\nghi"));
        QCOMPARE(carga("[F]def\r\nx"), (QStringList{"", "x<Courier New,9.75>"}));
    }

    // The preview has no pages: a form feed shows as a rule across the box; printer codes set
    // the formats they stand for, and print nothing of their own.
    void avancesYCodigosEpson_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("esperado");
        const QString n = QStringLiteral("<Courier New,9.75>");
        QTest::newRow("avance en medio")
            << QByteArray("uno\fdos\r\ntres")
            << QStringList{"uno" + n, "<regla>", "dos" + n, "tres" + n};
        QTest::newRow("avance solo en su línea")
            << QByteArray("uno\r\n\f\r\ndos") << QStringList{"uno" + n, "<regla>", "dos" + n};
        QTest::newRow("negrita Epson") << QByteArray("a\x1b"
                                                     "Eb\x1b"
                                                     "Fc")
                                       << QStringList{"a" + n + " + b<Courier New,9.75,N> + c" + n};
    }
    void avancesYCodigosEpson() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, esperado);
        QCOMPARE(carga(bytes), esperado);
    }

    // Thousands of font names no font has cost the box one font: the names all match alike, and
    // the box keeps a handful of formats, not one per name.
    void milesDeFuentes() {
        QByteArray f;
        for (int i = 0; i < 20000; ++i)
            f += "{{*Fuente" + QByteArray::number(i).rightJustified(5, '0') + "}}linea\r\n";
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe(f), false);
        QTextDocument* documento = ventana.rtfVisor()->document();
        QCOMPARE(documento->blockCount(), 20000);
        QVERIFY2(documento->allFormats().size() < 20,
                 qPrintable(QString::number(documento->allFormats().size())));
    }

    // One paragraph per file line; the plain text is the lines joined by line ends.
    void unParrafoPorLinea() {
        QString plano;
        QCOMPARE(carga("unica", false, &plano), QStringList{"unica<Courier New,9.75>"});
        QCOMPARE(plano, QStringLiteral("unica"));
        QCOMPARE(carga("unica\r\n", false, &plano), QStringList{"unica<Courier New,9.75>"});
        QCOMPARE(plano, QStringLiteral("unica"));
        QByteArray muchas;
        QStringList lineas;
        for (int i = 0; i < 300; ++i) {
            lineas << QStringLiteral("linea %1 [N]x[n]").arg(i);
            muchas += QStringLiteral("linea %1 [N]x[n]\r\n").arg(i).toLatin1();
        }
        QCOMPARE(carga(muchas, false, &plano).size(), 300);
        QCOMPARE(plano, lineas.join('\n')
                            .replace(QStringLiteral("[N]"), QString())
                            .replace(QStringLiteral("[n]"), QString()));
    }

    void ficheroVacio() {
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe({}), false);
        QTextDocument* d = ventana.rtfVisor()->document();
        QVERIFY(d->isEmpty());
        QCOMPARE(d->blockCount(), 1);
        QCOMPARE(ventana.rtfVisor()->toPlainText(), QString());
        QVERIFY(ventana.windowTitle().startsWith(QStringLiteral("Visualizando [")));
    }

    // DOS mode: base font "Ravendot", bytes shown unconverted; "{{Courier}}" is Courier New.
    void modoDos() {
        const QByteArray linea("Ma\xA4"
                               "ana \xB3 {{Courier}}\xA4");
        QCOMPARE(carga(linea, true),
                 QStringList{QStringLiteral(
                     "Ma\u00A4ana \u00B3 <Ravendot,9.75> + \u00A4<Courier New,9.75>")});
        // Outside DOS mode the same bytes are converted from the DOS code page (850).
        QCOMPARE(carga(linea, false),
                 QStringList{QStringLiteral("Ma\u00F1ana \u2502 \u00F1<Courier New,9.75>")});
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe("x"), true);
        QCOMPARE(ventana.rtfVisor()->document()->defaultFont().family(),
                 QStringLiteral("Ravendot"));
        QCOMPARE(QFontInfo(ventana.rtfVisor()->document()->defaultFont()).family(),
                 QStringLiteral("Ravendot"));
    }

    // Bracket codes give the same formats as the long tags they stand for.
    void codigosCorchete() {
        const QStringList corto =
            carga("[N]TIT[n] [S]s[s][I]i[i][C]c[A]a[a][E]e[P]p[1]u[Z]z[*Liberation "
                  "Sans]f[L]l[NZ]nz[Hxyz]h\r\n"
                  "[aNs]x[N x]y[]q");
        const QStringList largo = carga(
            "{{NegritaOn}}TIT{{NegritaOff}} "
            "{{SubrayadoOn}}s{{SubrayadoOff}}{{ItalicaOn}}i{{ItalicaOff}}"
            "{{Comprimida}}c{{AmpliadaOn}}a{{AmpliadaOff}}{{Elite}}e{{Pica}}p{{Pica}}{{NegritaOn}}u"
            "{{Pica}}{{NegritaOff}}z{{*Liberation "
            "Sans}}f{{Courier}}l{{NegritaOn}}{{Pica}}{{NegritaOff}}nzh\r\n"
            "{{AmpliadaOff}}{{NegritaOn}}{{SubrayadoOff}}x{{NegritaOn}}yq");
        QCOMPARE(corto, largo);
        QCOMPARE(corto.size(), 2);
        QVERIFY(corto[0].contains(QStringLiteral("TIT<Courier New,9.75,N>")));
        QVERIFY(corto[0].contains(QStringLiteral("u<Courier New,11,N>")));
    }

    // Caption, placement and size, the box's navigation flags.
    void ventanaYTitulo() {
        const QString fin =
            QStringLiteral("]   Para terminar visualización pulse [Esc]o cierre con [X]");
        frmPrtVer raiz;
        QVERIFY_THROWS_EXCEPTION(
            ErrorVelmor, raiz.Cargar(QStringLiteral("/"), QStringLiteral("NOEXISTE.PRT"), false));
        QCOMPARE(raiz.windowTitle(), QStringLiteral("Visualizando [//NOEXISTE.PRT") + fin);
        QCOMPARE(frmPrtVer::RutaDe(QStringLiteral("/"), QStringLiteral("A.PRT")),
                 QStringLiteral("//A.PRT"));

        // A folder that already ends with the separator: both are kept, and the file opens.
        frmPrtVer ventana;
        const QString nombre = escribe("x\r\ny");
        ventana.Cargar(dir_.path() + '/', nombre, false);
        QCOMPARE(ventana.windowTitle(), "Visualizando [" + dir_.path() + "//" + nombre + fin);
        QCOMPARE(ventana.rtfVisor()->toPlainText(), QStringLiteral("x\ny"));

        // The whole screen the desktop's panels leave: its width, its height less a title bar;
        // the box fills the window but for a thin frame.
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(ventana.pos(), area.topLeft());
        QCOMPARE(ventana.width(), area.width());
        QVERIFY2(ventana.height() < area.height() && ventana.height() > area.height() * 9 / 10,
                 qPrintable(QString::number(ventana.height())));
        QCOMPARE(ventana.minimumSize(), ventana.maximumSize()); // fixed border
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        const QRect marco = ventana.rtfVisor()->geometry();
        QVERIFY(ventana.rect().contains(marco));
        QVERIFY2(marco.width() >= ventana.width() - 4 && marco.height() >= ventana.height() - 4,
                 qPrintable(QString("%1x%2").arg(marco.width()).arg(marco.height())));
        const Qt::WindowFlags f = ventana.windowFlags();
        QVERIFY(f & Qt::WindowCloseButtonHint);
        QVERIFY(!(f & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(f & Qt::WindowMaximizeButtonHint));

        QTextEdit* caja = ventana.rtfVisor();
        QVERIFY(caja->isReadOnly());
        QCOMPARE(caja->textInteractionFlags(),
                 Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        QCOMPARE(caja->textCursor().position(), 0);
        QCOMPARE(caja->textColor(), QColor(0, 0, 128));
    }

    // The keyboard moves the caret through a read-only box; typing changes nothing.
    void navegacionTeclado() {
        QByteArray bytes;
        for (int i = 0; i < 500; ++i)
            bytes += "linea " + QByteArray::number(i) + "\r\n";
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe(bytes), false);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QTextEdit* caja = ventana.rtfVisor();
        QVERIFY(caja->isVisible());
        QCOMPARE(caja->textCursor().position(), 0);
        QTest::keyClick(caja, Qt::Key_PageDown);
        const int trasPagina = caja->textCursor().blockNumber();
        QVERIFY2(trasPagina > 5, qPrintable(QString::number(trasPagina)));
        QVERIFY(caja->verticalScrollBar()->value() > 0);
        QTest::keyClick(caja, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(caja->textCursor().blockNumber(), 499);
        QTest::keyClicks(caja, "zzz");
        QTest::keyClick(caja, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(caja->textCursor().position(), 0);
        QCOMPARE(caja->document()->blockCount(), 500);
        QVERIFY(!caja->toPlainText().contains(QStringLiteral("zzz")));
    }

    void escCierra() {
        frmPrtVer ventana;
        ventana.Cargar(dir_.path(), escribe("x"), false);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QTest::keyClick(ventana.rtfVisor(), Qt::Key_Escape);
        QVERIFY(!ventana.isVisible());
        QCOMPARE(ventana.result(), int(QDialog::Rejected));

        frmPrtVer otra;
        otra.Cargar(dir_.path(), escribe("x"), false);
        otra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&otra));
        QVERIFY(otra.close()); // the close box
        QVERIFY(!otra.isVisible());
        QCOMPARE(otra.result(), int(QDialog::Rejected));
    }

    // Mostrar: modal, ended by Esc (or the close box); every preview is a new window loaded afresh.
    void dosVisualizacionesDesdeCero() {
        QByteArray bytes;
        for (int i = 0; i < 200; ++i)
            bytes += "[N]linea[n] " + QByteArray::number(i) + "\r\n";
        const QString nombre = escribe(bytes);
        QList<QPointer<frmPrtVer>> vistas;
        QList<int> posiciones;
        QList<QString> textos;
        for (int vuelta = 0; vuelta < 3; ++vuelta) {
            bool visto = false;
            QTimer::singleShot(0, this, [&, vuelta] {
                auto* v = qobject_cast<frmPrtVer*>(QApplication::activeModalWidget());
                QVERIFY(v);
                visto = true;
                vistas << v;
                posiciones << v->rtfVisor()->textCursor().position();
                textos << v->rtfVisor()->toPlainText();
                QVERIFY(v->rtfVisor()->isVisible());
                QTest::keyClick(v->rtfVisor(), Qt::Key_End, Qt::ControlModifier); // scroll away
                QVERIFY(v->rtfVisor()->textCursor().position() > 0);
                if (vuelta == 1)
                    v->close();
                else
                    QTest::keyClick(v->rtfVisor(), Qt::Key_Escape);
            });
            QVERIFY(frmPrtVer::Mostrar(dir_.path(), nombre, false, QStringLiteral("Velmor 2.0")));
            QVERIFY(visto);
        }
        QCOMPARE(vistas.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(vistas[i].isNull()); // destroyed after its use
            QCOMPARE(posiciones[i], 0);  // from the top every time
            QCOMPARE(textos[i], textos[0]);
        }
        QCOMPARE(textos[0].count('\n'), 199);
    }

    // A malformed tag line: no preview, one message box titled Titulo naming file, line, cause.
    void malformadoSinVisualizacion() {
        bool mostrada = false;
        QTimer guardia; // would find a window wrongly shown and close it
        connect(&guardia, &QTimer::timeout, this, [&] {
            if (auto* v = QApplication::activeModalWidget()) {
                mostrada = true;
                v->close();
            }
        });
        guardia.start(10);
        const QString nombre = escribe("bien\r\nmal {{NegritaOn\r\nnunca");
        QVERIFY(!frmPrtVer::Mostrar(dir_.path(), nombre, false, QStringLiteral("Velmor 2.0")));
        const QString otro = escribe("a}}b{{Pica}}c");
        QVERIFY(!frmPrtVer::Mostrar(dir_.path(), otro, false, QStringLiteral("Velmor 2.0")));
        QVERIFY(!frmPrtVer::Mostrar(dir_.path(), QStringLiteral("NOEXISTE.PRT"), false,
                                    QStringLiteral("Velmor 2.0")));
        QTest::qWait(30);
        QVERIFY(!mostrada);
        QStringList avisos;
        for (const auto& c : std::exchange(mensajes_->cajas, {})) {
            QCOMPARE(c.icono, QMessageBox::Critical);
            avisos << c.titulo + "|" + c.texto;
        }
        QCOMPARE(avisos.size(), 3);
        QVERIFY2(avisos[0].startsWith(QStringLiteral("Velmor 2.0|")), qPrintable(avisos[0]));
        // File and line named once, the cause first: no bare number leads the text.
        QCOMPARE(avisos[0].count(nombre), 1);
        QCOMPARE(avisos[0].count(QStringLiteral("línea")), 1);
        QVERIFY2(avisos[0].contains("«" + dir_.path() + '/' + nombre + "», línea 2)"),
                 qPrintable(avisos[0]));
        QVERIFY2(avisos[0].contains("|No se puede visualizar el fichero.\n\nEtiqueta mal formada"),
                 qPrintable(avisos[0]));
        QVERIFY2(avisos[1].contains(QStringLiteral("línea 1")), qPrintable(avisos[1]));
        QVERIFY2(avisos[2].contains(dir_.path() + QStringLiteral("/NOEXISTE.PRT")),
                 qPrintable(avisos[2]));
        QVERIFY2(!avisos[2].contains(QStringLiteral("línea")), qPrintable(avisos[2]));

        // The load itself throws and leaves the box hidden with the lines so far.
        frmPrtVer ventana;
        QVERIFY_THROWS_EXCEPTION(ErrorVelmor, ventana.Cargar(dir_.path(), nombre, false));
        QVERIFY(ventana.rtfVisor()->isHidden());
        QVERIFY(ventana.rtfVisor()->toPlainText().startsWith(QStringLiteral("bien\n")));
        // The file was closed: it can be removed and rewritten at once.
        QVERIFY(QFile::remove(dir_.filePath(nombre)));
    }
};

// Without a scripted message service the failure shows a real critical box titled Titulo.
class TestAvisoPorDefecto : public QObject {
    Q_OBJECT
  private slots:
    void avisoPorDefecto() {
        QString titulo, texto;
        QMessageBox::Icon icono = QMessageBox::NoIcon;
        QTimer::singleShot(50, this, [&] {
            auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(caja);
            titulo = caja->windowTitle();
            texto = caja->text();
            icono = caja->icon();
            caja->close();
        });
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("M.PRT")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x{{Pica");
        f.close();
        QVERIFY(!frmPrtVer::Mostrar(dir.path(), QStringLiteral("M.PRT"), false,
                                    QStringLiteral("Velmor 2.0")));
        QCOMPARE(titulo, QStringLiteral("Velmor 2.0"));
        QCOMPARE(icono, QMessageBox::Critical);
        QVERIFY2(texto.contains(QStringLiteral("M.PRT")) &&
                     texto.contains(QStringLiteral("línea 1")),
                 qPrintable(texto));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int fallos = 0;
    {
        TestAvisoPorDefecto t;
        fallos += QTest::qExec(&t, argc, argv);
    }
    {
        TestPreview t;
        fallos += QTest::qExec(&t, argc, argv);
    }
    return fallos;
}

#include "test_preview.moc"
