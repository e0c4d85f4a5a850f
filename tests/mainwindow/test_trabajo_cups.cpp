// The program end to end: the main window's buttons and print job on the system's printers of the
// private CUPS scheduler (queues "Oficina", the default, and "Almacen", whose jobs the loopback
// listener writes to $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf) and on the PDF printer, with the
// scripted message service answering the boxes.
#include "mainwindow/frm_velmor.h"
#include "printerselect/impresora.h"
#include "printing/impresoras_sistema.h"
#include "shared/nombres_fichero.h"
#include "support/accesible.h"
#include "support/ficheros.h"
#include "support/lista.h"
#include "support/programas.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

namespace {

QString carpetaTrabajos() {
    return qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR");
}

// Every job the queues have written so far.
QStringList trabajos() {
    return QDir(carpetaTrabajos()).entryList({"*.pdf"}, QDir::Files, QDir::Name);
}

// The first job written after `antes`, waiting for the listener; empty after the timeout.
QString esperaTrabajo(const QStringList& antes, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        for (const QString& f : trabajos())
            if (!antes.contains(f)) return QDir(carpetaTrabajos()).filePath(f);
        QTest::qWait(100);
    }
    return {};
}

// No job reached any queue: lp hands the job over before ImprimirPrt returns, so a job that was
// sent would be written by the listener within this wait.
bool ningunTrabajoNuevo(const QStringList& antes) {
    QTest::qWait(1500);
    return trabajos() == antes;
}

// Acts once on the first modal window of type T that opens while it lives.
template <class T> class AlAbrirse {
  public:
    explicit AlAbrirse(std::function<void(T*)> accion) : accion_(std::move(accion)) {
        QObject::connect(&reloj_, &QTimer::timeout, [this] {
            auto* ventana = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!ventana || visto) return;
            visto = true;
            reloj_.stop();
            accion_(ventana);
        });
        reloj_.start(10);
    }
    bool visto = false;

  private:
    QTimer reloj_;
    std::function<void(T*)> accion_;
};

// The printer dialog: accept `impresora` (empty: the preselected one), or cancel.
std::unique_ptr<AlAbrirse<Impresora>> DialogoImpresora(const QString& impresora,
                                                       bool aceptar = true) {
    return std::make_unique<AlAbrirse<Impresora>>([=](Impresora* d) {
        if (!aceptar) return Control<QAbstractButton>(d, "Cancelar")->click();
        auto* lista = Control<QComboBox>(d, "Lista de impresoras");
        if (!impresora.isEmpty()) lista->setCurrentIndex(lista->findText(impresora));
        Control<QAbstractButton>(d, "Aceptar")->click();
    });
}

// A volume with the program's folder "Listados" holding the PRT files, and the window on it.
struct Puesto {
    QTemporaryDir raiz;
    MensajesGuionizados mensajes;
    ImpresorasSistema impresoras;
    std::unique_ptr<frmVelmor> v;

    QString carpeta() const { return raiz.path() + "/Listados"; }
    QString ruta(const QString& nombre) const { return carpeta() + "/" + nombre; }

    void escribe(const QString& nombre, const QByteArray& contenido) const {
        EscribeFichero(ruta(nombre), contenido);
    }

    frmVelmor& arrancar(const QStringList& argumentos = {}) {
        EntornoVelmor e;
        e.carpetaPrograma = carpeta();
        e.raizVolumen = raiz.path();
        e.argumentos = argumentos;
        v = std::make_unique<frmVelmor>(impresoras, e);
        v->show();
        return *v;
    }

    void elegir(const QString& nombre) const {
        const auto hallados = ficheros()->findItems(nombre, Qt::MatchExactly);
        QVERIFY(!hallados.isEmpty());
        ficheros()->setCurrentItem(hallados.first());
        QVERIFY(v->NombreElegido == nombre);
    }

    QListWidget* ficheros() const { return Control<QListWidget>(v.get(), "Ficheros PRT"); }
    QAbstractButton* boton(const QString& nombre) const {
        return Control<QAbstractButton>(v.get(), nombre);
    }

    // Presses a button and waits until the jobs it started have ended (sent, awaited, deleted).
    void pulsa(const QString& nombre) const {
        boton(nombre)->click();
        QTRY_VERIFY_WITH_TIMEOUT(v->TrabajosPendientes() == 0, 60000);
    }

    QStringList lista() const { return Entradas(*ficheros()); }

    bool botones(bool habilitados) const {
        for (const char* b : {"Imprimir", "Previsualizar", "Eliminar", "Imprimir y borrar"})
            if (boton(b)->isEnabled() != habilitados) return false;
        return true;
    }

    QString cajas() const {
        QStringList l;
        for (const auto& c : mensajes.cajas)
            l << c.titulo + "|" + c.texto;
        return l.join("\n");
    }
};

const QByteArray Informe = "INFORME DE VENTAS Espa\xa4"
                           "a\r\n[N]Total[n]  1.234,56\r\n";

} // namespace

class TestTrabajoCups : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(!carpetaTrabajos().isEmpty()); }

    // "Imprimir seleccionando Impresora": the dialog's printer prints it, the question follows;
    // No keeps the file, Yes deletes it through the delete button's path.
    void aceptar_data() {
        QTest::addColumn<QString>("impresora");
        QTest::addColumn<bool>("borrar");
        QTest::newRow("Almacen, No") << "Almacen" << false;
        QTest::newRow("Oficina, Sí") << "Oficina" << true;
    }
    void aceptar() {
        QFETCH(QString, impresora);
        QFETCH(bool, borrar);
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        frmVelmor& v = p.arrancar();
        QCOMPARE(p.boton("Imprimir y borrar")->toolTip(),
                 QString("Imprimir por Oficina y borrar archivo"));
        p.elegir("INFORME.PRT");
        QGuiApplication::clipboard()->setText("antes");
        p.mensajes.respuestas = {borrar ? QMessageBox::Yes : QMessageBox::No};
        const QStringList antes = trabajos();
        auto dialogo = DialogoImpresora(impresora);

        p.pulsa("Imprimir");

        QVERIFY(dialogo->visto);
        QCOMPARE(p.mensajes.cajas.size(), 1);
        const auto& pregunta = p.mensajes.cajas[0];
        QCOMPARE(pregunta.icono, QMessageBox::Warning);
        QCOMPARE(pregunta.botones, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(pregunta.titulo, QCoreApplication::applicationName());
        QCOMPARE(pregunta.texto, " ¿ Desea borrar el fichero " + p.ruta("INFORME.PRT") + " ? ");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("INFORME.pdf"));
        QCOMPARE(p.boton("Imprimir y borrar")->toolTip(),
                 "Imprimir por " + impresora + " y borrar archivo");
        QCOMPARE(QFile::exists(p.ruta("INFORME.PRT")), !borrar);
        QCOMPARE(p.lista().contains("INFORME.PRT"), !borrar);
        QVERIFY(p.botones(!borrar));
        QVERIFY(v.isVisible());

        const QString pdf = esperaTrabajo(antes);
        QVERIFY2(QFileInfo(pdf).fileName().startsWith(impresora + "-"), qPrintable(pdf));
        const QString texto = TextoPdf(pdf);
        QVERIFY2(texto.contains("INFORME DE VENTAS España"), qPrintable(texto));
        QVERIFY2(texto.contains(QRegularExpression("Total +1\\.234,56")), qPrintable(texto));
    }

    // Declining the printer dialog: nothing printed, asked or deleted; the clipboard already holds
    // the PDF-style name.
    void aceptar_dialogo_cancelado() {
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        frmVelmor& v = p.arrancar();
        p.elegir("INFORME.PRT");
        const QStringList antes = trabajos();
        auto dialogo = DialogoImpresora({}, false);
        p.pulsa("Imprimir");
        QVERIFY(dialogo->visto);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("INFORME.pdf"));
        QVERIFY2(p.mensajes.cajas.isEmpty(), qPrintable(p.cajas()));
        QVERIFY(QFile::exists(p.ruta("INFORME.PRT")));
        QVERIFY(p.botones(true));
        QVERIFY(v.isVisible());
        QVERIFY(ningunTrabajoNuevo(antes));
    }

    // "Imprimir y Borrar directamente": no dialog, no question; printed on the current printer and
    // deleted. An empty file counts as printed (and sends no pages).
    void prtKill_data() {
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("informe") << Informe;
        QTest::newRow("vacío") << QByteArray();
    }
    void prtKill() {
        QFETCH(QByteArray, contenido);
        Puesto p;
        p.escribe("INFORME.PRT", contenido);
        p.escribe("OTRO.PRT", "otro\r\n");
        frmVelmor& v = p.arrancar();
        p.elegir("INFORME.PRT");
        const QStringList antes = trabajos();
        auto dialogo = DialogoImpresora({});
        p.pulsa("Imprimir y borrar");
        QVERIFY(!dialogo->visto);
        QVERIFY2(p.mensajes.cajas.isEmpty(), qPrintable(p.cajas()));
        QVERIFY(!QFile::exists(p.ruta("INFORME.PRT")));
        QCOMPARE(p.lista(), QStringList{"OTRO.PRT"});
        QVERIFY(p.botones(false));
        QVERIFY(v.isVisible());
        if (contenido.isEmpty()) {
            QVERIFY(ningunTrabajoNuevo(antes));
        } else {
            const QString pdf = esperaTrabajo(antes);
            QVERIFY2(QFileInfo(pdf).fileName().startsWith("Oficina-"), qPrintable(pdf));
            QVERIFY(TextoPdf(pdf).contains("INFORME DE VENTAS España"));
        }
    }

    // A failed print: the renderer's error box, nothing sent, the file kept and still chosen.
    void fallo_conserva_data() {
        QTest::addColumn<QString>("boton");
        QTest::newRow("Imprimir y borrar") << "Imprimir y borrar";
        QTest::newRow("Imprimir") << "Imprimir";
    }
    void fallo_conserva() {
        QFETCH(QString, boton);
        Puesto p;
        p.escribe("MALO.PRT", "bien\r\nmal {{NegritaOn\r\n");
        frmVelmor& v = p.arrancar();
        p.elegir("MALO.PRT");
        const QStringList antes = trabajos();
        auto dialogo = DialogoImpresora({});
        p.pulsa(boton);
        QCOMPARE(dialogo->visto, boton == "Imprimir");
        QCOMPARE(p.mensajes.cajas.size(), 1);
        const auto& error = p.mensajes.cajas[0];
        QCOMPARE(error.icono, QMessageBox::Critical);
        QCOMPARE(error.botones, QMessageBox::Ok);
        QCOMPARE(error.titulo, "Velmor 2.0( " + p.ruta("MALO.PRT") + ")");
        QVERIFY2(error.texto.startsWith("Etiqueta mal formada") && error.texto.contains("línea 2"),
                 qPrintable(error.texto));
        QVERIFY(QFile::exists(p.ruta("MALO.PRT")));
        QCOMPARE(v.FileNameFicheros(), QString("MALO.PRT"));
        QVERIFY(p.botones(true));
        QVERIFY(ningunTrabajoNuevo(antes));
    }

    // A file removed after it was listed: its message, and the window closes.
    void fichero_desaparecido_data() {
        QTest::addColumn<QString>("boton");
        QTest::newRow("Imprimir") << "Imprimir";
        QTest::newRow("Imprimir y borrar") << "Imprimir y borrar";
    }
    void fichero_desaparecido() {
        QFETCH(QString, boton);
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        frmVelmor& v = p.arrancar();
        p.elegir("INFORME.PRT");
        QVERIFY(QFile::remove(p.ruta("INFORME.PRT"))); // before the window can notice
        auto dialogo = DialogoImpresora({});
        p.pulsa(boton);
        QVERIFY(!dialogo->visto);
        QCOMPARE(p.mensajes.cajas.size(), 1);
        QCOMPARE(p.mensajes.cajas[0].icono, QMessageBox::Critical);
        QCOMPARE(p.mensajes.cajas[0].titulo, QString("Velmor 2.0"));
        QCOMPARE(p.mensajes.cajas[0].texto,
                 "Fichero [" + p.ruta("INFORME.PRT") + "] a imprimir no encontrado");
        QVERIFY(!v.isVisible());
    }

    // The switches, in any letter case, and a job run outside the interactive window.
    void interruptores_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("visual");
        QTest::addColumn<bool>("aceptarDialogo");
        QTest::addColumn<bool>("dialogo");  // the printer dialog was offered
        QTest::addColumn<bool>("impreso");  // a job reached the queue
        QTest::addColumn<bool>("borrado");  // the file is gone
        QTest::addColumn<bool>("pregunta"); // the delete question was asked
        QTest::addColumn<bool>("abierta");  // the window is still open
        QTest::newRow("/b") << QStringList{"/b"} << true << true << true << true << true << false
                            << true;
        QTest::newRow("/B") << QStringList{"/B"} << true << true << true << true << true << false
                            << true;
        QTest::newRow("sin ventana")
            << QStringList{} << false << true << false << true << false << false << false;
        QTest::newRow("sin ventana, /i")
            << QStringList{"/i"} << false << true << true << true << false << false << false;
        QTest::newRow("sin ventana, /I, declinado")
            << QStringList{"/I"} << false << false << true << false << false << false << false;
        QTest::newRow("sin ventana, /I /b")
            << QStringList{"/I", "/b"} << false << true << true << true << true << false << false;
    }
    void interruptores() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, visual);
        QFETCH(bool, aceptarDialogo);
        QFETCH(bool, dialogo);
        QFETCH(bool, impreso);
        QFETCH(bool, borrado);
        QFETCH(bool, pregunta);
        QFETCH(bool, abierta);
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        frmVelmor& v = p.arrancar(argumentos);
        p.elegir("INFORME.PRT");
        v.Visual = visual;
        const QStringList antes = trabajos();
        auto vigia = DialogoImpresora({}, aceptarDialogo);
        p.pulsa("Imprimir");
        QCOMPARE(vigia->visto, dialogo);
        QCOMPARE(!p.mensajes.cajas.isEmpty(), pregunta);
        QCOMPARE(!QFile::exists(p.ruta("INFORME.PRT")), borrado);
        QCOMPARE(v.isVisible(), abierta);
        if (impreso)
            QVERIFY(TextoPdf(esperaTrabajo(antes)).contains("INFORME DE VENTAS"));
        else
            QVERIFY(ningunTrabajoNuevo(antes));
    }

    // "Archivo PDF" asks where to write, in the PRT file's folder with the PDF-style name filled
    // in; cancelling prints and deletes nothing and shows no box; an existing PDF is replaced
    // only after the dialog's confirmation.
    void archivo_pdf_data() {
        QTest::addColumn<QString>("boton");
        QTest::addColumn<bool>("guardar");
        QTest::addColumn<bool>("existia");
        QTest::newRow("guardar") << "Imprimir" << true << false;
        QTest::newRow("cancelar") << "Imprimir" << false << false;
        QTest::newRow("reemplazar") << "Imprimir" << true << true;
        QTest::newRow("directo") << "Imprimir y borrar" << true << false;
        QTest::newRow("directo, cancelar") << "Imprimir y borrar" << false << false;
    }
    void archivo_pdf() {
        QFETCH(QString, boton);
        QFETCH(bool, guardar);
        QFETCH(bool, existia);
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        if (existia) p.escribe("INFORME.pdf", "viejo");
        p.impresoras.hazActual(p.impresoras.cuenta() - 1);
        frmVelmor& v = p.arrancar();
        p.elegir("INFORME.PRT");
        p.mensajes.respuestas = {QMessageBox::No};
        auto dialogo = DialogoImpresora("Archivo PDF");
        QString carpetaDialogo, nombreDialogo;
        bool confirmado = false;
        AlAbrirse<QMessageBox> confirmacion([&](QMessageBox* caja) {
            confirmado = true;
            caja->button(QMessageBox::Yes)->click();
        });
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            carpetaDialogo = d->directory().absolutePath();
            nombreDialogo = QFileInfo(d->selectedFiles().value(0)).fileName();
            if (guardar)
                static_cast<QDialog*>(d)->accept(); // runs the file dialog's own checks
            else
                d->reject();
        });
        p.pulsa(boton);

        QVERIFY(guardado.visto);
        QCOMPARE(carpetaDialogo, p.carpeta());
        QCOMPARE(nombreDialogo, QString("INFORME.pdf"));
        QCOMPARE(confirmado, existia);
        const bool directo = boton == "Imprimir y borrar";
        QCOMPARE(p.mensajes.cajas.size(), guardar && !directo ? 1 : 0); // the delete question
        QCOMPARE(QFile::exists(p.ruta("INFORME.PRT")), !(guardar && directo));
        QVERIFY(v.isVisible());
        const QString pdf = p.ruta("INFORME.pdf");
        if (guardar) {
            QVERIFY(TextoPdf(pdf).contains("INFORME DE VENTAS España"));
        } else {
            QCOMPARE(QFile::exists(pdf), existia);
            QVERIFY(p.botones(true));
        }
    }

    // An empty file printed to "Archivo PDF": the save dialog is answered, no PDF is written,
    // and the user is told so; the empty file counts as printed.
    void archivo_pdf_vacio_data() {
        QTest::addColumn<QString>("boton");
        QTest::newRow("directo") << "Imprimir y borrar";
        QTest::newRow("con diálogo") << "Imprimir";
    }
    void archivo_pdf_vacio() {
        QFETCH(QString, boton);
        Puesto p;
        p.escribe("VACIO.PRT", {});
        p.impresoras.hazActual(p.impresoras.cuenta() - 1);
        frmVelmor& v = p.arrancar();
        p.elegir("VACIO.PRT");
        p.mensajes.respuestas = {QMessageBox::No}; // the delete question, after the dialog
        auto dialogo = DialogoImpresora("Archivo PDF");
        AlAbrirse<QFileDialog> guardado([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        p.pulsa(boton);
        QVERIFY(guardado.visto);
        QVERIFY(!QFile::exists(p.ruta("VACIO.pdf")));
        QCOMPARE(p.mensajes.cajas.size(), boton == "Imprimir" ? 2 : 1);
        const auto& aviso = p.mensajes.cajas.last();
        QCOMPARE(aviso.titulo, QString("Velmor 2.0"));
        QCOMPARE(aviso.texto, "El fichero «" + p.ruta("VACIO.PRT") +
                                  "» no tiene nada que imprimir: no se ha escrito ningún PDF.");
        QCOMPARE(QFile::exists(p.ruta("VACIO.PRT")), boton == "Imprimir");
        QVERIFY(v.isVisible());
    }

    // A deletion that fails never ends the program: a box titled Titulo names the file and the
    // cause, then the buttons are disabled and the list refreshed.
    void borrado_fallido_data() {
        QTest::addColumn<bool>("trasImprimir");
        QTest::newRow("Eliminar") << false;
        QTest::newRow("tras la pregunta") << true;
    }
    void borrado_fallido() {
        QFETCH(bool, trasImprimir);
        Puesto p;
        p.escribe("INFORME.PRT", Informe);
        frmVelmor& v = p.arrancar();
        p.elegir("INFORME.PRT");
        const QString ruta = p.ruta("INFORME.PRT");
        auto dialogo = DialogoImpresora({});
        if (trasImprimir) {
            // Another program removes the file while the question is open; the answer is Yes.
            p.mensajes.respuestas = {QMessageBox::Yes};
            p.mensajes.alMostrar = [&](const MensajesGuionizados::Caja&) { QFile::remove(ruta); };
            p.pulsa("Imprimir");
        } else {
            QVERIFY(QFile::remove(ruta));
            p.boton("Eliminar")->click();
        }
        const auto& aviso = p.mensajes.cajas.last();
        QCOMPARE(p.mensajes.cajas.size(), trasImprimir ? 2 : 1);
        QCOMPARE(aviso.icono, QMessageBox::Warning);
        QCOMPARE(aviso.titulo, QString("Velmor 2.0"));
        QVERIFY2(aviso.texto.contains(ruta) && aviso.texto.contains("ya no existe"),
                 qPrintable(aviso.texto));
        QVERIFY(v.isVisible());
        QVERIFY(p.lista().isEmpty());
        QVERIFY(p.botones(false));
    }

    // The printed file is removed while the question is open and a refresh selects its namesake
    // of other letter case: Yes deletes nothing but tells that the printed file is gone.
    void borrar_lo_preguntado() {
        Puesto p;
        p.escribe("A.PRT", "otro\r\n");
        p.escribe("a.prt", "impreso\r\n");
        frmVelmor& v = p.arrancar();
        p.elegir("a.prt");
        auto dialogo = DialogoImpresora({});
        p.mensajes.respuestas = {QMessageBox::Yes};
        p.mensajes.alMostrar = [&](const MensajesGuionizados::Caja& caja) {
            if (!caja.texto.contains("Desea borrar")) return;
            QFile::remove(p.ruta("a.prt"));
            v.Refrescar();
        };
        p.pulsa("Imprimir");
        QVERIFY(QFile::exists(p.ruta("A.PRT")));
        QCOMPARE(p.mensajes.cajas.size(), 2);
        QVERIFY2(p.mensajes.cajas[1].texto.contains(p.ruta("a.prt")) &&
                     p.mensajes.cajas[1].texto.contains("ya no existe"),
                 qPrintable(p.cajas()));
        QCOMPARE(p.lista(), QStringList{"A.PRT"});
    }

    // cmdBorrar deletes at once, without asking.
    void borrar_sin_preguntar() {
        Puesto p;
        p.escribe("A.PRT", "a\r\n");
        p.escribe("B.PRT", "b\r\n");
        frmVelmor& v = p.arrancar();
        p.elegir("A.PRT");
        p.boton("Eliminar")->click();
        QVERIFY2(p.mensajes.cajas.isEmpty(), qPrintable(p.cajas()));
        QVERIFY(!QFile::exists(p.ruta("A.PRT")));
        QCOMPARE(p.lista(), QStringList{"B.PRT"});
        QVERIFY(p.botones(false));
        QCOMPARE(v.NombreElegido, QString("A.PRT"));
    }

    // A job awaited from a queue never blocks the window: the button returns at once, the status
    // line follows the job, the file stays until the job completes; a job that is cancelled keeps
    // it, and quitting while it is awaited asks first.
    void esperaSinBloquear() {
        QProcess::execute("cupsenable", {"Inalcanzable"}); // as the fixture made it
        Puesto p;
        p.escribe("LENTO.PRT", Informe);
        for (int i = 0; i < p.impresoras.cuenta(); ++i)
            if (p.impresoras.nombre(i) == "Inalcanzable") p.impresoras.hazActual(i);
        frmVelmor& v = p.arrancar();
        p.elegir("LENTO.PRT");
        p.boton("Imprimir y borrar")->click(); // returns while the job is awaited
        QCOMPARE(v.TrabajosPendientes(), 1);
        QLabel* estado = Control<QLabel>(&v, "Estado");
        QTRY_VERIFY_WITH_TIMEOUT(estado->toolTip().contains("Esperando a que termine el trabajo"),
                                 20000);
        QVERIFY(QFile::exists(p.ruta("LENTO.PRT")));

        p.mensajes.respuestas = {QMessageBox::No};
        v.close();
        QVERIFY(v.isVisible()); // the user chose to stay
        QCOMPARE(p.mensajes.cajas.size(), 1);
        QVERIFY2(p.mensajes.cajas[0].texto.contains("sin terminar"), qPrintable(p.cajas()));

        QProcess::execute("cancel", {"-a", "Inalcanzable"});
        QTRY_VERIFY_WITH_TIMEOUT(v.TrabajosPendientes() == 0, 30000);
        QVERIFY(QFile::exists(p.ruta("LENTO.PRT")));
        QVERIFY2(p.mensajes.cajas.last().texto.contains("se ha cancelado") &&
                     p.mensajes.cajas.last().texto.contains("LENTO.PRT» no se ha borrado"),
                 qPrintable(p.cajas()));
        QVERIFY(estado->toolTip().isEmpty());
    }

    // Quitting while a job is awaited: Yes quits, and the file stays.
    void salirConTrabajoPendiente() {
        Puesto p;
        p.escribe("LENTO.PRT", Informe);
        for (int i = 0; i < p.impresoras.cuenta(); ++i)
            if (p.impresoras.nombre(i) == "Detenida") p.impresoras.hazActual(i);
        frmVelmor& v = p.arrancar();
        p.elegir("LENTO.PRT");
        p.boton("Imprimir y borrar")->click();
        p.mensajes.respuestas = {QMessageBox::Yes};
        if (v.TrabajosPendientes() > 0) {
            v.close();
            QVERIFY(!v.isVisible());
        }
        QVERIFY(QFile::exists(p.ruta("LENTO.PRT")));
        QProcess::execute("cancel", {"-a", "Detenida"});
    }

    // "A.PRT" deleted and made again while the save dialog is open, with its namesake "a.prt"
    // beside it: the job prints the file it opens and deletes that one; the namesake is never
    // chosen nor touched.
    void homonimosDuranteElDialogo() {
        Puesto p;
        p.escribe("A.PRT", "viejo\r\n");
        p.escribe("a.prt", "homonimo\r\n");
        p.impresoras.hazActual(p.impresoras.cuenta() - 1);
        frmVelmor& v = p.arrancar();
        p.elegir("A.PRT");
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            QVERIFY(QFile::remove(p.ruta("A.PRT")));
            v.Refrescar();
            p.escribe("A.PRT", "nuevo\r\n");
            v.Refrescar();
            static_cast<QDialog*>(d)->accept(); // the name proposed, A.pdf
        });
        p.pulsa("Imprimir y borrar");
        QVERIFY(guardado.visto);
        QFile homonimo(p.ruta("a.prt"));
        QVERIFY(homonimo.open(QIODevice::ReadOnly));
        QCOMPARE(homonimo.readAll(), QByteArray("homonimo\r\n"));
        QVERIFY(!QFile::exists(p.ruta("A.PRT")));
        QVERIFY(TextoPdf(p.ruta("A.pdf")).contains("nuevo"));
        QCOMPARE(p.lista(), QStringList{"a.prt"});
        QVERIFY(p.botones(false));
    }

    // After "Eliminar fichero" nothing is chosen, whatever namesake remains or comes later.
    void trasEliminarNadaElegido() {
        Puesto p;
        p.escribe("A.PRT", "a\r\n");
        p.escribe("a.prt", "b\r\n");
        frmVelmor& v = p.arrancar();
        p.elegir("a.prt");
        p.boton("Eliminar")->click();
        QVERIFY(!QFile::exists(p.ruta("a.prt")));
        QVERIFY(QFile::exists(p.ruta("A.PRT")));
        QVERIFY(p.ficheros()->selectedItems().isEmpty());
        QVERIFY(p.botones(false));
        p.escribe("a.prt", "otro\r\n");
        v.Refrescar();
        QVERIFY(p.ficheros()->selectedItems().isEmpty());
        QVERIFY(p.botones(false));
    }

    // Names that are not UTF-8 are listed (read through the DOS code page) and acted on by their
    // exact bytes: print-and-delete takes that file and no other.
    void nombresQueNoSonUtf8() {
        Puesto p;
        p.escribe("OTRO.PRT", "otro\r\n");
        const QByteArray carpeta = QFile::encodeName(p.carpeta());
        for (const QByteArray& nombre :
             {QByteArray("A\xa5O.PRT"), QByteArray("\xef\xbf\xbd.prt")}) {
            QFile f;
            QVERIFY(f.open(::fopen((carpeta + '/' + nombre).constData(), "wb"),
                           QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
            f.write("INFORME " + nombre.toHex() + "\r\n");
        }
        p.impresoras.hazActual(p.impresoras.cuenta() - 1);
        p.arrancar();
        QVERIFY2(p.lista().contains(QString::fromUtf8("AÑO.PRT")), qPrintable(p.lista().join("|")));
        const auto hallados =
            p.ficheros()->findItems(QString::fromUtf8("AÑO.PRT"), Qt::MatchExactly);
        QCOMPARE(hallados.size(), 1);
        p.ficheros()->setCurrentItem(hallados.first());
        QCOMPARE(BytesDeNombre(p.v->NombreElegido), QByteArray("A\xa5O.PRT"));
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            static_cast<QDialog*>(d)->accept(); // the name proposed, as the list shows it
        });
        p.pulsa("Imprimir y borrar");
        QVERIFY(TextoPdf(p.ruta(QString::fromUtf8("AÑO.pdf"))).contains("INFORME 41a54f2e505254"));
        QVERIFY(!QFile::exists(QFile::decodeName(carpeta + "/A\xa5O.PRT")));
        QVERIFY(QFileInfo::exists(p.ruta(QString::fromUtf8("\uFFFD.prt"))));
        QVERIFY(QFile::exists(p.ruta("OTRO.PRT")));
    }
};

QTEST_MAIN(TestTrabajoCups)
#include "test_trabajo_cups.moc"
