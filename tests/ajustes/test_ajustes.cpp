// The program as a desktop keeps it: its licence and package data, settings that last, the
// printer dialog's keys, the Spanish locale, the status line and the window's drops.
#include "mainwindow/ajustes_velmor.h"
#include "mainwindow/frm_velmor.h"
#include "mainwindow/fuente_volumenes.h"
#include "mainwindow/linea_estado.h"
#include "preview/frm_prt_ver.h"
#include "printerselect/impresora.h"
#include "shared/codepage.h"
#include "shared/idioma.h"
#include "shared/nombres_fichero.h"
#include "support/accesible.h"
#include "support/fake_printer.h"
#include "support/ficheros.h"
#include "support/programas.h"
#include "support/scripted_messages.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMimeData>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <clocale>

class TestAjustes : public QObject {
    Q_OBJECT
  private slots:
    void licencia_data();
    void licencia();
    void paginasManualSinGuiones_data();
    void paginasManualSinGuiones();
    void teclasDialogoImpresora_data();
    void teclasDialogoImpresora();
    void espanol_data();
    void espanol();
    void ajustesGuardados_data();
    void ajustesGuardados();
    void ajustesIlegibles();
    void opcionesImprimir_data();
    void opcionesImprimir();
    void ventanaRecuerda();
    void configuracionDesdeLaVentana();
    void estadoAcortado_data();
    void estadoAcortado();
    void estadoDelTrabajo_data();
    void estadoDelTrabajo();
    void imagenNoEncontrada_data();
    void imagenNoEncontrada();
    void imagenNoEncontradaEnLaVentana();
    void volumenesQueCambian_data();
    void volumenesQueCambian();
    void soltar_data();
    void soltar();
    void reglaDelSaltoDePagina_data();
    void reglaDelSaltoDePagina();
    void avisosDelEscritorio_data();
    void avisosDelEscritorio();
};

namespace {
QString Fuente(const QString& ruta) {
    return QStringLiteral(VELMOR_SOURCE_DIR "/") + ruta;
}
QString Lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

// What the package and the desktop say about the licence and the menu entry.
void TestAjustes::licencia_data() {
    QTest::addColumn<QString>("fichero");
    QTest::addColumn<QString>("contiene");
    QTest::newRow("LICENSE, la GPL 3") << "LICENSE"
                                       << "GNU GENERAL PUBLIC LICENSE\n"
                                          "                       Version 3";
    QTest::newRow("AppStream") << "data/org.velmor.Velmor.metainfo.xml.in"
                               << "<project_license>GPL-3.0-or-later</project_license>";
    QTest::newRow("copyright de Debian")
        << "packaging/copyright"
        << "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/";
    QTest::newRow("copyright, la licencia") << "packaging/copyright"
                                            << "License: GPL-3.0+";
    QTest::newRow("changelog") << "packaging/changelog.in"
                               << "velmor (2.0) unstable;";
}

void TestAjustes::licencia() {
    QFETCH(QString, fichero);
    QFETCH(QString, contiene);
    QVERIFY2(Lee(Fuente(fichero)).contains(contiene), qPrintable(fichero));
}

// Options and paths are copied from a manual page as shown: none may be split by a hyphen, at
// any width of the terminal. The menu entry passes the validator without a hint.
void TestAjustes::paginasManualSinGuiones_data() {
    QTest::addColumn<QString>("pagina");
    QTest::addColumn<QString>("ancho");
    for (const char* pagina : {"velmor.1", "velmor-imprimir.1"})
        for (const char* ancho : {"50", "80"})
            QTest::addRow("%s a %s columnas", pagina, ancho) << pagina << ancho;
}

void TestAjustes::paginasManualSinGuiones() {
    QFETCH(QString, pagina);
    QFETCH(QString, ancho);
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("MANWIDTH", ancho);
    entorno.insert("LANG", "C.UTF-8");
    const QString texto =
        Ejecuta("man", {"-l", Fuente("data/" + pagina)}, nullptr, nullptr, {}, entorno);
    QVERIFY(texto.contains("--"));
    QVERIFY2(!texto.contains(QChar(0x2010)), qPrintable(texto));

    int estado = -1;
    const QString hints =
        Ejecuta("desktop-file-validate", {Fuente("data/org.velmor.Velmor.desktop")}, &estado);
    QCOMPARE(estado, 0);
    QCOMPARE(hints, QString());
}

// "Selección de Impresora" answers Enter and Esc as any dialog does, wherever the focus is.
void TestAjustes::teclasDialogoImpresora_data() {
    QTest::addColumn<QString>("foco");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("resultado");
    QTest::addColumn<QString>("elegida");
    const int acepta = QDialog::Accepted, cancela = QDialog::Rejected;
    QTest::newRow("Intro en la lista")
        << "ListaImpresoras" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro del teclado numérico")
        << "ListaImpresoras" << int(Qt::Key_Enter) << acepta << "Oficina";
    QTest::newRow("Intro en el papel") << "ModoPapel" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro en ✓") << "cmdAceptar" << int(Qt::Key_Return) << acepta << "Oficina";
    QTest::newRow("Intro en ✗") << "cmdCancelar" << int(Qt::Key_Return) << cancela << "";
    QTest::newRow("Esc en la lista") << "ListaImpresoras" << int(Qt::Key_Escape) << cancela << "";
    QTest::newRow("Esc en ✓") << "cmdAceptar" << int(Qt::Key_Escape) << cancela << "";
}

void TestAjustes::teclasDialogoImpresora() {
    QFETCH(QString, foco);
    QFETCH(int, tecla);
    QFETCH(int, resultado);
    QFETCH(QString, elegida);
    FakeImpresoras impresoras({"Almacén", "Oficina"}, 1);
    Impresora dialogo(impresoras);
    QSignalSpy terminado(&dialogo, &QDialog::finished);
    dialogo.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
    auto* control = dialogo.findChild<QWidget*>(foco);
    QVERIFY(control);
    control->setFocus();
    QTest::keyClick(control, Qt::Key(tecla));
    QCOMPARE(terminado.count(), 1);
    QCOMPARE(terminado.first().first().toInt(), resultado);
    QCOMPARE(dialogo.ImpresoraElegida(), elegida);
}

// The test runs under LANG=C.UTF-8 and LC_ALL=C.UTF-8 (its CTest environment), set up as the
// program is: what Qt writes of its own is Spanish all the same.
void TestAjustes::espanol_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("tamaño, en los diálogos de ficheros")
        << QLocale::system().formattedDataSize(5000) << "4,88 KiB";
    QTest::newRow("fecha, en los diálogos de ficheros")
        << QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat) << "7/12/26";
    QTest::newRow("fecha, la del programa")
        << QLocale().toString(QDate(2026, 12, 7), QLocale::LongFormat)
        << "lunes, 7 de diciembre de 2026";
    QTest::newRow("botón de guardar")
        << QCoreApplication::translate("QFileDialog", "&Save") << "&Guardar";
    QTest::newRow("tipo de caracteres del usuario")
        << QString::fromLatin1(std::setlocale(LC_CTYPE, nullptr)) << "C.UTF-8";
}

void TestAjustes::espanol() {
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QCOMPARE(texto, esperado);
}

Q_DECLARE_METATYPE(AjustesImpresion)

// Written by one run, read by the next, in the freedesktop config folder.
void TestAjustes::ajustesGuardados_data() {
    QTest::addColumn<AjustesImpresion>("ajustes");
    QTest::newRow("los de siempre") << AjustesImpresion{};
    AjustesImpresion a;
    a.paginaCodigo = "437";
    a.papel = Papel::Legal;
    a.margenesMm = QMarginsF(10, 12.5, 0, 30);
    a.lineas = 72;
    QTest::newRow("legal, márgenes distintos, 437") << a;
    a = {};
    a.papel = Papel::Personalizado;
    a.medidaMm = QSizeF(100, 150.5);
    a.agujas = 9;
    QTest::newRow("papel propio, 9 agujas") << a;
    a = {};
    a.papel = Papel::Continuo;
    a.margenesMm = QMarginsF(0, 0, 0, 0);
    a.lineas = 1;
    QTest::newRow("continuo sin márgenes, una línea") << a;
}

void TestAjustes::ajustesGuardados() {
    QFETCH(AjustesImpresion, ajustes);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString fichero = AjustesVelmor::FicheroDelUsuario();
    QCOMPARE(fichero, config.path() + "/velmor/velmor.conf");
    {
        AjustesVelmor escritos(fichero);
        escritos.PonImpresion(ajustes);
        escritos.Guarda();
    }
    QVERIFY(QFile::exists(fichero));
    QCOMPARE(AjustesVelmor(fichero).Impresion(), ajustes);
}

// A value edited by hand into nonsense falls back to its default alone.
void TestAjustes::ajustesIlegibles() {
    QTemporaryDir config;
    const QString fichero = EscribeFichero(config.filePath("velmor.conf"),
                                           "[impresion]\ncp=437\npapel=b5\nmargenes=-3\n"
                                           "lineas=0\nagujas=9\n");
    AjustesImpresion esperados;
    esperados.paginaCodigo = "437";
    esperados.agujas = 9;
    QCOMPARE(AjustesVelmor(fichero).Impresion(), esperados);
}

// velmor-imprimir takes the settings as options of the same names; the PDF shows them.
void TestAjustes::opcionesImprimir_data() {
    QTest::addColumn<QStringList>("opciones");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("tamano"); // pdfinfo's page size
    QTest::addColumn<QString>("texto");  // in the PDF, or on stderr when it fails
    QTest::newRow("por defecto: 850, A4") << QStringList{} << 0 << "595 x 842"
                                          << "Hola ø";
    QTest::newRow("--cp 437") << QStringList{"--cp", "437"} << 0 << "595 x 842"
                              << "Hola ¢";
    QTest::newRow("--cp=858, --papel legal")
        << QStringList{"--cp=858", "--papel", "legal"} << 0 << "612 x 1008"
        << "Hola ø";
    QTest::newRow("--papel carta") << QStringList{"--papel=carta"} << 0 << "612 x 792"
                                   << "Hola ø";
    QTest::newRow("--papel continuo, --margenes")
        << QStringList{"--papel", "continuo", "--margenes", "20,10,5,30"} << 0 << "680 x 864"
        << "Hola ø";
    QTest::newRow("--papel propio") << QStringList{"--papel", "250x180"} << 0 << "709 x 510"
                                    << "Hola ø";
    QTest::newRow("--agujas 9") << QStringList{"--agujas", "9"} << 0 << "595 x 842"
                                << "Hola ø";
    QTest::newRow("--papel desconocido") << QStringList{"--papel", "b5"} << 2 << ""
                                         << "--papel: papel «b5» desconocido";
    QTest::newRow("--margenes, tres") << QStringList{"--margenes", "1,2,3"} << 2 << ""
                                      << "--margenes: márgenes «1,2,3»";
    QTest::newRow("--agujas 12") << QStringList{"--agujas", "12"} << 2 << ""
                                 << "--agujas necesita 24 o 9";
    QTest::newRow("--cp desconocida") << QStringList{"--cp", "999"} << 2 << ""
                                      << "Página de códigos DOS desconocida: «999»";
    QTest::newRow("márgenes sin sitio")
        << QStringList{"--papel", "a4", "--margenes", "110"} << 1 << ""
        << "Los márgenes (110 mm) no dejan sitio";
}

void TestAjustes::opcionesImprimir() {
    QFETCH(QStringList, opciones);
    QFETCH(int, estado);
    QFETCH(QString, tamano);
    QFETCH(QString, texto);
    QTemporaryDir carpeta;
    const QString prt = EscribeFichero(carpeta.filePath("T.PRT"), "Hola \x9b mundo\r\n");
    const QString pdf = carpeta.filePath("T.pdf");
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.remove("VELMOR_CP_DOS");
    int salida = -1;
    QString errores;
    Ejecuta(VELMOR_IMPRIMIR, opciones + QStringList{"--pdf", pdf, prt}, &salida, &errores, {},
            entorno);
    QCOMPARE(salida, estado);
    if (estado != 0) {
        QVERIFY2(errores.contains(texto), qPrintable(errores));
        QVERIFY(!QFile::exists(pdf));
        return;
    }
    QVERIFY2(Ejecuta("pdfinfo", {pdf}).contains("Page size:       " + tamano),
             qPrintable(Ejecuta("pdfinfo", {pdf})));
    QVERIFY2(TextoPdf(pdf).contains(texto), qPrintable(TextoPdf(pdf)));
}

namespace {
EntornoVelmor EntornoDePrueba(const QString& carpeta, const QString& ficheroAjustes) {
    EntornoVelmor e;
    e.carpetaPrograma = carpeta;
    e.carpetaActual = carpeta;
    e.raizVolumen = carpeta;
    e.ficheroAjustes = ficheroAjustes;
    return e;
}
} // namespace

// What the user left is where the next run starts: the folder, the place on the screen, the
// printer and its orientation.
void TestAjustes::ventanaRecuerda() {
    QTemporaryDir raiz;
    const QString otra = raiz.filePath("Listados");
    EscribeFichero(otra + "/INFORME.PRT", "x\r\n");
    const QString fichero = raiz.filePath("config/velmor.conf");
    FakeImpresoras impresoras({"Almacén", "Oficina"}, 0);
    {
        frmVelmor ventana(impresoras, EntornoDePrueba(raiz.path(), fichero));
        QCOMPARE(ventana.RutaCarpetas(), raiz.path());
        AjustesVelmor(fichero).PonImpresora("Oficina", Orientacion::Horizontal);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        ventana.move(40, 30);
        // The user goes to another folder, then quits.
        Control<QTreeView>(&ventana, "Carpetas")
            ->setCurrentIndex(
                qobject_cast<QFileSystemModel*>(Control<QTreeView>(&ventana, "Carpetas")->model())
                    ->index(otra));
        QTRY_COMPARE(ventana.RutaCarpetas(), otra);
        ventana.close();
    }
    frmVelmor otraVez(impresoras, EntornoDePrueba(raiz.path(), fichero));
    QCOMPARE(otraVez.RutaCarpetas(), otra);
    QCOMPARE(otraVez.pos(), QPoint(40, 30));
    QCOMPARE(impresoras.nombreActual(), QString("Oficina"));
    QCOMPARE(impresoras.orientacion(), Orientacion::Horizontal);
    // A folder named on the command line wins over the one remembered.
    EntornoVelmor nombrada = EntornoDePrueba(raiz.path(), fichero);
    nombrada.argumentos = QStringList{raiz.path()};
    QCOMPARE(frmVelmor(impresoras, nombrada).RutaCarpetas(), raiz.path());
}

// "Configuración" opens from the window's key, and what it accepts is kept and used.
void TestAjustes::configuracionDesdeLaVentana() {
    qunsetenv("VELMOR_CP_DOS");
    QTemporaryDir raiz;
    const QString fichero = raiz.filePath("velmor.conf");
    FakeImpresoras impresoras({"Oficina"});
    frmVelmor ventana(impresoras, EntornoDePrueba(raiz.path(), fichero));
    ventana.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ventana));
    QCOMPARE(Control<QToolButton>(&ventana, "Configuración")->toolTip(),
             QString("Configuración (Ctrl+,)"));
    QTimer::singleShot(0, [] {
        auto* dialogo = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialogo);
        QCOMPARE(dialogo->windowTitle(), QString("Configuración"));
        auto* pagina = dialogo->findChild<QComboBox*>("PaginaCodigo");
        pagina->setCurrentIndex(pagina->findData("437"));
        dialogo->findChild<QComboBox*>("Papel")->setCurrentIndex(int(Papel::Legal));
        dialogo->findChild<QSpinBox*>("Lineas")->setValue(60);
        dialogo->findChild<QComboBox*>("ModeloEpson")->setCurrentIndex(1);
        QTest::keyClick(dialogo, Qt::Key_Return);
    });
    QTest::keyClick(&ventana, Qt::Key_Comma, Qt::ControlModifier);
    const AjustesImpresion guardados = AjustesVelmor(fichero).Impresion();
    QCOMPARE(guardados.paginaCodigo, QString("437"));
    QCOMPARE(guardados.papel, Papel::Legal);
    QCOMPARE(guardados.lineas, 60);
    QCOMPARE(guardados.margenesMm, AjustesImpresion::MargenesPrograma()); // left as shown
    QCOMPARE(guardados.agujas, 9);
    const auto byte9B = [] {
        const PaginasCodigo& p = PaginasCodigo::actuales();
        return p.aWindows(p.decodifica("\x9b"));
    };
    QCOMPARE(byte9B(), QString::fromUtf8("¢")); // code page 437
    QCOMPARE(ventana.LineasPagina, qint16(60));
    // VELMOR_CP_DOS still decides the page over what was chosen.
    qputenv("VELMOR_CP_DOS", "850");
    QCOMPARE(byte9B(), QString::fromUtf8("ø")); // code page 850
    qunsetenv("VELMOR_CP_DOS");
    PaginasCodigo::ponElegida("850");
}

// A state too wide for the line loses letters of its names, never its words or numbers.
void TestAjustes::estadoAcortado_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<int>("letras"); // the line's width, in average characters
    QTest::addColumn<QStringList>("quedan");
    const QString largo = "INFORME DE VENTAS DEL SEGUNDO TRIMESTRE POR DELEGACIONES.PRT";
    QTest::newRow("cabe") << "«A.PRT»: el trabajo 7 de «Oficina» espera su turno" << 80
                          << QStringList{"«A.PRT»: el trabajo 7 de «Oficina» espera su turno"};
    QTest::newRow("nombre largo en la cola")
        << "«" + largo + "»: el trabajo 12 de «Oficina» se está imprimiendo" << 60
        << QStringList{"«INF", "PRT»: el trabajo 12 de «Oficina» se está imprimiendo"};
    QTest::newRow("preparando") << "Preparando «" + largo + "»…" << 30
                                << QStringList{"Preparando «IN", "PRT»…"};
    QTest::newRow("dos nombres largos") << "«" + largo + "» escrito en «" + largo + "»" << 50
                                        << QStringList{"» escrito en «", "«INF", "PRT»"};
}

void TestAjustes::estadoAcortado() {
    QFETCH(QString, texto);
    QFETCH(int, letras);
    QFETCH(QStringList, quedan);
    QFont fuente("DejaVu Sans");
    fuente.setPixelSize(12);
    const QFontMetrics letra(fuente);
    const int ancho = letra.averageCharWidth() * letras;
    const QString corto = AcortaEstado(texto, letra, ancho);
    QVERIFY2(letra.horizontalAdvance(corto) <= ancho, qPrintable(corto));
    for (const QString& parte : quedan)
        QVERIFY2(corto.contains(parte), qPrintable(corto + " / " + parte));
}

namespace {
// Answers the job's dialogs as a user would: Enter in the printer dialog, the proposed name in
// the save dialog.
void ResponderDialogos(QObject* duenno) {
    auto* reloj = new QTimer(duenno);
    QObject::connect(reloj, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* impresora = qobject_cast<Impresora*>(modal))
            QTest::keyClick(impresora, Qt::Key_Return);
        else if (auto* guardar = qobject_cast<QFileDialog*>(modal))
            QMetaObject::invokeMethod(guardar, "accept", Qt::QueuedConnection);
    });
    reloj->start(20);
}
} // namespace

// The status line says what has become of the job, readable as it is, while the job runs and
// while the delete question waits.
void TestAjustes::estadoDelTrabajo_data() {
    QTest::addColumn<QString>("impresora");
    QTest::addColumn<QString>("boton");
    QTest::addColumn<QString>("estadoEntero"); // the state, whole in the tooltip
    QTest::addColumn<QString>("siempre");      // what the line itself always shows of it
    QTest::addColumn<bool>("pregunta");        // shown while the delete question waits
    const QString prt = "«LISTADO DE CLIENTES.PRT»";
    QTest::newRow("PDF escrito, con pregunta")
        << "Archivo PDF"
        << "Imprimir" << prt + " escrito en «LISTADO DE CLIENTES.pdf»"
        << "» escrito en «" << true;
    QTest::newRow("en la cola, con pregunta")
        << "Oficina"
        << "Imprimir" << prt + ": el trabajo 1 de «Oficina» está en la cola"
        << "»: el trabajo 1 de «Oficina» está en la cola" << true;
    QTest::newRow("esperando a que la cola lo imprima")
        << "Oficina"
        << "Imprimir y borrar" << prt + ": el trabajo 1 de «Oficina» espera su turno"
        << "»: el trabajo 1 de «Oficina» espera su turno" << false;
}

void TestAjustes::estadoDelTrabajo() {
    QFETCH(QString, impresora);
    QFETCH(QString, boton);
    QFETCH(QString, estadoEntero);
    QFETCH(QString, siempre);
    QFETCH(bool, pregunta);
    QTemporaryDir raiz;
    EscribeFichero(raiz.filePath("LISTADO DE CLIENTES.PRT"), "uno\r\n");
    FakeImpresoras impresoras({"Oficina", "Archivo PDF"});
    impresoras.hazActual(int(impresoras.nombres.indexOf(impresora)));
    impresoras.colaFalsa->estadoFinal = EstadoTrabajo::Pendiente;
    MensajesGuionizados mensajes;
    mensajes.respuestas = {QMessageBox::No};
    frmVelmor ventana(impresoras, EntornoDePrueba(raiz.path(), {}));
    ventana.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ventana));
    auto* estado = Control<QLabel>(&ventana, "Estado");
    QString linea, entero;
    const auto mira = [&] {
        linea = estado->text();
        entero = estado->toolTip();
    };
    if (pregunta) mensajes.alMostrar = [&](const MensajesGuionizados::Caja&) { mira(); };
    ResponderDialogos(&ventana);
    auto* lista = Control<QListWidget>(&ventana, "Ficheros PRT");
    QTRY_COMPARE(lista->count(), 1);
    lista->setCurrentRow(0);
    Control<QAbstractButton>(&ventana, boton)->click();
    if (!pregunta) {
        QTRY_VERIFY_WITH_TIMEOUT(estado->toolTip() == estadoEntero, 20000);
        mira();
        impresoras.colaFalsa->estadoFinal = EstadoTrabajo::Completado;
    }
    QTRY_COMPARE_WITH_TIMEOUT(ventana.TrabajosPendientes(), 0, 20000);
    QCOMPARE(entero, estadoEntero);
    QVERIFY2(linea.contains(siempre), qPrintable(linea));
    QVERIFY(estado->fontMetrics().horizontalAdvance(linea) <= estado->contentsRect().width());
    QCOMPARE(estado->text(), QString("Versión 2.0"));
}

// A picture the file asks for and that is not there: the file prints with the directive as text,
// the user is told which picture, and a file to be deleted is kept.
void TestAjustes::imagenNoEncontrada_data() {
    QTest::addColumn<QByteArray>("prt");
    QTest::addColumn<bool>("borrar");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("errores");
    QTest::addColumn<bool>("seConserva");
    const QByteArray falta = "/IMAGEN/LOGO.BMP\r\nHola\r\n";
    QTest::newRow("falta, sin borrar")
        << falta << false << 0 << "T.PRT: No se ha encontrado la imagen de fondo «LOGO.BMP»"
        << true;
    QTest::newRow("falta, con --borrar")
        << falta << true << 1
        << "No se ha encontrado la imagen de fondo «LOGO.BMP»: «T.PRT» no se ha impreso como se "
           "pedía; «T.PRT» no se ha borrado."
        << true;
    QTest::newRow("faltan dos") << QByteArray("/IMAGEN/A.PNG\r\n/IMAGEN/B.PNG\r\n/IMAGEN/A.PNG\r\n")
                                << false << 0
                                << "No se han encontrado las imágenes de fondo «A.PNG» y «B.PNG»"
                                << true;
    QTest::newRow("está, con --borrar")
        << QByteArray("/IMAGEN/FONDO.PNG\r\nHola\r\n") << true << 0 << "" << false;
}

void TestAjustes::imagenNoEncontrada() {
    QFETCH(QByteArray, prt);
    QFETCH(bool, borrar);
    QFETCH(int, estado);
    QFETCH(QString, errores);
    QFETCH(bool, seConserva);
    QTemporaryDir carpeta;
    QImage fondo(8, 8, QImage::Format_RGB32);
    fondo.fill(Qt::gray);
    QVERIFY(fondo.save(carpeta.filePath("FONDO.PNG")));
    EscribeFichero(carpeta.filePath("T.PRT"), prt);
    QStringList argumentos{"--pdf", "T.pdf", "T.PRT"};
    if (borrar) argumentos.prepend("--borrar");
    int salida = -1;
    QString dichos;
    Ejecuta(VELMOR_IMPRIMIR, argumentos, &salida, &dichos, carpeta.path());
    QCOMPARE(salida, estado);
    QVERIFY2(errores.isEmpty() ? dichos.isEmpty() : dichos.contains(errores), qPrintable(dichos));
    QCOMPARE(QFile::exists(carpeta.filePath("T.PRT")), seConserva);
    QVERIFY(TextoPdf(carpeta.filePath("T.pdf")).contains(seConserva ? "/IMAGEN/" : "Hola"));
}

// The window's print-and-delete keeps the file and says why; the status line names the picture
// afterwards.
void TestAjustes::imagenNoEncontradaEnLaVentana() {
    QTemporaryDir raiz;
    const QString prt = EscribeFichero(raiz.filePath("T.PRT"), "/IMAGEN/LOGO.BMP\r\nHola\r\n");
    FakeImpresoras impresoras({"Oficina"});
    MensajesGuionizados mensajes;
    frmVelmor ventana(impresoras, EntornoDePrueba(raiz.path(), {}));
    ventana.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ventana));
    auto* lista = Control<QListWidget>(&ventana, "Ficheros PRT");
    QTRY_COMPARE(lista->count(), 1);
    lista->setCurrentRow(0);
    Control<QAbstractButton>(&ventana, "Imprimir y borrar")->click();
    QTRY_COMPARE_WITH_TIMEOUT(ventana.TrabajosPendientes(), 0, 20000);
    QVERIFY(QFile::exists(prt));
    QCOMPARE(mensajes.cajas.size(), 1);
    QVERIFY2(mensajes.cajas[0].texto.contains("No se ha encontrado la imagen de fondo «LOGO.BMP»: "
                                              "«T.PRT» no se ha impreso como se pedía"),
             qPrintable(mensajes.cajas[0].texto));
    QCOMPARE(Control<QLabel>(&ventana, "Estado")->toolTip(),
             QString("Falta la imagen «LOGO.BMP» de «T.PRT»"));
}

namespace {
// A mount table the test writes.
class VolumenesDePrueba : public FuenteVolumenes {
  public:
    QList<VolumenPrt> lista;
    QList<VolumenPrt> Leer() const override { return lista; }
    void Monta(const QList<VolumenPrt>& nueva) {
        lista = nueva;
        emit cambiada();
    }
};

QStringList Textos(const QComboBox& lista) {
    QStringList textos;
    for (int i = 0; i < lista.count(); ++i)
        textos << lista.itemText(i);
    return textos;
}
} // namespace

// Volumes mounted and unmounted while the window is open come and go in its list; the volume
// shown stays chosen.
void TestAjustes::volumenesQueCambian_data() {
    QTest::addColumn<QStringList>("montados"); // after the start volume, by their texts
    QTest::addColumn<QStringList>("lista");
    QTest::newRow("se monta una memoria") << QStringList{"USB"} << QStringList{"raiz", "USB"};
    QTest::newRow("se montan dos")
        << QStringList{"USB", "RED"} << QStringList{"raiz", "USB", "RED"};
    QTest::newRow("ninguno") << QStringList{} << QStringList{"raiz"};
}

void TestAjustes::volumenesQueCambian() {
    QFETCH(QStringList, montados);
    QFETCH(QStringList, lista);
    QTemporaryDir raiz;
    VolumenesDePrueba volumenes;
    volumenes.lista = {{raiz.path(), "raiz"}, {raiz.filePath("VIEJO"), "VIEJO"}};
    QDir().mkpath(raiz.filePath("VIEJO"));
    FakeImpresoras impresoras({"Oficina"});
    EntornoVelmor entorno = EntornoDePrueba(raiz.path(), {});
    entorno.volumenes = &volumenes;
    frmVelmor ventana(impresoras, entorno);
    auto* discos = Control<QComboBox>(&ventana, "Volúmenes");
    QCOMPARE(Textos(*discos), (QStringList{"raiz", "VIEJO"}));
    QList<VolumenPrt> nuevos{{raiz.path(), "raiz"}};
    for (const QString& m : montados) {
        QDir().mkpath(raiz.filePath(m));
        nuevos.append({raiz.filePath(m), m});
    }
    volumenes.Monta(nuevos);
    QCOMPARE(Textos(*discos), lista);
    QCOMPARE(discos->currentText(), QString("raiz"));
    if (montados.isEmpty()) return;
    discos->setCurrentIndex(1);
    QCOMPARE(ventana.RutaCarpetas(), raiz.filePath(montados.first()));
}

// Something dropped on the window from a file manager.
void TestAjustes::soltar_data() {
    QTest::addColumn<QList<QByteArray>>("soltados"); // paths under the test folder, as bytes
    QTest::addColumn<bool>("aceptado");
    QTest::addColumn<QString>("carpeta"); // shown afterwards, under the test folder
    QTest::addColumn<QString>("elegido"); // chosen in the list afterwards
    using L = QList<QByteArray>;
    QTest::newRow("un .prt") << L{"Listados/INFORME.PRT"} << true << "Listados"
                             << "INFORME.PRT";
    QTest::newRow("un .prt en minúsculas") << L{"Listados/otro.prt"} << true << "Listados"
                                           << "otro.prt";
    QTest::newRow("nombre que no es UTF-8") << L{"Listados/A\xA5O.PRT"} << true << "Listados"
                                            << "A\u00D1O.PRT";
    QTest::newRow("una carpeta") << L{"Listados"} << true << "Listados"
                                 << "";
    QTest::newRow("un .txt") << L{"Listados/NOTA.TXT"} << false << ""
                             << "";
    QTest::newRow("dos ficheros") << L{"Listados/INFORME.PRT", "Listados/otro.prt"} << false << ""
                                  << "";
    QTest::newRow("un .prt que no existe") << L{"Listados/NADA.PRT"} << false << ""
                                           << "";
}

void TestAjustes::soltar() {
    QFETCH(QList<QByteArray>, soltados);
    QFETCH(bool, aceptado);
    QFETCH(QString, carpeta);
    QFETCH(QString, elegido);
    QTemporaryDir raiz;
    QDir().mkpath(raiz.filePath("Listados"));
    // By their bytes: one name is not UTF-8.
    for (const char* nombre : {"INFORME.PRT", "otro.prt", "A\xA5O.PRT", "NOTA.TXT"}) {
        FILE* f = std::fopen(QFile::encodeName(raiz.filePath("Listados/")) + nombre, "w");
        QVERIFY(f);
        std::fclose(f);
    }
    FakeImpresoras impresoras({"Oficina"});
    frmVelmor ventana(impresoras, EntornoDePrueba(raiz.path(), {}));
    ventana.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ventana));
    QList<QUrl> urls;
    for (const QByteArray& s : soltados) {
        QUrl url;
        url.setScheme("file");
        url.setPath(
            QString::fromLatin1((QFile::encodeName(raiz.path()) + '/' + s).toPercentEncoding("/")),
            QUrl::TolerantMode);
        urls << url;
    }
    QMimeData datos;
    datos.setUrls(urls);
    const QPoint centro = ventana.rect().center();
    QDragEnterEvent entra(centro, Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&ventana, &entra);
    QCOMPARE(entra.isAccepted(), aceptado);
    if (!aceptado) {
        QCOMPARE(ventana.RutaCarpetas(), raiz.path());
        return;
    }
    QDropEvent suelta(centro, Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&ventana, &suelta);
    QCOMPARE(ventana.RutaCarpetas(), raiz.filePath(carpeta));
    QCOMPARE(NombreVisible(ventana.FileNameFicheros()), elegido);
}

// A form feed shows in the preview as a rule across the box, whatever the lines' length.
void TestAjustes::reglaDelSaltoDePagina_data() {
    QTest::addColumn<QByteArray>("prt");
    QTest::newRow("líneas cortas") << QByteArray("uno\r\n\x0c"
                                                 "dos\r\n");
    QTest::newRow("salto en medio de una línea") << QByteArray("uno\x0c"
                                                               "dos\r\ntres\r\n");
    QTest::newRow("línea más ancha que la caja") << QByteArray(300, 'x') + "\r\n\x0c"
                                                                           "dos\r\n";
}

void TestAjustes::reglaDelSaltoDePagina() {
    QFETCH(QByteArray, prt);
    QTemporaryDir carpeta;
    EscribeFichero(carpeta.filePath("FF.PRT"), prt);
    frmPrtVer visor;
    visor.Cargar(carpeta.path(), "FF.PRT", false);
    visor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&visor));
    QWidget* caja = visor.rtfVisor()->viewport();
    const QImage imagen = caja->grab().toImage();
    const QRgb fondo = imagen.pixel(imagen.width() - 1, imagen.height() - 1);
    int masLarga = 0; // the longest run of drawn pixels in any row
    for (int y = 0; y < imagen.height(); ++y) {
        int seguidos = 0;
        for (int x = 0; x < imagen.width(); ++x) {
            seguidos = imagen.pixel(x, y) == fondo ? 0 : seguidos + 1;
            masLarga = qMax(masLarga, seguidos);
        }
    }
    QVERIFY2(masLarga >= caja->width() * 8 / 10,
             qPrintable(QString("%1 of %2").arg(masLarga).arg(caja->width())));
}

namespace {
// A notification server of the test's own, on a private session bus.
class ServidorAvisos : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    QStringList avisos; // "summary|body"
  public slots:
    uint Notify(const QString&, uint, const QString&, const QString& resumen, const QString& texto,
                const QStringList&, const QVariantMap&, int) {
        avisos << resumen + "|" + texto;
        return uint(avisos.size());
    }
    QStringList GetCapabilities() { return {"body"}; }
};

// A private dbus-daemon for one test, stopped with it.
struct BusPrivado {
    QProcess demonio;
    QString direccion;
    BusPrivado() {
        demonio.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        while (direccion.isEmpty() && demonio.waitForReadyRead(30000))
            direccion = QString::fromUtf8(demonio.readLine()).trimmed();
    }
    ~BusPrivado() {
        demonio.terminate();
        demonio.waitForFinished(30000);
    }
};
} // namespace

// A job the window awaits that ends while the user works elsewhere is told by the desktop.
void TestAjustes::avisosDelEscritorio_data() {
    QTest::addColumn<int>("final"); // the job's end in the queue
    QTest::addColumn<bool>("activa");
    QTest::addColumn<QString>("aviso"); // empty: none
    QTest::newRow("termina, ventana en segundo plano")
        << int(EstadoTrabajo::Completado) << false
        << "Impreso «T.PRT»|El trabajo 1 de «Oficina» ha terminado y el fichero se ha borrado.";
    QTest::newRow("se cancela, ventana en segundo plano")
        << int(EstadoTrabajo::Cancelado) << false
        << "No se ha impreso como se pedía «T.PRT»|El trabajo 1 de la impresora «Oficina» se ha "
           "cancelado";
    QTest::newRow("termina, ventana activa") << int(EstadoTrabajo::Completado) << true << "";
}

void TestAjustes::avisosDelEscritorio() {
    QFETCH(int, final);
    QFETCH(bool, activa);
    QFETCH(QString, aviso);
    BusPrivado bus;
    QVERIFY2(!bus.direccion.isEmpty(), "dbus-daemon did not start");
    // Connections named for this bus only: a name stays bound to its first bus.
    const QString nombre = bus.direccion;
    QDBusConnection escritorio = QDBusConnection::connectToBus(bus.direccion, "e" + nombre);
    QDBusConnection programa = QDBusConnection::connectToBus(bus.direccion, "p" + nombre);
    ServidorAvisos servidor;
    QVERIFY(escritorio.registerObject("/org/freedesktop/Notifications", &servidor,
                                      QDBusConnection::ExportAllSlots));
    QVERIFY(escritorio.registerService("org.freedesktop.Notifications"));

    QTemporaryDir raiz;
    const QString prt = EscribeFichero(raiz.filePath("T.PRT"), "uno\r\n");
    FakeImpresoras impresoras({"Oficina"});
    impresoras.colaFalsa->estadoFinal = final;
    MensajesGuionizados mensajes;
    EntornoVelmor entorno = EntornoDePrueba(raiz.path(), {});
    entorno.bus = programa;
    {
        frmVelmor ventana(impresoras, entorno);
        if (activa) {
            ventana.show();
            QApplication::setActiveWindow(&ventana);
            QTRY_VERIFY(ventana.isActiveWindow());
        }
        auto* lista = Control<QListWidget>(&ventana, "Ficheros PRT");
        QTRY_COMPARE(lista->count(), 1);
        lista->setCurrentRow(0);
        Control<QAbstractButton>(&ventana, "Imprimir y borrar")->click();
        QTRY_COMPARE_WITH_TIMEOUT(ventana.TrabajosPendientes(), 0, 20000);
    }
    // The program's messages reach the server in order: once a later question is answered, a
    // notification sent before it has arrived.
    QDBusPendingCallWatcher respuesta(programa.asyncCall(QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "GetCapabilities")));
    QSignalSpy contestada(&respuesta, &QDBusPendingCallWatcher::finished);
    QVERIFY(respuesta.isFinished() || contestada.wait(30000));
    QCOMPARE(servidor.avisos.size(), aviso.isEmpty() ? 0 : 1);
    if (!aviso.isEmpty())
        QVERIFY2(servidor.avisos.first().startsWith(aviso), qPrintable(servidor.avisos.first()));
}

// Set up as the program's main() does.
int main(int argc, char** argv) {
    PreparaIdiomaEspanol();
    QApplication app(argc, argv);
    InstalaIdiomaEspanol(app);
    TestAjustes prueba;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&prueba, argc, argv);
}
#include "test_ajustes.moc"
