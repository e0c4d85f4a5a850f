// The browser without any widget: folders shown and refused, the listing, and the chosen file,
// which a refresh never moves to another file.
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

// A temporary "volume" and a browser started on one of its folders.
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
        for (const QString& e : entradas) {
            if (e.endsWith('/'))
                QDir().mkpath(ruta(e));
            else
                EscribeFichero(ruta(e), {});
        }
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

} // namespace

class TestNavegadorPrt : public QObject {
    Q_OBJECT
  private slots:
    // Start-up: the volumes (the one given among them), the sibling applications' folders and the
    // start folder, shown.
    void arranque() {
        Volumen v;
        v.crear({"Varenta/Menu.exe", "Kolmera/Menu.exe", "Kolmera/K.PRT", "Dustrel/"});
        v.arrancar("Kolmera");
        QCOMPARE(v.navegador.Basicas(), (QStringList{v.ruta("Varenta"), v.ruta("Kolmera")}));
        QCOMPARE(v.navegador.BasicaElegida(), 1);
        QCOMPARE(v.navegador.Carpeta(), v.ruta("Kolmera"));
        QCOMPARE(v.navegador.Ficheros(), QStringList{"K.PRT"});
        const auto& volumenes = v.navegador.Volumenes();
        QVERIFY(v.navegador.VolumenActual() >= 0);
        QCOMPARE(volumenes.value(v.navegador.VolumenActual()).raiz, v.raiz.path());
        // First the volume's root, then the start folder.
        QCOMPARE(v.textos(v.cambios), (QStringList{"<raiz>", "<raiz>/Kolmera"}));
        QVERIFY(v.avisos.isEmpty());
    }

    // A start folder that is no sibling application is listed last, and chosen.
    void arranqueEnOtraCarpeta() {
        Volumen v;
        v.crear({"Varenta/Menu.exe", "Herramientas/"});
        v.arrancar("Herramientas");
        QCOMPARE(v.navegador.Basicas(), (QStringList{v.ruta("Varenta"), v.ruta("Herramientas")}));
        QCOMPARE(v.navegador.BasicaElegida(), 1);
        QVERIFY(v.navegador.IrABasica(0));
        QCOMPARE(v.navegador.Carpeta(), v.ruta("Varenta"));
        QVERIFY(!v.navegador.IrABasica(5));
        QCOMPARE(v.navegador.Carpeta(), v.ruta("Varenta"));
    }

    // A folder that cannot be shown is told and refused; the shown one stays.
    void rechazo_data() {
        QTest::addColumn<QString>("destino");
        QTest::addColumn<QString>("aviso");
        QTest::newRow("no existe")
            << "<raiz>/Nada"
            << "No se puede abrir la carpeta <raiz>/Nada: la carpeta no existe.";
        QTest::newRow("un fichero") << "<raiz>/K/a.prt"
                                    << "No se puede abrir la carpeta <raiz>/K/a.prt: no es una "
                                       "carpeta.";
        QTest::newRow("vacía") << ""
                               << "No se puede abrir la carpeta : no se ha indicado ninguna "
                                  "carpeta.";
    }
    void rechazo() {
        QFETCH(QString, destino);
        QFETCH(QString, aviso);
        Volumen v;
        v.crear({"K/a.prt"});
        v.arrancar("K");
        v.cambios.clear();
        QVERIFY(!v.navegador.PonCarpeta(destino.replace("<raiz>", v.raiz.path())));
        QCOMPARE(v.textos(v.avisos), QStringList{aviso});
        QCOMPARE(v.textos(v.rechazos), QStringList{"<raiz>/K"});
        QVERIFY(v.cambios.isEmpty());
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
        QCOMPARE(v.navegador.Ficheros(), QStringList{"a.prt"});
    }

    void sinPermiso() {
        if (geteuid() == 0) QSKIP("permissions do not block root");
        Volumen v;
        v.crear({"K/", "K/Cerrada/"});
        v.arrancar("K");
        QFile::setPermissions(v.ruta("K/Cerrada"), QFileDevice::WriteOwner);
        QCOMPARE(NavegadorPrt::MotivoInutil(v.ruta("K/Cerrada")),
                 QString("no hay permiso de lectura"));
        QVERIFY(!v.navegador.PonCarpeta(v.ruta("K/Cerrada")));
        QFile::setPermissions(v.ruta("K/Cerrada"), QFileDevice::ReadOwner |
                                                       QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner);
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
    }

    // The list is told only when the folder's files changed.
    void listado() {
        Volumen v;
        v.crear({"K/b.prt", "K/A.PRT"});
        v.arrancar("K");
        QCOMPARE(v.listados.size(), 1);
        QCOMPARE(v.listados.last().value(0).toStringList(), (QStringList{"A.PRT", "b.prt"}));
        v.navegador.Refrescar();
        QCOMPARE(v.listados.size(), 1);
        v.crear({"K/c.prt"});
        v.navegador.Refrescar();
        QCOMPARE(v.listados.size(), 2);
        QCOMPARE(v.navegador.Ficheros(), (QStringList{"A.PRT", "b.prt", "c.prt"}));
    }

    // Something written into the shown folder is signalled; the window then refreshes.
    void vigilancia() {
        Volumen v;
        v.crear({"K/"});
        v.arrancar("K");
        QSignalSpy modificada(&v.navegador, &NavegadorPrt::carpetaModificada);
        v.crear({"K/nuevo.prt"});
        QTRY_VERIFY(!modificada.isEmpty());
    }

    void ficherosPrtDe() {
        Volumen v;
        v.crear({"L/INFORME.PRT", "L/b.prt", "L/a.Prt", "L/c.txt", "L/.oculto.prt", "L/sub.prt/",
                 "L/prt", "L/x.prt.bak", "L/.prt"});
        QVERIFY(QFile::link(v.ruta("L/b.prt"), v.ruta("L/enlace.prt")));
        QVERIFY(QFile::link(v.ruta("L/nada"), v.ruta("L/roto.prt")));
        QVERIFY(::mkfifo(QFile::encodeName(v.ruta("L/tubo.prt")).constData(), 0600) == 0);
        std::FILE* f =
            std::fopen((QFile::encodeName(v.ruta("L/")) + "A\xA5O.PRT").constData(), "wb");
        QVERIFY(f);
        std::fclose(f);
        const QStringList nombres = NavegadorPrt::FicherosPrtDe(v.ruta("L"));
        QStringList visibles;
        for (const QString& n : nombres)
            visibles << NombreVisible(n);
        QCOMPARE(visibles, (QStringList{"a.Prt", "AÑO.PRT", "b.prt", "enlace.prt", "INFORME.PRT"}));
        QCOMPARE(BytesDeNombre(nombres[1]), QByteArray("A\xA5O.PRT"));
        QVERIFY(NavegadorPrt::FicherosPrtDe(v.ruta("Nada")).isEmpty());
        // QTemporaryDir cannot remove a name that is not UTF-8.
        QCOMPARE(::unlink((QFile::encodeName(v.ruta("L/")) + "A\xA5O.PRT").constData()), 0);
    }

    // The file chosen is found again by a refresh, and only that file.
    void eleccion() {
        Volumen v;
        v.crear({"K/a.prt", "K/b.prt"});
        v.arrancar("K");
        v.navegador.Elegir("b.prt");
        QCOMPARE(v.navegador.Refrescar(), 1);
        QVERIFY(v.navegador.IdentidadElegida());
        QCOMPARE(v.navegador.IdentidadElegida()->nodo, Nodo(v.ruta("K/b.prt")));
        v.crear({"K/0.prt"});
        QCOMPARE(v.navegador.Refrescar(), 2);
        v.navegador.Elegir(QString());
        QVERIFY(!v.navegador.IdentidadElegida());
        QCOMPARE(v.navegador.Refrescar(), -1);
    }

    // Not a namesake in another letter case, nor a file written later under its name.
    void eleccionNoPasaAOtro() {
        Volumen v;
        v.crear({"K/A.PRT", "K/a.prt"});
        v.arrancar("K");
        v.navegador.Elegir("a.prt");
        QCOMPARE(v.navegador.Refrescar(), 1);
        QVERIFY(QFile::remove(v.ruta("K/a.prt")));
        QCOMPARE(v.navegador.Refrescar(), -1);
        v.crear({"K/a.prt"});
        QCOMPARE(v.navegador.Refrescar(), -1);
    }

    // Chosen in one folder, not chosen in another that holds the same name; chosen again back in
    // its own.
    void eleccionEnSuCarpeta() {
        Volumen v;
        v.crear({"K/informe.prt", "L/informe.prt"});
        v.arrancar("K");
        v.navegador.Elegir("informe.prt");
        QVERIFY(v.navegador.PonCarpeta(v.ruta("L")));
        QCOMPARE(v.navegador.Refrescar(), -1);
        QVERIFY(v.navegador.PonCarpeta(v.ruta("K")));
        QCOMPARE(v.navegador.Refrescar(), 0);
    }

    // After a deletion nothing is chosen, even when a file of that name appears again.
    void olvidar() {
        Volumen v;
        v.crear({"K/a.prt"});
        v.arrancar("K");
        v.navegador.Elegir("a.prt");
        v.navegador.OlvidarEleccion();
        QVERIFY(!v.navegador.IdentidadElegida());
        QCOMPARE(v.navegador.Refrescar(), -1);
    }

    // Choosing the same file again keeps the identity it had when first chosen: a file replaced
    // under its name in between is not what the user chose.
    void identidadDelPrimerMomento() {
        Volumen v;
        v.crear({"K/a.prt"});
        v.arrancar("K");
        v.navegador.Elegir("a.prt");
        const ino_t antes = Nodo(v.ruta("K/a.prt"));
        v.crear({"K/nuevo"});
        QVERIFY(::rename(QFile::encodeName(v.ruta("K/nuevo")).constData(),
                         QFile::encodeName(v.ruta("K/a.prt")).constData()) == 0);
        QVERIFY(Nodo(v.ruta("K/a.prt")) != antes);
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
        const QString perdida = v.navegador.Carpeta();
        QCOMPARE(v.navegador.Refrescar(), -1);
        QCOMPARE(v.textos(v.avisos), QStringList{"No se puede leer la carpeta " +
                                                 QString(perdida).replace(v.raiz.path(), "<raiz>") +
                                                 ": la carpeta no existe."});
        QCOMPARE(v.navegador.Carpeta(), destino.replace("<raiz>", v.raiz.path()));
    }

    // A volume is left and taken up again at the folder last shown on it.
    void volumenRecuerdaCarpeta() {
        Volumen v;
        v.crear({"K/a.prt"});
        v.arrancar("K");
        int sistema = -1, propio = -1;
        for (int i = 0; i < v.navegador.Volumenes().size(); ++i) {
            if (v.navegador.Volumenes()[i].raiz == QDir::rootPath()) sistema = i;
            if (v.navegador.Volumenes()[i].raiz == v.raiz.path()) propio = i;
        }
        if (sistema < 0) QSKIP("the system root is no listed volume here");
        QVERIFY(v.navegador.IrAVolumen(sistema));
        QCOMPARE(v.navegador.Carpeta(), QDir::rootPath());
        QCOMPARE(v.navegador.VolumenActual(), sistema);
        QVERIFY(v.navegador.IrAVolumen(propio));
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
        // The folder last shown there is gone: the volume's root.
        QVERIFY(v.navegador.IrAVolumen(sistema));
        QVERIFY(QDir(v.ruta("K")).removeRecursively());
        QVERIFY(v.navegador.IrAVolumen(propio));
        QCOMPARE(v.navegador.Carpeta(), v.raiz.path());
    }
};

QTEST_GUILESS_MAIN(TestNavegadorPrt)
#include "test_navegador_prt.moc"
