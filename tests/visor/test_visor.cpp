// The preview's page view: the pages the printer gets, how one moves and zooms through them, the
// switch between the views and the view remembered, the errors, and the pixels against poppler's
// rendering of the command line's PDF of the same file.
#include "preview/frm_prt_ver.h"
#include "preview/hojas_pdf.h"
#include "preview/vista_paginas.h"
#include "support/ficheros.h"
#include "support/programas.h"
#include "support/scripted_messages.h"
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageRenderer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>

namespace {
const QString kMuestras = QStringLiteral(VELMOR_SOURCE_DIR "/samples");

// A report of `paginas` full pages of 66 numbered lines.
QByteArray Informe(int paginas) {
    QByteArray datos;
    for (int i = 0; i < paginas * 66; ++i)
        datos += "Linea " + QByteArray::number(i + 1) + " de la pagina " +
                 QByteArray::number(i / 66 + 1) + "\r\n";
    return datos;
}

// The largest difference of mean grey between the 8×8-pixel blocks of two images of one size.
int PeorBloque(const QImage& a, const QImage& b) {
    constexpr int kLado = 8;
    int peor = 0;
    for (int y = 0; y + kLado <= a.height(); y += kLado)
        for (int x = 0; x + kLado <= a.width(); x += kLado) {
            int diferencia = 0;
            for (int j = 0; j < kLado; ++j)
                for (int i = 0; i < kLado; ++i)
                    diferencia += a.constScanLine(y + j)[x + i] - b.constScanLine(y + j)[x + i];
            peor = qMax(peor, qAbs(diferencia) / (kLado * kLado));
        }
    return peor;
}

// The page view once the whole file is on screen.
void EsperaCompleta(frmPrtVer& ventana) {
    QTRY_VERIFY_WITH_TIMEOUT(ventana.vistaPaginas()->completa(), 60000);
}

QString Etiqueta(const frmPrtVer& ventana) {
    return ventana.vistaPaginas()->etiqueta()->text();
}

void Tecla(frmPrtVer& ventana, Qt::Key tecla, Qt::KeyboardModifiers mod = Qt::NoModifier) {
    QTest::keyClick(ventana.vistaPaginas()->vista(), tecla, mod);
}
} // namespace

class TestVisor : public QObject {
    Q_OBJECT
    CarpetasDePrueba carpetas_;

  private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().clear(); }

    // What the page view shows of a file: the pages the printer gets, and its label.
    void paginas_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<int>("paginas");
        QTest::addColumn<QString>("etiqueta");
        QTest::newRow("INFORME.PRT, 3 páginas")
            << kMuestras + "/INFORME.PRT" << 3 << QStringLiteral("Página 1 de 3");
        QTest::newRow("20 páginas") << EscribeFichero(carpetas_.nueva() + "/LARGO.PRT", Informe(20))
                                    << 20 << QStringLiteral("Página 1 de 20");
        QTest::newRow("vacío") << kMuestras + "/VACIO.PRT" << 0
                               << QStringLiteral(
                                      "Sin páginas: el fichero no tiene nada que imprimir");
    }
    void paginas() {
        QFETCH(QString, ruta);
        QFETCH(int, paginas);
        QFETCH(QString, etiqueta);
        frmPrtVer ventana;
        const QFileInfo info(ruta);
        ventana.Cargar(info.path(), info.fileName(), false, frmPrtVer::Vista::Paginas);
        QCOMPARE(ventana.vista(), frmPrtVer::Vista::Paginas);
        EsperaCompleta(ventana);
        QCOMPARE(ventana.vistaPaginas()->paginas(), paginas);
        QCOMPARE(Etiqueta(ventana), etiqueta);
        QCOMPARE(ventana.vistaPaginas()->etiqueta()->accessibleName(), etiqueta);
        QVERIFY(ventana.vistaPaginas()->etiqueta()->isVisibleTo(&ventana));
        // Opened on the pages, the text was never read.
        QVERIFY(ventana.rtfVisor()->document()->isEmpty());
    }

    // A long file shows its first pages first; the whole document then takes their place at the
    // page the user went to meanwhile.
    void primerasPaginasAntes() {
        const QString ruta = EscribeFichero(carpetas_.nueva() + "/LARGO.PRT", Informe(200));
        frmPrtVer ventana;
        ventana.show();
        QSignalSpy mostrado(ventana.vistaPaginas(), &VistaPaginas::mostrado);
        ventana.Cargar(QFileInfo(ruta).path(), "LARGO.PRT", false, frmPrtVer::Vista::Paginas);
        QVERIFY(mostrado.wait(60000));
        QCOMPARE(mostrado.first().first().toBool(), false);
        QCOMPARE(ventana.vistaPaginas()->paginas(), 8);
        QCOMPARE(Etiqueta(ventana), QStringLiteral("Página 1 de al menos 8"));
        Tecla(ventana, Qt::Key_End);
        QCOMPARE(Etiqueta(ventana), QStringLiteral("Página 8 de al menos 8"));
        EsperaCompleta(ventana);
        QCOMPARE(ventana.vistaPaginas()->paginas(), 200);
        QCOMPARE(Etiqueta(ventana), QStringLiteral("Página 8 de 200"));
        QCOMPARE(ventana.vistaPaginas()->pagina(), 7);
    }

    // The keys of a PDF viewer, from page 1 of 3: the page reached, in the label and on screen.
    void navegacion_data() {
        QTest::addColumn<QList<int>>("teclas");
        QTest::addColumn<int>("pagina");
        QTest::newRow("AvPág") << QList<int>{Qt::Key_PageDown} << 2;
        QTest::newRow("AvPág dos veces") << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown} << 3;
        QTest::newRow("AvPág tras la última")
            << QList<int>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown} << 3;
        QTest::newRow("RePág en la primera") << QList<int>{Qt::Key_PageUp} << 1;
        QTest::newRow("Fin") << QList<int>{Qt::Key_End} << 3;
        QTest::newRow("Fin, RePág") << QList<int>{Qt::Key_End, Qt::Key_PageUp} << 2;
        QTest::newRow("Fin, Inicio") << QList<int>{Qt::Key_End, Qt::Key_Home} << 1;
    }
    void navegacion() {
        QFETCH(QList<int>, teclas);
        QFETCH(int, pagina);
        frmPrtVer ventana;
        ventana.resize(800, 600);
        ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::Vista::Paginas);
        ventana.show();
        EsperaCompleta(ventana);
        QScrollBar* barra = ventana.vistaPaginas()->vista()->verticalScrollBar();
        for (int tecla : teclas)
            Tecla(ventana, Qt::Key(tecla));
        QCOMPARE(Etiqueta(ventana), QStringLiteral("Página %1 de 3").arg(pagina));
        // The page is the one on screen: the view scrolled to it (three pages of equal height).
        const double alto = (barra->maximum() + barra->pageStep()) / 3.0;
        const int arriba = qMin(qRound((pagina - 1) * alto), barra->maximum());
        QVERIFY2(qAbs(barra->value() - arriba) <= 10, qPrintable(QString::number(barra->value())));
        QCOMPARE(ventana.vistaPaginas()->pagina(), pagina - 1);
    }

    // Paging through a long file, the view holds the page on screen and the ones beside it, drawn
    // in advance, and lets the others go.
    void paginasGuardadas() {
        const QString ruta = EscribeFichero(carpetas_.nueva() + "/LARGO.PRT", Informe(30));
        frmPrtVer ventana;
        ventana.resize(800, 600);
        ventana.Cargar(QFileInfo(ruta).path(), "LARGO.PRT", false, frmPrtVer::Vista::Paginas);
        ventana.show();
        EsperaCompleta(ventana);
        HojasPdf* hojas = ventana.vistaPaginas()->vista();
        for (int pagina = 1; pagina < 20; ++pagina) {
            Tecla(ventana, Qt::Key_PageDown);
            QCOMPARE(hojas->pagina(), pagina);
            QTRY_VERIFY_WITH_TIMEOUT(hojas->dibujada(pagina) && hojas->dibujada(pagina + 1), 60000);
            QVERIFY2(hojas->paginasGuardadas() <= 4,
                     qPrintable(QString::number(hojas->paginasGuardadas())));
        }
        QVERIFY(!hojas->dibujada(0));
    }

    // Zoom: the factor the page gets on screen, relative to the page's width fitted to the view,
    // and the page the user is on stays.
    void zoom_data() {
        QTest::addColumn<QString>("accion");
        QTest::addColumn<int>("modo"); // HojasPdf::Ajuste
        QTest::addColumn<double>("factor");
        using A = HojasPdf::Ajuste;
        QTest::newRow("+") << "+" << int(A::Factor) << 1.25;
        QTest::newRow("+ +") << "++" << int(A::Factor) << 1.5625;
        QTest::newRow("−") << "-" << int(A::Factor) << 0.8;
        QTest::newRow("Ctrl+rueda arriba") << "r+" << int(A::Factor) << 1.25;
        QTest::newRow("Ctrl+rueda abajo") << "r-" << int(A::Factor) << 0.8;
        QTest::newRow("página entera") << "e" << int(A::PaginaEntera) << 0.0;
        QTest::newRow("+ y ancho de página") << "+a" << int(A::Ancho) << 1.0;
    }
    void zoom() {
        QFETCH(QString, accion);
        QFETCH(int, modo);
        QFETCH(double, factor);
        frmPrtVer ventana;
        ventana.resize(800, 600);
        ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::Vista::Paginas);
        ventana.show();
        EsperaCompleta(ventana);
        VistaPaginas* v = ventana.vistaPaginas();
        Tecla(ventana, Qt::Key_PageDown);
        // The page's width fitted to the view, as a factor of its natural size on screen.
        const double ppp = ventana.screen()->logicalDotsPerInch() / 72.0;
        const double ajustado = (v->vista()->viewport()->width() - 2 * HojasPdf::kMargen) /
                                (v->vista()->documento()->pagePointSize(1).width() * ppp);
        QCOMPARE(v->vista()->factor(), ajustado);
        for (const QChar c : accion.startsWith(u'r') ? QString() : accion) {
            if (c == u'+') Tecla(ventana, Qt::Key_Plus);
            if (c == u'-') Tecla(ventana, Qt::Key_Minus);
            if (c == u'e') v->paginaEntera();
            if (c == u'a') v->ajustaAncho();
        }
        if (accion.startsWith(u'r')) {
            const QPoint centro = v->vista()->viewport()->rect().center();
            QWheelEvent rueda(centro, v->vista()->viewport()->mapToGlobal(centro), {},
                              {0, accion.endsWith(u'+') ? 120 : -120}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v->vista()->viewport(), &rueda);
        }
        QCOMPARE(int(v->vista()->ajuste()), modo);
        if (factor > 0) QCOMPARE(v->vista()->factor(), ajustado * factor);
        // The page on screen at that size, and still the page the user was on.
        QCOMPARE(
            v->vista()->rectPagina(1).width(),
            qRound(v->vista()->factor() * v->vista()->documento()->pagePointSize(1).width() * ppp));
        QCOMPARE(Etiqueta(ventana), QStringLiteral("Página 2 de 3"));
    }

    // The button and F2 switch views; each switch is remembered for the next preview, which
    // opens in the view last used (the text the first time).
    void alternancia_data() {
        QTest::addColumn<bool>("conTecla");
        QTest::newRow("botón") << false;
        QTest::newRow("F2") << true;
    }
    void alternancia() {
        QFETCH(bool, conTecla);
        auto alterna = [&](frmPrtVer& v) {
            if (conTecla)
                QTest::keyClick(&v, Qt::Key_F2);
            else
                v.cmdVista()->click();
        };
        QCOMPARE(frmPrtVer::VistaRecordada(), frmPrtVer::Vista::Texto);
        {
            frmPrtVer ventana;
            ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::VistaRecordada());
            ventana.show();
            QVERIFY(QTest::qWaitForWindowExposed(&ventana));
            QCOMPARE(ventana.cmdVista()->text(), QStringLiteral("Ver páginas"));
            QVERIFY(ventana.cmdVista()->toolTip().contains("páginas"));
            QVERIFY(!ventana.vistaPaginas()->barra()->isVisible());
            alterna(ventana);
            QCOMPARE(ventana.vista(), frmPrtVer::Vista::Paginas);
            QCOMPARE(ventana.cmdVista()->text(), QStringLiteral("Ver texto"));
            QVERIFY(ventana.cmdVista()->toolTip().contains("texto"));
            QVERIFY(ventana.vistaPaginas()->isVisible());
            QVERIFY(ventana.vistaPaginas()->barra()->isVisible());
            EsperaCompleta(ventana);
            QCOMPARE(Etiqueta(ventana), QStringLiteral("Página 1 de 3"));
        }
        QCOMPARE(frmPrtVer::VistaRecordada(), frmPrtVer::Vista::Paginas);
        {
            frmPrtVer ventana;
            ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::VistaRecordada());
            ventana.show();
            QVERIFY(QTest::qWaitForWindowExposed(&ventana));
            QCOMPARE(ventana.vista(), frmPrtVer::Vista::Paginas);
            QVERIFY(ventana.rtfVisor()->document()->isEmpty());
            alterna(ventana);
            QCOMPARE(ventana.vista(), frmPrtVer::Vista::Texto);
            QVERIFY(ventana.rtfVisor()->isVisible());
            QVERIFY(ventana.rtfVisor()->toPlainText().contains("INFORME MENSUAL DE VENTAS"));
            // Esc still ends the preview from either view.
            alterna(ventana);
            QTest::keyClick(ventana.vistaPaginas()->vista(), Qt::Key_Escape);
            QVERIFY(!ventana.isVisible());
            QCOMPARE(ventana.result(), int(QDialog::Rejected));
        }
        QCOMPARE(frmPrtVer::VistaRecordada(), frmPrtVer::Vista::Paginas);
    }

    // A file that cannot print shows the error and no page view: the text instead when it can
    // be read, otherwise the preview ends.
    void errores_data() {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<bool>("textoLegible");
        QTest::addColumn<QString>("causa");
        const QString c = carpetas_.nueva();
        EscribeFichero(c + "/roto.png", "esto no es una imagen");
        QTest::newRow("imagen de fondo ilegible")
            << EscribeFichero(c + "/FONDO.PRT", "/IMAGEN/roto.png\r\nTexto\r\n") << true
            << "roto.png";
        QTest::newRow("etiqueta sin cerrar") << kMuestras + "/ERRONEO.PRT" << false << "línea 2";
    }
    void errores() {
        QFETCH(QString, ruta);
        QFETCH(bool, textoLegible);
        QFETCH(QString, causa);
        MensajesGuionizados mensajes;
        frmPrtVer ventana;
        ventana.Cargar(QFileInfo(ruta).path(), QFileInfo(ruta).fileName(), false,
                       frmPrtVer::Vista::Paginas);
        ventana.open();
        QTRY_COMPARE_WITH_TIMEOUT(mensajes.cajas.size(), 1, 60000);
        QCOMPARE(mensajes.cajas.first().icono, QMessageBox::Critical);
        QVERIFY2(mensajes.cajas.first().texto.startsWith("No se puede visualizar el fichero."),
                 qPrintable(mensajes.cajas.first().texto));
        QVERIFY2(mensajes.cajas.first().texto.contains(causa),
                 qPrintable(mensajes.cajas.first().texto));
        QCOMPARE(ventana.vistaPaginas()->paginas(), 0);
        QCOMPARE(ventana.isVisible(), textoLegible);
        if (!textoLegible) return;
        QCOMPARE(ventana.vista(), frmPrtVer::Vista::Texto);
        QVERIFY(!ventana.cmdVista()->isEnabled());
        QTest::keyClick(&ventana, Qt::Key_F2);
        QCOMPARE(ventana.vista(), frmPrtVer::Vista::Texto);
        QCOMPARE(mensajes.cajas.size(), 1);
    }

    // The PDFs of the page view have no name anywhere: nothing in the temporary folder while
    // they are shown, nor after.
    void sinFicherosTemporales() {
        QTemporaryDir temporal;
        qputenv("TMPDIR", QFile::encodeName(temporal.path()));
        {
            frmPrtVer ventana;
            ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::Vista::Paginas);
            EsperaCompleta(ventana);
            QCOMPARE(QDir(temporal.path())
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList());
        }
        qunsetenv("TMPDIR");
    }

    // Page 1 as the page view draws it, against poppler's drawing of the PDF that
    // velmor-imprimir --pdf writes for the same file, at the same resolution and size. Two
    // rasterisers smooth the edges of letters differently (single pixels differ by up to 150
    // grey levels at edges), so the pages are compared in 8×8-pixel blocks, whose mean grey may
    // differ by at most 40 levels of 255 (measured: at most 30). A missing or moved word, line
    // or picture changes a block by far more (another page: over 200).
    void igualQueElPdfImpreso() {
        const QString c = carpetas_.nueva();
        int estado = -1;
        Ejecuta(VELMOR_IMPRIMIR, {"--pdf", c + "/INFORME.pdf", kMuestras + "/INFORME.PRT"},
                &estado);
        QCOMPARE(estado, 0);

        frmPrtVer ventana;
        ventana.resize(1200, 900);
        ventana.Cargar(kMuestras, "INFORME.PRT", false, frmPrtVer::Vista::Paginas);
        ventana.show();
        EsperaCompleta(ventana);
        VistaPaginas* v = ventana.vistaPaginas();
        auto* dibujante = v->vista()->findChild<QPdfPageRenderer*>();
        QVERIFY(dibujante);
        // At the page's natural size on screen, which pdftoppm gives at the screen's resolution.
        const int ppp = qRound(ventana.screen()->logicalDotsPerInch());
        const QSize natural = (v->vista()->documento()->pagePointSize(0) * ppp / 72.0).toSize();
        QImage pagina1;
        connect(dibujante, &QPdfPageRenderer::pageRendered, this,
                [&](int pagina, QSize tamano, const QImage& imagen) {
                    if (pagina == 0 && tamano == natural) pagina1 = imagen;
                });
        v->vista()->ponFactor(1.0);
        QTRY_VERIFY_WITH_TIMEOUT(!pagina1.isNull(), 60000);

        // pdftoppm at the view's resolution, to exactly the size the view drew (which rounds).
        Ejecuta("pdftoppm", {"-scale-to-x", QString::number(pagina1.width()), "-scale-to-y",
                             QString::number(pagina1.height()), "-f", "1", "-l", "1", "-singlefile",
                             "-png", c + "/INFORME.pdf", c + "/poppler"});
        const QImage poppler(c + "/poppler.png");
        QVERIFY(!poppler.isNull());
        // The view draws the page over white, as paper.
        QImage a(pagina1.size(), QImage::Format_Grayscale8);
        a.fill(Qt::white);
        QPainter(&a).drawImage(0, 0, pagina1);
        const QImage b = poppler.convertToFormat(QImage::Format_Grayscale8);
        QCOMPARE(b.size(), a.size());
        const int peor = PeorBloque(a, b);
        qInfo("page 1, %dx%d: the worst 8x8 block differs by %d grey levels", a.width(), a.height(),
              peor);
        QVERIFY2(peor <= 40, qPrintable(QString::number(peor)));
        // The comparison sees a real difference: page 2 is far from page 1.
        Ejecuta("pdftoppm", {"-scale-to-x", QString::number(a.width()), "-scale-to-y",
                             QString::number(a.height()), "-f", "2", "-l", "2", "-singlefile",
                             "-gray", "-png", c + "/INFORME.pdf", c + "/otra"});
        QVERIFY(PeorBloque(a, QImage(c + "/otra.png").convertToFormat(QImage::Format_Grayscale8)) >
                100);
    }
};

QTEST_MAIN(TestVisor)
#include "test_visor.moc"
