// The main window driven as a user drives it (controls found by their accessible names), on real
// folders in a temporary volume and the printers of the private CUPS scheduler: "Oficina" (the
// default) and "Almacen", whose jobs the listener writes to $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf,
// "Inalcanzable", which never completes one, and the PDF printer.
#include "mainwindow/frm_velmor.h"
#include "mainwindow/navegador_prt.h"
#include "preview/frm_prt_ver.h"
#include "printerselect/impresora.h"
#include "printing/impresoras_sistema.h"
#include "shared/nombres_fichero.h"
#include "support/accesible.h"
#include "support/ficheros.h"
#include "support/programas.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

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

// The printer dialog: accepts `impresora` (empty: the one preselected), or cancels ("-").
AlAbrirse<Impresora>* DialogoImpresora(const QString& impresora) {
    return new AlAbrirse<Impresora>([=](Impresora* d) {
        if (impresora == "-") return Control<QAbstractButton>(d, "Cancelar")->click();
        auto* lista = Control<QComboBox>(d, "Lista de impresoras");
        if (!impresora.isEmpty()) lista->setCurrentIndex(lista->findText(impresora));
        Control<QAbstractButton>(d, "Aceptar")->click();
    });
}

// Every job the scheduler has taken, finished or not, as lpstat lists them ("Oficina-12 ...").
QStringList TrabajosEnColas() {
    return Ejecuta("lpstat", {"-W", "all", "-o"}).split('\n', Qt::SkipEmptyParts);
}

// The queue of the one job taken since `antes`; empty when none was (lp hands a job over before
// the print returns, so none can come later).
QString ColaNueva(const QStringList& antes) {
    QStringList nuevos = TrabajosEnColas();
    for (const QString& t : antes)
        nuevos.removeAll(t);
    return nuevos.size() == 1 ? nuevos[0].section('-', 0, 0) : nuevos.join("|");
}

QStringList PdfsDeAlmacen() {
    return QDir(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR")).entryList({"Almacen-*.pdf"});
}
QString PdfNuevo(const QStringList& antes) {
    for (const QString& f : PdfsDeAlmacen())
        if (!antes.contains(f)) return qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR") + "/" + f;
    return {};
}

// A volume with folders and files, the window on it and the scripted message boxes.
struct Puesto {
    QTemporaryDir raiz;
    MensajesGuionizados mensajes;
    ImpresorasSistema impresoras;
    std::unique_ptr<frmVelmor> v;

    QString ruta(const QString& relativa) const { return raiz.path() + "/" + relativa; }
    // Paths ending in "/" are folders, the others empty files.
    void crear(const QStringList& entradas) const {
        for (const QString& e : entradas)
            e.endsWith('/') ? void(QDir().mkpath(ruta(e))) : void(EscribeFichero(ruta(e), {}));
    }
    void usarImpresora(const QString& nombre) {
        for (int i = 0; i < impresoras.cuenta(); ++i)
            if (impresoras.nombre(i) == nombre) impresoras.hazActual(i);
    }
    frmVelmor& arrancar(const QString& programa, const QStringList& argumentos = {},
                        const QStringList& fuentes = {}) {
        EntornoVelmor e;
        e.carpetaPrograma = programa.startsWith('/') ? programa : ruta(programa);
        e.carpetaActual = raiz.path();
        e.raizVolumen = raiz.path();
        e.argumentos = argumentos;
        e.fuentes = fuentes;
        v = std::make_unique<frmVelmor>(impresoras, e);
        v->show();
        return *v;
    }

    template <class T = QWidget> T* control(const QString& nombre) const {
        return Control<T>(v.get(), nombre);
    }
    QAbstractButton* boton(const QString& nombre) const { return control<QAbstractButton>(nombre); }
    QListWidget* ficheros() const { return control<QListWidget>("Ficheros PRT"); }
    QTreeView* arbol() const { return control<QTreeView>("Carpetas"); }
    QFileSystemModel* modelo() const { return qobject_cast<QFileSystemModel*>(arbol()->model()); }
    QStringList lista() const {
        QStringList l;
        for (int i = 0; i < ficheros()->count(); ++i)
            l << ficheros()->item(i)->text();
        return l;
    }
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

    void elegir(const QString& nombre) const {
        const auto hallados = ficheros()->findItems(nombre, Qt::MatchExactly);
        QVERIFY(!hallados.isEmpty());
        ficheros()->setCurrentItem(hallados.first());
    }
    // The user clicks the folder in the tree, once the tree has read it.
    void clicEnArbol(const QString& relativa, const std::function<void()>& antes = {}) const {
        if (!v->BusquedaAbierta()) boton("Buscar carpeta")->click();
        QModelIndex indice;
        QTRY_VERIFY_WITH_TIMEOUT(
            (indice = modelo()->index(ruta(relativa))).isValid() &&
                (arbol()->scrollTo(indice), arbol()->visualRect(indice).isValid()),
            30000);
        if (antes) antes(); // nothing in between lets the tree notice it before the click
        QTest::mouseClick(arbol()->viewport(), Qt::LeftButton, {},
                          arbol()->visualRect(indice).center());
    }
    // Presses a button and waits until the jobs it started have ended (sent, awaited, deleted).
    void pulsa(const QString& nombre) const {
        boton(nombre)->click();
        QTRY_VERIFY_WITH_TIMEOUT(v->TrabajosPendientes() == 0, 60000);
    }
};

const QByteArray Informe = "INFORME DE VENTAS Espa\xa4"
                           "a\r\n[N]Total[n]  1.234,56\r\n";

} // namespace

class TestVentana : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariableIsEmpty("VELMOR_CUPS_JOBS_DIR")); }

    // Where the window starts: the file or folder named on the command line, chosen as if the
    // user had chosen it, else the program's own folder or, installed, the working folder.
    void arranque_data() {
        QTest::addColumn<QString>("programa");
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("elegido");
        QTest::addColumn<QString>("aviso");
        const QString r = "<raiz>/";
        QTest::newRow("fichero") << "Herramientas" << QStringList{r + "Listados/INFORME.PRT", "/b"}
                                 << "Listados"
                                 << "INFORME.PRT"
                                 << "";
        QTest::newRow("carpeta") << "Herramientas" << QStringList{r + "Listados"} << "Listados"
                                 << ""
                                 << "";
        QTest::newRow("no existe")
            << "Herramientas" << QStringList{r + "Listados/NADA.PRT"} << "Herramientas"
            << ""
            << "No se puede abrir «<raiz>/Listados/NADA.PRT»: no existe.";
        QTest::newRow("no es .prt")
            << "Herramientas" << QStringList{r + "Listados/notas.txt"} << "Listados"
            << ""
            << "El fichero «<raiz>/Listados/notas.txt» no es un fichero .prt: no se ha elegido.";
        QTest::newRow("instalado") << "/usr/bin" << QStringList{} << ""
                                   << ""
                                   << "";
    }
    void arranque() {
        QFETCH(QString, programa);
        QFETCH(QStringList, argumentos);
        QFETCH(QString, carpeta);
        QFETCH(QString, elegido);
        QFETCH(QString, aviso);
        Puesto p;
        p.crear({"Herramientas/", "Listados/INFORME.PRT", "Listados/notas.txt"});
        for (QString& a : argumentos)
            a.replace("<raiz>", p.raiz.path());
        frmVelmor& v = p.arrancar(programa, argumentos);
        QCOMPARE(v.RutaCarpetas(), carpeta.isEmpty() ? p.raiz.path() : p.ruta(carpeta));
        QCOMPARE(p.control<QComboBox>("Carpetas base")->currentText(), v.RutaCarpetas());
        QCOMPARE(p.cajas(),
                 aviso.isEmpty() ? "" : "Velmor 2.0|" + aviso.replace("<raiz>", p.raiz.path()));
        // Still chosen once the window has shown and refreshed.
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QTRY_COMPARE(v.FileNameFicheros(), elegido);
        QCOMPARE(p.botones(!elegido.isEmpty()), true);
    }

    // The user goes to another folder by the tree, a base folder or a volume: its files are
    // listed and nothing is chosen. A folder refused (gone, unreadable) is told, and the window
    // and the tree stay on the folder shown; so does a shown folder gone at a refresh.
    void carpetas_data() {
        QTest::addColumn<QString>("como");
        QTest::addColumn<QString>("estropear"); // what happens to Varenta first
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("árbol") << "árbol"
                               << ""
                               << "Varenta"
                               << "";
        QTest::newRow("base") << "base"
                              << ""
                              << "Varenta"
                              << "";
        QTest::newRow("volumen, de vuelta") << "volumen"
                                            << ""
                                            << "Kolmera"
                                            << "";
        QTest::newRow("árbol, no existe") << "árbol"
                                          << "borrar"
                                          << "Kolmera"
                                          << "no existe";
        QTest::newRow("árbol, sin permiso") << "árbol"
                                            << "cerrar"
                                            << "Kolmera"
                                            << "no hay permiso";
        QTest::newRow("base, no existe") << "base"
                                         << "borrar"
                                         << "Kolmera"
                                         << "no existe";
        QTest::newRow("desaparecida") << "desaparecida"
                                      << "borrar"
                                      << "Kolmera"
                                      << "no existe";
    }
    void carpetas() {
        QFETCH(QString, como);
        QFETCH(QString, estropear);
        QFETCH(QString, carpeta);
        QFETCH(QString, aviso);
        if (estropear == "cerrar" && geteuid() == 0) QSKIP("permissions do not block root");
        Puesto p;
        p.crear({"Varenta/Menu.exe", "Varenta/v.prt", "Kolmera/Menu.exe", "Kolmera/k.prt"});
        frmVelmor& v = p.arrancar("Kolmera");
        p.elegir("k.prt");
        if (como == "desaparecida") p.clicEnArbol("Varenta");
        const auto estropea = [&] {
            if (estropear == "borrar") QVERIFY(QDir(p.ruta("Varenta")).removeRecursively());
            if (estropear == "cerrar")
                QFile::setPermissions(p.ruta("Varenta"), QFileDevice::WriteOwner);
        };
        if (como == "árbol") {
            p.clicEnArbol("Varenta", estropea);
        } else if (como == "base") {
            estropea();
            p.control<QComboBox>("Carpetas base")->setCurrentIndex(0);
            emit p.control<QComboBox>("Carpetas base")->activated(0);
        } else if (como == "volumen") {
            auto* discos = p.control<QComboBox>("Volúmenes");
            if (discos->findData(QDir::rootPath()) < 0) QSKIP("the system root is no volume here");
            discos->setCurrentIndex(discos->findData(QDir::rootPath()));
            QCOMPARE(v.RutaCarpetas(), QDir::rootPath());
            discos->setCurrentIndex(discos->findData(p.raiz.path()));
        } else {
            estropea();
            v.Refrescar();
        }
        QFile::setPermissions(p.ruta("Varenta"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(v.RutaCarpetas(), p.ruta(carpeta));
        QCOMPARE(p.lista(), QStringList{carpeta == "Varenta" ? "v.prt" : "k.prt"});
        QCOMPARE(p.mensajes.cajas.size(), aviso.isEmpty() ? 0 : 1);
        QVERIFY2(p.cajas().contains(aviso), qPrintable(p.cajas()));
        if (carpeta == "Varenta") QVERIFY(p.botones(false));
        if (como == "árbol")
            QTRY_COMPARE(p.modelo()->filePath(p.arbol()->currentIndex()), p.ruta(carpeta));
    }

    // QFileSystemModel drops the row of a removed folder from a thread of its own, and the tree
    // then moves its highlight to the parent by itself: the window stays on the folder the user
    // chose (here one a program wipes and makes again), and the tree highlights it once it is
    // back. The browser's own watcher is held and the window hidden (no refresh on showing) until
    // then, as under load they may come late.
    void sigueSoloAlUsuario() {
        Puesto p;
        p.crear({"K/Sub/a.prt", "K/Menu.exe"});
        frmVelmor& v = p.arrancar("K");
        p.clicEnArbol("K/Sub");
        QCOMPARE(p.lista(), QStringList{"a.prt"});
        QSignalSpy quitadas(p.modelo(), &QFileSystemModel::rowsRemoved);
        QSignalSpy puestas(p.modelo(), &QFileSystemModel::rowsInserted);
        {
            const QSignalBlocker tarde(
                v.findChild<NavegadorPrt*>()->findChild<QFileSystemWatcher*>());
            v.hide();
            QCoreApplication::processEvents(); // the refreshes it had pending run now
            QCoreApplication::sendPostedEvents();
            QVERIFY(QDir(p.ruta("K/Sub")).removeRecursively());
            QTRY_VERIFY_WITH_TIMEOUT(!quitadas.isEmpty(), 30000);
            QCOMPARE(v.RutaCarpetas(), p.ruta("K/Sub"));
            p.crear({"K/Sub/"});
            QTRY_VERIFY_WITH_TIMEOUT(!puestas.isEmpty(), 30000);
        }
        v.show();
        QCOMPARE(v.RutaCarpetas(), p.ruta("K/Sub"));
        QTRY_COMPARE(p.modelo()->filePath(p.arbol()->currentIndex()), p.ruta("K/Sub"));
        v.Refrescar();
        QVERIFY(p.lista().isEmpty());
        p.crear({"K/Sub/nuevo.prt"}); // still watched
        QTRY_COMPARE(p.lista(), QStringList{"nuevo.prt"});
        QVERIFY2(p.mensajes.cajas.isEmpty(), qPrintable(p.cajas()));
    }

    // The list follows the disk and the window's activation; a refresh never moves the choice to
    // another file: not a namesake in another letter case or folder, nor a file written later
    // under the chosen name.
    void listaSigueElDisco() {
        Puesto p;
        p.crear({"K/a.prt", "K/A.PRT", "L/a.prt"});
        frmVelmor& v = p.arrancar("K");
        p.elegir("a.prt");
        p.crear({"K/NUEVO.PRT"});
        QTRY_COMPARE(p.lista(), (QStringList{"A.PRT", "a.prt", "NUEVO.PRT"}));
        QCOMPARE(v.FileNameFicheros(), QString("a.prt"));
        QVERIFY(QFile::remove(p.ruta("K/a.prt")));
        QTRY_COMPARE(p.lista(), (QStringList{"A.PRT", "NUEVO.PRT"}));
        QVERIFY(p.botones(false));
        p.crear({"K/a.prt"});
        QTRY_COMPARE(p.lista().size(), 3);
        QVERIFY(p.botones(false));
        // Back from another folder holding the name, nothing is chosen either.
        p.clicEnArbol("L");
        QVERIFY(p.botones(false));
        p.crear({"L/b.prt"});
        emit qApp->applicationStateChanged(Qt::ApplicationActive); // re-read at once
        QCOMPARE(p.lista(), (QStringList{"a.prt", "b.prt"}));
        QVERIFY(p.botones(false));
    }

    // The "MS-Dos" box is offered only with the font named exactly "Ravendot" installed; ticked,
    // the job prints in it.
    void msDos() {
        Puesto p;
        p.crear({"K/"});
        for (const QStringList& fuentes :
             {QStringList{"ravendot"}, QStringList{"Ravendot Sans"}, QStringList{}}) {
            p.arrancar("K", {}, fuentes);
            QVERIFY(!p.control("MS-Dos")->isEnabled());
        }
        QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0);
        EscribeFichero(p.ruta("K/DOS.PRT"), "uno \xa4\r\n");
        p.usarImpresora("Archivo PDF");
        p.arrancar("K", {}, EntornoVelmor::DelSistema().fuentes);
        auto* casilla = p.control<QCheckBox>("MS-Dos");
        QVERIFY(casilla->isEnabled());
        casilla->setChecked(true);
        p.elegir("DOS.PRT");
        AlAbrirse<QFileDialog> guardado([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        p.pulsa("Imprimir y borrar");
        const QString pdf = p.ruta("K/DOS.pdf");
        QVERIFY(Ejecuta("pdffonts", {pdf}).contains("Ravendot"));
        QVERIFY2(TextoPdf(pdf).contains("uno ¤"), qPrintable(TextoPdf(pdf)));
    }

    // The print job through the window's buttons, dialogs and questions, on the queues.
    void trabajo_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("visual");
        QTest::addColumn<QString>("boton");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("dialogo");   // printer accepted ("-": cancelled, "x": none)
        QTest::addColumn<QString>("respuesta"); // to the delete question
        QTest::addColumn<QString>("cola");      // where the job went
        QTest::addColumn<QString>("caja");      // the box shown last
        QTest::addColumn<bool>("borrado");
        QTest::addColumn<bool>("abierta");
        const QString pregunta = "¿ Desea borrar el fichero";
        QTest::newRow("Almacen, No") << QStringList{} << true << "Imprimir" << Informe << "Almacen"
                                     << "No"
                                     << "Almacen" << pregunta << false << true;
        QTest::newRow("Sí") << QStringList{} << true << "Imprimir" << Informe << ""
                            << "Sí"
                            << "Oficina" << pregunta << true << true;
        QTest::newRow("diálogo cancelado") << QStringList{} << true << "Imprimir" << Informe << "-"
                                           << ""
                                           << ""
                                           << "" << false << true;
        QTest::newRow("directo") << QStringList{} << true << "Imprimir y borrar" << Informe << "x"
                                 << ""
                                 << "Oficina"
                                 << "" << true << true;
        QTest::newRow("vacío") << QStringList{} << true << "Imprimir y borrar" << QByteArray()
                               << "x"
                               << ""
                               << ""
                               << "" << true << true;
        QTest::newRow("malformado") << QStringList{} << true << "Imprimir y borrar"
                                    << QByteArray("bien\r\nmal {{Pica\r\n") << "x"
                                    << ""
                                    << ""
                                    << "Etiqueta mal formada" << false << true;
        QTest::newRow("/b") << QStringList{"/b"} << true << "Imprimir" << Informe << ""
                            << ""
                            << "Oficina"
                            << "" << true << true;
        QTest::newRow("ruta con /B")
            << QStringList{"<carpeta>/INFORME.PRT"} << true << "Imprimir" << Informe << ""
            << "No"
            << "Oficina" << pregunta << false << true;
        QTest::newRow("sin ventana") << QStringList{} << false << "Imprimir" << Informe << "x"
                                     << ""
                                     << "Oficina"
                                     << "" << false << false;
        QTest::newRow("sin ventana, /I declinado")
            << QStringList{"/I"} << false << "Imprimir" << Informe << "-"
            << ""
            << ""
            << "" << false << false;
    }
    void trabajo() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, visual);
        QFETCH(QString, boton);
        QFETCH(QByteArray, contenido);
        QFETCH(QString, dialogo);
        QFETCH(QString, respuesta);
        QFETCH(QString, cola);
        QFETCH(QString, caja);
        QFETCH(bool, borrado);
        QFETCH(bool, abierta);
        Puesto p;
        const QString fichero = p.ruta("Borradores/INFORME.PRT");
        EscribeFichero(fichero, contenido);
        for (QString& a : argumentos)
            a.replace("<carpeta>", p.ruta("Borradores"));
        frmVelmor& v = p.arrancar("Borradores", argumentos);
        p.elegir("INFORME.PRT");
        v.Visual = visual;
        p.mensajes.respuestas = {respuesta == "Sí" ? QMessageBox::Yes : QMessageBox::No};
        QList<int> cursores; // none while a box is shown
        p.mensajes.alMostrar = [&](const auto&) {
            cursores << (QApplication::overrideCursor() != nullptr);
        };
        std::unique_ptr<AlAbrirse<Impresora>> vigia(DialogoImpresora(dialogo));
        const QStringList antes = TrabajosEnColas(), almacen = PdfsDeAlmacen();
        p.pulsa(boton);
        QCOMPARE(vigia->visto, dialogo != "x");
        QCOMPARE(ColaNueva(antes), cola);
        QVERIFY2(caja.isEmpty() ? p.mensajes.cajas.isEmpty() : p.cajas().contains(caja),
                 qPrintable(p.cajas()));
        QVERIFY(!cursores.contains(1));
        QCOMPARE(!QFile::exists(fichero), borrado);
        QCOMPARE(v.isVisible(), abierta);
        if (abierta) QCOMPARE(p.botones(!borrado), true);
        if (cola != "Almacen") return;
        // The listener writes what the queue printed.
        QString pdf;
        QTRY_VERIFY_WITH_TIMEOUT(!(pdf = PdfNuevo(almacen)).isEmpty(), 30000);
        QVERIFY(TextoPdf(pdf).contains("INFORME DE VENTAS España"));
        QVERIFY(TextoPdf(pdf).contains(QRegularExpression("Total +1\\.234,56")));
    }

    // "Archivo PDF" asks where to write, in the file's folder with the PDF-style name filled in;
    // cancelling prints and deletes nothing; an existing PDF is replaced only after the dialog's
    // confirmation; an empty file writes no PDF, and the user is told.
    void archivoPdf_data() {
        QTest::addColumn<QString>("boton");
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("guardar");
        QTest::addColumn<bool>("existia");
        QTest::newRow("guardar") << "Imprimir" << Informe << true << false;
        QTest::newRow("cancelar") << "Imprimir" << Informe << false << false;
        QTest::newRow("reemplazar") << "Imprimir y borrar" << Informe << true << true;
        QTest::newRow("vacío") << "Imprimir y borrar" << QByteArray() << true << false;
    }
    void archivoPdf() {
        QFETCH(QString, boton);
        QFETCH(QByteArray, contenido);
        QFETCH(bool, guardar);
        QFETCH(bool, existia);
        Puesto p;
        EscribeFichero(p.ruta("K/INFORME.PRT"), contenido);
        if (existia) EscribeFichero(p.ruta("K/INFORME.pdf"), "viejo");
        p.usarImpresora("Archivo PDF");
        p.arrancar("K");
        p.elegir("INFORME.PRT");
        p.mensajes.respuestas = {QMessageBox::No};
        std::unique_ptr<AlAbrirse<Impresora>> dialogo(DialogoImpresora(""));
        bool confirmado = false;
        AlAbrirse<QMessageBox> confirmacion([&](QMessageBox* caja) {
            confirmado = true;
            caja->button(QMessageBox::Yes)->click();
        });
        QString propuesto;
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            propuesto = d->selectedFiles().value(0);
            guardar ? static_cast<QDialog*>(d)->accept() : d->reject(); // its own checks run
        });
        p.pulsa(boton);
        QCOMPARE(propuesto, p.ruta("K/INFORME.pdf"));
        QCOMPARE(confirmado, existia);
        const bool directo = boton == "Imprimir y borrar";
        QCOMPARE(QFile::exists(p.ruta("K/INFORME.PRT")), !(guardar && directo));
        if (contenido.isEmpty()) {
            QVERIFY(!QFile::exists(p.ruta("K/INFORME.pdf")));
            QVERIFY2(p.cajas().contains("no tiene nada que imprimir: no se ha escrito ningún PDF"),
                     qPrintable(p.cajas()));
        } else if (guardar) {
            QVERIFY(TextoPdf(p.ruta("K/INFORME.pdf")).contains("INFORME DE VENTAS España"));
            QCOMPARE(p.mensajes.cajas.size(), directo ? 0 : 1); // the delete question
        } else {
            QCOMPARE(QFile::exists(p.ruta("K/INFORME.pdf")), existia);
            QVERIFY(p.mensajes.cajas.isEmpty());
            QVERIFY(p.botones(true));
        }
    }

    // "A.PRT" deleted and made again while the save dialog is open, with "a.prt" beside it: the
    // job prints the file it opened and deletes that one; the namesake is never chosen nor
    // touched.
    void homonimosDuranteElDialogo() {
        Puesto p;
        EscribeFichero(p.ruta("K/A.PRT"), "viejo\r\n");
        EscribeFichero(p.ruta("K/a.prt"), "homonimo\r\n");
        p.usarImpresora("Archivo PDF");
        frmVelmor& v = p.arrancar("K");
        p.elegir("A.PRT");
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            QVERIFY(QFile::remove(p.ruta("K/A.PRT")));
            v.Refrescar();
            EscribeFichero(p.ruta("K/A.PRT"), "nuevo\r\n");
            v.Refrescar();
            static_cast<QDialog*>(d)->accept();
        });
        p.pulsa("Imprimir y borrar");
        QFile homonimo(p.ruta("K/a.prt"));
        QVERIFY(homonimo.open(QIODevice::ReadOnly));
        QCOMPARE(homonimo.readAll(), QByteArray("homonimo\r\n"));
        QVERIFY(!QFile::exists(p.ruta("K/A.PRT")));
        QVERIFY(TextoPdf(p.ruta("K/A.pdf")).contains("nuevo"));
        QCOMPARE(p.lista(), QStringList{"a.prt"});
        QVERIFY(p.botones(false));
    }

    // Names that are not UTF-8 are listed (read through the DOS code page) and acted on by their
    // exact bytes: print-and-delete takes that file and no other.
    void nombresQueNoSonUtf8() {
        Puesto p;
        EscribeFichero(p.ruta("K/OTRO.PRT"), "otro\r\n");
        const QByteArray carpeta = QFile::encodeName(p.ruta("K"));
        for (const QByteArray& nombre :
             {QByteArray("A\xa5O.PRT"), QByteArray("\xef\xbf\xbd.prt")}) {
            std::FILE* f = std::fopen((carpeta + '/' + nombre).constData(), "wb");
            QVERIFY(f);
            std::fputs("INFORME " + nombre.toHex() + "\r\n", f);
            std::fclose(f);
        }
        p.usarImpresora("Archivo PDF");
        p.arrancar("K");
        p.elegir("AÑO.PRT");
        QCOMPARE(BytesDeNombre(p.v->Nombre), carpeta + "/A\xa5O.PRT");
        AlAbrirse<QFileDialog> guardado([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        p.pulsa("Imprimir y borrar");
        QVERIFY(TextoPdf(p.ruta("K/AÑO.pdf")).contains("INFORME 41a54f2e505254"));
        QVERIFY(!QFile::exists(QFile::decodeName(carpeta + "/A\xa5O.PRT")));
        QVERIFY(QFileInfo::exists(p.ruta("K/\uFFFD.prt")));
        QVERIFY(QFile::exists(p.ruta("K/OTRO.PRT")));
    }

    // "Eliminar" deletes at once, and afterwards nothing is chosen, whatever namesake remains or
    // comes later. A deletion that fails (the file gone before the button or while the question
    // is open, a refresh choosing nothing else meanwhile) is told and never ends the program.
    void borrado_data() {
        QTest::addColumn<QString>("como");
        QTest::addColumn<QString>("caja");
        QTest::newRow("Eliminar") << "Eliminar"
                                  << "";
        QTest::newRow("Eliminar, ya borrado") << "ya borrado"
                                              << "ya no existe";
        QTest::newRow("tras la pregunta") << "pregunta"
                                          << "ya no existe";
    }
    void borrado() {
        QFETCH(QString, como);
        QFETCH(QString, caja);
        Puesto p;
        EscribeFichero(p.ruta("K/A.PRT"), "otro\r\n");
        EscribeFichero(p.ruta("K/a.prt"), Informe);
        frmVelmor& v = p.arrancar("K");
        p.elegir("a.prt");
        if (como == "pregunta") {
            std::unique_ptr<AlAbrirse<Impresora>> dialogo(DialogoImpresora(""));
            p.mensajes.respuestas = {QMessageBox::Yes};
            p.mensajes.alMostrar = [&](const MensajesGuionizados::Caja& c) {
                if (!c.texto.contains("Desea borrar")) return;
                QFile::remove(p.ruta("K/a.prt"));
                v.Refrescar();
            };
            p.pulsa("Imprimir");
        } else {
            if (como == "ya borrado") QVERIFY(QFile::remove(p.ruta("K/a.prt")));
            p.boton("Eliminar")->click();
        }
        QVERIFY2(caja.isEmpty() ? p.mensajes.cajas.isEmpty()
                                : p.mensajes.cajas.last().texto.contains(p.ruta("K/a.prt")) &&
                                      p.mensajes.cajas.last().texto.contains(caja),
                 qPrintable(p.cajas()));
        QVERIFY(!QFile::exists(p.ruta("K/a.prt")));
        QVERIFY(QFile::exists(p.ruta("K/A.PRT")));
        QVERIFY(v.isVisible());
        QCOMPARE(p.lista(), QStringList{"A.PRT"});
        EscribeFichero(p.ruta("K/a.prt"), "otra\r\n");
        v.Refrescar();
        QVERIFY(p.ficheros()->selectedItems().isEmpty());
        QVERIFY(p.botones(false));
    }

    // A job awaited from a queue never blocks the window: the button returns at once, the status
    // line follows the job (shortened, the window keeping its size), the file stays; quitting
    // while it is awaited asks first, and the file then stays.
    void trabajoEsperado() {
        QProcess::execute("cupsenable", {"Inalcanzable"});
        Puesto p;
        const QString largo = "INFORME DE VENTAS DEL SEGUNDO TRIMESTRE POR DELEGACIONES.PRT";
        EscribeFichero(p.ruta("K/" + largo), Informe);
        p.usarImpresora("Inalcanzable");
        frmVelmor& v = p.arrancar("K");
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const QSize tamano = v.size();
        p.elegir(largo);
        p.boton("Imprimir y borrar")->click();
        QCOMPARE(v.TrabajosPendientes(), 1);
        auto* estado = p.control<QLabel>("Estado");
        QTRY_VERIFY_WITH_TIMEOUT(Descripcion(estado).contains("Esperando a que termine el trabajo"),
                                 30000);
        QVERIFY2(estado->text().contains(QChar(0x2026)), qPrintable(estado->text()));
        QCOMPARE(v.size(), tamano);
        p.mensajes.respuestas = {QMessageBox::No, QMessageBox::Yes};
        v.close();
        QVERIFY(v.isVisible()); // the user chose to stay
        QVERIFY2(p.cajas().contains("sin terminar"), qPrintable(p.cajas()));
        v.close();
        QVERIFY(!v.isVisible());
        QVERIFY(QFile::exists(p.ruta("K/" + largo)));
        QProcess::execute("cancel", {"-a", "Inalcanzable"});
        QTRY_VERIFY_WITH_TIMEOUT(v.TrabajosPendientes() == 0, 60000);
        QVERIFY(QFile::exists(p.ruta("K/" + largo)));
    }

    // Esc wherever the focus is, the close box and "Salir" end the program; Esc that closes an
    // open drop-down list closes only the list. Tab never walks into the closed search panel.
    void salir_data() {
        QTest::addColumn<QString>("como");
        QTest::addColumn<bool>("sigue");
        QTest::newRow("Esc en la lista") << "Ficheros PRT" << false;
        QTest::newRow("Esc en el árbol") << "Carpetas" << false;
        QTest::newRow("cierre") << "cierre" << false;
        QTest::newRow("Salir") << "Salir" << false;
        QTest::newRow("Esc en una lista abierta") << "Carpetas base" << true;
    }
    void salir() {
        QFETCH(QString, como);
        QFETCH(bool, sigue);
        Puesto p;
        p.crear({"K/a.prt"});
        frmVelmor& v = p.arrancar("K", {}, {"Ravendot"});
        QVERIFY(QTest::qWaitForWindowActive(&v));
        p.elegir("a.prt");
        QStringList recorrido;
        for (int i = 0; i < 10; ++i) {
            recorrido << QApplication::focusWidget()->accessibleName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(recorrido, (QStringList{"Ficheros PRT", "Imprimir", "Previsualizar", "Eliminar",
                                         "Salir", "Buscar carpeta", "Imprimir y borrar", "MS-Dos",
                                         "Ficheros PRT", "Imprimir"}));
        p.boton("Buscar carpeta")->click();
        if (como == "cierre") {
            QVERIFY(v.windowHandle()->close());
        } else if (como == "Salir") {
            QTest::mouseClick(p.boton("Salir"), Qt::LeftButton);
        } else {
            QWidget* destino = p.control(como);
            destino->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), destino);
            if (sigue) {
                qobject_cast<QComboBox*>(destino)->showPopup();
                QTRY_VERIFY(QApplication::activePopupWidget());
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            QCoreApplication::processEvents();
        }
        QCOMPARE(v.isVisible(), sigue);
        QCOMPARE(v.RutaCarpetas(), p.ruta("K"));
    }

    // The preview button opens the chosen file in a preview of its own, gone when it ends.
    void previsualizar() {
        Puesto p;
        EscribeFichero(p.ruta("K/LISTADO.PRT"), "uno\r\n");
        p.arrancar("K");
        p.elegir("LISTADO.PRT");
        QString texto;
        QPointer<frmPrtVer> vista;
        AlAbrirse<frmPrtVer> alVer([&](frmPrtVer* ver) {
            vista = ver;
            texto = ver->rtfVisor()->toPlainText();
            QTest::keyClick(ver->focusProxy(), Qt::Key_Escape);
        });
        p.boton("Previsualizar")->click();
        QCOMPARE(texto, QString("uno"));
        QVERIFY(vista.isNull());
    }

    // After a base folder is chosen (and when the panel opens) the tree's current folder is in
    // view once the tree has read the folders around it.
    void arbolMuestraLaCarpeta() {
        Puesto p;
        QStringList carpetas{"Varenta/Menu.exe", "Kolmera/Menu.exe"};
        for (int i = 0; i < 40; ++i)
            carpetas << QString("A%1 carpeta con un nombre largo/").arg(i, 2, 10, QChar('0'));
        p.crear(carpetas);
        p.arrancar("Kolmera");
        p.boton("Buscar carpeta")->click();
        p.control<QComboBox>("Carpetas base")->setCurrentIndex(0);
        emit p.control<QComboBox>("Carpetas base")->activated(0);
        QTRY_COMPARE_WITH_TIMEOUT(p.modelo()->rowCount(p.modelo()->index(p.raiz.path())), 42,
                                  30000);
        QCOMPARE(p.modelo()->filePath(p.arbol()->currentIndex()), p.ruta("Varenta"));
        QTRY_VERIFY([&] {
            const QRect r = p.arbol()->visualRect(p.arbol()->currentIndex());
            return r.isValid() && r.top() >= 0 && r.bottom() <= p.arbol()->viewport()->height();
        }());
    }
};

QTEST_MAIN(TestVentana)
#include "test_ventana.moc"
