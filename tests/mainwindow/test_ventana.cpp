// The window driven by accessible names on real folders and the private CUPS printers: "Oficina"
// (default), "Almacen", "Inalcanzable" (never completes a job) and the PDF printer.
#include "mainwindow/frm_velmor.h"
#include "mainwindow/navegador_prt.h"
#include "preview/frm_prt_ver.h"
#include "printerselect/impresora.h"
#include "printing/impresoras_sistema.h"
#include "shared/nombres_fichero.h"
#include "support/accesible.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"
#include "support/scripted_messages.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <fstream>
#include <unistd.h>

namespace {

// Files named by their bytes, which need not be UTF-8 (QFile would name another file).
void EscribeBytes(const QByteArray& ruta, const QByteArray& contenido) {
    std::ofstream(ruta.constData(), std::ios::binary) << contenido.toStdString();
}
QByteArray LeeBytes(const QByteArray& ruta) {
    std::ifstream f(ruta.constData(), std::ios::binary);
    return QByteArray::fromStdString({std::istreambuf_iterator<char>(f), {}});
}

// Acts once on the first modal window of type T that opens while it lives.
template <class T> class AlAbrirse {
  public:
    explicit AlAbrirse(std::function<void(T*)> accion) {
        QObject::connect(&reloj_, &QTimer::timeout, [this, accion] {
            if (auto* ventana = qobject_cast<T*>(QApplication::activeModalWidget()))
                reloj_.stop(), visto = true, accion(ventana);
        });
        reloj_.start(10);
    }
    bool visto = false;

  private:
    QTimer reloj_;
};

// The printer dialog: accepts `impresora` ("": preselected, "papel": turned), "-" cancels.
std::unique_ptr<AlAbrirse<Impresora>> DialogoImpresora(const QString& impresora) {
    return std::make_unique<AlAbrirse<Impresora>>([=](Impresora* d) {
        if (impresora == "-") return Control<QAbstractButton>(d, "Cancelar")->click();
        if (impresora == "papel") Control<QAbstractButton>(d, "Orientación del papel")->click();
        auto* lista = Control<QComboBox>(d, "Lista de impresoras");
        if (impresora != "papel" && !impresora.isEmpty())
            lista->setCurrentIndex(lista->findText(impresora));
        Control<QAbstractButton>(d, "Aceptar")->click();
    });
}

// Every job the scheduler has taken ("Oficina-12 ...").
QStringList TrabajosEnColas() {
    return Ejecuta("lpstat", {"-W", "all", "-o"}).split('\n', Qt::SkipEmptyParts);
}

// The queue of the one job taken since `antes`; empty when none was.
QString ColaNueva(const QStringList& antes) {
    QStringList nuevos = TrabajosEnColas();
    nuevos.removeIf([&](const QString& t) { return antes.contains(t); });
    return nuevos.size() == 1 ? nuevos[0].section('-', 0, 0) : nuevos.join("|");
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
        e.carpetaActual = e.raizVolumen = raiz.path();
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
        for (auto* item : ficheros()->findItems("*", Qt::MatchWildcard))
            l << item->text();
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

QByteArray Contenido(const QString& campo) {
    return campo == "*" ? Informe : Bytes(campo);
}

} // namespace

class TestVentana : public QObject {
    Q_OBJECT
  private slots:
    // The start folder and file, still chosen once shown. name ¦ program ¦ argument ¦ folder ¦
    // chosen ¦ box.
    void arranque_data() {
        FilasEnLista(R"(
fichero ¦ H ¦ <r>/L/INFORME.PRT ¦ L ¦ INFORME.PRT ¦
no existe ¦ H ¦ <r>/L/NADA.PRT ¦ H ¦ ¦ No se puede abrir «<r>/L/NADA.PRT»: no existe.
no es .prt ¦ H ¦ <r>/L/notas.txt ¦ L ¦ ¦ El fichero «<r>/L/notas.txt» no es un fichero .prt: no se ha elegido.
)",
                     6, "c");
    }
    void arranque() {
        QFETCH(QStringList, c);
        Puesto p;
        p.crear({"H/", "L/INFORME.PRT", "L/notas.txt"});
        c.replaceInStrings("<r>", p.raiz.path());
        frmVelmor& v = p.arrancar(c[1], {c[2]});
        QCOMPARE(v.RutaCarpetas(), c[3].isEmpty() ? p.raiz.path() : p.ruta(c[3]));
        QCOMPARE(p.control<QComboBox>("Carpetas base")->currentText(), v.RutaCarpetas());
        QCOMPARE(p.cajas(), c[5].isEmpty() ? "" : "Velmor 2.0|" + c[5]);
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QTRY_COMPARE(v.FileNameFicheros(), c[4]);
        QVERIFY(p.botones(!c[4].isEmpty()));
    }

    // Another folder by tree, keys or base: its files, none chosen, highlighted in view. One
    // refused or gone is told, the window staying. name ¦ how ¦ done to Varenta ¦ folder shown ¦
    // box.
    void carpetas_data() {
        FilasEnLista(R"(
árbol ¦ árbol ¦ ¦ Varenta ¦
base ¦ base ¦ ¦ Varenta ¦
teclado ¦ teclado ¦ ¦ Varenta ¦
árbol, no existe ¦ árbol ¦ borrar ¦ Kolmera ¦ no existe
árbol, sin permiso ¦ árbol ¦ cerrar ¦ Kolmera ¦ permiso
desaparecida ¦ refresco ¦ borrar ¦ Kolmera ¦ no existe
)",
                     5, "c");
    }
    void carpetas() {
        QFETCH(QStringList, c);
        c.removeFirst();
        if (c[1] == "cerrar" && geteuid() == 0) QSKIP("permissions do not block root");
        Puesto p;
        p.crear({"Varenta/Menu.exe", "Varenta/v.prt", "Kolmera/Menu.exe", "Kolmera/k.prt"});
        for (int i = 0; i < 40; ++i) // read after the others, they push them down the tree
            p.crear({QString("A%1 carpeta con un nombre largo/").arg(i, 2, 10, QChar('0'))});
        frmVelmor& v = p.arrancar("Kolmera");
        p.elegir("k.prt");
        const auto estropea = [&] {
            if (c[1] == "borrar") QVERIFY(QDir(p.ruta("Varenta")).removeRecursively());
            if (c[1] == "cerrar") QFile::setPermissions(p.ruta("Varenta"), QFile::WriteOwner);
        };
        if (c[0] == "árbol") {
            p.clicEnArbol("Varenta", estropea);
        } else if (c[0] == "teclado") {
            p.clicEnArbol("Kolmera");
            const QModelIndex varenta = p.modelo()->index(p.ruta("Varenta"));
            const bool abajo = p.arbol()->indexBelow(p.arbol()->currentIndex()) == varenta;
            QTest::keyClick(p.arbol(), abajo ? Qt::Key_Down : Qt::Key_Up); // to its neighbour
        } else if (c[0] == "base") {
            p.clicEnArbol("Kolmera");
            estropea();
            p.control<QComboBox>("Carpetas base")->setCurrentIndex(0);
            emit p.control<QComboBox>("Carpetas base")->activated(0);
        } else {
            p.clicEnArbol("Varenta");
            estropea();
            v.Refrescar();
        }
        QFile::setPermissions(p.ruta("Varenta"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(v.RutaCarpetas(), p.ruta(c[2]));
        QCOMPARE(p.lista(), QStringList{c[2] == "Varenta" ? "v.prt" : "k.prt"});
        QCOMPARE(p.mensajes.cajas.size(), c[3].isEmpty() ? 0 : 1);
        QVERIFY2(p.cajas().contains(c[3]), qPrintable(p.cajas()));
        if (c[2] == "Varenta") QVERIFY(p.botones(false));
        const QTreeView* t = p.arbol(); // highlighting the folder shown, in view
        QTRY_COMPARE_WITH_TIMEOUT(p.modelo()->rowCount(p.modelo()->index(p.raiz.path())),
                                  c[1] == "borrar" ? 41 : 42, 30000);
        QTRY_VERIFY(t->viewport()->rect().contains(t->visualRect(t->currentIndex())));
        QTRY_COMPARE(p.modelo()->filePath(t->currentIndex()), p.ruta(c[2]));
    }

    // A folder wiped and made again: the window stays on it though the tree's highlight moved, and
    // the tree highlights it once back. Watcher held, window hidden: under load they come late.
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

    // The "MS-Dos" box is offered only with the font named exactly "Ravendot" installed; ticked,
    // the preview shows the file in it and the job prints in it.
    void msDos() {
        Puesto p;
        EscribeFichero(p.ruta("K/DOS.PRT"), "uno \xa4\r\n");
        for (const char* otra : {"ravendot", "Ravendot Sans"})
            QVERIFY(!Control(&p.arrancar("K", {}, {otra}), "MS-Dos")->isEnabled());
        QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0);
        p.usarImpresora("Archivo PDF");
        p.arrancar("K", {}, EntornoVelmor::DelSistema().fuentes);
        p.control<QCheckBox>("MS-Dos")->setChecked(true);
        p.elegir("DOS.PRT");
        QString vista; // the preview, a window of its own gone when it ends, shows it so too
        QPointer<frmPrtVer> ver;
        AlAbrirse<frmPrtVer> alVer([&](frmPrtVer* f) {
            ver = f;
            vista = f->rtfVisor()->toPlainText() + "|" + QFontInfo(f->rtfVisor()->font()).family();
            QTest::keyClick(f->focusProxy(), Qt::Key_Escape);
        });
        p.boton("Previsualizar")->click();
        QCOMPARE(vista, QString("uno ¤|Ravendot"));
        QVERIFY(ver.isNull());
        AlAbrirse<QFileDialog> guardado([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        p.pulsa("Imprimir y borrar");
        QVERIFY(Ejecuta("pdffonts", {p.ruta("K/DOS.pdf")}).contains("Ravendot"));
        QVERIFY(TextoPdf(p.ruta("K/DOS.pdf")).contains("uno ¤")); // the byte as it is
    }

    // The job through buttons, dialogs and questions. name ¦ arguments ¦ window shown ¦ button ¦
    // bytes ¦ printer dialog ("-" cancelled, "x" not offered) ¦ answer ¦ queue ¦ box ¦ deleted.
    void trabajo_data() {
        FilasEnLista(R"(
Almacen, No ¦ ¦ 1 ¦ Imprimir ¦ * ¦ Almacen ¦ No ¦ Almacen ¦ ¿ Desea borrar el fichero ¦ 0
Sí ¦ ¦ 1 ¦ Imprimir ¦ * ¦ ¦ Sí ¦ Oficina ¦ ¿ Desea borrar el fichero ¦ 1
diálogo cancelado ¦ ¦ 1 ¦ Imprimir ¦ * ¦ - ¦ No ¦ ¦ ¦ 0
directo ¦ ¦ 1 ¦ Imprimir y borrar ¦ * ¦ x ¦ No ¦ Oficina ¦ ¦ 1
vacío ¦ ¦ 1 ¦ Imprimir y borrar ¦ ¦ x ¦ No ¦ ¦ ¦ 1
malformado ¦ ¦ 1 ¦ Imprimir y borrar ¦ bien\r\nmal {{Pica\r\n ¦ x ¦ No ¦ ¦ Etiqueta mal formada ¦ 0
/b ¦ /b ¦ 1 ¦ Imprimir ¦ * ¦ ¦ No ¦ Oficina ¦ ¦ 1
ruta con /B ¦ <r>/Borradores/INFORME.PRT ¦ 1 ¦ Imprimir ¦ * ¦ ¦ No ¦ Oficina ¦ ¿ Desea borrar el fichero ¦ 0
sin ventana ¦ ¦ 0 ¦ Imprimir ¦ * ¦ x ¦ No ¦ Oficina ¦ ¦ 0
sin ventana, /I declinado ¦ /I ¦ 0 ¦ Imprimir ¦ * ¦ - ¦ No ¦ ¦ ¦ 0
)",
                     10, "c");
    }
    void trabajo() {
        QFETCH(QStringList, c);
        Puesto p;
        const QString fichero = p.ruta("Borradores/INFORME.PRT");
        EscribeFichero(fichero, Contenido(c[4]));
        frmVelmor& v = p.arrancar(
            "Borradores", c[1].replace("<r>", p.raiz.path()).split(' ', Qt::SkipEmptyParts));
        p.elegir("INFORME.PRT");
        v.Visual = c[2] == "1";
        p.mensajes.respuestas = {c[6] == "Sí" ? QMessageBox::Yes : QMessageBox::No};
        bool cursorEnCaja = false; // the wait cursor is gone before any box shows
        p.mensajes.alMostrar = [&](const auto&) {
            cursorEnCaja |= bool(QApplication::overrideCursor());
        };
        const auto vigia = DialogoImpresora(c[5]);
        const QStringList antes = TrabajosEnColas();
        p.pulsa(c[3]);
        QCOMPARE(vigia->visto, c[5] != "x");
        QCOMPARE(ColaNueva(antes), c[7]);
        QVERIFY2(c[8].isEmpty() ? p.mensajes.cajas.isEmpty() : p.cajas().contains(c[8]),
                 qPrintable(p.cajas()));
        QVERIFY(!cursorEnCaja);
        QCOMPARE(!QFile::exists(fichero), c[9] == "1");
        QCOMPARE(v.isVisible(), v.Visual);
        if (v.Visual) QVERIFY(p.botones(c[9] == "0"));
    }

    // "Archivo PDF" asks where to write; the job acts on the file it opened by its bytes, never a
    // namesake. name ¦ file ¦ bytes ¦ button ¦ "cancelar", "existía" (the PDF), "rehacer" (the
    // file, during the dialog) or "apaisado" ¦ PDF ¦ its text ¦ box.
    void archivoPdf_data() {
        FilasEnLista(R"(
cancelar ¦ INFORME.PRT ¦ * ¦ Imprimir ¦ cancelar ¦ INFORME.pdf ¦ ¦
apaisado en el diálogo ¦ INFORME.PRT ¦ * ¦ Imprimir ¦ apaisado ¦ INFORME.pdf ¦ INFORME DE VENTAS España ¦
reemplazar, confirmado ¦ INFORME.PRT ¦ * ¦ Imprimir y borrar ¦ existía ¦ INFORME.pdf ¦ INFORME DE VENTAS España ¦
vacío: ningún PDF ¦ INFORME.PRT ¦ ¦ Imprimir y borrar ¦ ¦ INFORME.pdf ¦ ¦ no tiene nada que imprimir: no se ha escrito
rehecho durante el diálogo ¦ A.PRT ¦ * ¦ Imprimir y borrar ¦ rehacer ¦ A.pdf ¦ nuevo ¦
no es UTF-8 ¦ A\xa5O.PRT ¦ ANIO\r\n ¦ Imprimir y borrar ¦ ¦ AÑO.pdf ¦ ANIO ¦
)",
                     8, "c");
    }
    void archivoPdf() {
        QFETCH(QStringList, c);
        const bool directo = c[3] == "Imprimir y borrar", guardar = !c[4].contains("cancelar"),
                   existia = c[4].contains("existía"), impreso = guardar && !c[2].isEmpty();
        Puesto p;
        p.crear({"K/"});
        const QByteArray carpeta = QFile::encodeName(p.ruta("K/")), nombre = Bytes(c[1]);
        const QByteArray prt = carpeta + nombre, homonimo = carpeta + nombre.toLower();
        const QByteArray otro = carpeta + "\xef\xbf\xbd.prt"; // U+FFFD, as a lossy reading gives
        for (const QByteArray& f : {prt, homonimo, otro})
            EscribeBytes(f, f == prt ? Contenido(c[2]) : f);
        const QString pdf = p.ruta("K/" + c[5]);
        if (existia) EscribeFichero(pdf, "viejo");
        p.usarImpresora("Archivo PDF");
        frmVelmor& v = p.arrancar("K");
        p.elegir(NombreVisible(NombreDeBytes(nombre)));
        p.mensajes.respuestas = {QMessageBox::No};
        AlAbrirse<QMessageBox> confirmacion(
            [](QMessageBox* c) { c->button(QMessageBox::Yes)->click(); });
        QString propuesto;
        AlAbrirse<QFileDialog> guardado([&](QFileDialog* d) {
            propuesto = d->selectedFiles().value(0);
            if (c[4] == "rehacer") {
                QCOMPARE(::unlink(prt.constData()), 0);
                v.Refrescar();
                EscribeBytes(prt, "nuevo\r\n");
                v.Refrescar();
            }
            guardar ? static_cast<QDialog*>(d)->accept() : d->reject(); // its own checks run
        });
        const auto dialogo = DialogoImpresora(c[4] == "apaisado" ? "papel" : "");
        p.pulsa(c[3]);
        QCOMPARE(propuesto, pdf);
        QCOMPARE(confirmacion.visto, existia);
        if (impreso) {
            QVERIFY2(TextoPdf(pdf).contains(c[6]), qPrintable(TextoPdf(pdf)));
            const QStringList hoja = // the paper as the dialog left it
                Ejecuta("pdfinfo", {pdf}).section("Page size:", 1).simplified().split(' ');
            QCOMPARE(hoja.value(0).toDouble() > hoja.value(2).toDouble(), c[4] == "apaisado");
        } else {
            QCOMPARE(QFile::exists(pdf), existia);
        }
        QVERIFY2(p.cajas().contains(c[7]), qPrintable(p.cajas()));
        QCOMPARE(p.mensajes.cajas.size(), c[7].isEmpty() && (directo || !guardar) ? 0 : 1);
        QCOMPARE(::access(prt.constData(), F_OK) == 0, !(guardar && directo));
        QVERIFY(LeeBytes(homonimo) == homonimo && LeeBytes(otro) == otro);
        QVERIFY(p.botones(!(guardar && directo)));
        ::unlink(prt.constData()), ::unlink(homonimo.constData()); // QTemporaryDir cannot
    }

    // "Eliminar" deletes at once; then no namesake is chosen. One that fails (the file gone before
    // or during the question) is told and never ends the program.
    void borrado_data() {
        QTest::addColumn<QString>("como"); // and the box told, after "|"
        QTest::newRow("Eliminar") << "Eliminar|";
        QTest::newRow("Eliminar, ya borrado") << "ya borrado|ya no existe";
        QTest::newRow("tras la pregunta") << "pregunta|ya no existe";
    }
    void borrado() {
        QFETCH(QString, como);
        const QString caja = como.section('|', 1);
        Puesto p;
        EscribeFichero(p.ruta("K/A.PRT"), "otro\r\n");
        EscribeFichero(p.ruta("K/a.prt"), Informe);
        frmVelmor& v = p.arrancar("K");
        p.elegir("a.prt");
        if (como.startsWith("pregunta")) {
            const auto dialogo = DialogoImpresora("");
            p.mensajes.respuestas = {QMessageBox::Yes};
            p.mensajes.alMostrar = [&](const MensajesGuionizados::Caja& c) {
                if (!c.texto.contains("Desea borrar")) return;
                QFile::remove(p.ruta("K/a.prt"));
                v.Refrescar();
            };
            p.pulsa("Imprimir");
        } else {
            if (como.startsWith("ya borrado")) QVERIFY(QFile::remove(p.ruta("K/a.prt")));
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
        emit qApp->applicationStateChanged(Qt::ApplicationActive); // re-reads the folder at once
        QCOMPARE(p.lista(), (QStringList{"A.PRT", "a.prt"}));
        QVERIFY(p.ficheros()->selectedItems().isEmpty() && p.botones(false));
    }

    // A job awaited never blocks: the status line follows it, shortened; quitting asks, file kept.
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
        QTRY_VERIFY_WITH_TIMEOUT(
            Descripcion(estado).contains(QRegularExpression("el trabajo \\d+ de «Inalcanzable»")),
            30000);
        QVERIFY2(estado->text().contains(QChar(0x2026)), qPrintable(estado->text()));
        QCOMPARE(v.size(), tamano);
        p.mensajes.respuestas = {QMessageBox::No, QMessageBox::Yes};
        v.close();
        QVERIFY(v.isVisible()); // the user chose to stay
        QVERIFY2(p.cajas().contains("sin terminar"), qPrintable(p.cajas()));
        v.close();
        QVERIFY(!v.isVisible());
        QProcess::execute("cancel", {"-a", "Inalcanzable"});
        QTRY_VERIFY_WITH_TIMEOUT(v.TrabajosPendientes() == 0, 60000);
        QVERIFY(QFile::exists(p.ruta("K/" + largo)));
    }

    // Esc, the close box and "Salir" end the program; Esc on an open list closes only it. Tab
    // never walks into the closed search panel.
    void salir_data() {
        QTest::addColumn<QString>("como");
        QTest::newRow("Esc en la lista") << "Ficheros PRT";
        QTest::newRow("cierre") << "cierre";
        QTest::newRow("Salir") << "Salir";
        QTest::newRow("Esc en una lista abierta") << "Carpetas base";
    }
    void salir() {
        QFETCH(QString, como);
        Puesto p;
        frmVelmor& v = p.arrancar("", {}, {"Ravendot"});
        QVERIFY(QTest::qWaitForWindowActive(&v));
        for (int i = 0; i < 8; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), p.ficheros()); // from "MS-Dos" back to the list
        p.boton("Buscar carpeta")->click();
        if (como == "cierre") QVERIFY(v.windowHandle()->close());
        if (como == "Salir") QTest::mouseClick(p.boton("Salir"), Qt::LeftButton);
        if (como.startsWith("C") || como.startsWith("F")) {
            p.control(como)->setFocus();
            if (auto* lista = qobject_cast<QComboBox*>(p.control(como))) lista->showPopup();
            QTRY_VERIFY(QApplication::activePopupWidget() ||
                        QApplication::focusWidget() == p.control(como));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            QCoreApplication::processEvents();
        }
        QCOMPARE(v.isVisible(), como == "Carpetas base");
    }
};

QTEST_MAIN(TestVentana)
#include "test_ventana.moc"
