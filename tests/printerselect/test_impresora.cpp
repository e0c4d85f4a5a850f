#include "printerselect/impresora.h"
#include "support/accesible.h"
#include "support/fake_printer.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
QComboBox* Lista(QWidget* d) {
    return Control<QComboBox>(d, "Lista de impresoras");
}
QAbstractButton* Boton(QWidget* d, const QString& nombre) {
    return Control<QAbstractButton>(d, nombre);
}
QAbstractButton* Papel(QWidget* d) {
    return Boton(d, "Orientación del papel");
}

// Runs `accion` on the dialog once it is shown modally.
void AlAbrir(std::function<void(Impresora&)> accion) {
    QTimer::singleShot(0, [accion] {
        auto* dialogo = qobject_cast<Impresora*>(QApplication::activeModalWidget());
        if (!dialogo) qFatal("the printer dialog is not open");
        accion(*dialogo);
    });
}
void Acepta(Impresora& d) {
    Boton(&d, "Aceptar")->click();
}

// Runs `accion` on the first message box that opens (checked every few milliseconds).
void AlAparecerCaja(std::function<void(QMessageBox&)> accion) {
    auto* vigia = new QTimer;
    QObject::connect(vigia, &QTimer::timeout, [vigia, accion] {
        if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            vigia->deleteLater();
            vigia->stop();
            accion(*caja);
        }
    });
    vigia->start(10);
}
} // namespace

class TestImpresora : public QObject {
    Q_OBJECT
    QStringList nombres{"Oficina", "Almacen", "almacen", "Etiquetas  ", "Archivo PDF"};

  private slots:
    void carga() {
        FakeImpresoras impresoras(nombres, 1);
        Impresora dialogo(impresoras);
        QCOMPARE(dialogo.windowTitle(), QString("  Selección de Impresora"));
        QStringList lista;
        for (int i = 0; i < Lista(&dialogo)->count(); ++i)
            lista << Lista(&dialogo)->itemText(i);
        QCOMPARE(lista, nombres);
        QCOMPARE(Lista(&dialogo)->currentIndex(), 1);
        QCOMPARE(Descripcion(Lista(&dialogo)), QString("Almacen"));
    }

    void orientacion_data() {
        using O = Orientacion;
        QTest::addColumn<Orientacion>("orientacion");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<Orientacion>("trasClic");
        QTest::addColumn<QString>("avisoTrasClic");
        QTest::newRow("vertical") << O::Vertical << "Papel Vertical" << O::Horizontal
                                  << "Papel Horizontal";
        QTest::newRow("horizontal")
            << O::Horizontal << "Papel Horizontal" << O::Vertical << "Papel Vertical";
        QTest::newRow("ninguna") << O::SegunImpresora << "Papel según Impresora"
                                 << O::SegunImpresora << "Papel según Impresora";
    }
    void orientacion() {
        QFETCH(Orientacion, orientacion);
        QFETCH(QString, aviso);
        QFETCH(Orientacion, trasClic);
        QFETCH(QString, avisoTrasClic);
        FakeImpresoras impresoras(nombres);
        impresoras.orientacionActual = orientacion;
        Impresora dialogo(impresoras);
        QAbstractButton* papel = Papel(&dialogo);
        QCOMPARE(dialogo.OrientacionPapel(), orientacion);
        QCOMPARE(Descripcion(papel), aviso);
        QCOMPARE(papel->icon().isNull(), orientacion == Orientacion::SegunImpresora);
        const QImage antes = papel->icon().pixmap(32).toImage();
        papel->click();
        QCOMPARE(dialogo.OrientacionPapel(), trasClic);
        QCOMPARE(Descripcion(papel), avisoTrasClic);
        QCOMPARE(papel->icon().pixmap(32).toImage() == antes,
                 orientacion == Orientacion::SegunImpresora);
        papel->click();
        QCOMPARE(dialogo.OrientacionPapel(), orientacion);
        QCOMPARE(Descripcion(papel), aviso);
        QCOMPARE(papel->icon().pixmap(32).toImage(), antes);
    }

    void indice_data() {
        QTest::addColumn<QStringList>("lista");
        QTest::addColumn<int>("actual");
        QTest::addColumn<int>("esperado");
        QTest::newRow("primera") << QStringList{"A", "B"} << 0 << 0;
        QTest::newRow("segunda") << QStringList{"A", "B"} << 1 << 1;
        QTest::newRow("duplicada: la primera") << QStringList{"A", "B", "B"} << 2 << 1;
        QTest::newRow("ninguna") << QStringList{} << 0 << 0;
    }
    void indice() {
        QFETCH(QStringList, lista);
        QFETCH(int, actual);
        QFETCH(int, esperado);
        FakeImpresoras impresoras(lista, actual);
        QCOMPARE(IndiceImpresora(impresoras), esperado);
    }

    void aceptaOtraHorizontal() {
        FakeImpresoras impresoras(nombres, 0);
        AlAbrir([](Impresora& d) {
            Lista(&d)->setCurrentIndex(1);
            Lista(&d)->activated(1);
            QCOMPARE(Descripcion(Lista(&d)), QString("Almacen"));
            Papel(&d)->click();
            Acepta(d);
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), 1);
        QCOMPARE(impresoras.orientacion(), Orientacion::Horizontal);
    }

    // The dialog answers from exec() and its own accessors; nothing else holds its choice.
    void devuelveSuEleccion() {
        FakeImpresoras impresoras(nombres, 0);
        Impresora dialogo(impresoras);
        QCOMPARE(dialogo.ImpresoraElegida(), QString());
        QCOMPARE(dialogo.OrientacionElegida(), Orientacion::SegunImpresora);
        AlAbrir([](Impresora& d) {
            Lista(&d)->setCurrentIndex(3);
            Papel(&d)->click();
            Acepta(d);
        });
        QCOMPARE(dialogo.exec(), int(QDialog::Accepted));
        QCOMPARE(dialogo.ImpresoraElegida(), QString("Etiquetas  "));
        QCOMPARE(dialogo.OrientacionElegida(), Orientacion::Horizontal);
        // Choosing does not touch the printers: ElegirImpresora does that.
        QCOMPARE(impresoras.actual(), 0);
        QCOMPARE(impresoras.intentosOrientacion, 0);
    }

    // Letter case matters; blanks at the ends do not.
    void comparaNombres_data() {
        QTest::addColumn<int>("elegida");
        QTest::addColumn<QStringList>("lista");
        QTest::addColumn<int>("esperada");
        QTest::newRow("minúsculas") << 2 << nombres << 2;
        // The first name equal once trimmed wins, not the entry picked.
        QTest::newRow("blancos al final") << 1 << QStringList{"Etiquetas", "Etiquetas  "} << 0;
        QTest::newRow("blancos delante")
            << 1 << QStringList{"Etiquetas", " Etiquetas", "Otra"} << 0;
    }
    void comparaNombres() {
        QFETCH(int, elegida);
        QFETCH(QStringList, lista);
        QFETCH(int, esperada);
        FakeImpresoras impresoras(lista, lista.size() - 1);
        AlAbrir([elegida](Impresora& d) {
            Lista(&d)->setCurrentIndex(elegida);
            Acepta(d);
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), esperada);
    }

    // Cancelled by its button, Esc or the close box: exec() says so, nothing is chosen, and
    // ElegirImpresora leaves the printer and its orientation alone.
    void cancela_data() {
        QTest::addColumn<int>("como"); // 0 button, 1 Esc, 2 close box
        QTest::newRow("botón") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("cierre") << 2;
    }
    void cancela() {
        QFETCH(int, como);
        FakeImpresoras impresoras(nombres, 0);
        const auto cancelar = [como](Impresora& d) {
            Lista(&d)->setCurrentIndex(3);
            Papel(&d)->click();
            if (como == 0) Boton(&d, "Cancelar")->click();
            if (como == 1) QTest::keyClick(Lista(&d), Qt::Key_Escape);
            if (como == 2) d.close();
        };
        {
            Impresora dialogo(impresoras);
            AlAbrir(cancelar);
            QCOMPARE(dialogo.exec(), int(QDialog::Rejected));
            QCOMPARE(dialogo.ImpresoraElegida(), QString());
            QCOMPARE(dialogo.OrientacionElegida(), Orientacion::SegunImpresora);
        }
        AlAbrir(cancelar);
        QVERIFY(!ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), 0);
        QCOMPARE(impresoras.intentosOrientacion, 0);
    }

    void impresoraRetirada() {
        FakeImpresoras impresoras(nombres, 0);
        AlAbrir([&impresoras](Impresora& d) {
            Lista(&d)->setCurrentIndex(1);
            Papel(&d)->click();
            impresoras.nombres.removeAt(1); // gone while the dialog was open
            impresoras.nombres.removeAt(1);
            Acepta(d);
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), 0);
        QCOMPARE(impresoras.intentosOrientacion, 0);
    }

    void rechazaOrientacion_data() {
        QTest::addColumn<int>("rechazos");
        QTest::addColumn<QList<QMessageBox::StandardButton>>("respuestas");
        QTest::addColumn<bool>("resultado");
        QTest::addColumn<Orientacion>("orientacionFinal");
        using B = QMessageBox::StandardButton;
        using O = Orientacion;
        QTest::newRow("cancelar") << 5 << QList<B>{B::Cancel} << false << O::Vertical;
        QTest::newRow("reintentar y vale") << 1 << QList<B>{B::Retry} << true << O::Horizontal;
        QTest::newRow("reintentar dos veces")
            << 3 << QList<B>{B::Retry, B::Retry, B::Cancel} << false << O::Vertical;
    }
    void rechazaOrientacion() {
        QFETCH(int, rechazos);
        QFETCH(QList<QMessageBox::StandardButton>, respuestas);
        QFETCH(bool, resultado);
        QFETCH(Orientacion, orientacionFinal);
        MensajesGuionizados mensajes;
        mensajes.respuestas = respuestas;
        FakeImpresoras impresoras({"Oficina", " Etiquetas "}, 0);
        impresoras.rechazosPendientes = rechazos;
        AlAbrir([](Impresora& d) {
            Lista(&d)->setCurrentIndex(1);
            Papel(&d)->click();
            Acepta(d);
        });
        QCOMPARE(ElegirImpresora(impresoras), resultado);
        QCOMPARE(impresoras.actual(), 1); // the chosen printer stays current
        QCOMPARE(impresoras.orientacion(), orientacionFinal);
        QCOMPARE(mensajes.cajas.size(), respuestas.size());
        const auto& caja = mensajes.cajas.first();
        QCOMPARE(caja.titulo, QString("Activación Impresora Etiquetas"));
        QCOMPARE(caja.texto, QString("La impresora no admite esa orientación del papel [484]"));
        QCOMPARE(caja.icono, QMessageBox::Information);
        QCOMPARE(caja.botones, QMessageBox::Retry | QMessageBox::Cancel);
    }

    // The real message box: Cancel pressed on it ends the choice with False.
    void cajaReal() {
        FakeImpresoras impresoras({"Oficina"}, 0);
        impresoras.orientacionActual = Orientacion::Horizontal;
        impresoras.rechazosPendientes = 1;
        bool vista = false;
        AlAbrir([&vista](Impresora& d) {
            Papel(&d)->click();
            AlAparecerCaja([&vista](QMessageBox& caja) {
                vista = caja.windowTitle() == "Activación Impresora Oficina";
                caja.button(QMessageBox::Cancel)->click();
            });
            Acepta(d);
        });
        QVERIFY(!ElegirImpresora(impresoras));
        QVERIFY(vista);
    }

    // With VELMOR_CAPTURAS set to a folder, saves a picture of the dialog there for the docs.
    void captura() {
        const QString carpeta = qEnvironmentVariable("VELMOR_CAPTURAS");
        if (carpeta.isEmpty()) QSKIP("VELMOR_CAPTURAS not set");
        FakeImpresoras impresoras({"Oficina", "Almacen", "Archivo PDF"}, 0);
        Impresora dialogo(impresoras);
        dialogo.show();
        QVERIFY(dialogo.grab().save(carpeta + "/printer-dialog.png"));
    }

    // The dialog is laid out from its font: with a larger one it grows, its caption and buttons
    // still show whole, and no control covers another.
    void sigueLaFuente() {
        const QFont original = QApplication::font();
        QSize tamanos[2];
        int iconos[2];
        for (int i = 0; i < 2; ++i) {
            QFont letra = original;
            letra.setPointSize(i == 0 ? 9 : 18);
            QApplication::setFont(letra);
            FakeImpresoras impresoras({"Oficina", "Almacen"}, 0);
            Impresora dialogo(impresoras);
            dialogo.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
            QCOMPARE(dialogo.minimumSize(), dialogo.maximumSize()); // not resizable
            auto* etiqueta = Control<QLabel>(&dialogo, "Impresoras");
            QVERIFY(etiqueta->width() >= etiqueta->fontMetrics().horizontalAdvance("Impresoras"));
            QList<QWidget*> controles{etiqueta, Lista(&dialogo), Boton(&dialogo, "Aceptar"),
                                      Papel(&dialogo), Boton(&dialogo, "Cancelar")};
            for (QWidget* c : controles) {
                const QRect r(c->mapTo(&dialogo, QPoint()), c->size());
                QVERIFY2(dialogo.rect().contains(r), qPrintable(c->objectName()));
                for (QWidget* otro : controles)
                    if (otro != c)
                        QVERIFY(
                            !r.intersects(QRect(otro->mapTo(&dialogo, QPoint()), otro->size())));
            }
            auto* papel = Papel(&dialogo);
            QVERIFY(papel->width() > papel->iconSize().width() &&
                    papel->height() > papel->iconSize().height());
            tamanos[i] = dialogo.size();
            iconos[i] = papel->iconSize().width();
        }
        QApplication::setFont(original);
        QCOMPARE(iconos[0], 32);
        QVERIFY(iconos[1] > iconos[0]);
        QVERIFY(tamanos[1].width() > tamanos[0].width());
        QVERIFY(tamanos[1].height() > tamanos[0].height());
    }

    void segundaVezLeeDeNuevo() {
        FakeImpresoras impresoras(nombres, 0);
        AlAbrir([](Impresora& d) {
            Papel(&d)->click();
            Acepta(d);
        });
        QVERIFY(ElegirImpresora(impresoras));
        Impresora otra(impresoras);
        QCOMPARE(otra.OrientacionPapel(), Orientacion::Horizontal);
    }
};

QTEST_MAIN(TestImpresora)
#include "test_impresora.moc"
