// The watched folder in this process (VigilanteCarpeta on real files, printing to PDF), and the
// watched mode's options through velmor-imprimir: which files count as complete, names in the PDF
// folder and in errores/ that never replace a file, and the record that keeps a restart from
// printing a file twice.
#include "cli/parada_senal.h"
#include "cli/vigilante_carpeta.h"
#include "printing/impresoras_sistema.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

namespace {
constexpr int kReposo = 300;    // ms; short, so that the rows run quickly
constexpr int kPlazo = 20000;   // ms a printing file may take to show in the log
constexpr int kSilencio = 2000; // ms of watching in which a file that must not print could

QByteArray lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything in a folder, hidden files included.
QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
}

// Runs a shell command in a folder, in the background (the event loop goes on).
std::unique_ptr<QProcess> enSegundoPlano(const QString& carpeta, const QString& orden) {
    auto p = std::make_unique<QProcess>();
    p->setWorkingDirectory(carpeta);
    p->start("sh", {"-c", orden});
    if (!p->waitForStarted()) qFatal("sh did not start");
    return p;
}

void ejecutaEn(const QString& carpeta, const QString& orden) {
    QProcess p;
    p.setWorkingDirectory(carpeta);
    p.start("sh", {"-c", orden});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) qFatal("%s failed", qPrintable(orden));
}

// A watcher on `carpeta` printing to PDF in `pdf`, with what it wrote.
struct Vigilado {
    ImpresorasSistema impresoras; // no scheduler in these tests: "Archivo PDF" is the current one
    std::unique_ptr<VigilanteCarpeta> vigilante;
    QStringList lineas, avisos;
    int parado = -1;

    Vigilado(const QString& carpeta, const QString& pdf, bool borrar = false,
             int reposo = kReposo) {
        ConfiguracionVigilancia c;
        c.carpeta = carpeta;
        c.carpetaPdf = pdf;
        c.peticion.borrar = borrar;
        c.reposoMs = reposo;
        vigilante = std::make_unique<VigilanteCarpeta>(impresoras, c);
        QObject::connect(vigilante.get(), &VigilanteCarpeta::registro,
                         [this](const QString& l) { lineas << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::aviso,
                         [this](const QString& l) { avisos << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::parado,
                         [this](int estado) { parado = estado; });
    }
    bool inicia() {
        const auto motivo = vigilante->inicia();
        if (motivo) qWarning("%s", qPrintable(*motivo));
        return !motivo;
    }
    // The log lines about one file.
    QStringList de(const QString& nombre) const { return lineas.filter("«" + nombre + "»: "); }
    // The files the log says were printed, in order.
    QStringList impresos() const {
        QStringList nombres;
        for (const QString& l : lineas) {
            const qsizetype fin = l.indexOf("»: impreso");
            if (fin > 0) nombres << l.left(fin).section("«", -1);
        }
        return nombres;
    }
};
} // namespace

class TestVigilanteCarpeta : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

    QString carpetaNueva() { return dir.nueva(); }

  private slots:
    void initTestCase() {
        ImpresorasSistema impresoras;
        QVERIFY2(impresoras.actualEsPdf(), "these tests print to PDF only");
    }

    // A file prints once it is closed and unchanged for the settle time, whole, and only a ".prt"
    // file of the folder itself does. `orden` runs in the watched folder while it is watched.
    void completo_data() {
        QTest::addColumn<QString>("orden");
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<QStringList>("texto"); // empty: it must not print
        QTest::addColumn<int>("reposo");
        QTest::newRow("cerrado de una vez") << "printf 'UNA VEZ\\r\\n' > A.PRT"
                                            << "A.PRT" << QStringList{"UNA VEZ"} << kReposo;
        // Open for writing past the settle time without a change: a reader of sizes and times
        // alone would print it half.
        QTest::newRow("abierto sin cambios más que el reposo")
            << "exec 3>LENTO.PRT; printf 'PRIMERA\\r\\n' >&3; sleep 1.5; printf 'ULTIMA\\r\\n' >&3"
            << "LENTO.PRT" << QStringList{"PRIMERA", "ULTIMA"} << kReposo;
        // Closed between its pieces for much less than the settle time, and written for longer
        // than it: printed once, after the last piece.
        QTest::newRow("reabierto a ratos")
            << "for i in 1 2 3 4 5 6 7 8; do printf \"TROZO $i\\r\\n\" >> TROZOS.PRT; "
               "sleep 0.3; done"
            << "TROZOS.PRT" << QStringList{"TROZO 1", "TROZO 4", "TROZO 8"} << 1500;
        QTest::newRow("letras mezcladas") << "printf 'MEZCLA\\r\\n' > mezcla.Prt"
                                          << "mezcla.Prt" << QStringList{"MEZCLA"} << kReposo;
        QTest::newRow("llega por rename") << "printf 'MOVIDO\\r\\n' > ../m.tmp && mv ../m.tmp M.PRT"
                                          << "M.PRT" << QStringList{"MOVIDO"} << kReposo;
        QTest::newRow("oculto") << "printf 'NO\\r\\n' > .OCULTO.PRT"
                                << ".OCULTO.PRT" << QStringList() << kReposo;
        QTest::newRow("otra extensión") << "printf 'NO\\r\\n' > NOTA.TXT"
                                        << "NOTA.TXT" << QStringList() << kReposo;
        QTest::newRow("prt en medio") << "printf 'NO\\r\\n' > A.PRT.BAK"
                                      << "A.PRT.BAK" << QStringList() << kReposo;
        QTest::newRow("enlace simbólico")
            << "printf 'NO\\r\\n' > ../fuera.prt && ln -s ../fuera.prt ENLACE.PRT"
            << "ENLACE.PRT" << QStringList() << kReposo;
        QTest::newRow("FIFO") << "mkfifo TUBO.PRT"
                              << "TUBO.PRT" << QStringList() << kReposo;
        QTest::newRow("carpeta") << "mkdir DIR.PRT"
                                 << "DIR.PRT" << QStringList() << kReposo;
    }
    void completo() {
        QFETCH(QString, orden);
        QFETCH(QString, nombre);
        QFETCH(QStringList, texto);
        QFETCH(int, reposo);
        const QString carpeta = carpetaNueva() + "/vigilada", pdf = carpetaNueva();
        QDir().mkpath(carpeta);
        Vigilado v(carpeta, pdf, false, reposo);
        QVERIFY(v.inicia());
        const auto escritor = enSegundoPlano(carpeta, orden);
        QTRY_VERIFY_WITH_TIMEOUT(escritor->state() == QProcess::NotRunning, 30000);
        QCOMPARE(escritor->exitCode(), 0);
        if (texto.isEmpty()) {
            QTest::qWait(kSilencio);
            QCOMPARE(v.de(nombre), QStringList());
            QCOMPARE(contenido(pdf), QStringList());
            QVERIFY(QFileInfo::exists(carpeta + '/' + nombre) ||
                    QFileInfo(carpeta + '/' + nombre).isSymLink());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!v.de(nombre).isEmpty(), kPlazo);
        QTest::qWait(kSilencio); // a second print of it would show now
        QCOMPARE(v.de(nombre).size(), 1);
        QVERIFY2(v.de(nombre).first().contains("impreso en"), qPrintable(v.lineas.join('\n')));
        const QString nombrePdf = QFileInfo(nombre).completeBaseName() + ".pdf";
        QCOMPARE(contenido(pdf), QStringList{nombrePdf});
        const QString impreso = TextoPdf(pdf + '/' + nombrePdf);
        for (const QString& linea : texto)
            QVERIFY2(impreso.contains(linea), qPrintable(impreso));
        QCOMPARE(v.avisos, QStringList());
    }

    // Files print one at a time in order of arrival; one still being written waits without
    // holding back those that arrive after it.
    void ordenDeLlegada() {
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        const auto lento = enSegundoPlano(
            carpeta, "exec 3>LENTO.PRT; printf 'L\\r\\n' >&3; sleep 2; printf 'M\\r\\n' >&3");
        QTest::qWait(100);
        for (const char* nombre : {"C.PRT", "A.PRT", "B.PRT"}) {
            EscribeFichero(carpeta + '/' + nombre, QByteArray(nombre) + "\r\n");
            QTest::qWait(60);
        }
        QTRY_VERIFY_WITH_TIMEOUT(v.impresos().size() == 4, kPlazo);
        QCOMPARE(v.impresos(), (QStringList{"C.PRT", "A.PRT", "B.PRT", "LENTO.PRT"}));
    }

    // The PDF takes the PRT's name with ".pdf", and never the name of anything already there.
    void nombrePdf_data() {
        QTest::addColumn<QStringList>("antes"); // "X/": a folder; "X->": a dangling link
        QTest::addColumn<QString>("esperado");
        QTest::newRow("libre") << QStringList() << "INFORME.pdf";
        QTest::newRow("tomado") << QStringList{"INFORME.pdf"} << "INFORME-2.pdf";
        QTest::newRow("dos tomados")
            << QStringList{"INFORME.pdf", "INFORME-2.pdf"} << "INFORME-3.pdf";
        QTest::newRow("el primero libre") << QStringList{"INFORME-2.pdf"} << "INFORME.pdf";
        QTest::newRow("enlace roto") << QStringList{"INFORME.pdf->"} << "INFORME-2.pdf";
        QTest::newRow("una carpeta") << QStringList{"INFORME.pdf/"} << "INFORME-2.pdf";
    }
    void nombrePdf() {
        QFETCH(QStringList, antes);
        QFETCH(QString, esperado);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        for (const QString& a : antes) {
            if (a.endsWith("->"))
                QVERIFY(QFile::link(dir.filePath("no-existe"), pdf + '/' + a.chopped(2)));
            else if (a.endsWith('/'))
                QVERIFY(QDir().mkpath(pdf + '/' + a));
            else
                EscribeFichero(pdf + '/' + a, "ANTERIOR " + a.toUtf8());
        }
        EscribeFichero(carpeta + "/INFORME.PRT", "NUEVO INFORME\r\n");
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        QTRY_VERIFY_WITH_TIMEOUT(!v.de("INFORME.PRT").isEmpty(), kPlazo);
        QVERIFY2(v.de("INFORME.PRT").first().contains(pdf + '/' + esperado),
                 qPrintable(v.lineas.join('\n')));
        QVERIFY(TextoPdf(pdf + '/' + esperado).contains("NUEVO INFORME"));
        for (const QString& a : antes)
            if (!a.endsWith("->") && !a.endsWith('/'))
                QCOMPARE(lee(pdf + '/' + a), "ANTERIOR " + a.toUtf8());
        QCOMPARE(contenido(pdf).size(), antes.size() + 1);
    }

    // A failed file moves to errores/ whole, beside a ".txt" with the reason; nothing there is
    // replaced.
    void errores_data() {
        QTest::addColumn<QStringList>("antes"); // in errores/ before
        QTest::addColumn<QString>("esperado");
        QTest::newRow("el primero") << QStringList() << "MALO";
        QTest::newRow("ya hay uno") << QStringList{"MALO.PRT", "MALO.txt"} << "MALO-2";
        QTest::newRow("un motivo suelto") << QStringList{"MALO.txt"} << "MALO-2";
        QTest::newRow("un fichero suelto") << QStringList{"MALO.PRT"} << "MALO-2";
        QTest::newRow("dos antes")
            << QStringList{"MALO.PRT", "MALO.txt", "MALO-2.PRT", "MALO-2.txt"} << "MALO-3";
    }
    void errores() {
        QFETCH(QStringList, antes);
        QFETCH(QString, esperado);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        for (const QString& a : antes)
            EscribeFichero(carpeta + "/errores/" + a, "ANTERIOR " + a.toUtf8());
        const QByteArray malo = "BIEN\r\nx{{NegritaOn}\r\n";
        EscribeFichero(carpeta + "/MALO.PRT", malo);
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        QTRY_VERIFY_WITH_TIMEOUT(!v.de("MALO.PRT").isEmpty(), kPlazo);
        const QString linea = v.de("MALO.PRT").first();
        QVERIFY2(linea.contains("error: ") &&
                     linea.contains("movido a «errores/" + esperado + ".PRT»"),
                 qPrintable(linea));
        QCOMPARE(lee(carpeta + "/errores/" + esperado + ".PRT"), malo);
        const QString motivo = QString::fromUtf8(lee(carpeta + "/errores/" + esperado + ".txt"));
        QVERIFY2(motivo.contains("Etiqueta mal formada") && motivo.contains("línea 2"),
                 qPrintable(motivo));
        QVERIFY(linea.contains(motivo.trimmed()));
        for (const QString& a : antes)
            QCOMPARE(lee(carpeta + "/errores/" + a), "ANTERIOR " + a.toUtf8());
        QCOMPARE(contenido(carpeta + "/errores").size(), antes.size() + 2);
        QVERIFY(!QFile::exists(carpeta + "/MALO.PRT"));
        QCOMPARE(contenido(pdf), QStringList());
    }

    // When errores/ cannot be made, the failed file stays, said once, and is not tried again
    // while it is unchanged.
    void erroresImposible() {
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        EscribeFichero(carpeta + "/errores", "un fichero, no una carpeta");
        EscribeFichero(carpeta + "/MALO.PRT", "x{{NegritaOn}\r\n");
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        QTRY_VERIFY_WITH_TIMEOUT(!v.de("MALO.PRT").isEmpty(), kPlazo);
        EscribeFichero(carpeta + "/OTRO.PRT", "OTRO\r\n"); // the folder changes meanwhile
        QTRY_VERIFY_WITH_TIMEOUT(!v.de("OTRO.PRT").isEmpty(), kPlazo);
        QTest::qWait(kSilencio);
        QCOMPARE(v.de("MALO.PRT").size(), 1);
        QVERIFY2(v.de("MALO.PRT").first().contains("se queda en la carpeta"),
                 qPrintable(v.lineas.join('\n')));
        QVERIFY(QFile::exists(carpeta + "/MALO.PRT"));
    }

    // A second run prints nothing the first one printed, as long as it is the same file; the
    // record is what tells.
    void reinicio_data() {
        QTest::addColumn<QString>("cambio"); // between the runs, in the folder
        QTest::addColumn<QStringList>("otraVez");
        QTest::newRow("sin cambios") << "true" << QStringList();
        QTest::newRow("renombrado") << "mv A.PRT C.PRT" << QStringList();
        QTest::newRow("ampliado") << "printf 'MAS\\r\\n' >> A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("sustituido")
            << "printf 'OTRO\\r\\n' > n && mv n A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("copiado") << "cp A.PRT D.PRT" << QStringList{"D.PRT"};
        QTest::newRow("fuera y de vuelta") << "mv A.PRT .. && mv ../A.PRT ." << QStringList();
        QTest::newRow("registro con basura")
            << "printf 'basura\\n1:2:3\\n\\n' >> .velmor-vigilar" << QStringList();
        QTest::newRow("sin registro") << "rm .velmor-vigilar" << QStringList{"A.PRT", "B.PRT"};
    }
    void reinicio() {
        QFETCH(QString, cambio);
        QFETCH(QStringList, otraVez);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        EscribeFichero(carpeta + "/A.PRT", "A\r\n");
        EscribeFichero(carpeta + "/B.PRT", "B\r\n");
        {
            Vigilado v(carpeta, pdf);
            QVERIFY(v.inicia());
            QTRY_VERIFY_WITH_TIMEOUT(v.impresos().size() == 2, kPlazo);
        }
        // "fuera y de vuelta" is seen by no watcher: it keeps the file's identity.
        ejecutaEn(carpeta, cambio);
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        if (!otraVez.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(v.impresos().size() >= otraVez.size(), kPlazo);
        QTest::qWait(kSilencio);
        QStringList impresos = v.impresos();
        impresos.sort();
        QCOMPARE(impresos, otraVez);
        QCOMPARE(contenido(pdf).size(), 2 + otraVez.size());
        QCOMPARE(contenido(carpeta).filter(".velmor-vigilar."), QStringList()); // no temporaries
    }

    // With --borrar a printed file goes and is not recorded; without, it stays recorded.
    void borrar_data() {
        QTest::addColumn<bool>("borrar");
        QTest::newRow("--borrar") << true;
        QTest::newRow("sin --borrar") << false;
    }
    void borrar() {
        QFETCH(bool, borrar);
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        EscribeFichero(carpeta + "/A.PRT", "A\r\n");
        EscribeFichero(carpeta + "/VACIO.PRT", "");
        Vigilado v(carpeta, pdf, borrar);
        QVERIFY(v.inicia());
        QTRY_VERIFY_WITH_TIMEOUT(v.impresos().size() == 2, kPlazo);
        QCOMPARE(QFile::exists(carpeta + "/A.PRT"), !borrar);
        QCOMPARE(QFile::exists(carpeta + "/VACIO.PRT"), !borrar);
        QCOMPARE(v.de("A.PRT").first().endsWith("; borrado"), borrar);
        QVERIFY2(v.de("VACIO.PRT").first().contains("no tenía nada que imprimir"),
                 qPrintable(v.lineas.join('\n')));
        QCOMPARE(contenido(pdf), QStringList{"A.pdf"});
        const QStringList anotados = QString::fromUtf8(lee(carpeta + "/.velmor-vigilar"))
                                         .split('\n', Qt::SkipEmptyParts)
                                         .filter(QRegularExpression("^[0-9]"));
        QCOMPARE(anotados.size(), borrar ? 0 : 2);
    }

    // An orderly stop when idle is at once; nothing prints after it.
    void paraSinTrabajo() {
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        v.vigilante->para();
        QCOMPARE(v.parado, 0);
        EscribeFichero(carpeta + "/TARDE.PRT", "TARDE\r\n");
        QTest::qWait(kSilencio);
        QCOMPARE(v.de("TARDE.PRT"), QStringList());
        QCOMPARE(contenido(pdf), QStringList());
    }

    // The watched folder removed: the watcher says so and stops with status 1.
    void carpetaBorrada() {
        const QString carpeta = carpetaNueva(), pdf = carpetaNueva();
        Vigilado v(carpeta, pdf);
        QVERIFY(v.inicia());
        QVERIFY(QDir(carpeta).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(v.parado, 1, kPlazo);
        QTest::qWait(500);
        QCOMPARE(v.avisos.size(), 1);
        QVERIFY2(v.avisos.first().contains("ya no existe"), qPrintable(v.avisos.first()));
    }

    // SIGTERM and SIGINT reach the event loop as a request to stop, and the process lives on.
    void senalEnOrden_data() {
        QTest::addColumn<int>("senal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void senalEnOrden() {
        QFETCH(int, senal);
        ParadaPorSenal parada;
        QSignalSpy pedida(&parada, &ParadaPorSenal::pedida);
        ::raise(senal);
        QVERIFY(pedida.wait(5000));
        QCOMPARE(pedida.first().first().toInt(), senal);
    }

    // The watched mode's arguments, refused before anything is watched.
    void opciones_data() {
        QTest::addColumn<QStringList>("argumentos"); // "@" stands for a fresh folder
        QTest::addColumn<bool>("otraInstancia");     // another watcher on "@" first
        QTest::addColumn<QString>("dice");
        QTest::newRow("con ficheros") << QStringList{"--vigilar", "@", "--pdf", "@/pdf", "A.PRT"}
                                      << false << "con --vigilar no se indican ficheros";
        QTest::newRow("--reposo sin --vigilar")
            << QStringList{"--reposo", "10", "--pdf", "x.pdf", "A.PRT"} << false
            << "--reposo solo vale con --vigilar";
        QTest::newRow("--reposo no es un número")
            << QStringList{"--vigilar", "@", "--pdf", "@/pdf", "--reposo", "pronto"} << false
            << "--reposo necesita un número";
        QTest::newRow("la carpeta no existe")
            << QStringList{"--vigilar", "@/no", "--pdf", "@/pdf"} << false
            << "No se puede vigilar la carpeta «@/no»: la carpeta no existe";
        QTest::newRow("no es una carpeta")
            << QStringList{"--vigilar", "@/fichero", "--pdf", "@/pdf"} << false
            << "«@/fichero»: no es una carpeta";
        QTest::newRow("--pdf es un fichero")
            << QStringList{"--vigilar", "@", "--pdf", "@/fichero"} << false
            << "«@/fichero» no es una carpeta ni se puede crear";
        QTest::newRow("Archivo PDF sin --pdf")
            << QStringList{"--vigilar", "@"} << false << "necesita --pdf";
        QTest::newRow("ya vigilada") << QStringList{"--vigilar", "@", "--pdf", "@/pdf"} << true
                                     << "ya vigila la carpeta «@»";
    }
    void opciones() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, otraInstancia);
        QFETCH(QString, dice);
        const QString carpeta = carpetaNueva();
        EscribeFichero(carpeta + "/fichero", "x");
        argumentos.replaceInStrings("@", carpeta);
        QProcess primera;
        if (otraInstancia) {
            primera.start(VELMOR_IMPRIMIR, argumentos);
            QVERIFY(primera.waitForReadyRead(20000)); // its first line: it watches
        }
        QProcess p;
        p.start(VELMOR_IMPRIMIR, argumentos);
        QVERIFY(p.waitForFinished(20000));
        const QString errores = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(errores.contains(QString(dice).replace("@", carpeta)), qPrintable(errores));
        if (otraInstancia) {
            primera.terminate();
            QVERIFY(primera.waitForFinished(20000));
            QCOMPARE(primera.exitCode(), 0);
        }
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestVigilanteCarpeta t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_vigilante_carpeta.moc"
