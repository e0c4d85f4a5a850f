// The main window driven as a user drives it: its controls found by their accessible names,
// worked through Qt's public API, on real folders and files in a temporary "volume".
#include "mainwindow/frm_velmor.h"
#include "mainwindow/modulo_prt.h"
#include "preview/frm_prt_ver.h"
#include "printerselect/impresora.h"
#include "shared/nombres_fichero.h"
#include "support/accesible.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"
#include "support/lista.h"
#include "support/scripted_messages.h"
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// The four buttons that act on the chosen file, by their accessible names.
const char* const BotonesFichero[] = {"Imprimir", "Previsualizar", "Eliminar", "Imprimir y borrar"};
const QStringList PanelBusqueda = {"Volúmenes", "Carpetas", "Carpetas base"};

// A temporary "volume" with sibling folders, and the window started on it.
struct Banco {
    QTemporaryDir raiz;
    FakeImpresoras impresoras{{"Oficina", "Almacen"}};
    MensajesGuionizados mensajes;
    // "title|text" of every message box shown so far.
    QStringList avisos() const {
        QStringList l;
        for (const auto& c : mensajes.cajas)
            l << c.titulo + "|" + c.texto;
        return l;
    }
    std::unique_ptr<frmVelmor> v;

    QString ruta(const QString& relativa) const { return raiz.path() + "/" + relativa; }

    // Paths ending in "/" are folders, the others empty files.
    void crear(const QStringList& entradas) const {
        for (const QString& e : entradas) {
            if (e.endsWith('/')) {
                QDir().mkpath(ruta(e));
                continue;
            }
            QDir().mkpath(QFileInfo(ruta(e)).path());
            QFile f(ruta(e));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    void escribir(const QString& relativa, const QByteArray& contenido) const {
        EscribeFichero(ruta(relativa), contenido);
    }

    frmVelmor& arrancar(const QString& programa, QStringList fuentes = {},
                        QStringList argumentos = {}) {
        EntornoVelmor e;
        e.carpetaPrograma = programa.startsWith('/') ? programa : ruta(programa);
        e.carpetaActual = raiz.path();
        e.raizVolumen = raiz.path();
        e.fuentes = std::move(fuentes);
        e.argumentos = std::move(argumentos);
        v = std::make_unique<frmVelmor>(impresoras, e);
        return *v;
    }

    template <class T = QWidget> T* control(const QString& nombre) const {
        return Control<T>(v.get(), nombre);
    }
    QAbstractButton* boton(const QString& nombre) const { return control<QAbstractButton>(nombre); }
    QListWidget* ficheros() const { return control<QListWidget>("Ficheros PRT"); }
    QComboBox* desplegable(const QString& nombre) const { return control<QComboBox>(nombre); }
    QTreeView* arbol() const { return control<QTreeView>("Carpetas"); }
    QFileSystemModel* modeloArbol() const {
        return qobject_cast<QFileSystemModel*>(arbol()->model());
    }

    // Presses a print button and waits until its job has ended (sent, awaited, deleted).
    void pulsa(const QString& nombre) const {
        boton(nombre)->click();
        QTRY_VERIFY_WITH_TIMEOUT(v->TrabajosPendientes() == 0, 30000);
    }

    QStringList lista() const { return Entradas(*ficheros()); }

    QStringList basicas() const {
        QStringList l;
        for (int i = 0; i < desplegable("Carpetas base")->count(); ++i)
            l << desplegable("Carpetas base")->itemText(i);
        return l;
    }

    bool botonesHabilitados() const {
        for (const char* b : BotonesFichero)
            if (!boton(b)->isEnabled()) return false;
        return true;
    }

    bool botonesDeshabilitados() const {
        for (const char* b : BotonesFichero)
            if (boton(b)->isEnabled()) return false;
        return true;
    }

    void elegir(const QString& nombre) const {
        const auto hallados = ficheros()->findItems(nombre, Qt::MatchExactly);
        QVERIFY(!hallados.isEmpty());
        ficheros()->setCurrentItem(hallados.first());
    }

    void elegirBasica(int i) const {
        desplegable("Carpetas base")->setCurrentIndex(i);
        emit desplegable("Carpetas base")->activated(i);
    }

    void elegirEnArbol(const QString& carpeta) const {
        arbol()->setCurrentIndex(modeloArbol()->index(carpeta));
    }

    // The tree's current folder lies wholly within its visible area.
    bool actualALaVista() const {
        const QRect r = arbol()->visualRect(arbol()->currentIndex());
        return r.isValid() && r.top() >= 0 && r.bottom() <= arbol()->viewport()->height();
    }
};

QImage Imagen(const QIcon& icono) {
    return icono.pixmap(32, 32).toImage();
}

// The rectangle of a control in the window's coordinates.
QRect EnVentana(QWidget* control, QWidget* ventana) {
    return QRect(control->mapTo(ventana, QPoint()), control->size());
}

// Writes an empty file whose name is given by its bytes (it need not be UTF-8).
void CreaPorBytes(const QByteArray& ruta) {
    std::FILE* f = std::fopen(ruta.constData(), "wb");
    QVERIFY(f);
    std::fclose(f);
}

// Accepts the printer dialog once it opens.
void AceptaDialogoImpresora() {
    auto* vigia = new QTimer;
    QObject::connect(vigia, &QTimer::timeout, [vigia] {
        auto* dialogo = qobject_cast<Impresora*>(QApplication::activeModalWidget());
        if (!dialogo) return;
        vigia->stop();
        vigia->deleteLater();
        Control<QAbstractButton>(dialogo, "Aceptar")->click();
    });
    vigia->start(10);
}

} // namespace

class TestFrmVelmor : public QObject {
    Q_OBJECT
  private slots:
    void arranque_registro();
    void arranque_controles_data();
    void arranque_controles();
    void arranque_aviso_impresora_data();
    void arranque_aviso_impresora();
    void ravendot_data();
    void ravendot();
    void ravendot_fuente_real();
    void dirBasico_data();
    void dirBasico();
    void argumento_data();
    void argumento();
    void argumento_interruptores_data();
    void argumento_interruptores();
    void lista_ficheros();
    void nombres_largos_recortados();
    void elegir_fichero();
    void cambio_carpeta_deshabilita_data();
    void cambio_carpeta_deshabilita();
    void refrescar_no_elige_otro_fichero();
    void refrescar_sin_visual();
    void refrescar_misma_grafia_data();
    void refrescar_misma_grafia();
    void carpeta_rehecha_sigue_vigilada();
    void fichero_externo_aparece_y_desaparece();
    void mostrar_refresca();
    void orden_tabulacion();
    void tabulador_data();
    void tabulador();
    void discos_recuerda_carpeta();
    void cmdCarpeta_alterna();
    void sigue_la_fuente();
    void estado_largo();
    void arbol_muestra_la_carpeta_data();
    void arbol_muestra_la_carpeta();
    void arbol_tras_rechazo_data();
    void arbol_tras_rechazo();
    void activacion_refresca();
    void fin_del_programa_data();
    void fin_del_programa();
    void escape_cierra_solo_la_lista_data();
    void escape_cierra_solo_la_lista();
    void carpeta_desaparecida();
    void carpeta_basica_inexistente();
    void carpeta_sin_permiso();
    void captura();
    void cmdVisor_muestra();
    void trabajo_lee_ventana_data();
    void trabajo_lee_ventana();
    void cursor_espera();
};

// The preview button opens a new preview of the chosen file; Esc ends it.
void TestFrmVelmor::cmdVisor_muestra() {
    Banco b;
    b.crear({"Herramientas/LISTADO.PRT"});
    frmVelmor& v = b.arrancar("Herramientas");
    b.elegir("LISTADO.PRT");
    QString titulo;
    QPointer<frmPrtVer> vista;
    auto* vigia = new QTimer(&v);
    connect(vigia, &QTimer::timeout, [&] {
        if (auto* ver = qobject_cast<frmPrtVer*>(QApplication::activeModalWidget())) {
            vigia->stop();
            vista = ver;
            titulo = ver->windowTitle();
            QTest::keyClick(ver->focusProxy(), Qt::Key_Escape);
        }
    });
    vigia->start(10);
    QTest::mouseClick(b.boton("Previsualizar"), Qt::LeftButton);
    QCOMPARE(titulo, "Visualizando [" + b.ruta("Herramientas") +
                         "/LISTADO.PRT]   Para terminar visualización pulse [Esc]o cierre con [X]");
    QCOMPARE(v.Nombre, b.ruta("Herramientas") + "/LISTADO.PRT");
    QVERIFY(vista.isNull()); // each preview is a window of its own, gone when it ends
}

// With VELMOR_CAPTURAS set to a folder, saves pictures of both layouts and of the preview there
// for the docs.
void TestFrmVelmor::captura() {
    const QString carpeta = qEnvironmentVariable("VELMOR_CAPTURAS");
    if (carpeta.isEmpty()) QSKIP("VELMOR_CAPTURAS not set");
    Banco b;
    b.crear({"Varenta/Menu.exe", "Varenta/INFORME.PRT", "Varenta/Listados/", "Kolmera/Menu.exe"});
    QVERIFY(
        QFile::copy(VELMOR_SOURCE_DIR "/tests/preview/muestra.prt", b.ruta("Varenta/FACTURA.PRT")));
    frmVelmor& v = b.arrancar("Varenta");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    b.elegir("FACTURA.PRT");
    QVERIFY(v.grab().save(carpeta + "/main-narrow.png"));
    QTest::mouseClick(b.boton("Buscar carpeta"), Qt::LeftButton);
    QTRY_VERIFY(b.modeloArbol()->rowCount(b.modeloArbol()->index(b.raiz.path())) == 2);
    QTest::qWait(300);
    QVERIFY(v.grab().save(carpeta + "/main-wide.png"));
    bool guardada = false;
    auto* vigia = new QTimer(&v);
    connect(vigia, &QTimer::timeout, [&] {
        auto* ver = qobject_cast<frmPrtVer*>(QApplication::activeModalWidget());
        if (!ver || !ver->isVisible()) return;
        vigia->stop();
        QTest::qWait(200);
        guardada = ver->grab().save(carpeta + "/preview.png");
        QTest::keyClick(ver->focusProxy(), Qt::Key_Escape);
    });
    vigia->start(10);
    QTest::mouseClick(b.boton("Previsualizar"), Qt::LeftButton);
    QVERIFY(guardada);
}

void TestFrmVelmor::arranque_registro() {
    Banco b;
    b.crear({"Herramientas/"});
    frmVelmor& v = b.arrancar("Herramientas");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QCOMPARE(v.Titulo, QString("Velmor 2.0"));
    QCOMPARE(v.LineasPagina, qint16(66));
    QVERIFY(v.Visual);
    QCOMPARE(v.Nombre, QString());
    QCOMPARE(v.NombreElegido, QString());
    QVERIFY(!v.BusquedaAbierta());
    QCOMPARE(v.windowTitle(), QString("Velmor"));
    QVERIFY(!v.windowIcon().isNull());
    QCOMPARE(v.minimumSize(), v.maximumSize()); // a fixed border
    QCOMPARE(v.RutaCarpetas(), b.ruta("Herramientas"));
    QVERIFY(b.avisos().isEmpty());
    // The narrow layout: the list, its buttons and the status line; the search panel hidden.
    for (const char* nombre : {"Ficheros PRT", "Salir", "MS-Dos", "Estado"})
        QVERIFY2(SeVe(b.control(nombre)), qPrintable(nombre));
    QCOMPARE(b.control<QLabel>("Estado")->text(), QString("Versión 2.0"));
    for (const QString& nombre : PanelBusqueda)
        QVERIFY2(!b.control(nombre)->isVisible(), qPrintable(nombre));
}

void TestFrmVelmor::arranque_controles_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("aviso");
    QTest::addColumn<bool>("habilitado");
    QTest::newRow("aceptar") << "Imprimir"
                             << "Imprimir seleccionando Impresora" << false;
    QTest::newRow("visor") << "Previsualizar"
                           << "Previsualizar fichero" << false;
    QTest::newRow("borrar") << "Eliminar"
                            << "Eliminar fichero" << false;
    QTest::newRow("cancelar") << "Salir"
                              << "Salir del programa" << true;
    QTest::newRow("carpeta") << "Buscar carpeta"
                             << "Buscar archivos .PRT" << true;
    QTest::newRow("prtkill") << "Imprimir y borrar"
                             << "Imprimir por Oficina y borrar archivo" << false;
}

void TestFrmVelmor::arranque_controles() {
    QFETCH(QString, nombre);
    QFETCH(QString, aviso);
    QFETCH(bool, habilitado);
    Banco b;
    b.crear({"Herramientas/a.prt"});
    frmVelmor& v = b.arrancar("Herramientas");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    auto* boton = b.boton(nombre);
    QCOMPARE(Descripcion(boton), aviso);
    QCOMPARE(boton->isEnabled(), habilitado);
    // A square picture button, its 32-pixel picture inside it, and no caption.
    QCOMPARE(boton->width(), boton->height());
    QCOMPARE(boton->iconSize(), QSize(32, 32));
    QVERIFY(boton->width() > boton->iconSize().width());
    QVERIFY(boton->text().isEmpty());
    QVERIFY(!boton->icon().isNull());
}

void TestFrmVelmor::arranque_aviso_impresora_data() {
    QTest::addColumn<QStringList>("impresoras");
    QTest::addColumn<int>("actual");
    QTest::addColumn<QString>("aviso");
    QTest::newRow("segunda") << QStringList{"Oficina", "Almacen"} << 1
                             << "Imprimir por Almacen y borrar archivo";
    QTest::newRow("espacios") << QStringList{"HP LaserJet 4"} << 0
                              << "Imprimir por HP LaserJet 4 y borrar archivo";
    QTest::newRow("ninguna") << QStringList{} << 0 << "Imprimir y Borrar directamente";
}

void TestFrmVelmor::arranque_aviso_impresora() {
    QFETCH(QStringList, impresoras);
    QFETCH(int, actual);
    QFETCH(QString, aviso);
    Banco b;
    b.impresoras.nombres = impresoras;
    b.impresoras.posicionActual = actual;
    b.arrancar("");
    QCOMPARE(Descripcion(b.boton("Imprimir y borrar")), aviso);
    // A later change of printer shows after ActualizarAviso.
    b.impresoras.nombres = QStringList{"Almacen"};
    b.impresoras.posicionActual = 0;
    b.v->ActualizarAviso();
    QCOMPARE(Descripcion(b.boton("Imprimir y borrar")),
             QString("Imprimir por Almacen y borrar archivo"));
}

void TestFrmVelmor::ravendot_data() {
    QTest::addColumn<QStringList>("fuentes");
    QTest::addColumn<bool>("habilitado");
    QTest::newRow("instalada") << QStringList{"Courier New", "Ravendot", "Arial"} << true;
    QTest::newRow("minusculas") << QStringList{"ravendot"} << false;
    QTest::newRow("mayusculas") << QStringList{"RAVENDOT"} << false;
    QTest::newRow("prefijo") << QStringList{"Ravendot Sans"} << false;
    QTest::newRow("ninguna") << QStringList{} << false;
}

void TestFrmVelmor::ravendot() {
    QFETCH(QStringList, fuentes);
    QFETCH(bool, habilitado);
    Banco b;
    b.arrancar("", fuentes);
    auto* casilla = b.control<QCheckBox>("MS-Dos");
    QCOMPARE(casilla->isEnabled(), habilitado);
    QVERIFY(!casilla->isChecked());
    QCOMPARE(casilla->text(), QString("MS-Dos"));
}

void TestFrmVelmor::ravendot_fuente_real() {
    QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0);
    Banco b;
    b.arrancar("", EntornoVelmor::DelSistema().fuentes);
    QVERIFY(b.control<QCheckBox>("MS-Dos")->isEnabled());
}

void TestFrmVelmor::dirBasico_data() {
    QTest::addColumn<QStringList>("disco");
    QTest::addColumn<QString>("programa");
    QTest::addColumn<QStringList>("esperadas");
    QTest::addColumn<int>("elegida");
    QTest::newRow("dos hermanas") << QStringList{"Varenta/Menu.exe", "Kolmera/Menu.exe",
                                                 "Kolmera/k.prt"}
                                  << "Kolmera" << QStringList{"Varenta", "Kolmera"} << 1;
    QTest::newRow("orden fijo") << QStringList{"Dustrel/Menu.exe", "Varenta/Menu.exe",
                                               "Kolmera/Menu.exe"}
                                << "Dustrel" << QStringList{"Varenta", "Kolmera", "Dustrel"} << 2;
    QTest::newRow("otra caja") << QStringList{"kolmera/MENU.EXE"} << "kolmera"
                               << QStringList{"kolmera"} << 0;
    QTest::newRow("sin marca") << QStringList{"Varenta/Menu.exe", "Kolmera/k.prt"} << "Kolmera"
                               << QStringList{"Varenta", "Kolmera"} << 1;
    QTest::newRow("ninguna") << QStringList{"Herramientas/"} << "Herramientas"
                             << QStringList{"Herramientas"} << 0;
    QTest::newRow("ajena") << QStringList{"Varenta/Menu.exe", "Herramientas/"} << "Herramientas"
                           << QStringList{"Varenta", "Herramientas"} << 1;
    QTest::newRow("marca es carpeta")
        << QStringList{"Varenta/Menu.exe/", "Kolmera/"} << "Kolmera" << QStringList{"Kolmera"} << 0;
    QTest::newRow("ruta con punto")
        << QStringList{"Kolmera/Menu.exe"} << "Kolmera/." << QStringList{"Kolmera"} << 0;
}

void TestFrmVelmor::dirBasico() {
    QFETCH(QStringList, disco);
    QFETCH(QString, programa);
    QFETCH(QStringList, esperadas);
    QFETCH(int, elegida);
    Banco b;
    b.crear(disco);
    frmVelmor& v = b.arrancar(programa);
    QStringList rutas;
    for (const QString& e : esperadas)
        rutas << b.ruta(e);
    QCOMPARE(b.basicas(), rutas);
    QCOMPARE(b.desplegable("Carpetas base")->currentIndex(), elegida);
    QCOMPARE(v.RutaCarpetas(), rutas[elegida]);
    QVERIFY(b.botonesDeshabilitados());
    QVERIFY(b.avisos().isEmpty());
}

// The program opened on a file or folder, as a file manager opens it ("velmor FICHERO.prt"),
// and started without one, from its own folder or installed in a system folder.
void TestFrmVelmor::argumento_data() {
    QTest::addColumn<QString>("programa");
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("carpeta");
    QTest::addColumn<QString>("elegido");
    QTest::addColumn<QString>("aviso");
    const QString r = "<raiz>/";
    QTest::newRow("fichero") << "Herramientas" << QStringList{r + "Listados/INFORME.PRT"}
                             << "Listados"
                             << "INFORME.PRT"
                             << "";
    QTest::newRow("fichero relativo")
        << "/usr/bin" << QStringList{"Listados/INFORME.PRT"} << "Listados"
        << "INFORME.PRT"
        << "";
    QTest::newRow("con interruptores")
        << "Herramientas" << QStringList{"/I", r + "Listados/INFORME.PRT", "/b"} << "Listados"
        << "INFORME.PRT"
        << "";
    QTest::newRow("carpeta") << "Herramientas" << QStringList{r + "Listados"} << "Listados"
                             << ""
                             << "";
    QTest::newRow("no existe") << "Herramientas" << QStringList{r + "Listados/NADA.PRT"}
                               << "Herramientas"
                               << ""
                               << "No se puede abrir «<raiz>/Listados/NADA.PRT»: no existe.";
    QTest::newRow("no es .prt")
        << "Herramientas" << QStringList{r + "Listados/notas.txt"} << "Listados"
        << ""
        << "El fichero «<raiz>/Listados/notas.txt» no es un fichero .prt: no se ha elegido.";
    QTest::newRow("sin argumento, carpeta propia")
        << "Herramientas" << QStringList{} << "Herramientas"
        << ""
        << "";
    QTest::newRow("sin argumento, instalado") << "/usr/bin" << QStringList{} << ""
                                              << ""
                                              << "";
    QTest::newRow("sin argumento, instalado en /bin") << "/bin" << QStringList{} << ""
                                                      << ""
                                                      << "";
    QTest::newRow("solo interruptores") << "/usr/local/bin" << QStringList{"/B", "/i"} << ""
                                        << ""
                                        << "";
}

void TestFrmVelmor::argumento() {
    QFETCH(QString, programa);
    QFETCH(QStringList, argumentos);
    QFETCH(QString, carpeta);
    QFETCH(QString, elegido);
    QFETCH(QString, aviso);
    Banco b;
    b.crear({"Herramientas/", "Listados/INFORME.PRT", "Listados/OTRO.PRT", "Listados/notas.txt"});
    for (QString& a : argumentos)
        a.replace("<raiz>", b.raiz.path());
    frmVelmor& v = b.arrancar(programa, {}, argumentos);
    QCOMPARE(v.RutaCarpetas(), carpeta.isEmpty() ? b.raiz.path() : b.ruta(carpeta));
    QCOMPARE(b.desplegable("Carpetas base")->currentText(), v.RutaCarpetas());
    QCOMPARE(Descripcion(b.desplegable("Carpetas base")), v.RutaCarpetas());
    QCOMPARE(v.FileNameFicheros(), elegido);
    QCOMPARE(v.NombreElegido, elegido);
    QCOMPARE(v.Nombre, elegido.isEmpty() ? QString() : v.RutaCarpetas() + "/" + elegido);
    QCOMPARE(b.botonesHabilitados(), !elegido.isEmpty());
    aviso.replace("<raiz>", b.raiz.path());
    QCOMPARE(b.avisos(), aviso.isEmpty() ? QStringList{} : QStringList{"Velmor 2.0|" + aviso});
    // The file stays chosen once the window shows (and refreshes).
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QTest::qWait(50);
    QCOMPARE(v.FileNameFicheros(), elegido);
}

// "/B" and "/I" count only as whole arguments: a path holding "/B" deletes nothing by itself.
// The printed file is kept when the question is answered No, and goes without a question when
// "/B" is given.
void TestFrmVelmor::argumento_interruptores_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<bool>("pregunta");
    QTest::addColumn<bool>("borrado");
    QTest::newRow("ruta con /B") << QStringList{"<raiz>/Borradores/X.PRT"} << true << false;
    QTest::newRow("ruta con /I y /B")
        << QStringList{"<raiz>/Borradores/Informes/X.PRT"} << true << false;
    QTest::newRow("/b aparte") << QStringList{"<raiz>/Borradores/X.PRT", "/b"} << false << true;
}

void TestFrmVelmor::argumento_interruptores() {
    QFETCH(QStringList, argumentos);
    QFETCH(bool, pregunta);
    QFETCH(bool, borrado);
    Banco b;
    b.escribir("Borradores/X.PRT", "uno\r\n");
    b.escribir("Borradores/Informes/X.PRT", "dos\r\n");
    for (QString& a : argumentos)
        a.replace("<raiz>", b.raiz.path());
    frmVelmor& v = b.arrancar("", {}, argumentos);
    QCOMPARE(v.Nombre, argumentos.first());
    b.mensajes.respuestas = {QMessageBox::No};
    AceptaDialogoImpresora();
    b.pulsa("Imprimir");
    QCOMPARE(b.impresoras.dibujo.documentosTerminados, 1);
    QCOMPARE(b.avisos().size(), pregunta ? 1 : 0);
    QCOMPARE(!QFile::exists(argumentos.first()), borrado);
}

void TestFrmVelmor::lista_ficheros() {
    Banco b;
    b.crear({"L/INFORME.PRT", "L/b.prt", "L/a.Prt", "L/c.txt", "L/.oculto.prt", "L/sub.prt/",
             "L/prt", "L/x.prt.bak"});
    CreaPorBytes(QFile::encodeName(b.ruta("L/")) + "A\xA5O.PRT");
    frmVelmor& v = b.arrancar("L");
    QCOMPARE(b.lista(), (QStringList{"a.Prt", "AÑO.PRT", "b.prt", "INFORME.PRT"}));
    // The name that is not UTF-8 is chosen by its bytes.
    b.elegir("AÑO.PRT");
    QCOMPARE(BytesDeNombre(v.Nombre), QFile::encodeName(b.ruta("L/")) + "A\xA5O.PRT");
    // QTemporaryDir cannot remove a name that is not UTF-8.
    QCOMPARE(::unlink(BytesDeNombre(v.Nombre).constData()), 0);
}

// A name wider than the list is shortened in its middle, never scrolled or cut off; its tooltip
// shows it whole.
void TestFrmVelmor::nombres_largos_recortados() {
    const QString largo = "INFORME DE VENTAS DEL SEGUNDO TRIMESTRE POR DELEGACIONES Y "
                          "COMERCIALES.PRT";
    Banco b;
    b.crear({"L/" + largo, "L/A.PRT"});
    frmVelmor& v = b.arrancar("L");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QListWidget* lista = b.ficheros();
    QListWidgetItem* item = lista->findItems(largo, Qt::MatchExactly).value(0);
    QVERIFY(item);
    QVERIFY(lista->fontMetrics().horizontalAdvance(largo) > lista->viewport()->width());
    QVERIFY(lista->viewport()->rect().contains(lista->visualItemRect(item)));
    QVERIFY(!lista->horizontalScrollBar()->isVisible());
    QCOMPARE(lista->textElideMode(), Qt::ElideMiddle);
    QCOMPARE(item->toolTip(), largo);
}

void TestFrmVelmor::elegir_fichero() {
    Banco b;
    b.crear({"Varenta/Menu.exe", "Varenta/Listados/INFORME.PRT"});
    frmVelmor& v = b.arrancar("Varenta/Listados");
    b.elegir("INFORME.PRT");
    QCOMPARE(v.Nombre, b.ruta("Varenta/Listados/INFORME.PRT"));
    QCOMPARE(v.NombreElegido, QString("INFORME.PRT"));
    QVERIFY(b.botonesHabilitados());
    QCOMPARE(v.FileNameFicheros(), QString("INFORME.PRT"));
}

void TestFrmVelmor::cambio_carpeta_deshabilita_data() {
    QTest::addColumn<QString>("medio");
    QTest::newRow("arbol") << "arbol";
    QTest::newRow("base") << "base";
}

void TestFrmVelmor::cambio_carpeta_deshabilita() {
    QFETCH(QString, medio);
    Banco b;
    b.crear({"Varenta/Menu.exe", "Varenta/v.prt", "Kolmera/Menu.exe", "Kolmera/k.prt"});
    frmVelmor& v = b.arrancar("Kolmera");
    b.elegir("k.prt");
    QVERIFY(b.botonesHabilitados());
    if (medio == "arbol")
        b.elegirEnArbol(b.ruta("Varenta"));
    else
        b.elegirBasica(0);
    QCOMPARE(v.RutaCarpetas(), b.ruta("Varenta"));
    QCOMPARE(b.lista(), QStringList{"v.prt"});
    QVERIFY(b.botonesDeshabilitados());
    QCOMPARE(v.Nombre, b.ruta("Kolmera/k.prt"));
    QCOMPARE(v.NombreElegido, QString("k.prt"));
}

// A refresh never moves the choice to another file: not to a namesake in another folder, nor to
// one in another letter case, since the buttons would then act on a file nobody chose.
void TestFrmVelmor::refrescar_no_elige_otro_fichero() {
    Banco b;
    b.crear({"Varenta/Menu.exe", "Varenta/informe.prt", "Kolmera/Menu.exe", "Kolmera/a.prt",
             "Kolmera/INFORME.PRT", "Kolmera/informe.prt"});
    frmVelmor& v = b.arrancar("Varenta");
    b.elegir("informe.prt");
    b.elegirBasica(1);
    QVERIFY(b.botonesDeshabilitados());
    v.Refrescar();
    QCOMPARE(v.FileNameFicheros(), QString());
    QVERIFY(b.botonesDeshabilitados());
    QCOMPARE(v.NombreElegido, QString("informe.prt"));
    // Back in its own folder, the file chosen there is chosen again.
    b.elegirBasica(0);
    v.Refrescar();
    QCOMPARE(v.FileNameFicheros(), QString("informe.prt"));
    QVERIFY(b.botonesHabilitados());
}

// Where "A.PRT" and "a.prt" are two files, a refresh keeps the one chosen.
void TestFrmVelmor::refrescar_misma_grafia_data() {
    QTest::addColumn<QString>("elegido");
    QTest::newRow("mayúsculas") << "A.PRT";
    QTest::newRow("minúsculas") << "a.prt";
}
void TestFrmVelmor::refrescar_misma_grafia() {
    QFETCH(QString, elegido);
    Banco b;
    b.crear({"K/A.PRT", "K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    b.elegir(elegido);
    v.Refrescar();
    QCOMPARE(v.FileNameFicheros(), elegido);
    QCOMPARE(v.Nombre, b.ruta("K/" + elegido));
}

// A shown folder that is removed and made again is still watched once a refresh has found it.
void TestFrmVelmor::carpeta_rehecha_sigue_vigilada() {
    Banco b;
    b.crear({"K/Sub/a.prt", "K/Menu.exe"});
    frmVelmor& v = b.arrancar("K");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    b.elegirEnArbol(b.ruta("K/Sub"));
    QTRY_COMPARE(b.lista(), QStringList{"a.prt"});
    QVERIFY(QDir(b.ruta("K/Sub")).removeRecursively());
    b.crear({"K/Sub/"});
    v.Refrescar();
    QTRY_VERIFY(b.lista().isEmpty());
    b.crear({"K/Sub/nuevo.prt"});
    QTRY_COMPARE(b.lista(), QStringList{"nuevo.prt"});
    QVERIFY(b.avisos().isEmpty());
}

void TestFrmVelmor::refrescar_sin_visual() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    v.NombreElegido = "a.prt";
    v.Visual = false;
    b.crear({"K/b.prt"});
    v.Refrescar();
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    QVERIFY(b.botonesDeshabilitados());
    QCOMPARE(v.Nombre, QString());
}

void TestFrmVelmor::fichero_externo_aparece_y_desaparece() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    b.elegir("a.prt");
    b.crear({"K/NUEVO.PRT"});
    QTRY_COMPARE(b.lista(), (QStringList{"a.prt", "NUEVO.PRT"}));
    QCOMPARE(v.FileNameFicheros(), QString("a.prt"));
    QVERIFY(QFile::remove(b.ruta("K/a.prt")));
    QTRY_COMPARE(b.lista(), QStringList{"NUEVO.PRT"});
    // The chosen file is gone: no button may act on it any more.
    QVERIFY(b.botonesDeshabilitados());
    QCOMPARE(v.NombreElegido, QString("a.prt"));
    // A file written later under its name is another file: it is not chosen by itself.
    b.crear({"K/a.prt"});
    QTRY_COMPARE(b.lista(), (QStringList{"a.prt", "NUEVO.PRT"}));
    QVERIFY(b.botonesDeshabilitados());
}

// Showing the window refreshes the list: a file written before it is shown is listed.
void TestFrmVelmor::mostrar_refresca() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    b.crear({"K/b.prt"});
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    v.show();
    QTRY_COMPARE(b.lista(), (QStringList{"a.prt", "b.prt"}));
    QVERIFY(b.botonesDeshabilitados());
}

void TestFrmVelmor::orden_tabulacion() {
    Banco b;
    frmVelmor& v = b.arrancar("");
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    QCOMPARE(QApplication::focusWidget(), b.ficheros());
    QStringList orden;
    QWidget* w = b.ficheros();
    do {
        if (w->focusPolicy() & Qt::TabFocus) orden << w->accessibleName();
        w = w->nextInFocusChain();
    } while (w != b.ficheros() && orden.size() < 20);
    QCOMPARE(orden, (QStringList{"Ficheros PRT", "Imprimir", "Previsualizar", "Eliminar", "Salir",
                                 "Buscar carpeta", "Imprimir y borrar", "MS-Dos", "Volúmenes",
                                 "Carpetas", "Carpetas base"}));
}

// Tab walks the controls the user sees: never into the closed search panel.
void TestFrmVelmor::tabulador_data() {
    QTest::addColumn<bool>("abierta");
    QTest::newRow("estrecha") << false;
    QTest::newRow("amplia") << true;
}

void TestFrmVelmor::tabulador() {
    QFETCH(bool, abierta);
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K", {"Ravendot"});
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    b.elegir("a.prt");
    if (abierta) b.boton("Buscar carpeta")->click();
    b.ficheros()->setFocus();
    QStringList recorrido;
    for (int i = 0; i < 12; ++i) {
        QWidget* foco = QApplication::focusWidget();
        QVERIFY(foco && foco->isVisible());
        recorrido << foco->accessibleName();
        QTest::keyClick(foco, Qt::Key_Tab);
    }
    const QStringList ciclo = {"Ficheros PRT", "Imprimir",       "Previsualizar",     "Eliminar",
                               "Salir",        "Buscar carpeta", "Imprimir y borrar", "MS-Dos"};
    QCOMPARE(recorrido.mid(0, ciclo.size()), ciclo);
    for (const QString& panel : PanelBusqueda)
        QCOMPARE(recorrido.contains(panel), abierta);
    if (!abierta) QCOMPARE(recorrido.mid(ciclo.size()), ciclo.mid(0, 4));
}

void TestFrmVelmor::discos_recuerda_carpeta() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    QComboBox* discos = b.desplegable("Volúmenes");
    const int raizSistema = discos->findData(QDir::rootPath());
    const int propio = discos->findData(b.raiz.path());
    if (raizSistema < 0) QSKIP("the system root is no listed volume here");
    QCOMPARE(discos->currentIndex(), propio);
    discos->setCurrentIndex(raizSistema);
    QCOMPARE(v.RutaCarpetas(), QDir::rootPath());
    QVERIFY(b.botonesDeshabilitados());
    discos->setCurrentIndex(propio);
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    QCOMPARE(b.desplegable("Carpetas base")->currentText(), b.ruta("K")); // not moved
}

// The search panel is shown beside the list and hidden again; the button's picture and tooltip
// say what it does next.
void TestFrmVelmor::cmdCarpeta_alterna() {
    Banco b;
    frmVelmor& v = b.arrancar("");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    auto* carpeta = b.boton("Buscar carpeta");
    const QImage buscar = Imagen(QIcon(":/velmor/icons/buscar.svg"));
    const QImage cerrar = Imagen(QIcon(":/velmor/icons/cerrar.svg"));
    QVERIFY(buscar != cerrar);
    QCOMPARE(Imagen(carpeta->icon()), buscar);
    const QSize estrecha = v.size();

    QTest::mouseClick(carpeta, Qt::LeftButton);
    QVERIFY(v.BusquedaAbierta());
    QTRY_VERIFY(v.width() > estrecha.width());
    QCOMPARE(v.height(), estrecha.height());
    QCOMPARE(Descripcion(carpeta), QString("Cerrar ventana búsqueda .PRT"));
    QCOMPARE(Imagen(carpeta->icon()), cerrar);
    for (const QString& nombre : PanelBusqueda) {
        QWidget* w = b.control(nombre);
        QVERIFY2(w->isVisible() && v.rect().contains(EnVentana(w, &v)), qPrintable(nombre));
        QVERIFY(!EnVentana(w, &v).intersects(EnVentana(b.ficheros(), &v)));
    }
    QCOMPARE(QApplication::focusWidget(), b.ficheros());

    QTest::mouseClick(carpeta, Qt::LeftButton);
    QVERIFY(!v.BusquedaAbierta());
    QTRY_COMPARE(v.size(), estrecha);
    QCOMPARE(Descripcion(carpeta), QString("Buscar archivos .PRT"));
    QCOMPARE(Imagen(carpeta->icon()), buscar);
}

// The window is laid out from its font: with a larger one it grows, and captions, the check box
// with its indicator and the buttons' pictures still show whole, no control covering another.
void TestFrmVelmor::sigue_la_fuente() {
    const QFont original = QApplication::font();
    QSize tamanos[2];
    for (int i = 0; i < 2; ++i) {
        QFont letra = original;
        letra.setPointSize(i == 0 ? 9 : 18);
        QApplication::setFont(letra);
        Banco b;
        b.crear({"K/a.prt"});
        frmVelmor& v = b.arrancar("K");
        v.show();
        b.boton("Buscar carpeta")->click();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QTRY_VERIFY(b.arbol()->isVisible());
        auto* titulo = b.control<QLabel>("Auxiliar de impresión archivos PRT");
        QVERIFY(titulo->width() >= titulo->fontMetrics().horizontalAdvance(titulo->text()));
        auto* estado = b.control<QLabel>("Estado");
        QCOMPARE(estado->text(), QString("Versión 2.0"));
        auto* casilla = b.control<QCheckBox>("MS-Dos");
        QVERIFY(casilla->width() >= casilla->sizeHint().width());
        QVERIFY(casilla->height() >= casilla->sizeHint().height());
        QList<QWidget*> controles{titulo, estado, casilla, b.ficheros()};
        for (const char* nombre : {"Imprimir", "Previsualizar", "Eliminar", "Salir",
                                   "Buscar carpeta", "Imprimir y borrar"}) {
            auto* boton = b.boton(nombre);
            QVERIFY(boton->width() > boton->iconSize().width());
            controles << boton;
        }
        for (const QString& nombre : PanelBusqueda)
            controles << b.control(nombre);
        for (QWidget* c : controles) {
            QVERIFY2(v.rect().contains(EnVentana(c, &v)), qPrintable(c->accessibleName()));
            for (QWidget* otro : controles)
                if (otro != c && !c->isAncestorOf(otro))
                    QVERIFY2(!EnVentana(c, &v).intersects(EnVentana(otro, &v)),
                             qPrintable(c->accessibleName() + " / " + otro->accessibleName()));
        }
        tamanos[i] = v.size();
    }
    QApplication::setFont(original);
    QVERIFY(tamanos[1].width() > tamanos[0].width());
    QVERIFY(tamanos[1].height() > tamanos[0].height());
}

// The status line shows a job's state; a long one is shortened to the line's width and shown
// whole in its tooltip, and the window keeps its size. The version comes back afterwards.
void TestFrmVelmor::estado_largo() {
    const QString largo = "INFORME DE VENTAS DEL SEGUNDO TRIMESTRE POR DELEGACIONES.PRT";
    Banco b;
    b.escribir("K/" + largo, "uno\r\n");
    frmVelmor& v = b.arrancar("K");
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    const QSize tamano = v.size();
    auto* estado = b.control<QLabel>("Estado");
    b.elegir(largo);
    QString texto, aviso;
    QSize durante;
    b.impresoras.dibujo.alEscribir = [&] {
        texto = estado->text();
        aviso = Descripcion(estado);
        durante = v.size();
    };
    b.pulsa("Imprimir y borrar");
    QCOMPARE(aviso, "Preparando «" + largo + "»…");
    QVERIFY2(texto != aviso && texto.contains(QChar(0x2026)) && texto.startsWith("Preparando"),
             qPrintable(texto));
    QVERIFY(estado->fontMetrics().horizontalAdvance(texto) <= estado->contentsRect().width());
    QCOMPARE(durante, tamano);
    QCOMPARE(estado->text(), QString("Versión 2.0"));
}

// After a base folder or a volume is chosen (and when the panel opens), the tree's current folder
// is in view once the tree has read the folders around it.
void TestFrmVelmor::arbol_muestra_la_carpeta_data() {
    QTest::addColumn<QString>("como");
    QTest::newRow("al abrir") << "abrir";
    QTest::newRow("carpeta base") << "base";
    QTest::newRow("volumen") << "volumen";
}

void TestFrmVelmor::arbol_muestra_la_carpeta() {
    QFETCH(QString, como);
    Banco b;
    QStringList carpetas{"Varenta/Menu.exe", "Kolmera/Menu.exe"};
    for (int i = 0; i < 40; ++i)
        carpetas << QString("A%1 carpeta con un nombre largo/").arg(i, 2, 10, QChar('0'));
    b.crear(carpetas);
    frmVelmor& v = b.arrancar("Kolmera");
    v.show();
    b.boton("Buscar carpeta")->click();
    QString esperada = b.ruta("Kolmera");
    if (como == "base") {
        b.elegirBasica(0);
        esperada = b.ruta("Varenta");
    } else if (como == "volumen") {
        QComboBox* discos = b.desplegable("Volúmenes");
        const int otro = discos->findData(QDir::rootPath());
        if (otro < 0) QSKIP("the system root is no listed volume here");
        discos->setCurrentIndex(otro);
        discos->setCurrentIndex(discos->findData(b.raiz.path()));
    }
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QFileSystemModel* modelo = b.modeloArbol();
    QTRY_COMPARE(modelo->rowCount(modelo->index(b.raiz.path())), 42);
    QTest::qWait(300); // what the tree still reads around it
    QCOMPARE(modelo->filePath(b.arbol()->currentIndex()), esperada);
    QTRY_VERIFY(b.actualALaVista());
}

// A folder chosen in the tree and refused (gone, no permission): the tree highlights the folder
// the list shows, not the refused one.
void TestFrmVelmor::arbol_tras_rechazo_data() {
    QTest::addColumn<QString>("motivo");
    QTest::newRow("no existe") << "no existe";
    QTest::newRow("no hay permiso") << "no hay permiso";
}

void TestFrmVelmor::arbol_tras_rechazo() {
    QFETCH(QString, motivo);
    if (motivo == "no hay permiso" && geteuid() == 0) QSKIP("permissions do not block root");
    Banco b;
    b.crear({"K/a.prt", "K/Abierta/", "K/Cerrada/"});
    frmVelmor& v = b.arrancar("K");
    v.show();
    b.boton("Buscar carpeta")->click();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    QFileSystemModel* modelo = b.modeloArbol();
    QTRY_COMPARE(modelo->rowCount(modelo->index(b.ruta("K"))), 2);
    const QModelIndex cerrada = modelo->index(b.ruta("K/Cerrada"));
    b.arbol()->scrollTo(cerrada);
    const QPoint punto = b.arbol()->visualRect(cerrada).center();
    // Nothing in between lets the tree notice the change before the click.
    if (motivo == "no existe")
        QVERIFY(QDir(b.ruta("K/Cerrada")).removeRecursively());
    else
        QFile::setPermissions(b.ruta("K/Cerrada"), QFileDevice::WriteOwner);
    QTest::mouseClick(b.arbol()->viewport(), Qt::LeftButton, {}, punto);
    QFile::setPermissions(b.ruta("K/Cerrada"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(b.avisos().size(), 1);
    QVERIFY2(b.avisos()[0].contains(motivo), qPrintable(b.avisos()[0]));
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    const auto resaltadas = [&] {
        QStringList l;
        for (const QModelIndex& i : b.arbol()->selectionModel()->selectedRows())
            l << modelo->filePath(i);
        return l;
    };
    QTRY_COMPARE(resaltadas(), QStringList{b.ruta("K")});
    QCOMPARE(modelo->filePath(b.arbol()->currentIndex()), b.ruta("K"));
}

void TestFrmVelmor::activacion_refresca() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    QVERIFY(ModuloPrt::Enganchada());
    // Leaving the application does nothing; coming back re-reads the folder at once.
    b.crear({"K/b.prt"});
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(b.lista(), (QStringList{"a.prt", "b.prt"}));

    ModuloPrt::DesengancharVentana(v);
    ModuloPrt::DesengancharVentana(v); // a second removal does nothing
    QVERIFY(!ModuloPrt::Enganchada());
    b.crear({"K/c.prt"});
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    QCOMPARE(b.lista(), (QStringList{"a.prt", "b.prt"}));
}

// Esc (wherever the focus is), the close box and "Salir del programa" end the program.
void TestFrmVelmor::fin_del_programa_data() {
    QTest::addColumn<QString>("como");
    QTest::addColumn<QString>("foco");
    QTest::newRow("escape en la lista") << "escape"
                                        << "Ficheros PRT";
    QTest::newRow("escape en un botón") << "escape"
                                        << "Buscar carpeta";
    QTest::newRow("escape en el árbol") << "escape"
                                        << "Carpetas";
    QTest::newRow("escape en una lista cerrada") << "escape"
                                                 << "Carpetas base";
    QTest::newRow("cierre") << "cierre"
                            << "";
    QTest::newRow("cancelar") << "cancelar"
                              << "";
}

void TestFrmVelmor::fin_del_programa() {
    QFETCH(QString, como);
    QFETCH(QString, foco);
    Banco b;
    frmVelmor& v = b.arrancar("");
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    if (como == "escape") {
        b.boton("Buscar carpeta")->click();
        QWidget* destino = b.control(foco);
        destino->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), destino);
        QTest::keyClick(destino, Qt::Key_Escape);
    } else if (como == "cierre") {
        QVERIFY(v.windowHandle()->close());
    } else {
        QTest::mouseClick(b.boton("Salir"), Qt::LeftButton);
    }
    QTRY_VERIFY(!v.isVisible());
    QVERIFY(!ModuloPrt::Enganchada());
    // No other window stays open, so the application quits.
    QVERIFY(qApp->quitOnLastWindowClosed());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
}

// Esc pressed to close an open drop-down list closes the list and nothing else.
void TestFrmVelmor::escape_cierra_solo_la_lista_data() {
    QTest::addColumn<QString>("lista");
    QTest::newRow("volúmenes") << "Volúmenes";
    QTest::newRow("carpetas base") << "Carpetas base";
}

void TestFrmVelmor::escape_cierra_solo_la_lista() {
    QFETCH(QString, lista);
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    b.boton("Buscar carpeta")->click();
    QComboBox* desplegable = b.desplegable(lista);
    const int antes = desplegable->currentIndex();
    desplegable->showPopup();
    QTRY_VERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QTest::qWait(50);
    QVERIFY(v.isVisible());
    QVERIFY(ModuloPrt::Enganchada());
    QCOMPARE(desplegable->currentIndex(), antes);
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
}

void TestFrmVelmor::carpeta_desaparecida() {
    Banco b;
    b.crear({"K/a.prt", "K/Sub/s.prt"});
    frmVelmor& v = b.arrancar("K");
    b.elegirEnArbol(b.ruta("K/Sub"));
    QCOMPARE(b.lista(), QStringList{"s.prt"});
    QVERIFY(QDir(b.ruta("K/Sub")).removeRecursively());
    v.Refrescar();
    QCOMPARE(b.avisos().size(), 1);
    QVERIFY(b.avisos()[0].startsWith("Velmor 2.0|"));
    QVERIFY(b.avisos()[0].contains(b.ruta("K/Sub")));
    QVERIFY(b.avisos()[0].contains("no existe"));
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    v.Refrescar();
    QCOMPARE(b.avisos().size(), 1);
}

void TestFrmVelmor::carpeta_basica_inexistente() {
    Banco b;
    b.crear({"Varenta/Menu.exe", "Kolmera/Menu.exe", "Kolmera/k.prt"});
    frmVelmor& v = b.arrancar("Kolmera");
    QVERIFY(QDir(b.ruta("Varenta")).removeRecursively());
    b.elegirBasica(0);
    QCOMPARE(b.avisos().size(), 1);
    QVERIFY(b.avisos()[0].contains(b.ruta("Varenta")));
    QCOMPARE(v.RutaCarpetas(), b.ruta("Kolmera"));
    QCOMPARE(b.lista(), QStringList{"k.prt"});
}

void TestFrmVelmor::carpeta_sin_permiso() {
    if (geteuid() == 0) QSKIP("permissions do not block root");
    Banco b;
    b.crear({"K/a.prt", "K/Cerrada/c.prt"});
    frmVelmor& v = b.arrancar("K");
    QFile::setPermissions(b.ruta("K/Cerrada"), QFileDevice::WriteOwner);
    b.elegirEnArbol(b.ruta("K/Cerrada"));
    QFile::setPermissions(b.ruta("K/Cerrada"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(b.avisos().size(), 1);
    QVERIFY(b.avisos()[0].contains("permiso"));
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
}

// The job takes the file, the "MS-Dos" box and LineasPagina from the window.
void TestFrmVelmor::trabajo_lee_ventana_data() {
    QTest::addColumn<bool>("dos");
    QTest::addColumn<int>("lineas");
    QTest::addColumn<QString>("fuente");
    QTest::addColumn<int>("paginas");
    QTest::newRow("normal") << false << 66 << "Courier New" << 1;
    QTest::newRow("MS-Dos, 2 líneas") << true << 2 << "Ravendot" << 2;
}

void TestFrmVelmor::trabajo_lee_ventana() {
    QFETCH(bool, dos);
    QFETCH(int, lineas);
    QFETCH(QString, fuente);
    QFETCH(int, paginas);
    Banco b;
    b.escribir("K/TRES.PRT", "uno\r\ndos \xa4\r\ntres\r\n");
    frmVelmor& v = b.arrancar("K", {"Ravendot"});
    b.elegir("TRES.PRT");
    b.control<QCheckBox>("MS-Dos")->setChecked(dos);
    v.LineasPagina = qint16(lineas);
    b.pulsa("Imprimir y borrar");
    const QStringList& r = b.impresoras.dibujo.registro;
    QVERIFY2(r.contains("fuente " + fuente), qPrintable(r.join(", ")));
    QCOMPARE(r.count("nuevaPagina") + 1, paginas);
    // Without conversion the byte stays its Windows-1252 character; converted it is "ñ".
    QVERIFY(r.contains(dos ? QString("texto dos ¤") : QString("texto dos ñ")));
    QCOMPARE(b.impresoras.dibujo.documentosTerminados, 1);
    QVERIFY(!QFile::exists(b.ruta("K/TRES.PRT")));
}

// The wait cursor is up while the job renders and gone before any box is shown.
void TestFrmVelmor::cursor_espera() {
    Banco b;
    b.escribir("K/MALO.PRT", "bien\r\nmal {{Pica\r\n");
    frmVelmor& v = b.arrancar("K");
    b.elegir("MALO.PRT");
    QList<int> durante, enLaCaja;
    const auto forma = [] {
        const QCursor* c = QApplication::overrideCursor();
        return c ? int(c->shape()) : -1;
    };
    b.impresoras.dibujo.alEscribir = [&] { durante << forma(); };
    b.mensajes.alMostrar = [&](const MensajesGuionizados::Caja&) { enLaCaja << forma(); };
    b.pulsa("Imprimir y borrar");
    QCOMPARE(durante, QList<int>{int(Qt::WaitCursor)});
    QCOMPARE(enLaCaja, QList<int>{-1});
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(QFile::exists(b.ruta("K/MALO.PRT")));
    QCOMPARE(v.FileNameFicheros(), QString("MALO.PRT"));
}

QTEST_MAIN(TestFrmVelmor)
#include "test_frm_velmor.moc"
