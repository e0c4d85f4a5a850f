// The browser, switches and start folder on a temporary volume; rows "|"-separated, "<r>" its root.
#include "mainwindow/carpeta_inicio.h"
#include "mainwindow/interruptores.h"
#include "mainwindow/navegador_prt.h"
#include "shared/nombres_fichero.h"
#include "support/ficheros.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A temporary volume and a browser started on one of its folders.
struct Volumen {
    QTemporaryDir raiz;
    NavegadorPrt navegador;
    QSignalSpy avisos{&navegador, &NavegadorPrt::aviso};
    QSignalSpy cambios{&navegador, &NavegadorPrt::carpetaCambiada};

    QString ruta(const QString& relativa) const { return raiz.path() + "/" + relativa; }
    // Paths ending in "/" are folders, the others empty files; blanks separate them.
    void crear(const QString& entradas) const {
        for (const QString& e : entradas.split(' ', Qt::SkipEmptyParts))
            e.endsWith('/') ? void(QDir().mkpath(ruta(e))) : void(EscribeFichero(ruta(e), {}));
    }
    void arrancar(const QString& inicio) { navegador.Arrancar(raiz.path(), ruta(inicio)); }
    QString textos(const QSignalSpy& espia) const {
        QStringList l;
        for (const QList<QVariant>& senal : espia)
            l << senal.value(0).toString().replace(raiz.path(), "<r>");
        return l.join('|');
    }
};

// The columns of a row, <r> replaced by `raiz`.
QStringList Columnas(const QString& fila, const QString& raiz = "<r>") {
    return QString(fila).replace("<r>", raiz).split('|');
}

// Writes an empty file whose name is given by its bytes (it need not be UTF-8).
void CreaPorBytes(const QByteArray& ruta) {
    QVERIFY(::close(::creat(ruta.constData(), 0600)) == 0);
}

} // namespace

class TestNavegador : public QObject {
    Q_OBJECT
  private slots:
    // Sibling applications (holding "Menu.exe") in a fixed order, then the start folder unless one
    // of them. Volume ¦ start ¦ base folders ¦ chosen.
    void basicas_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("orden fijo") << "Dustrel/Menu.exe Varenta/Menu.exe Kolmera/Menu.exe|Dustrel|"
                                       "Varenta Kolmera Dustrel|2";
        QTest::newRow("otra caja") << "kolmera/MENU.EXE|kolmera|kolmera|0";
        QTest::newRow("ajena, la última") << "Varenta/Menu.exe H/|H|Varenta H|1";
        QTest::newRow("marca es carpeta") << "Varenta/Menu.exe/ Kolmera/|Kolmera|Kolmera|0";
        QTest::newRow("ruta con punto") << "Kolmera/Menu.exe|Kolmera/.|Kolmera|0";
    }
    void basicas() {
        QFETCH(QString, fila);
        const QStringList c = Columnas(fila);
        Volumen v;
        v.crear(c[0]);
        v.arrancar(c[1]);
        QCOMPARE(QStringList(v.navegador.Basicas()).replaceInStrings(v.ruta(""), ""),
                 c[2].split(' '));
        QCOMPARE(v.navegador.BasicaElegida(), c[3].toInt());
        QCOMPARE(v.textos(v.cambios), "<r>|<r>/" + QDir::cleanPath(c[1]));
        QVERIFY(v.navegador.IrABasica(0) && !v.navegador.IrABasica(5));
        QCOMPARE(v.navegador.Carpeta(), v.ruta(c[2].section(' ', 0, 0)));
        QVERIFY(v.avisos.isEmpty());
    }

    // A folder that cannot be shown is told and refused; the shown one stays.
    void rechazo_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("no existe") << "<r>/Nada|la carpeta no existe";
        QTest::newRow("un fichero") << "<r>/K/a.prt|no es una carpeta";
        QTest::newRow("vacía") << "|no se ha indicado ninguna carpeta";
        QTest::newRow("sin permiso") << "<r>/K/Cerrada|no hay permiso de lectura";
    }
    void rechazo() {
        QFETCH(QString, fila);
        if (fila.contains("Cerrada") && geteuid() == 0) QSKIP("permissions do not block root");
        Volumen v;
        v.crear("K/a.prt K/Cerrada/");
        QFile::setPermissions(v.ruta("K/Cerrada"), QFileDevice::WriteOwner);
        v.arrancar("K");
        QSignalSpy rechazos(&v.navegador, &NavegadorPrt::carpetaRechazada);
        QVERIFY(!v.navegador.PonCarpeta(Columnas(fila, v.raiz.path())[0]));
        QFile::setPermissions(v.ruta("K/Cerrada"), QFile::ReadOwner | QFile::ExeOwner);
        const QStringList c = Columnas(fila);
        QCOMPARE(v.textos(v.avisos), "No se puede abrir la carpeta " + c[0] + ": " + c[1] + ".");
        QCOMPARE(v.textos(rechazos), QString("<r>/K"));
        QCOMPARE(v.navegador.Carpeta(), v.ruta("K"));
    }

    // The ".prt" files in any letter case, by their exact bytes: not hidden ones, folders, broken
    // links or pipes. The list is told only when it changed; any write is signalled.
    void ficheros() {
        Volumen v;
        v.crear("L/INFORME.PRT L/b.prt L/a.Prt L/c.txt L/.oculto.prt L/sub.prt/ L/prt L/x.prt.bak");
        QVERIFY(QFile::link(v.ruta("L/b.prt"), v.ruta("L/enlace.prt")));
        QVERIFY(QFile::link(v.ruta("L/nada"), v.ruta("L/roto.prt")));
        QVERIFY(::mkfifo(QFile::encodeName(v.ruta("L/tubo.prt")).constData(), 0600) == 0);
        CreaPorBytes(QFile::encodeName(v.ruta("L/")) + "A\xA5O.PRT");
        QSignalSpy listados(&v.navegador, &NavegadorPrt::ficherosCambiados);
        v.arrancar("L");
        QStringList visibles;
        for (const QString& n : v.navegador.Ficheros())
            visibles << NombreVisible(n);
        QCOMPARE(visibles, (QStringList{"a.Prt", "AÑO.PRT", "b.prt", "enlace.prt", "INFORME.PRT"}));
        QCOMPARE(::unlink(BytesDeNombre(v.ruta("L/") + v.navegador.Ficheros()[1]).constData()), 0);
        v.navegador.Refrescar();
        v.navegador.Refrescar(); // unchanged: not told again
        QCOMPARE(listados.size(), 2);
        QSignalSpy modificada(&v.navegador, &NavegadorPrt::carpetaModificada);
        v.crear("L/nuevo.prt");
        QTRY_VERIFY_WITH_TIMEOUT(!modificada.isEmpty(), 30000);
    }

    // A refresh finds the chosen file and no namesake (other case, folder, written later). Steps
    // ("elegir N", "crear F", "borrar F", "ir C", "olvidar") ¦ then its position.
    void eleccion_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("la misma") << "elegir b.prt|crear K/0.prt|3";
        QTest::newRow("homónimo en otra caja") << "elegir a.prt|borrar K/a.prt|-1";
        QTest::newRow("escrito después") << "elegir a.prt|borrar K/a.prt|crear K/a.prt|-1";
        QTest::newRow("en otra carpeta") << "elegir a.prt|ir L|-1";
        QTest::newRow("de vuelta en la suya") << "elegir b.prt|ir L|ir K|2";
        QTest::newRow("tras borrar") << "elegir a.prt|olvidar|-1";
    }
    void eleccion() {
        QFETCH(QString, fila);
        QStringList pasos = Columnas(fila);
        const int posicion = pasos.takeLast().toInt();
        Volumen v;
        v.crear("K/A.PRT K/a.prt K/b.prt L/a.prt");
        v.arrancar("K");
        for (const QString& paso : pasos) {
            const QString orden = paso.section(' ', 0, 0), que = paso.section(' ', 1);
            if (orden == "elegir") v.navegador.Elegir(que);
            if (orden == "crear") v.crear(que);
            if (orden == "borrar") QVERIFY(QFile::remove(v.ruta(que)));
            if (orden == "ir") QVERIFY(v.navegador.PonCarpeta(v.ruta(que)));
            if (orden == "olvidar") v.navegador.OlvidarEleccion();
            v.navegador.Refrescar();
        }
        QCOMPARE(v.navegador.Refrescar(), posicion);
        if (pasos.contains("olvidar")) QVERIFY(!v.navegador.IdentidadElegida());
    }

    // Choosing the same file again keeps its first identity: one replaced meanwhile is another.
    void identidadDelPrimerMomento() {
        Volumen v;
        v.crear("K/a.prt K/nuevo");
        v.arrancar("K");
        v.navegador.Elegir("a.prt");
        const ino_t antes = v.navegador.IdentidadElegida()->nodo;
        QVERIFY(::rename(QFile::encodeName(v.ruta("K/nuevo")).constData(),
                         QFile::encodeName(v.ruta("K/a.prt")).constData()) == 0);
        v.navegador.Elegir("a.prt");
        QCOMPARE(v.navegador.IdentidadElegida()->nodo, antes);
    }

    // The shown folder gone: told, back to the last usable one shown, else the nearest above.
    void carpetaPerdida_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("la anterior que queda") << "V/L V/M V/K/Sub|V/K/Sub V/M|<r>/V/L";
        QTest::newRow("la de arriba") << "V/K/Sub/Mas|V|<r>";
    }
    void carpetaPerdida() {
        QFETCH(QString, fila);
        Volumen v;
        const QStringList c = Columnas(fila, v.raiz.path());
        v.crear("V/K/Sub/Mas/ V/L/ V/M/");
        v.navegador.Arrancar(v.ruta("V"), v.ruta("V/K/Sub/Mas"));
        for (const QString& carpeta : c[0].split(' '))
            QVERIFY(v.navegador.PonCarpeta(v.ruta(carpeta)));
        for (const QString& borrar : c[1].split(' '))
            QVERIFY(QDir(v.ruta(borrar)).removeRecursively());
        const QString perdida = QString(v.navegador.Carpeta()).replace(v.raiz.path(), "<r>");
        QCOMPARE(v.navegador.Refrescar(), -1);
        QCOMPARE(v.textos(v.avisos),
                 "No se puede leer la carpeta " + perdida + ": la carpeta no existe.");
        QCOMPARE(v.navegador.Carpeta(), c[2]);
    }

    // A volume is taken up again at the folder last shown on it, or its root once that is gone.
    void volumenRecuerdaCarpeta() {
        Volumen v;
        v.crear("K/a.prt");
        v.arrancar("K");
        int sistema = -1;
        for (int i = 0; i < v.navegador.Volumenes().size(); ++i)
            if (v.navegador.Volumenes()[i].raiz == QDir::rootPath()) sistema = i;
        if (sistema < 0) QSKIP("the system root is no listed volume here");
        const int propio = v.navegador.VolumenActual();
        QVERIFY(v.navegador.IrAVolumen(sistema) && v.navegador.Carpeta() == QDir::rootPath());
        QVERIFY(v.navegador.IrAVolumen(propio) && v.navegador.Carpeta() == v.ruta("K"));
        QVERIFY(v.navegador.IrAVolumen(sistema) && QDir(v.ruta("K")).removeRecursively());
        QVERIFY(v.navegador.IrAVolumen(propio) && v.navegador.Carpeta() == v.raiz.path());
    }

    // "/B" and "/I" in any case, only as whole arguments (a path holding "/B" must not delete).
    void interruptores_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("/i, /B") << "/i /B|BI";
        QTest::newRow("rutas con /B, /I, /b")
            << "/home/ana/Borradores/X.PRT /srv/Informes/A /tmp/b|";
        QTest::newRow("dentro de un argumento") << "x/Bruno|";
        QTest::newRow("sin barra o invertida") << "B I -b \\B|";
    }
    void interruptores() {
        QFETCH(QString, fila);
        const QStringList c = fila.split('|');
        const Interruptores i = Interruptores::De(c[0].split(' ', Qt::SkipEmptyParts));
        QCOMPARE(i.borrar, c[1].contains('B'));
        QCOMPARE(i.elegirImpresora, c[1].contains('I'));
        QCOMPARE(Interruptores::De({" /B", "/I "}).borrar, false); // blanks make no switch
    }

    // The named file or folder, else the program's folder or, installed, the working one "T".
    // Program's folder ¦ arguments ¦ folder ¦ file ¦ message.
    void inicio_data() {
        QTest::addColumn<QString>("fila");
        QTest::newRow("sin argumento") << "<r>/H||<r>/H||";
        QTest::newRow("instalado") << "/usr/bin||<r>/T||";
        QTest::newRow("instalado, rodeo") << "/usr/lib/../bin||<r>/T||";
        QTest::newRow("en /usr/lib") << "/usr/lib||/usr/lib||";
        QTest::newRow("fichero relativo") << "/usr/bin|../L/INFORME.PRT|<r>/L|INFORME.PRT|";
        QTest::newRow("no es UTF-8") << "<r>/H|<r>/L/<ñ>|<r>/L|<ñ>|";
        QTest::newRow("interruptores aparte") << "<r>/H|/b <r>/L/INFORME.PRT /I|<r>/L|INFORME.PRT|";
        QTest::newRow("el primero") << "<r>/H|<r>/L <r>/H|<r>/L||";
        QTest::newRow("no existe")
            << "<r>/H|<r>/L/NO.PRT|<r>/H||No se puede abrir «<r>/L/NO.PRT»: no existe.";
        QTest::newRow("no es una carpeta") << "<r>/H|<r>/L/INFORME.PRT/X|<r>/H||No se puede abrir "
                                              "«<r>/L/INFORME.PRT/X»: una parte de la ruta no es "
                                              "una carpeta.";
        QTest::newRow("otro fichero") << "<r>/H|<r>/L/notas.txt|<r>/L|notas.txt|";
    }
    void inicio() {
        QFETCH(QString, fila);
        Volumen v;
        const QString r = v.raiz.path(), noUtf8 = NombreDeBytes("A\xD1O.PRT");
        v.crear("L/INFORME.PRT L/notas.txt H/ T/");
        CreaPorBytes(QFile::encodeName(r) + "/L/A\xD1O.PRT"); // as a DOS program names it
        const QStringList c = Columnas(QString(fila).replace("<ñ>", noUtf8), r);
        const CarpetaInicio i =
            CarpetaInicio::De(c[0], r + "/T", c[1].split(' ', Qt::SkipEmptyParts));
        QCOMPARE(i.carpeta, c[2]);
        QCOMPARE(BytesDeNombre(i.fichero), BytesDeNombre(c[3]));
        QCOMPARE(i.aviso, c[4]);
        QCOMPARE(::unlink((QFile::encodeName(r) + "/L/A\xD1O.PRT").constData()), 0);
    }
};

QTEST_GUILESS_MAIN(TestNavegador)
#include "test_navegador.moc"
