// The watched folder. In this process (VigilanteCarpeta on real files, printing to PDF, its clock
// moved by hand): which files count as complete and in what order they print, names that never
// replace a file, the record that keeps a restart from printing a file twice. Through
// velmor-imprimir as a user runs it: to PDF and to the queues of the private CUPS scheduler
// (fixture "cups"), its options, and its signals. Nothing here waits for silence: a row that must
// not print drops a last file into the folder and waits for that one; what would print wrongly
// prints before it.
#include "cli/vigilante_carpeta.h"
#include "printing/impresoras_sistema.h"
#include "support/ficheros.h"
#include "support/programas.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <cups/cups.h>
#include <functional>
#include <memory>

namespace {
constexpr int kPlazo = 60000;      // ms a file may take to show in the log: only a fault waits it
constexpr int kReposo = 600000;    // ms of the hand-moved clock: the real ones never reach it
const QString kUltimo = "ZZZ.PRT"; // the last file of a row: once it prints, the rest have

QByteArray lee(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList contenido(const QString& carpeta) {
    return QDir(carpeta).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void ejecutaEn(const QString& carpeta, const QString& orden) {
    int estado = -1;
    Ejecuta("sh", {"-c", orden}, &estado, nullptr, carpeta);
    if (estado != 0) qFatal("%s failed", qPrintable(orden));
}

// The files a log says were printed, in order, and the lines about one file.
QStringList impresosEn(const QStringList& lineas) {
    QStringList nombres;
    for (const QString& l : lineas)
        if (const qsizetype fin = l.indexOf("»: impreso"); fin > 0)
            nombres << l.left(fin).section("«", -1);
    return nombres;
}
QStringList lineasDe(const QStringList& lineas, const QString& nombre) {
    return lineas.filter("«" + nombre + "»: ");
}

class RelojAMano : public RelojVigilancia {
  public:
    qint64 t = 0;
    qint64 ahora() const override { return t; }
    void avanza(qint64 ms) {
        t += ms;
        emit avanzado();
    }
};

// A watcher in this process on `carpeta`, printing to PDF in `pdf`, with what it wrote.
struct Vigilado {
    ImpresorasSistema impresoras{ImpresorasSistema::Cuales::SoloPdf};
    RelojAMano reloj;
    std::unique_ptr<VigilanteCarpeta> vigilante;
    QStringList lineas, avisos;
    int parado = -1;

    Vigilado(const QString& carpeta, const QString& pdf) {
        ConfiguracionVigilancia c;
        c.carpeta = carpeta;
        c.carpetaPdf = pdf;
        c.reposoMs = kReposo;
        c.reloj = &reloj;
        vigilante = std::make_unique<VigilanteCarpeta>(impresoras, c);
        QObject::connect(vigilante.get(), &VigilanteCarpeta::registro,
                         [this](const QString& l) { lineas << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::aviso,
                         [this](const QString& l) { avisos << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::parado,
                         [this](int estado) { parado = estado; });
        if (const auto motivo = vigilante->inicia()) qFatal("%s", qPrintable(*motivo));
    }
    // The settle time passes twice: what arrived is seen, then what stayed unchanged is complete.
    void asienta() {
        pasa(kReposo + 1);
        pasa(kReposo + 1);
    }
    // The time moves, and a report due now starts printing now, reading the file as it is.
    void pasa(qint64 ms) {
        reloj.avanza(ms);
        QCoreApplication::processEvents();
    }
    QStringList de(const QString& nombre) const { return lineasDe(lineas, nombre); }
    // Drops the last file and waits until it has printed.
    bool terminaCon(const QString& carpeta) {
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        asienta();
        return QTest::qWaitFor([&] { return !de(kUltimo).isEmpty(); }, kPlazo);
    }
};

// One run of velmor-imprimir --vigilar, with what it has written on stdout so far.
class Vigilancia {
  public:
    explicit Vigilancia(const QStringList& argumentos) {
        p_.start(VELMOR_IMPRIMIR, argumentos);
        if (!p_.waitForStarted()) qFatal("velmor-imprimir did not start");
    }
    ~Vigilancia() {
        p_.kill();
        p_.waitForFinished();
    }
    QStringList lineas() {
        salida_ += QString::fromUtf8(p_.readAllStandardOutput());
        return salida_.split('\n', Qt::SkipEmptyParts);
    }
    QStringList de(const QString& nombre) { return lineasDe(lineas(), nombre); }
    bool espera(const std::function<bool()>& condicion) {
        QDeadlineTimer plazo(kPlazo);
        while (!condicion() && !plazo.hasExpired() && p_.state() != QProcess::NotRunning)
            p_.waitForReadyRead(100);
        return condicion();
    }
    bool imprime(const QString& nombre) {
        return espera([&] { return !de(nombre).isEmpty(); });
    }
    // Each signal delivered before the next is sent (two pending ones of a kind would be one);
    // the exit status, or -1 when a signal ended it.
    int para(QList<int> senales = {SIGTERM}) {
        for (int s : senales) {
            ::kill(pid_t(p_.processId()), s);
            if (!espera([&] { return !pendiente(s); })) qFatal("the signal was not delivered");
        }
        if (p_.state() != QProcess::NotRunning && !p_.waitForFinished(kPlazo))
            qFatal("velmor-imprimir did not stop");
        lineas();
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    QString todo() { return lineas().join('\n'); }
    qint64 pid() const { return p_.processId(); }

  private:
    bool pendiente(int senal) {
        const QString estado = lee(QString("/proc/%1/status").arg(p_.processId()));
        const auto m = QRegularExpression("ShdPnd:\\s*([0-9a-f]+)").match(estado);
        return m.hasMatch() && (m.captured(1).toULongLong(nullptr, 16) >> (senal - 1)) & 1;
    }

    QProcess p_;
    QString salida_;
};

// The jobs of the scheduler (any queue, any state) after job `desde`, titled `titulo`.
QList<int> trabajosTitulados(const QString& titulo, int desde = 0) {
    cups_job_t* trabajos = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &trabajos, nullptr, 0, CUPS_WHICHJOBS_ALL);
    QList<int> ids;
    for (int i = 0; i < n; ++i)
        if (trabajos[i].id > desde && (titulo.isEmpty() || trabajos[i].title == titulo))
            ids << trabajos[i].id;
    cupsFreeJobs(n, trabajos);
    return ids;
}
int ultimoTrabajo() {
    const QList<int> ids = trabajosTitulados({});
    return ids.isEmpty() ? 0 : *std::max_element(ids.begin(), ids.end());
}

QByteArray lineas(int cuantas, const QByteArray& que) {
    QByteArray b;
    for (int i = 1; i <= cuantas; ++i)
        b += que + ' ' + QByteArray::number(i) + " del informe de ventas del mes\r\n";
    return b;
}
} // namespace

class TestVigilancia : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    // What counts as a complete report and in what order reports print. Each step runs in the
    // watched folder: "reposo" lets the settle time pass, "medio" half of it, "espera N" waits
    // for N prints, "abre X" and "cierra" hold X open for writing in this process, anything else
    // is a shell command. A report taken as complete too soon prints half, then again.
    void completo_data() {
        QTest::addColumn<QStringList>("pasos");
        QTest::addColumn<QStringList>("impresos"); // in order
        QTest::addColumn<QStringList>("textos");   // in their PDFs
        QTest::newRow("de una vez") << QStringList{"printf 'UNA\\r\\n' > A.PRT"}
                                    << QStringList{"A.PRT"} << QStringList{"UNA"};
        // A reader of sizes and times alone would print it half.
        QTest::newRow("abierto sin cambios")
            << QStringList{"abre L.PRT", "printf 'PRIMERA\\r\\n' >> L.PRT", "reposo",
                           "reposo",     "printf 'ULTIMA\\r\\n' >> L.PRT",  "cierra"}
            << QStringList{"L.PRT"} << QStringList{"PRIMERA", "ULTIMA"};
        QTest::newRow("cerrado a ratos")
            << QStringList{"printf 'TROZO 1\\r\\n' >> T.PRT",
                           "medio",
                           "printf 'TROZO 2\\r\\n' >> T.PRT",
                           "medio",
                           "printf 'TROZO 3\\r\\n' >> T.PRT",
                           "medio",
                           "medio"}
            << QStringList{"T.PRT"} << QStringList{"TROZO 1", "TROZO 3"};
        // One still being written does not hold back those after it.
        QTest::newRow("orden de llegada")
            << QStringList{"abre L.PRT", "printf 'L\\r\\n' >> L.PRT",
                           "medio",      "printf 'C\\r\\n' > C.PRT",
                           "medio",      "printf 'A\\r\\n' > A.PRT",
                           "medio",      "printf 'B\\r\\n' > B.PRT",
                           "reposo",     "espera 3",
                           "cierra"}
            << QStringList{"C.PRT", "A.PRT", "B.PRT", "L.PRT"} << QStringList{"C", "L"};
        QTest::newRow("letras mezcladas y rename")
            << QStringList{"printf 'MEZCLA\\r\\n' > m.Prt",
                           "printf 'M\\r\\n' > ../m && mv ../m M.prt"}
            << QStringList{"m.Prt", "M.prt"} << QStringList{"MEZCLA"};
        QTest::newRow("vacío") << QStringList{": > VACIO.PRT"} << QStringList{"VACIO.PRT"}
                               << QStringList();
        QTest::newRow("no son informes")
            << QStringList{"printf 'NO\\r\\n' > .OCULTO.PRT",
                           "printf 'NO\\r\\n' > NOTA.TXT",
                           "printf 'NO\\r\\n' > A.PRT.BAK",
                           "mkfifo TUBO.PRT",
                           "mkdir DIR.PRT",
                           "printf 'NO\\r\\n' > ../fuera.prt && ln -s ../fuera.prt ENLACE.PRT"}
            << QStringList() << QStringList();
    }
    void completo() {
        QFETCH(QStringList, pasos);
        QFETCH(QStringList, impresos);
        QFETCH(QStringList, textos);
        const QString carpeta = dir.nueva() + "/vigilada", pdf = dir.nueva();
        QDir().mkpath(carpeta);
        Vigilado v(carpeta, pdf);
        QFile abierto;
        for (const QString& paso : pasos) {
            if (paso == "reposo")
                v.asienta();
            else if (paso == "medio")
                v.pasa(kReposo / 2);
            else if (paso.startsWith("espera "))
                QVERIFY(QTest::qWaitFor(
                    [&] { return impresosEn(v.lineas).size() >= paso.mid(7).toInt(); }, kPlazo));
            else if (paso.startsWith("abre ")) {
                abierto.setFileName(carpeta + '/' + paso.mid(5));
                QVERIFY(abierto.open(QIODevice::WriteOnly));
            } else if (paso == "cierra")
                abierto.close();
            else
                ejecutaEn(carpeta, paso);
        }
        QVERIFY2(v.terminaCon(carpeta), qPrintable(v.lineas.join('\n')));
        QCOMPARE(impresosEn(v.lineas), impresos + QStringList{kUltimo});
        QString impreso;
        for (const QString& f : contenido(pdf))
            impreso += TextoPdf(pdf + '/' + f);
        for (const QString& t : textos)
            QVERIFY2(impreso.contains(t), qPrintable(impreso));
        QVERIFY(!impreso.contains("NO"));
        QCOMPARE(v.lineas.filter("impreso en").size(), contenido(pdf).size());
        QCOMPARE(v.avisos, QStringList());
    }

    // The PDF takes the report's name with ".pdf", a failed report moves to errores/ beside a
    // ".txt" with its reason, and neither ever takes the name of anything already there. When
    // errores/ cannot be made the report stays, said once and not tried again.
    void sinSustituir_data() {
        QTest::addColumn<QStringList>("antes"); // "X/": a folder; "X->": a dangling link
        QTest::addColumn<bool>("malo");
        QTest::addColumn<QString>("esperado"); // empty: it stays in the folder
        QTest::newRow("PDF libre") << QStringList() << false << "pdf/INF.pdf";
        QTest::newRow("PDF tomado") << QStringList{"pdf/INF.pdf"} << false << "pdf/INF-2.pdf";
        QTest::newRow("PDF dos tomados")
            << QStringList{"pdf/INF.pdf", "pdf/INF-2.pdf"} << false << "pdf/INF-3.pdf";
        QTest::newRow("PDF enlace roto")
            << QStringList{"pdf/INF.pdf->"} << false << "pdf/INF-2.pdf";
        QTest::newRow("PDF carpeta") << QStringList{"pdf/INF.pdf/"} << false << "pdf/INF-2.pdf";
        QTest::newRow("errores libre") << QStringList() << true << "v/errores/INF.PRT";
        QTest::newRow("errores tomado") << QStringList{"v/errores/INF.PRT", "v/errores/INF.txt"}
                                        << true << "v/errores/INF-2.PRT";
        QTest::newRow("motivo suelto")
            << QStringList{"v/errores/INF.txt"} << true << "v/errores/INF-2.PRT";
        QTest::newRow("informe suelto")
            << QStringList{"v/errores/INF.PRT"} << true << "v/errores/INF-2.PRT";
        QTest::newRow("errores es un fichero") << QStringList{"v/errores"} << true << "";
    }
    void sinSustituir() {
        QFETCH(QStringList, antes);
        QFETCH(bool, malo);
        QFETCH(QString, esperado);
        const QString base = dir.nueva();
        QDir().mkpath(base + "/pdf");
        for (const QString& a : antes) {
            if (a.endsWith("->"))
                QVERIFY(QFile::link(base + "/no-existe", base + '/' + a.chopped(2)));
            else if (a.endsWith('/'))
                QVERIFY(QDir().mkpath(base + '/' + a));
            else
                EscribeFichero(base + '/' + a, "ANTERIOR " + a.toUtf8());
        }
        const QByteArray prt = malo ? "BIEN\r\nx{{NegritaOn}\r\n" : "NUEVO INFORME\r\n";
        EscribeFichero(base + "/v/INF.PRT", prt);
        Vigilado v(base + "/v", base + "/pdf");
        QVERIFY(v.terminaCon(base + "/v"));
        QCOMPARE(v.de("INF.PRT").size(), 1);
        const QString linea = v.de("INF.PRT").first();
        const QString dice =
            esperado.isEmpty() ? "se queda en la carpeta" : QFileInfo(esperado).fileName() + "»";
        QVERIFY2(linea.contains(dice), qPrintable(linea));
        if (esperado.isEmpty())
            QCOMPARE(lee(base + "/v/INF.PRT"), prt);
        else if (!malo)
            QVERIFY(TextoPdf(base + '/' + esperado).contains("NUEVO INFORME"));
        else {
            QCOMPARE(lee(base + '/' + esperado), prt);
            const QString motivo = lee(base + '/' + esperado.chopped(4) + ".txt");
            QVERIFY2(motivo.contains("Etiqueta mal formada") && motivo.contains("línea 2") &&
                         linea.contains(motivo.trimmed()),
                     qPrintable(motivo));
        }
        for (const QString& a : antes)
            if (!a.endsWith("->") && !a.endsWith('/'))
                QCOMPARE(lee(base + '/' + a), "ANTERIOR " + a.toUtf8());
    }

    // A second run prints nothing the first one printed, as long as it is the same file.
    void reinicio_data() {
        QTest::addColumn<QString>("cambio"); // between the runs, in the folder
        QTest::addColumn<QStringList>("otraVez");
        QTest::newRow("sin cambios") << "true" << QStringList();
        QTest::newRow("renombrado") << "mv A.PRT C.PRT" << QStringList();
        QTest::newRow("fuera y de vuelta") << "mv A.PRT .. && mv ../A.PRT ." << QStringList();
        QTest::newRow("ampliado") << "printf 'MAS\\r\\n' >> A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("sustituido") << "printf 'O\\r\\n' > n && mv n A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("copiado") << "cp A.PRT D.PRT" << QStringList{"D.PRT"};
        QTest::newRow("registro con basura")
            << "printf 'basura\\n1:2:3\\n\\n' >> .velmor-vigilar" << QStringList();
        QTest::newRow("sin registro") << "rm .velmor-vigilar" << QStringList{"A.PRT", "B.PRT"};
    }
    void reinicio() {
        QFETCH(QString, cambio);
        QFETCH(QStringList, otraVez);
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        EscribeFichero(carpeta + "/A.PRT", "A\r\n");
        EscribeFichero(carpeta + "/B.PRT", "B\r\n");
        {
            Vigilado v(carpeta, pdf);
            v.asienta();
            QVERIFY(QTest::qWaitFor([&] { return impresosEn(v.lineas).size() == 2; }, kPlazo));
        }
        ejecutaEn(carpeta, cambio);
        Vigilado v(carpeta, pdf);
        QVERIFY(v.terminaCon(carpeta));
        QCOMPARE(impresosEn(v.lineas), otraVez + QStringList{kUltimo});
        QCOMPARE(contenido(carpeta).filter(".velmor-vigilar."), QStringList()); // no temporaries
    }

    void carpetaBorrada() {
        const QString carpeta = dir.nueva();
        Vigilado v(carpeta, dir.nueva());
        QVERIFY(QDir(carpeta).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(v.parado, 1, kPlazo);
        QVERIFY2(v.avisos.size() == 1 && v.avisos.first().contains("ya no existe"),
                 qPrintable(v.avisos.join('\n')));
    }

    // velmor-imprimir --vigilar as a user runs it: reports there before the start and arriving
    // (one written slowly, one malformed) each print once, whole, and are deleted; the malformed
    // one goes to errores/; what is not a visible ".prt" file is left alone.
    void deExtremoAExtremo_data() {
        QTest::addColumn<QString>("cola"); // empty: --pdf
        QTest::newRow("PDF") << "";
        QTest::newRow("CUPS") << "Oficina";
    }
    void deExtremoAExtremo() {
        QFETCH(QString, cola);
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        const QString trabajos = qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR");
        const int desde = ultimoTrabajo();
        const auto escritos = [&] { return QDir(trabajos).entryList({cola + "-*.pdf"}); };
        const QStringList antes = escritos();
        EscribeFichero(carpeta + "/ANTES.PRT", "ANTES DEL ARRANQUE\r\n");
        EscribeFichero(carpeta + "/.OCULTO.PRT", "OCULTO\r\n");
        const QByteArray malo = "BIEN\r\nx{{NegritaOn}\r\n";
        Vigilancia v(QStringList{"--vigilar", carpeta, "--borrar", "--reposo", "300"} +
                     (cola.isEmpty() ? QStringList{"--pdf", pdf} : QStringList{"-d", cola}));
        QVERIFY(v.espera([&] { return v.todo().contains("vigilando"); }));
        ejecutaEn(carpeta, "exec 3>LENTO.PRT; for i in 01 02 03 04 05 06 07 08; do printf "
                           "'LINEA LENTA %s\\r\\n' $i >&3; sleep 0.1; [ $i = 04 ] && sleep 0.6; "
                           "done; printf 'NUEVO\\r\\n' > ../n.tmp && mv ../n.tmp NUEVO.prt");
        EscribeFichero(carpeta + "/MALO.PRT", malo);
        QVERIFY2(v.imprime("MALO.PRT"), qPrintable(v.todo()));
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        QVERIFY2(v.imprime(kUltimo), qPrintable(v.todo()));
        for (const QString f : {"ANTES.PRT", "LENTO.PRT", "NUEVO.prt"}) {
            QVERIFY2(v.de(f).size() == 1 && v.de(f).first().endsWith("; borrado"),
                     qPrintable(v.todo()));
            QVERIFY(!cola.isEmpty() || v.de(f).first().contains("impreso en «" + pdf));
            QVERIFY(cola.isEmpty() || trabajosTitulados(f, desde).size() == 1);
        }
        QVERIFY2(v.de("MALO.PRT").size() == 1 &&
                     v.de("MALO.PRT").first().contains("movido a «errores/MALO.PRT»"),
                 qPrintable(v.todo()));
        QCOMPARE(lee(carpeta + "/errores/MALO.PRT"), malo);
        QCOMPARE(contenido(carpeta).filter(QRegularExpression("^(?!\\.velmor-vigilar$)")),
                 (QStringList{".OCULTO.PRT", "errores"}));
        QStringList documentos;
        if (cola.isEmpty())
            for (const QString& f : contenido(pdf))
                documentos << pdf + '/' + f;
        else {
            QVERIFY(QTest::qWaitFor([&] { return escritos().size() == antes.size() + 4; }, kPlazo));
            for (const QString& f : escritos())
                if (!antes.contains(f)) documentos << trabajos + '/' + f;
        }
        QCOMPARE(documentos.size(), 4);
        QStringList textos;
        for (const QString& d : documentos)
            textos << TextoPdf(d);
        const QString lento = textos.filter("LINEA LENTA 01").value(0);
        for (int i = 1; i <= 8; ++i)
            QVERIFY2(lento.contains(QString("LINEA LENTA 0%1").arg(i)), qPrintable(lento));
        QCOMPARE(textos.filter("ANTES DEL ARRANQUE").size(), 1);
        QVERIFY(!textos.join('\n').contains("OCULTO") && !textos.join('\n').contains("BIEN"));
        QCOMPARE(v.para(), 0);
        QVERIFY(v.todo().contains("parada la vigilancia"));
    }

    // A queue that never completes the job keeps the report, recorded as printed: neither this
    // run nor the next sends it again. A queue that refuses it sends it to errores/.
    void colasQueNoTerminan_data() {
        QTest::addColumn<QString>("cola");
        QTest::addColumn<bool>("pararAMitad"); // stop while the job's completion is awaited
        QTest::addColumn<QString>("dice");
        QTest::newRow("detenida") << "Detenida" << false
                                  << "se conserva: La impresora «Detenida» está detenida";
        QTest::newRow("parada mientras se espera")
            << "Inalcanzable" << true
            << "se conserva: la vigilancia se ha parado antes de que el trabajo terminara";
        QTest::newRow("rechaza") << "Rechaza" << false << "error: La impresora «Rechaza» no acepta";
    }
    void colasQueNoTerminan() {
        QFETCH(QString, cola);
        QFETCH(bool, pararAMitad);
        QFETCH(QString, dice);
        const QString carpeta = dir.nueva(), nombre = cola.toUpper() + ".PRT";
        const int desde = ultimoTrabajo();
        EscribeFichero(carpeta + '/' + nombre, "NO SE BORRA\r\n");
        const QStringList argumentos{"--vigilar", carpeta,    "-d", cola,
                                     "--borrar",  "--reposo", "100"};
        {
            Vigilancia v(argumentos);
            if (pararAMitad)
                QVERIFY(v.espera([&] { return !trabajosTitulados(nombre, desde).isEmpty(); }));
            else
                QVERIFY2(v.imprime(nombre), qPrintable(v.todo()));
            QCOMPARE(v.para(), 0); // at once: it does not wait for the job
            QVERIFY2(v.de(nombre).size() == 1 && v.de(nombre).first().contains(dice),
                     qPrintable(v.todo()));
        }
        const bool rechazado = cola == "Rechaza";
        QCOMPARE(trabajosTitulados(nombre, desde).size(), rechazado ? 0 : 1);
        QCOMPARE(lee(carpeta + (rechazado ? "/errores/" : "/") + nombre), "NO SE BORRA\r\n");
        if (!rechazado) { // the next run sends the last file only
            EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
            Vigilancia otra(argumentos);
            // Sent in order: once the last one is, the kept one would have been.
            QVERIFY(otra.espera([&] { return !trabajosTitulados(kUltimo, desde).isEmpty(); }));
            QCOMPARE(otra.para(), 0);
            QCOMPARE(otra.de(nombre), QStringList());
            QCOMPARE(trabajosTitulados(nombre, desde).size(), 1);
        }
        cupsCancelJob2(CUPS_HTTP_DEFAULT, cola.toUtf8().constData(), 0, 1);
    }

    // A signal while a long report is drawn: the first one lets it finish (a whole PDF, recorded)
    // and stops with status 0; a second one ends the process at once with no PDF of it. Started
    // again, the watcher prints every report exactly once.
    void senales_data() {
        QTest::addColumn<QList<int>>("senales");
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM};
        QTest::newRow("SIGINT") << QList<int>{SIGINT};
        QTest::newRow("dos SIGTERM") << QList<int>{SIGTERM, SIGTERM};
    }
    void senales() {
        QFETCH(QList<int>, senales);
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        EscribeFichero(carpeta + "/GRANDE.PRT", lineas(66 * 3000, "GRANDE"));
        for (const char* f : {"F1", "F2"})
            EscribeFichero(carpeta + '/' + f + ".PRT", lineas(10, f));
        const QStringList argumentos{"--vigilar", carpeta, "--pdf", pdf, "--reposo", "100"};
        {
            Vigilancia v(argumentos);
            // The known point: GRANDE's nameless PDF is open in the PDF folder.
            QVERIFY2(v.espera([&] {
                const QString fds = QString("/proc/%1/fd/").arg(v.pid());
                for (const QString& fd :
                     QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                    if (QFile::symLinkTarget(fds + fd).startsWith(pdf + '/')) return true;
                return false;
            }),
                     "the report was drawn before it could be interrupted");
            QCOMPARE(v.para(senales), senales.size() == 1 ? 0 : -1);
            QCOMPARE(contenido(pdf),
                     senales.size() == 1 ? QStringList{"GRANDE.pdf"} : QStringList());
        }
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        Vigilancia v(argumentos);
        QVERIFY2(v.imprime(kUltimo), qPrintable(v.todo()));
        QCOMPARE(v.para(), 0);
        QCOMPARE(contenido(pdf), (QStringList{"F1.pdf", "F2.pdf", "GRANDE.pdf", "ZZZ.pdf"}));
        QCOMPARE(PaginasPdf(pdf + "/GRANDE.pdf"), 3000);
        QCOMPARE(contenido(carpeta).filter(QRegularExpression("^\\.")),
                 QStringList{".velmor-vigilar"});
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
            << QStringList{"--vigilar", "@", "-d", "Archivo PDF"} << false << "necesita --pdf";
        QTest::newRow("ya vigilada") << QStringList{"--vigilar", "@", "--pdf", "@/pdf"} << true
                                     << "ya vigila la carpeta «@»";
    }
    void opciones() {
        QFETCH(QStringList, argumentos);
        QFETCH(bool, otraInstancia);
        QFETCH(QString, dice);
        const QString carpeta = dir.nueva();
        EscribeFichero(carpeta + "/fichero", "x");
        argumentos.replaceInStrings("@", carpeta);
        std::unique_ptr<Vigilancia> primera;
        if (otraInstancia) {
            primera = std::make_unique<Vigilancia>(argumentos);
            QVERIFY(primera->espera([&] { return primera->todo().contains("vigilando"); }));
        }
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, argumentos, &estado, &errores);
        QCOMPARE(estado, 2);
        QVERIFY2(errores.contains(QString(dice).replace("@", carpeta)), qPrintable(errores));
        if (primera) QCOMPARE(primera->para(), 0); // idle: it stops at once, in order
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestVigilancia t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_vigilancia.moc"
