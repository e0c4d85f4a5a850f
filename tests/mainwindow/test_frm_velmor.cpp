#include "mainwindow/frm_velmor.h"
#include "mainwindow/modulo_prt.h"
#include "preview/frm_prt_ver.h"
#include "shared/twips.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"
#include "support/lista.h"
#include "support/scripted_messages.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <unistd.h>

namespace {

const char* const BotonesFichero[] = {"cmdAceptar", "cmdVisor", "cmdBorrar", "cmdPrtKill"};

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

    frmVelmor& arrancar(const QString& programa, QStringList fuentes = {}) {
        EntornoVelmor e;
        e.carpetaPrograma = programa.startsWith('/') ? programa : ruta(programa);
        e.raizVolumen = raiz.path();
        e.fuentes = std::move(fuentes);
        v = std::make_unique<frmVelmor>(impresoras, e);
        return *v;
    }

    QPushButton* boton(const char* nombre) const { return v->findChild<QPushButton*>(nombre); }

    // Presses a print button and waits until its job has ended (sent, awaited, deleted).
    void pulsa(const char* nombre) const {
        boton(nombre)->click();
        QTRY_VERIFY_WITH_TIMEOUT(v->TrabajosPendientes() == 0, 30000);
    }

    QStringList lista() const { return Entradas(*v->FicherosPRT); }

    QStringList basicas() const {
        QStringList l;
        for (int i = 0; i < v->DirBasico->count(); ++i)
            l << v->DirBasico->itemText(i);
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
        const auto hallados = v->FicherosPRT->findItems(nombre, Qt::MatchExactly);
        QVERIFY(!hallados.isEmpty());
        v->FicherosPRT->setCurrentItem(hallados.first());
    }

    void elegirBasica(int i) const {
        v->DirBasico->setCurrentIndex(i);
        emit v->DirBasico->activated(i);
    }

    void elegirEnArbol(const QString& carpeta) const {
        auto* modelo = qobject_cast<QFileSystemModel*>(v->Carpetas->model());
        v->Carpetas->setCurrentIndex(modelo->index(carpeta));
    }
};

QImage Imagen(const QIcon& icono) {
    return icono.pixmap(32, 32).toImage();
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
    void lista_ficheros();
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
    void discos_recuerda_carpeta();
    void cmdCarpeta_alterna();
    void activacion_refresca();
    void fin_del_programa_data();
    void fin_del_programa();
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
    auto* vigia = new QTimer(&v);
    connect(vigia, &QTimer::timeout, [&] {
        if (auto* ver = qobject_cast<frmPrtVer*>(QApplication::activeModalWidget())) {
            vigia->stop();
            titulo = ver->windowTitle();
            QTest::keyClick(ver->rtfVisor(), Qt::Key_Escape);
        }
    });
    vigia->start(10);
    QTest::mouseClick(b.boton("cmdVisor"), Qt::LeftButton);
    QCOMPARE(titulo, "Visualizando [" + b.ruta("Herramientas") +
                         "/LISTADO.PRT]   Para terminar visualización pulse [Esc]o cierre con [X]");
    QCOMPARE(v.Nombre, b.ruta("Herramientas") + "/LISTADO.PRT");
    QVERIFY(v.findChildren<frmPrtVer*>().isEmpty());
}

// With VELMOR_CAPTURAS set to a folder, saves pictures of both layouts there for the docs.
void TestFrmVelmor::captura() {
    const QString carpeta = qEnvironmentVariable("VELMOR_CAPTURAS");
    if (carpeta.isEmpty()) QSKIP("VELMOR_CAPTURAS not set");
    Banco b;
    b.crear(
        {"Varenta/Menu.exe", "Varenta/FACTURA.PRT", "Varenta/INFORME.PRT", "Varenta/Listados/"});
    frmVelmor& v = b.arrancar("Varenta");
    v.show();
    QVERIFY(v.grab().save(carpeta + "/main-narrow.png"));
    QTest::mouseClick(b.boton("cmdCarpeta"), Qt::LeftButton);
    QVERIFY(v.grab().save(carpeta + "/main-wide.png"));
}

void TestFrmVelmor::arranque_registro() {
    Banco b;
    b.crear({"Herramientas/"});
    frmVelmor& v = b.arrancar("Herramientas");
    QCOMPARE(v.Titulo, QString("Velmor 2.0"));
    QCOMPARE(v.LineasPagina, qint16(66));
    QVERIFY(v.Visual);
    QCOMPARE(v.Nombre, QString());
    QCOMPARE(v.NombreElegido, QString());
    QCOMPARE(v.AnchoExterior(), frmVelmor::AnchoEstrecho);
    QCOMPARE(v.windowTitle(), QString("Velmor"));
    QVERIFY(!v.windowIcon().isNull());
    QVERIFY(v.DirBasico->isVisibleTo(&v));
    QCOMPARE(v.RutaCarpetas(), b.ruta("Herramientas"));
    QVERIFY(b.avisos().isEmpty());
    // The search panel lies beyond the narrow window's right edge.
    for (QWidget* w : {(QWidget*)v.Discos, (QWidget*)v.Carpetas, (QWidget*)v.DirBasico})
        QVERIFY2(w->x() >= v.width(), qPrintable(w->objectName()));
    QVERIFY(v.findChild<QWidget*>("Frame1")->geometry().right() < v.width());
}

void TestFrmVelmor::arranque_controles_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("aviso");
    QTest::addColumn<bool>("habilitado");
    QTest::newRow("aceptar") << "cmdAceptar"
                             << "Imprimir seleccionando Impresora" << false;
    QTest::newRow("visor") << "cmdVisor"
                           << "Previsualizar fichero" << false;
    QTest::newRow("borrar") << "cmdBorrar"
                            << "Eliminar fichero" << false;
    QTest::newRow("cancelar") << "cmdCancelar"
                              << "Salir del programa" << true;
    QTest::newRow("carpeta") << "cmdCarpeta"
                             << "Buscar archivos .PRT" << true;
    QTest::newRow("prtkill") << "cmdPrtKill"
                             << "Imprimir por Oficina y borrar archivo" << false;
}

void TestFrmVelmor::arranque_controles() {
    QFETCH(QString, nombre);
    QFETCH(QString, aviso);
    QFETCH(bool, habilitado);
    Banco b;
    b.crear({"Herramientas/a.prt"});
    frmVelmor& v = b.arrancar("Herramientas");
    auto* boton = v.findChild<QPushButton*>(nombre);
    QVERIFY(boton);
    QCOMPARE(boton->toolTip(), aviso);
    QCOMPARE(boton->isEnabled(), habilitado);
    QCOMPARE(boton->size(), QSize(Twips(675), Twips(675)));
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
    QCOMPARE(b.boton("cmdPrtKill")->toolTip(), aviso);
    // A later change of printer shows after ActualizarAviso.
    b.impresoras.nombres = QStringList{"Almacen"};
    b.impresoras.posicionActual = 0;
    b.v->ActualizarAviso();
    QCOMPARE(b.boton("cmdPrtKill")->toolTip(), QString("Imprimir por Almacen y borrar archivo"));
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
    frmVelmor& v = b.arrancar("", fuentes);
    QCOMPARE(v.chkRavendot->isEnabled(), habilitado);
    QVERIFY(!v.chkRavendot->isChecked());
    QCOMPARE(v.chkRavendot->text(), QString("MS-Dos"));
}

void TestFrmVelmor::ravendot_fuente_real() {
    QVERIFY(QFontDatabase::addApplicationFont(VELMOR_RAVENDOT_TTF) >= 0);
    Banco b;
    frmVelmor& v = b.arrancar("", EntornoVelmor::DelSistema().fuentes);
    QVERIFY(v.chkRavendot->isEnabled());
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
    QCOMPARE(v.DirBasico->currentIndex(), elegida);
    QCOMPARE(v.RutaCarpetas(), rutas[elegida]);
    QVERIFY(b.botonesDeshabilitados());
    QVERIFY(b.avisos().isEmpty());
}

void TestFrmVelmor::lista_ficheros() {
    Banco b;
    b.crear({"L/INFORME.PRT", "L/b.prt", "L/a.Prt", "L/c.txt", "L/.oculto.prt", "L/sub.prt/",
             "L/prt", "L/x.prt.bak"});
    b.arrancar("L");
    QCOMPARE(b.lista(), (QStringList{"a.Prt", "b.prt", "INFORME.PRT"}));
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
    QCOMPARE(QApplication::focusWidget(), v.FicherosPRT);
    QStringList orden;
    QWidget* w = v.FicherosPRT;
    do {
        if (w->focusPolicy() & Qt::TabFocus) orden << w->objectName();
        w = w->nextInFocusChain();
    } while (w != v.FicherosPRT && orden.size() < 20);
    QCOMPARE(orden, (QStringList{"FicherosPRT", "cmdAceptar", "cmdVisor", "cmdBorrar",
                                 "cmdCancelar", "cmdCarpeta", "cmdPrtKill", "chkRavendot", "Discos",
                                 "Carpetas", "DirBasico"}));
}

void TestFrmVelmor::discos_recuerda_carpeta() {
    Banco b;
    b.crear({"K/a.prt"});
    frmVelmor& v = b.arrancar("K");
    const int raizSistema = v.Discos->findData(QDir::rootPath());
    const int propio = v.Discos->findData(b.raiz.path());
    if (raizSistema < 0) QSKIP("the system root is no listed volume here");
    QCOMPARE(v.Discos->currentIndex(), propio);
    v.Discos->setCurrentIndex(raizSistema);
    QCOMPARE(v.RutaCarpetas(), QDir::rootPath());
    QVERIFY(b.botonesDeshabilitados());
    v.Discos->setCurrentIndex(propio);
    QCOMPARE(v.RutaCarpetas(), b.ruta("K"));
    QCOMPARE(b.lista(), QStringList{"a.prt"});
    QCOMPARE(v.DirBasico->currentText(), b.ruta("K")); // the base list is not moved
}

void TestFrmVelmor::cmdCarpeta_alterna() {
    Banco b;
    frmVelmor& v = b.arrancar("");
    auto* carpeta = b.boton("cmdCarpeta");
    const QImage buscar = v.findChild<QLabel*>("IconoBuscar")->pixmap().toImage();
    const QImage cerrar = v.findChild<QLabel*>("IconoCerrar")->pixmap().toImage();
    QVERIFY(buscar != cerrar);
    QCOMPARE(v.width(), Twips(5500 - 120));
    QCOMPARE(Imagen(carpeta->icon()), buscar);

    QTest::mouseClick(carpeta, Qt::LeftButton);
    QCOMPARE(v.AnchoExterior(), frmVelmor::AnchoAmplio);
    QCOMPARE(v.width(), Twips(8200 - 120));
    QCOMPARE(carpeta->toolTip(), QString("Cerrar ventana búsqueda .PRT"));
    QCOMPARE(Imagen(carpeta->icon()), cerrar);
    for (QWidget* w : {(QWidget*)v.Discos, (QWidget*)v.Carpetas, (QWidget*)v.DirBasico})
        QVERIFY2(w->geometry().right() < v.width(), qPrintable(w->objectName()));

    QTest::mouseClick(carpeta, Qt::LeftButton);
    QCOMPARE(v.AnchoExterior(), frmVelmor::AnchoEstrecho);
    QCOMPARE(v.width(), Twips(5500 - 120));
    QCOMPARE(carpeta->toolTip(), QString("Buscar archivos .PRT"));
    QCOMPARE(Imagen(carpeta->icon()), buscar);
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

void TestFrmVelmor::fin_del_programa_data() {
    QTest::addColumn<QString>("como");
    QTest::newRow("escape") << "escape";
    QTest::newRow("cierre") << "cierre";
    QTest::newRow("cancelar") << "cancelar";
}

void TestFrmVelmor::fin_del_programa() {
    QFETCH(QString, como);
    Banco b;
    frmVelmor& v = b.arrancar("");
    v.show();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    if (como == "escape")
        QTest::keyClick(v.FicherosPRT, Qt::Key_Escape);
    else if (como == "cierre")
        QVERIFY(v.windowHandle()->close());
    else
        QTest::mouseClick(b.boton("cmdCancelar"), Qt::LeftButton);
    QTRY_VERIFY(!v.isVisible());
    QVERIFY(!ModuloPrt::Enganchada());
    // No other window stays open, so the application quits.
    QVERIFY(qApp->quitOnLastWindowClosed());
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY(!w->isVisible());
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
    v.chkRavendot->setChecked(dos);
    v.LineasPagina = qint16(lineas);
    b.pulsa("cmdPrtKill");
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
    b.pulsa("cmdPrtKill");
    QCOMPARE(durante, QList<int>{int(Qt::WaitCursor)});
    QCOMPARE(enLaCaja, QList<int>{-1});
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(QFile::exists(b.ruta("K/MALO.PRT")));
    QCOMPARE(v.FileNameFicheros(), QString("MALO.PRT"));
}

QTEST_MAIN(TestFrmVelmor)
#include "test_frm_velmor.moc"
