// The program as a desktop keeps it: licence, settings, dialogs, locale, status line and drops.
#include "mainwindow/ajustes_velmor.h"
#include "mainwindow/frm_velmor.h"
#include "mainwindow/fuente_volumenes.h"
#include "preview/frm_prt_ver.h"
#include "printerselect/impresora.h"
#include "shared/idioma.h"
#include "shared/nombres_fichero.h"
#include "shared/paginas_actuales.h"
#include "support/accesible.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/impresoras_prueba.h"
#include "support/programas.h"
#include "support/scripted_messages.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

namespace {
// "Selección de Impresora" answers Enter and Esc: name ¦ foco ¦ tecla ¦ aceptado ¦ elegida.
const char* const kTeclas = R"(
Intro en la lista ¦ ListaImpresoras ¦ Return ¦ 1 ¦ Oficina
Intro en ✗ ¦ cmdCancelar ¦ Return ¦ 0 ¦
Esc en la lista ¦ ListaImpresoras ¦ Escape ¦ 0 ¦
)";

// name ¦ dropped (";" between, \xHH bytes) ¦ folder shown ("-": refused) ¦ file chosen.
const char* const kSoltados = R"(
un .prt ¦ Listados/INFORME.PRT ¦ Listados ¦ INFORME.PRT
nombre que no es UTF-8 ¦ Listados/A\xA5O.PRT ¦ Listados ¦ AÑO.PRT
una carpeta ¦ Listados ¦ Listados ¦
un .txt ¦ Listados/NOTA.TXT ¦ - ¦
dos ficheros ¦ Listados/INFORME.PRT;Listados/A\xA5O.PRT ¦ - ¦
)";

// The job of "LISTADO DE CLIENTES.PRT" (its text given), its queue holding it until the status is
// seen: name ¦ printer ¦ button ¦ text ¦ window active ¦ the whole status (tooltip) while the
// question or queue waits ("-": none) ¦ what the line shows ¦ message box ¦ notification ¦ end.
const char* const kTrabajos = R"(
PDF escrito, con pregunta ¦ Archivo PDF ¦ Imprimir ¦ uno ¦ 1 ¦ «LISTADO DE CLIENTES.PRT» escrito en «LISTADO DE CLIENTES.pdf» ¦ » escrito en « ¦ ¿ Desea borrar el fichero ¦ ¦
en la cola, en segundo plano ¦ Oficina ¦ Imprimir y borrar ¦ uno ¦ 0 ¦ «LISTADO DE CLIENTES.PRT»: el trabajo 1 de «Oficina» espera su turno ¦ »: el trabajo 1 de «Oficina» espera su turno ¦ ¦ Impreso «LISTADO DE CLIENTES.PRT»|El trabajo 1 de «Oficina» ha terminado y el fichero se ha borrado. ¦
falta la imagen ¦ Oficina ¦ Imprimir y borrar ¦ /IMAGEN/LOGO.BMP ¦ 1 ¦ - ¦ ¦ «LOGO.BMP»: «LISTADO DE CLIENTES.PRT» no se ha impreso como se pedía ¦ ¦ Falta la imagen «LOGO.BMP» de «LISTADO DE CLIENTES.PRT»
)";

// A folder of the test's own and the window's surroundings on it, settings kept under it.
struct Raiz : QTemporaryDir {
    EntornoVelmor entorno;
    Raiz() {
        entorno.carpetaPrograma = entorno.carpetaActual = entorno.raizVolumen = path();
        entorno.ficheroAjustes = filePath("config/velmor.conf");
    }
};

// Answers the job's dialogs as a user would: Enter to the printer, the proposed name to save.
struct AlAbrirse : QTimer {
    AlAbrirse() {
        connect(this, &QTimer::timeout, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* d = qobject_cast<Impresora*>(modal)) QTest::keyClick(d, Qt::Key_Return);
            if (auto* d = qobject_cast<QFileDialog*>(modal))
                QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
        });
        start(20);
    }
};

struct VolumenesDePrueba : FuenteVolumenes {
    QList<VolumenPrt> lista;
    QList<VolumenPrt> Leer() const override { return lista; }
};

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
} // namespace

class TestAjustes : public QObject {
    Q_OBJECT
  private slots:
    void teclasDialogoImpresora_data() { FilasEnLista(kTeclas, 5); }
    void teclasDialogoImpresora() {
        QFETCH(QStringList, f);
        ImpresorasPrueba impresoras({"Almacén", "Oficina"}, 1);
        Impresora dialogo(impresoras);
        QSignalSpy terminado(&dialogo, &QDialog::finished);
        dialogo.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dialogo));
        auto* control = dialogo.findChild<QWidget*>(f[1]);
        control->setFocus();
        QTest::keyClick(control, f[2] == "Return" ? Qt::Key_Return : Qt::Key_Escape);
        QCOMPARE(terminado.count(), 1);
        QCOMPARE(terminado.first().first().toInt(), f[3].toInt());
        QCOMPARE(dialogo.ImpresoraElegida(), f[4]);
    }

    // Under LANG=C.UTF-8 (the test's environment), what Qt writes of its own is Spanish.
    void espanol() {
        QCOMPARE(QLocale::system().formattedDataSize(5000), QString("4,88 KiB"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Save"), QString("&Guardar"));
    }

    // Kept in the freedesktop config folder from run to run; nonsense edited in falls back alone.
    void ajustesGuardados() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString fichero = AjustesVelmor::FicheroDelUsuario();
        QCOMPARE(fichero, config.path() + "/velmor/velmor.conf");
        const AjustesImpresion a{
            "437", ClasePapel::Personalizado, {100, 150.5}, {10, 12.5, 0, 30}, 72, 9};
        {
            AjustesVelmor escritos(fichero);
            escritos.PonImpresion(a);
            escritos.Guarda();
        }
        QCOMPARE(AjustesVelmor(fichero).Impresion(), a);
        EscribeFichero(fichero, "[impresion]\ncp=437\npapel=b5\nmargenes=-3\nlineas=0\nagujas=9\n");
        QCOMPARE(AjustesVelmor(fichero).Impresion(),
                 (AjustesImpresion{.paginaCodigo = "437", .medidaMm = {}, .agujas = 9}));
    }

    // The next run starts at the folder, place, printer and orientation left; a named folder wins.
    void ventanaRecuerda() {
        Raiz raiz;
        const QString otra = raiz.filePath("Listados");
        EscribeFichero(otra + "/INFORME.PRT", "x\r\n");
        ImpresorasPrueba impresoras({"Almacén", "Oficina"});
        {
            frmVelmor ventana(impresoras, raiz.entorno);
            AjustesVelmor(raiz.entorno.ficheroAjustes)
                .PonImpresora("Oficina", Orientacion::Horizontal);
            ventana.show();
            QVERIFY(QTest::qWaitForWindowExposed(&ventana));
            ventana.move(40, 30);
            Control<QAbstractButton>(&ventana, "Buscar carpeta")->click();
            auto* arbol = Control<QTreeView>(&ventana, "Carpetas");
            auto* modelo = qobject_cast<QFileSystemModel*>(arbol->model());
            QModelIndex i;
            QTRY_VERIFY_WITH_TIMEOUT((i = modelo->index(otra)).isValid() &&
                                         (arbol->scrollTo(i), arbol->visualRect(i).isValid()),
                                     30000);
            QTest::mouseClick(arbol->viewport(), Qt::LeftButton, {}, arbol->visualRect(i).center());
            ventana.close();
        }
        frmVelmor otraVez(impresoras, raiz.entorno);
        QCOMPARE(otraVez.RutaCarpetas(), otra);
        QCOMPARE(otraVez.pos(), QPoint(40, 30));
        QCOMPARE(impresoras.nombreActual(), QString("Oficina"));
        QCOMPARE(impresoras.orientacion(), Orientacion::Horizontal);
        QSettings(raiz.entorno.ficheroAjustes, QSettings::IniFormat)
            .setValue("visor/vista", "paginas");
        QCOMPARE(frmPrtVer::VistaRecordada(), frmPrtVer::Vista::Paginas); // the preview's too
        raiz.entorno.argumentos = QStringList{raiz.path()};
        QCOMPARE(frmVelmor(impresoras, raiz.entorno).RutaCarpetas(), raiz.path());
    }

    // "Configuración" opens from the window's key; what it accepts is kept and used.
    void configuracionDesdeLaVentana() {
        qunsetenv("VELMOR_CP_DOS");
        Raiz raiz;
        ImpresorasPrueba impresoras({"Oficina"});
        frmVelmor ventana(impresoras, raiz.entorno);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QSizeF legal; // as the dialog shows it, then the user's own width again
        double propia = 0;
        QTimer::singleShot(0, [&] {
            auto* dialogo = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialogo);
            auto* pagina = dialogo->findChild<QComboBox*>("PaginaCodigo");
            pagina->setCurrentIndex(pagina->findData("437"));
            auto* papel = dialogo->findChild<QComboBox*>("Papel");
            auto* ancho = dialogo->findChild<QDoubleSpinBox*>("AnchoPapel");
            auto* alto = dialogo->findChild<QDoubleSpinBox*>("AltoPapel");
            papel->setCurrentIndex(int(ClasePapel::Personalizado));
            ancho->setValue(100);
            papel->setCurrentIndex(int(ClasePapel::Legal)); // shown as it is, 8.5 × 14 in
            legal = QSizeF(ancho->value(), alto->value());
            papel->setCurrentIndex(int(ClasePapel::Personalizado)); // the user's comes back
            propia = ancho->value();
            papel->setCurrentIndex(int(ClasePapel::Legal));
            dialogo->findChild<QSpinBox*>("Lineas")->setValue(60);
            dialogo->findChild<QComboBox*>("ModeloEpson")->setCurrentIndex(1);
            QTest::keyClick(dialogo, Qt::Key_Return);
        });
        QTest::keyClick(&ventana, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(legal, QSizeF(215.9, 355.6));
        QCOMPARE(propia, 100.0);
        QCOMPARE(AjustesVelmor(raiz.entorno.ficheroAjustes).Impresion(),
                 (AjustesImpresion{.paginaCodigo = "437",
                                   .papel = ClasePapel::Legal,
                                   .medidaMm = {},
                                   .lineas = 60,
                                   .agujas = 9}));
        QCOMPARE(ventana.LineasPagina, qint16(60));
        const PaginasCodigo& p = PaginasActuales();
        QCOMPARE(p.aWindows(p.decodifica("\x9b")), QString("¢")); // code page 437
        PaginasCodigo::ponElegida("850");
    }

    // The status line tells the job readable without its tooltip; a missing picture is told and
    // keeps the file; the desktop tells a job's end while the user works elsewhere.
    void trabajo_data() { FilasEnLista(kTrabajos, 10); }
    void trabajo() {
        QFETCH(QStringList, f);
        QProcess bus;
        bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QString direccion;
        while (direccion.isEmpty() && bus.waitForReadyRead(30000))
            direccion = QString::fromUtf8(bus.readLine()).trimmed();
        QVERIFY2(!direccion.isEmpty(), "dbus-daemon did not start");
        // Connections named for this bus only: a name stays bound to its first bus.
        QDBusConnection escritorio = QDBusConnection::connectToBus(direccion, "e" + direccion);
        ServidorAvisos servidor;
        QVERIFY(escritorio.registerObject("/org/freedesktop/Notifications", &servidor,
                                          QDBusConnection::ExportAllSlots));
        QVERIFY(escritorio.registerService("org.freedesktop.Notifications"));
        Raiz raiz;
        raiz.entorno.bus = QDBusConnection::connectToBus(direccion, "p" + direccion);
        const QString prt = raiz.filePath("LISTADO DE CLIENTES.PRT");
        EscribeFichero(prt, f[3].toUtf8() + "\r\n");
        ImpresorasPrueba impresoras({"Oficina", "Archivo PDF"}, f[1] == "Oficina" ? 0 : 1);
        impresoras.cola_->estado =
            f[5] == "-" ? EstadoTrabajo::Completado : EstadoTrabajo::Pendiente;
        MensajesGuionizados mensajes;
        mensajes.respuestas = {QMessageBox::No};
        QWidget otra;
        {
            frmVelmor ventana(impresoras, raiz.entorno);
            ventana.show();
            QWidget* activa = f[4] == "1" ? static_cast<QWidget*>(&ventana) : (otra.show(), &otra);
            QApplication::setActiveWindow(activa);
            QTRY_VERIFY(activa->isActiveWindow());
            auto* estado = Control<QLabel>(&ventana, "Estado");
            QString visto, entero = "-";
            const auto mira = [&] { visto = estado->text(), entero = estado->toolTip(); };
            if (f[2] == "Imprimir") mensajes.alMostrar = [&](const auto&) { mira(); };
            AlAbrirse dialogos;
            auto* lista = Control<QListWidget>(&ventana, "Ficheros PRT");
            QTRY_COMPARE(lista->count(), 1);
            lista->setCurrentRow(0);
            Control<QAbstractButton>(&ventana, f[2])->click();
            if (f[2] != "Imprimir" && f[5] != "-") {
                QTRY_VERIFY_WITH_TIMEOUT(estado->toolTip() == f[5], 20000);
                mira();
                impresoras.cola_->estado = EstadoTrabajo::Completado;
            }
            QTRY_COMPARE_WITH_TIMEOUT(ventana.TrabajosPendientes(), 0, 20000);
            QCOMPARE(entero, f[5]);
            QVERIFY2(visto.contains(f[6]), qPrintable(visto));
            QVERIFY(estado->fontMetrics().horizontalAdvance(visto) <=
                    estado->contentsRect().width());
            if (!f[9].isEmpty()) QCOMPARE(estado->toolTip(), f[9]);
        }
        QCOMPARE(QFile::exists(prt), f[8].isEmpty());
        QCOMPARE(mensajes.cajas.size(), f[7].isEmpty() ? 0 : 1);
        if (!f[7].isEmpty())
            QVERIFY2(mensajes.cajas[0].texto.contains(f[7]), qPrintable(mensajes.cajas[0].texto));
        // Messages arrive in order: once a later call is answered, an earlier notification is in.
        const QDBusMessage respuesta = raiz.entorno.bus.call(
            QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                           "/org/freedesktop/Notifications",
                                           "org.freedesktop.Notifications", "GetCapabilities"),
            QDBus::BlockWithGui);
        QCOMPARE(respuesta.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(servidor.avisos, f[8].isEmpty() ? QStringList{} : QStringList{f[8]});
        bus.terminate();
        bus.waitForFinished(30000);
    }

    // Volumes mounted and unmounted while the window is open come and go; the one shown stays.
    void volumenesQueCambian() {
        Raiz raiz;
        for (const char* d : {"VIEJO", "USB", "RED"})
            QDir().mkpath(raiz.filePath(d));
        VolumenesDePrueba volumenes;
        volumenes.lista = {{raiz.path(), "raiz"}, {raiz.filePath("VIEJO"), "VIEJO"}};
        raiz.entorno.volumenes = &volumenes;
        ImpresorasPrueba impresoras({"Oficina"});
        frmVelmor ventana(impresoras, raiz.entorno);
        auto* discos = Control<QComboBox>(&ventana, "Volúmenes");
        volumenes.lista = {
            {raiz.path(), "raiz"}, {raiz.filePath("USB"), "USB"}, {raiz.filePath("RED"), "RED"}};
        emit volumenes.cambiada();
        QStringList textos;
        for (int i = 0; i < discos->count(); ++i)
            textos << discos->itemText(i);
        QCOMPARE(textos, (QStringList{"raiz", "USB", "RED"}));
        QCOMPARE(discos->currentText(), QString("raiz"));
        discos->setCurrentIndex(1);
        QCOMPARE(ventana.RutaCarpetas(), raiz.filePath("USB"));
    }

    // Something dropped on the window from a file manager.
    void soltar_data() { FilasEnLista(kSoltados, 4); }
    void soltar() {
        QFETCH(QStringList, f);
        Raiz raiz;
        const QByteArray base = QFile::encodeName(raiz.path()) + "/Listados/";
        QDir().mkpath(raiz.filePath("Listados"));
        for (const char* nombre : {"INFORME.PRT", "A\xA5O.PRT", "NOTA.TXT"}) // by their bytes
            std::fclose(std::fopen(base + nombre, "w"));
        ImpresorasPrueba impresoras({"Oficina"});
        frmVelmor ventana(impresoras, raiz.entorno);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QList<QUrl> urls;
        for (const QString& s : f[1].split(';'))
            urls << QUrl("file://" +
                         QString::fromLatin1(
                             (raiz.path().toUtf8() + '/' + Bytes(s)).toPercentEncoding("/")));
        QMimeData datos;
        datos.setUrls(urls);
        const QPoint centro = ventana.rect().center();
        QDragEnterEvent entra(centro, Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&ventana, &entra);
        QCOMPARE(entra.isAccepted(), f[2] != "-");
        QDropEvent suelta(centro, Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
        if (entra.isAccepted()) QApplication::sendEvent(&ventana, &suelta);
        QCOMPARE(ventana.RutaCarpetas(), f[2] == "-" ? raiz.path() : raiz.filePath(f[2]));
        if (entra.isAccepted()) QCOMPARE(NombreVisible(ventana.FileNameFicheros()), f[3]);
    }
};

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
