// The printer dialog driven as a user drives it, on a scripted list of printers whose
// orientation can be refused; the dialog on the real queues is driven by the window's tests.
#include "printerselect/impresora.h"
#include "support/accesible.h"
#include "support/fake_printer.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

using B = QMessageBox::StandardButton;

// One use of the dialog: the printers and the current one, what the user does in it
// ("elegir N", "papel", "quitar N" (the printer goes meanwhile), then "aceptar", "cancelar", "Esc"
// or "cerrar"), how often the printer refuses the orientation and the answers; then the result,
// the current printer and orientation, and the boxes shown.
struct Caso {
    QStringList impresoras{"Oficina", "Almacen", "almacen", "Etiquetas  ", "Archivo PDF"};
    int actual = 0;
    QStringList pasos{};
    int rechazos = 0;
    QList<B> respuestas{};
    bool elegida = true;
    int actualFinal = 0;
    Orientacion orientacion = Orientacion::Vertical;
    int cajas = 0;
};

} // namespace
Q_DECLARE_METATYPE(Caso)

class TestImpresora : public QObject {
    Q_OBJECT
  private slots:
    void eleccion_data() {
        QTest::addColumn<Caso>("caso");
        using O = Orientacion;
        QTest::newRow("la preseleccionada")
            << Caso{.actual = 1, .pasos = {"aceptar"}, .actualFinal = 1};
        QTest::newRow("otra, apaisada") << Caso{.pasos = {"elegir 1", "papel", "aceptar"},
                                                .actualFinal = 1,
                                                .orientacion = O::Horizontal};
        QTest::newRow("la caja cuenta") << Caso{.pasos = {"elegir 2", "aceptar"}, .actualFinal = 2};
        // The first name equal once trimmed wins, not the entry picked.
        QTest::newRow("blancos a los lados")
            << Caso{.impresoras = {"Etiquetas", " Etiquetas", "Otra"},
                    .actual = 2,
                    .pasos = {"elegir 1", "aceptar"}};
        QTest::newRow("botón Cancelar")
            << Caso{.pasos = {"elegir 3", "papel", "cancelar"}, .elegida = false};
        QTest::newRow("Esc") << Caso{.pasos = {"elegir 3", "papel", "Esc"}, .elegida = false};
        QTest::newRow("cierre") << Caso{.pasos = {"elegir 3", "papel", "cerrar"}, .elegida = false};
        QTest::newRow("retirada mientras")
            << Caso{.pasos = {"elegir 1", "papel", "quitar 1", "quitar 1", "aceptar"}};
        QTest::newRow("orientación rechazada, Cancelar")
            << Caso{.pasos = {"elegir 1", "papel", "aceptar"},
                    .rechazos = 5,
                    .respuestas = {B::Cancel},
                    .elegida = false,
                    .actualFinal = 1,
                    .cajas = 1};
        QTest::newRow("Reintentar, vale") << Caso{.pasos = {"elegir 1", "papel", "aceptar"},
                                                  .rechazos = 1,
                                                  .respuestas = {B::Retry},
                                                  .actualFinal = 1,
                                                  .orientacion = O::Horizontal,
                                                  .cajas = 1};
        QTest::newRow("Reintentar dos veces") << Caso{.pasos = {"elegir 1", "papel", "aceptar"},
                                                      .rechazos = 3,
                                                      .respuestas = {B::Retry, B::Retry, B::Cancel},
                                                      .elegida = false,
                                                      .actualFinal = 1,
                                                      .cajas = 3};
    }
    void eleccion() {
        QFETCH(Caso, caso);
        MensajesGuionizados mensajes;
        mensajes.respuestas = caso.respuestas;
        FakeImpresoras impresoras(caso.impresoras, caso.actual);
        impresoras.rechazosPendientes = caso.rechazos;
        QString preseleccionada;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<Impresora*>(QApplication::activeModalWidget());
            QVERIFY(d);
            auto* lista = Control<QComboBox>(d, "Lista de impresoras");
            preseleccionada = lista->currentText();
            for (const QString& paso : caso.pasos) {
                const int n = paso.section(' ', 1).toInt();
                if (paso.startsWith("elegir")) lista->setCurrentIndex(n);
                if (paso == "papel") Control<QAbstractButton>(d, "Orientación del papel")->click();
                if (paso.startsWith("quitar")) impresoras.nombres.removeAt(n);
                if (paso == "aceptar") Control<QAbstractButton>(d, "Aceptar")->click();
                if (paso == "cancelar") Control<QAbstractButton>(d, "Cancelar")->click();
                if (paso == "Esc") QTest::keyClick(lista, Qt::Key_Escape);
                if (paso == "cerrar") d->close();
            }
        });
        QCOMPARE(ElegirImpresora(impresoras), caso.elegida);
        QCOMPARE(preseleccionada, caso.impresoras[caso.actual]);
        QCOMPARE(impresoras.actual(), caso.actualFinal);
        QCOMPARE(impresoras.orientacion(), caso.orientacion);
        QCOMPARE(mensajes.cajas.size(), caso.cajas);
        for (const auto& c : mensajes.cajas) {
            QCOMPARE(c.titulo, "Activación Impresora " + caso.impresoras[1].trimmed());
            QCOMPARE(c.texto, QString("La impresora no admite esa orientación del papel [484]"));
            QCOMPARE(c.botones, QMessageBox::Retry | QMessageBox::Cancel);
        }
        // The next dialog reads the orientation afresh.
        Impresora otro(impresoras);
        QCOMPARE(Descripcion(Control<QAbstractButton>(&otro, "Orientación del papel")),
                 caso.orientacion == Orientacion::Horizontal ? "Papel Horizontal"
                                                             : "Papel Vertical");
    }

    // A printer that leaves the orientation to itself offers no paper choice.
    void segunImpresora() {
        FakeImpresoras impresoras({"Oficina"});
        impresoras.orientacionActual = Orientacion::SegunImpresora;
        Impresora dialogo(impresoras);
        auto* papel = Control<QAbstractButton>(&dialogo, "Orientación del papel");
        papel->click();
        QCOMPARE(Descripcion(papel), QString("Papel según Impresora"));
        QVERIFY(papel->icon().isNull());
    }
};

QTEST_MAIN(TestImpresora)
#include "test_impresora.moc"
