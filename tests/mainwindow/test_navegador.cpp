// The browser, the switches and the start folder, without widgets, on real folders in a
// temporary volume.
#include "mainwindow/carpeta_inicio.h"
#include "mainwindow/interruptores.h"
#include "mainwindow/navegador_prt.h"
#include "shared/nombres_fichero.h"
#include "support/ficheros.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A temporary volume and a browser started on one of its folders.
struct Volumen {
    QTemporaryDir raiz;
    NavegadorPrt navegador;
    QSignalSpy avisos{&navegador, &NavegadorPrt::aviso};
    QSignalSpy rechazos{&navegador, &NavegadorPrt::carpetaRechazada};
    QSignalSpy cambios{&navegador, &NavegadorPrt::carpetaCambiada};
    QSignalSpy listados{&navegador, &NavegadorPrt::ficherosCambiados};

    QString ruta(const QString& relativa) const { return raiz.path() + "/" + relativa; }
    // Paths ending in "/" are folders, the others empty files.
    void crear(const QStringList& entradas) const {
        for (const QString& e : entradas)
            e.endsWith('/') ? void(QDir().mkpath(ruta(e))) : void(EscribeFichero(ruta(e), {}));
    }
    void arrancar(const QString& inicio) { navegador.Arrancar(raiz.path(), ruta(inicio)); }
    QStringList textos(const QSignalSpy& espia) const {
        QStringList l;
        for (const QList<QVariant>& senal : espia)
            l << senal.value(0).toString().replace(raiz.path(), "<raiz>");
        return l;
    }
};

ino_t Nodo(const QString& ruta) {
    struct stat datos {};
    return ::stat(BytesDeNombre(ruta).constData(), &datos) == 0 ? datos.st_ino : 0;
}

// Writes an empty file whose name is given by its bytes (it need not be UTF-8).
void CreaPorBytes(const QByteArray& ruta) {
    std::FILE* f = std::fopen(ruta.constData(), "wb");
    QVERIFY(f);
    std::fclose(f);
}

} // namespace

class TestNavegador : public QObject {
    Q_OBJECT
  private slots:
    // The base folders: the sibling applications (folders holding "Menu.exe") in a fixed
    // order, then the start folder unless it is one of them; the start folder chosen and shown,
    // after the volume's root.
    void basicas_data() {
        QTest::addColumn<QStringList>("disco");
        QTest::addColumn<QString>("inicio");
        QTest::addColumn<QStringList>("basicas");
        QTest::addColumn<int>("elegida");
        QTest::newRow("dos hermanas") << QStringList{"Varenta/Menu.exe", "Kolmera/Menu.exe"}
                                      << "Kolmera" << QStringList{"Varenta", "Kolmera"} << 1;
        QTest::newRow("orden fijo")
            << QStringList{"Dustrel/Menu.exe", "Varenta/Menu.exe", "Kolmera/Menu.exe"} << "Dustrel"
            << QStringList{"Varenta", "Kolmera", "Dustrel"} << 2;
        QTest::newRow("otra caja")
            << QStringList{"kolmera/MENU.EXE"} << "kolmera" << QStringList{"kolmera"} << 0;
        QTest::newRow("ajena, la última")
            << QStringList{"Varenta/Menu.exe", "Herramientas/"} << "Herramientas"
            << QStringList{"Varenta", "Herramientas"} << 1;
        QTest::newRow("ninguna") << QStringList{"Herramientas/"} << "Herramientas"
                                 << QStringList{"Herramientas"} << 0;
        QTest::newRow("marca es carpeta") << QStringList{"Varenta/Menu.exe/", "Kolmera/"}
                                          << "Kolmera" << QStringList{"Kolmera"} << 0;
        QTest::newRow("ruta con punto")
            << QStringList{"Kolmera/Menu.exe"} << "Kolmera/." << QStringList{"Kolmera"} << 0;
    }
    void basicas() {
        QFETCH(QStringList, disco);
        QFETCH(QString, inicio);
        QFETCH(QStringList, basicas);
        QFETCH(int, elegida);
        Volumen v;
        v.crear(disco);
        v.arrancar(inicio);
        for (QString& b : basicas)
            b = v.ruta(b);
        QCOMPARE(v.navegador.Basicas(), basicas);
        QCOMPARE(v.navegador.BasicaElegida(), elegida);
        QCOMPARE(v.textos(v.cambios), (QStringList{"<raiz>", "<raiz>/" + QDir::cleanPath(inicio)}));
        QCOMPARE(v.navegador.Volumenes().value(v.navegador.VolumenActual()).raiz, v.raiz.path());
        QVERIFY(v.navegador.IrABasica(0));
        QCOMPARE(v.navegador.Carpeta(), basicas[0]);
        QVERIFY(!v.navegador.IrABasica(5));
        QVERIFY(v.avisos.isEmpty());
    }

    // A folder that cannot be shown is told and refused; the shown one stays.
    void rechazo_data() {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("no existe") << "<raiz>/Nada"
                                   << "No se puede abrir la carpeta <raiz>/Nada: la carpeta no "
                                      "existe.";
        QTest::newRow("un fichero") << "<raiz>/K/a.prt"
                                    << "No se puede abrir la carpeta <raiz>/K/a.prt: no es una "
                                       "carpeta.";
        QTest::newRow("vacía") << ""
                               << "No se puede abrir la carpeta : no se ha indicado ninguna "
                                  "carpeta.";
        QTest::newRow("sin permiso") << "<raiz>/K/Cerrada"
                                     << "No se puede abrir la carpeta <raiz>/K/Cerrada: no hay "
                                        "permiso de lectura.";
    }
    void rechazo() {
        QFETCH(QString, destino);
        QFETCH(QString, aviso);
        if (destino.endsWith("Cerrada") && geteuid() == 0) QSKIP("permissions do not block root");
        Volumen v;
        v.crear({"K/a.prt", "K/Cerrada/"});
        QFile::setPermissions(v.ruta("K/Cerrada"), QFileDevice::WriteOwner);
        v.arrancar("K");
        v.cambios.clear();
        QVERIFY(!v.navegador.PonCarpeta(destino.replace("<raiz>", v.raiz.path())));
        QFile::setPermissions(v.ruta("K/Cerrada"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(v.textos(v.avisos), QStringList{aviso});
        QCOMPARE(v.textos(v.rechazos), QStringList{"<raiz>/K"});
        QVERIFY(v.cambios.isEmpty());
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
    }

    // The ".prt" files in any letter case, sorted as read, by their exact bytes: not hidden
    // ones, folders, broken links or pipes. The list is told only when it changed, and anything
    // written into the folder is signalled.
    void ficheros() {
        Volumen v;
        v.crear({"L/INFORME.PRT", "L/b.prt", "L/a.Prt", "L/c.txt", "L/.oculto.prt", "L/sub.prt/",
                 "L/prt", "L/x.prt.bak", "L/.prt"});
        QVERIFY(QFile::link(v.ruta("L/b.prt"), v.ruta("L/enlace.prt")));
        QVERIFY(QFile::link(v.ruta("L/nada"), v.ruta("L/roto.prt")));
        QVERIFY(::mkfifo(QFile::encodeName(v.ruta("L/tubo.prt")).constData(), 0600) == 0);
        CreaPorBytes(QFile::encodeName(v.ruta("L/")) + "A\xA5O.PRT");
        v.arrancar("L");
        QStringList visibles;
        for (const QString& n : v.navegador.Ficheros())
            visibles << NombreVisible(n);
        QCOMPARE(visibles, (QStringList{"a.Prt", "AÑO.PRT", "b.prt", "enlace.prt", "INFORME.PRT"}));
        QCOMPARE(BytesDeNombre(v.navegador.Ficheros()[1]), QByteArray("A\xA5O.PRT"));
        QCOMPARE(::unlink((QFile::encodeName(v.ruta("L/")) + "A\xA5O.PRT").constData()), 0);
        QVERIFY(NavegadorPrt::FicherosPrtDe(v.ruta("Nada")).isEmpty());
        const qsizetype listados = v.listados.size();
        v.navegador.Refrescar(); // the file that is not UTF-8 went: told
        QCOMPARE(v.listados.size(), listados + 1);
        v.navegador.Refrescar();
        QCOMPARE(v.listados.size(), listados + 1);
        QSignalSpy modificada(&v.navegador, &NavegadorPrt::carpetaModificada);
        v.crear({"L/nuevo.prt"});
        QTRY_VERIFY_WITH_TIMEOUT(!modificada.isEmpty(), 30000);
    }

    // A refresh finds the chosen file again, and only that file: not a namesake in another letter
    // case or another folder, nor a file written later under its name, nor anything after a
    // deletion. Steps: "elegir N", "crear F", "borrar F", "ir C", "olvidar".
    void eleccion_data() {
        QTest::addColumn<QStringList>("pasos");
        QTest::addColumn<int>("posicion");
        QTest::newRow("la misma") << QStringList{"elegir b.prt", "crear K/0.prt"} << 3;
        QTest::newRow("nada") << QStringList{"elegir "} << -1;
        QTest::newRow("homónimo en otra caja")
            << QStringList{"elegir a.prt", "borrar K/a.prt"} << -1;
        QTest::newRow("escrito después")
            << QStringList{"elegir a.prt", "borrar K/a.prt", "crear K/a.prt"} << -1;
        QTest::newRow("en otra carpeta") << QStringList{"elegir a.prt", "ir L"} << -1;
        QTest::newRow("de vuelta en la suya") << QStringList{"elegir b.prt", "ir L", "ir K"} << 2;
        QTest::newRow("tras borrar") << QStringList{"elegir a.prt", "olvidar"} << -1;
    }
    void eleccion() {
        QFETCH(QStringList, pasos);
        QFETCH(int, posicion);
        Volumen v;
        v.crear({"K/A.PRT", "K/a.prt", "K/b.prt", "L/a.prt"});
        v.arrancar("K");
        for (const QString& paso : pasos) {
            const QString orden = paso.section(' ', 0, 0), que = paso.section(' ', 1);
            if (orden == "elegir") v.navegador.Elegir(que);
            if (orden == "crear") v.crear({que});
            if (orden == "borrar") QVERIFY(QFile::remove(v.ruta(que)));
            if (orden == "ir") QVERIFY(v.navegador.PonCarpeta(v.ruta(que)));
            if (orden == "olvidar") v.navegador.OlvidarEleccion();
            if (orden == "olvidar") QVERIFY(!v.navegador.IdentidadElegida());
            v.navegador.Refrescar();
        }
        QCOMPARE(v.navegador.Refrescar(), posicion);
    }

    // Choosing the same file again keeps the identity it had when first chosen: a file replaced
    // under its name in between is not what the user chose.
    void identidadDelPrimerMomento() {
        Volumen v;
        v.crear({"K/a.prt", "K/nuevo"});
        v.arrancar("K");
        v.navegador.Elegir("a.prt");
        const ino_t antes = Nodo(v.ruta("K/a.prt"));
        QVERIFY(::rename(QFile::encodeName(v.ruta("K/nuevo")).constData(),
                         QFile::encodeName(v.ruta("K/a.prt")).constData()) == 0);
        v.navegador.Elegir("a.prt");
        QCOMPARE(v.navegador.IdentidadElegida()->nodo, antes);
    }

    // The shown folder becomes unusable: the browser tells it and goes to the last usable folder
    // shown before, else to the nearest one above that still exists.
    void carpetaPerdida_data() {
        QTest::addColumn<QStringList>("recorrido");
        QTest::addColumn<QStringList>("borrar");
        QTest::addColumn<QString>("destino");
        QTest::newRow("la anterior")
            << QStringList{"V/L", "V/K/Sub"} << QStringList{"V/K/Sub"} << "<raiz>/V/L";
        QTest::newRow("la anterior que queda") << QStringList{"V/L", "V/M", "V/K/Sub"}
                                               << QStringList{"V/K/Sub", "V/M"} << "<raiz>/V/L";
        QTest::newRow("la de arriba") << QStringList{"V/K/Sub/Mas"} << QStringList{"V"} << "<raiz>";
    }
    void carpetaPerdida() {
        QFETCH(QStringList, recorrido);
        QFETCH(QStringList, borrar);
        QFETCH(QString, destino);
        Volumen v;
        v.crear({"V/K/Sub/Mas/", "V/L/", "V/M/"});
        v.navegador.Arrancar(v.ruta("V"), v.ruta("V/K/Sub/Mas"));
        for (const QString& c : recorrido)
            QVERIFY(v.navegador.PonCarpeta(v.ruta(c)));
        for (const QString& b : borrar)
            QVERIFY(QDir(v.ruta(b)).removeRecursively());
        const QString perdida = QString(v.navegador.Carpeta()).replace(v.raiz.path(), "<raiz>");
        QCOMPARE(v.navegador.Refrescar(), -1);
        QCOMPARE(v.textos(v.avisos),
                 QStringList{"No se puede leer la carpeta " + perdida + ": la carpeta no existe."});
        QCOMPARE(v.navegador.Carpeta(), destino.replace("<raiz>", v.raiz.path()));
    }

    // A volume is taken up again at the folder last shown on it, or at its root when that folder
    // is gone.
    void volumenRecuerdaCarpeta() {
        Volumen v;
        v.crear({"K/a.prt"});
        v.arrancar("K");
        int sistema = -1;
        for (int i = 0; i < v.navegador.Volumenes().size(); ++i)
            if (v.navegador.Volumenes()[i].raiz == QDir::rootPath()) sistema = i;
        if (sistema < 0) QSKIP("the system root is no listed volume here");
        const int propio = v.navegador.VolumenActual();
        QVERIFY(v.navegador.IrAVolumen(sistema));
        QCOMPARE(v.navegador.Carpeta(), QDir::rootPath());
        QVERIFY(v.navegador.IrAVolumen(propio));
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
        QVERIFY(v.navegador.IrAVolumen(sistema));
        QVERIFY(QDir(v.ruta("K")).removeRecursively());
        QVERIFY(v.navegador.IrAVolumen(propio));
        QCOMPARE(v.navegador.Carpeta(), v.raiz.path());
    }

    // "/B" and "/I" in any letter case, only as whole arguments: a path holding "/B" would
    // otherwise delete files.
    void interruptores_data() {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<bool>("borrar");
        QTest::addColumn<bool>("elegir");
        QTest::newRow("ninguno") << QStringList{} << false << false;
        QTest::newRow("/B") << QStringList{"/B"} << true << false;
        QTest::newRow("/b, /i") << QStringList{"/i", "/b"} << true << true;
        QTest::newRow("junto a un fichero")
            << QStringList{"/home/ana/X.PRT", "/B"} << true << false;
        QTest::newRow("ruta con /B") << QStringList{"/home/ana/Borradores/X.PRT"} << false << false;
        QTest::newRow("ruta con /I") << QStringList{"/srv/Informes/A.PRT"} << false << false;
        QTest::newRow("ruta con /b") << QStringList{"/tmp/b"} << false << false;
        QTest::newRow("dentro de un argumento") << QStringList{"x/Bruno"} << false << false;
        QTest::newRow("pegados") << QStringList{"/b/I"} << false << false;
        QTest::newRow("con blancos") << QStringList{" /B", "/I "} << false << false;
        QTest::newRow("sin barra o invertida")
            << QStringList{"B", "I", "-b", "\\B"} << false << false;
    }
    void interruptores() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, borrar);
        QFETCH(bool, elegir);
        const Interruptores i = Interruptores::De(argumentos);
        QCOMPARE(i.borrar, borrar);
        QCOMPARE(i.elegirImpresora, elegir);
    }

    // Where the program starts: the file or folder named on its command line (switches aside),
    // else its own folder or, installed in a system folder, the working folder ("Trabajo").
    void inicio_data() {
        QTest::addColumn<QString>("programa");
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("carpeta");
        QTest::addColumn<QString>("fichero");
        QTest::addColumn<QString>("aviso");
        const QString r = "<raiz>/", h = r + "Herramientas";
        QTest::newRow("sin argumento") << h << QStringList{} << "Herramientas"
                                       << ""
                                       << "";
        QTest::newRow("instalado") << "/usr/bin" << QStringList{} << "Trabajo"
                                   << ""
                                   << "";
        QTest::newRow("instalado, rodeo") << "/usr/lib/../bin" << QStringList{} << "Trabajo"
                                          << ""
                                          << "";
        QTest::newRow("instalado en /usr/local/bin")
            << "/usr/local/bin/" << QStringList{} << "Trabajo"
            << ""
            << "";
        QTest::newRow("en /usr/lib") << "/usr/lib" << QStringList{} << "/usr/lib"
                                     << ""
                                     << "";
        QTest::newRow("fichero") << h << QStringList{r + "Listados/INFORME.PRT"} << "Listados"
                                 << "INFORME.PRT"
                                 << "";
        QTest::newRow("fichero relativo")
            << "/usr/bin" << QStringList{"../Listados/INFORME.PRT"} << "Listados"
            << "INFORME.PRT"
            << "";
        QTest::newRow("no es UTF-8") << h << QStringList{r + "Listados/<ñ>"} << "Listados"
                                     << "<ñ>"
                                     << "";
        QTest::newRow("carpeta") << h << QStringList{r + "Listados/"} << "Listados"
                                 << ""
                                 << "";
        QTest::newRow("punto") << h << QStringList{"."} << "Trabajo"
                               << ""
                               << "";
        QTest::newRow("interruptores aparte")
            << h << QStringList{"/b", r + "Listados/INFORME.PRT", "/I"} << "Listados"
            << "INFORME.PRT"
            << "";
        QTest::newRow("el primero") << h << QStringList{r + "Listados", h} << "Listados"
                                    << ""
                                    << "";
        QTest::newRow("no existe") << h << QStringList{r + "Listados/NO.PRT"} << "Herramientas"
                                   << ""
                                   << "No se puede abrir «<raiz>/Listados/NO.PRT»: no existe.";
        QTest::newRow("no es una carpeta")
            << h << QStringList{r + "Listados/INFORME.PRT/X.PRT"} << "Herramientas"
            << ""
            << "No se puede abrir «<raiz>/Listados/INFORME.PRT/X.PRT»: una parte de la ruta no es "
               "una carpeta.";
        // What the folder holds is the window's business: any file is named here.
        QTest::newRow("otro fichero") << h << QStringList{r + "Listados/notas.txt"} << "Listados"
                                      << "notas.txt"
                                      << "";
    }
    void inicio() {
        QFETCH(QString, programa);
        QFETCH(QStringList, argumentos);
        QFETCH(QString, carpeta);
        QFETCH(QString, fichero);
        QFETCH(QString, aviso);
        QTemporaryDir raiz;
        const auto ruta = [&](const QString& r) {
            return r.startsWith('/') ? r : raiz.path() + "/" + r;
        };
        EscribeFichero(ruta("Listados/INFORME.PRT"), "x\r\n");
        EscribeFichero(ruta("Listados/notas.txt"), "x\r\n");
        QDir().mkpath(ruta("Herramientas"));
        QDir().mkpath(ruta("Trabajo"));
        // A name that is not UTF-8, as a DOS program writes it.
        const QString noUtf8 = NombreDeBytes("A\xD1O.PRT");
        CreaPorBytes(BytesDeNombre(ruta("Listados/" + noUtf8)));
        for (QString* t : {&programa, &aviso, &fichero})
            t->replace("<raiz>", raiz.path()).replace("<ñ>", noUtf8);
        for (QString& a : argumentos)
            a.replace("<raiz>", raiz.path()).replace("<ñ>", noUtf8);
        const CarpetaInicio i = CarpetaInicio::De(programa, ruta("Trabajo"), argumentos);
        QCOMPARE(i.carpeta, ruta(carpeta));
        QCOMPARE(BytesDeNombre(i.fichero), BytesDeNombre(fichero));
        QCOMPARE(i.aviso, aviso);
        QCOMPARE(::unlink(BytesDeNombre(ruta("Listados/" + noUtf8)).constData()), 0);
    }
};

QTEST_GUILESS_MAIN(TestNavegador)
#include "test_navegador.moc"
