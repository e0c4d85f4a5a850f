#include "printerselect/impresora.h"
#include "support/fake_printer.h"
#include "support/scripted_messages.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {
// Runs `accion` on the dialog once it is shown modally.
void AlAbrir(std::function<void(Impresora&)> accion) {
    QTimer::singleShot(0, [accion] {
        auto* dialogo = qobject_cast<Impresora*>(QApplication::activeModalWidget());
        if (!dialogo) qFatal("the printer dialog is not open");
        accion(*dialogo);
    });
}
void Acepta(Impresora& d) {
    d.cmdAceptar->click();
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
    void init() { Eleccion() = {}; }

    void carga() {
        FakeImpresoras impresoras(nombres, 1);
        Impresora dialogo(impresoras);
        QCOMPARE(dialogo.windowTitle(), QString("  Selección de Impresora"));
        QStringList lista;
        for (int i = 0; i < dialogo.ListaImpresoras->count(); ++i)
            lista << dialogo.ListaImpresoras->itemText(i);
        QCOMPARE(lista, nombres);
        QCOMPARE(dialogo.ListaImpresoras->currentIndex(), 1);
        QCOMPARE(dialogo.ListaImpresoras->toolTip(), QString("Almacen"));
    }

    void orientacion_data() {
        QTest::addColumn<int>("orientacion");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<QString>("trasClic");
        QTest::newRow("vertical") << 1 << "Vertical"
                                  << "Papel Vertical"
                                  << "Horizontal";
        QTest::newRow("horizontal") << 2 << "Horizontal"
                                    << "Papel Horizontal"
                                    << "Vertical";
        QTest::newRow("ninguna") << 0 << ""
                                 << "Papel según Impresora"
                                 << "";
    }
    void orientacion() {
        QFETCH(int, orientacion);
        QFETCH(QString, tag);
        QFETCH(QString, aviso);
        QFETCH(QString, trasClic);
        FakeImpresoras impresoras(nombres);
        impresoras.orientacionActual = orientacion;
        Impresora dialogo(impresoras);
        QCOMPARE(dialogo.Tag(), tag);
        QCOMPARE(dialogo.ModoPapel->toolTip(), aviso);
        QCOMPARE(dialogo.ModoPapel->icon().isNull(), tag.isEmpty());
        dialogo.ModoPapel->click();
        QCOMPARE(dialogo.Tag(), trasClic);
        dialogo.ModoPapel->click();
        QCOMPARE(dialogo.Tag(), tag);
        QCOMPARE(dialogo.ModoPapel->toolTip(), aviso);
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
            d.ListaImpresoras->setCurrentIndex(1);
            d.ListaImpresoras->activated(1);
            QCOMPARE(d.ListaImpresoras->toolTip(), QString("Almacen"));
            d.ModoPapel->click();
            d.cmdAceptar->click();
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(Eleccion().ImpresoraElegida, QString("Almacen"));
        QCOMPARE(Eleccion().OrientacionElegida, QString("Horizontal"));
        QVERIFY(!Eleccion().SeleccionCancelada);
        QCOMPARE(impresoras.actual(), 1);
        QCOMPARE(impresoras.orientacion(), 2);
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
            d.ListaImpresoras->setCurrentIndex(elegida);
            d.cmdAceptar->click();
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), esperada);
    }

    void cancelaConservaLoAnterior_data() {
        QTest::addColumn<int>("como"); // 0 button, 1 Esc, 2 close box
        QTest::newRow("botón") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("cierre") << 2;
    }
    void cancelaConservaLoAnterior() {
        QFETCH(int, como);
        FakeImpresoras impresoras(nombres, 0);
        Eleccion().ImpresoraElegida = "Almacen";
        Eleccion().OrientacionElegida = "Horizontal";
        AlAbrir([como](Impresora& d) {
            d.ListaImpresoras->setCurrentIndex(3);
            if (como == 0) d.cmdCancelar->click();
            if (como == 1) QTest::keyClick(&d, Qt::Key_Escape);
            if (como == 2) d.close();
        });
        QVERIFY(!ElegirImpresora(impresoras));
        QVERIFY(Eleccion().SeleccionCancelada);
        QCOMPARE(Eleccion().ImpresoraElegida, QString("Almacen"));
        QCOMPARE(Eleccion().OrientacionElegida, QString("Horizontal"));
        QCOMPARE(impresoras.actual(), 0);
        QCOMPARE(impresoras.intentosOrientacion, 0);
    }

    void impresoraRetirada() {
        FakeImpresoras impresoras(nombres, 0);
        AlAbrir([&impresoras](Impresora& d) {
            d.ListaImpresoras->setCurrentIndex(1);
            d.ModoPapel->click();
            impresoras.nombres.removeAt(1); // gone while the dialog was open
            impresoras.nombres.removeAt(1);
            d.cmdAceptar->click();
        });
        QVERIFY(ElegirImpresora(impresoras));
        QCOMPARE(impresoras.actual(), 0);
        QCOMPARE(impresoras.intentosOrientacion, 0);
    }

    void rechazaOrientacion_data() {
        QTest::addColumn<int>("rechazos");
        QTest::addColumn<QList<QMessageBox::StandardButton>>("respuestas");
        QTest::addColumn<bool>("resultado");
        QTest::addColumn<int>("orientacionFinal");
        using B = QMessageBox::StandardButton;
        QTest::newRow("cancelar") << 5 << QList<B>{B::Cancel} << false << 1;
        QTest::newRow("reintentar y vale") << 1 << QList<B>{B::Retry} << true << 2;
        QTest::newRow("reintentar dos veces")
            << 3 << QList<B>{B::Retry, B::Retry, B::Cancel} << false << 1;
    }
    void rechazaOrientacion() {
        QFETCH(int, rechazos);
        QFETCH(QList<QMessageBox::StandardButton>, respuestas);
        QFETCH(bool, resultado);
        QFETCH(int, orientacionFinal);
        MensajesGuionizados mensajes;
        mensajes.respuestas = respuestas;
        FakeImpresoras impresoras({"Oficina", " Etiquetas "}, 0);
        impresoras.rechazosPendientes = rechazos;
        AlAbrir([](Impresora& d) {
            d.ListaImpresoras->setCurrentIndex(1);
            d.ModoPapel->click();
            d.cmdAceptar->click();
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
        impresoras.orientacionActual = 2;
        impresoras.rechazosPendientes = 1;
        bool vista = false;
        AlAbrir([&vista](Impresora& d) {
            d.ModoPapel->click();
            AlAparecerCaja([&vista](QMessageBox& caja) {
                vista = caja.windowTitle() == "Activación Impresora Oficina";
                caja.button(QMessageBox::Cancel)->click();
            });
            d.cmdAceptar->click();
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

    void segundaVezLeeDeNuevo() {
        FakeImpresoras impresoras(nombres, 0);
        AlAbrir([](Impresora& d) {
            d.ModoPapel->click();
            Acepta(d);
        });
        QVERIFY(ElegirImpresora(impresoras));
        Impresora otra(impresoras);
        QCOMPARE(otra.Tag(), QString("Horizontal"));
    }
};

QTEST_MAIN(TestImpresora)
#include "test_impresora.moc"
