// The printer dialog driven as a user drives it, on a list of printers whose orientation can be
// refused; the dialog on the real queues is driven by the window's tests.
#include "printerselect/impresora.h"
#include "support/accesible.h"
#include "support/filas.h"
#include "support/impresoras_prueba.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

// name ¦ printers ("" the five below) ¦ current ¦ steps ¦ refusals ¦ answers (R Retry, C Cancel)
// ¦ chosen ¦ current after ¦ paper after (V, H, or S: the printer's own, never changed) ¦ boxes.
// Steps: "elegir N", "papel", "quitar N" (the printer goes meanwhile), then "aceptar", "Esc"
// or "cerrar". The window's tests accept and cancel on the real queues.
const char* const kElecciones = R"(
la caja cuenta ¦ ¦ 0 ¦ elegir 2,aceptar ¦ 0 ¦ ¦ 1 ¦ 2 ¦ V ¦ 0
# The first name equal once trimmed wins, not the entry picked.
blancos a los lados ¦ Etiquetas, Etiquetas,Otra ¦ 2 ¦ elegir 1,aceptar ¦ 0 ¦ ¦ 1 ¦ 0 ¦ V ¦ 0
Esc ¦ ¦ 0 ¦ elegir 3,papel,Esc ¦ 0 ¦ ¦ 0 ¦ 0 ¦ V ¦ 0
cierre ¦ ¦ 0 ¦ elegir 3,papel,cerrar ¦ 0 ¦ ¦ 0 ¦ 0 ¦ V ¦ 0
retirada mientras ¦ ¦ 0 ¦ elegir 1,papel,quitar 1,quitar 1,aceptar ¦ 0 ¦ ¦ 1 ¦ 0 ¦ V ¦ 0
orientación rechazada, Cancelar ¦ ¦ 0 ¦ elegir 1,papel,aceptar ¦ 5 ¦ C ¦ 0 ¦ 1 ¦ V ¦ 1
Reintentar, vale ¦ ¦ 0 ¦ elegir 1,papel,aceptar ¦ 1 ¦ R ¦ 1 ¦ 1 ¦ H ¦ 1
Reintentar dos veces ¦ ¦ 0 ¦ elegir 1,papel,aceptar ¦ 3 ¦ RRC ¦ 0 ¦ 1 ¦ V ¦ 3
según la impresora ¦ ¦ 0 ¦ papel,aceptar ¦ 0 ¦ ¦ 1 ¦ 0 ¦ S ¦ 0
)";

} // namespace

class TestImpresora : public QObject {
    Q_OBJECT
  private slots:
    void eleccion_data() {
        QTest::addColumn<QStringList>("c");
        for (const QStringList& f : Filas(kElecciones, 10))
            QTest::newRow(qPrintable(f[0])) << f;
    }
    void eleccion() {
        QFETCH(QStringList, c);
        MensajesGuionizados mensajes;
        for (const QChar r : c[5])
            mensajes.respuestas << (r == 'R' ? QMessageBox::Retry : QMessageBox::Cancel);
        ImpresorasPrueba impresoras;
        impresoras.nombres = c[1].isEmpty() ? QStringList{"Oficina", "Almacen", "almacen",
                                                          "Etiquetas  ", "Archivo PDF"}
                                            : c[1].split(',');
        impresoras.posicion = c[2].toInt();
        impresoras.rechazos = c[4].toInt();
        const int papel = QString("SVH").indexOf(c[8]); // as Orientacion counts them
        if (c[8] == "S") impresoras.papel = Orientacion::SegunImpresora;
        const QStringList nombres = impresoras.nombres;
        QString preseleccionada;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<Impresora*>(QApplication::activeModalWidget()); // Control stops
            auto* lista = Control<QComboBox>(d, "Lista de impresoras");
            preseleccionada = lista->currentText();
            for (const QString& paso : c[3].split(',')) {
                const int n = paso.section(' ', 1).toInt();
                if (paso.startsWith("elegir")) lista->setCurrentIndex(n);
                if (paso == "papel") Control<QAbstractButton>(d, "Orientación del papel")->click();
                if (paso.startsWith("quitar")) impresoras.nombres.removeAt(n);
                if (paso == "aceptar") Control<QAbstractButton>(d, "Aceptar")->click();
                if (paso == "Esc") QTest::keyClick(lista, Qt::Key_Escape);
                if (paso == "cerrar") d->close();
            }
        });
        QCOMPARE(ElegirImpresora(impresoras), c[6] == "1");
        QCOMPARE(preseleccionada, nombres[c[2].toInt()]);
        QCOMPARE(impresoras.actual(), c[7].toInt());
        QCOMPARE(int(impresoras.orientacion()), papel);
        QCOMPARE(mensajes.cajas.size(), c[9].toInt());
        for (const auto& c : mensajes.cajas) {
            QCOMPARE(c.titulo + "|" + c.texto, "Activación Impresora Almacen|La impresora no "
                                               "admite esa orientación del papel [484]");
            QCOMPARE(c.botones, QMessageBox::Retry | QMessageBox::Cancel);
        }
        // The next dialog reads the orientation afresh; the printer's own has no picture.
        Impresora otro(impresoras);
        auto* boton = Control<QAbstractButton>(&otro, "Orientación del papel");
        const QStringList palabras{"según Impresora", "Vertical", "Horizontal"};
        QCOMPARE(Descripcion(boton), "Papel " + palabras[papel]);
        QCOMPARE(boton->icon().isNull(), c[8] == "S");
    }
};

QTEST_MAIN(TestImpresora)
#include "test_impresora.moc"
