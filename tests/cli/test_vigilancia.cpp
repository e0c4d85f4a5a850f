// The watched folder. In this process (VigilanteCarpeta on real files, printing to PDF, its clock
// moved by hand): what counts as a complete report, the order of printing, names that never
// replace a file, the record that keeps a restart from printing twice. Through velmor-imprimir as
// a user runs it: to PDF and the private CUPS scheduler's queues (fixture "cups"), signals,
// options. Nothing waits for silence: a row drops a last report and waits for it to print; what
// would print wrongly prints before it.
#include "printing/impresoras_sistema.h"
#include "support/ficheros.h"
#include "support/programas.h"
#include "vigilancia/interlocutor_vigilancia.h"
#include "vigilancia/vigilante_carpeta.h"

#include <QGuiApplication>
#include <QTest>
#include <csignal>
#include <cups/cups.h>
#include <functional>
#include <memory>

namespace {
constexpr int kPlazo = 60000;      // ms: only a fault waits this long
constexpr int kReposo = 600000;    // ms of the hand-moved clock: the real ones never reach it
const QString kUltimo = "ZZZ.PRT"; // the last report of a row

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
// The files a log says were printed, in order.
QStringList impresosEn(const QStringList& lineas) {
    QStringList nombres;
    for (const QString& l : lineas)
        if (const qsizetype fin = l.indexOf("»: impreso"); fin > 0)
            nombres << l.left(fin).section("«", -1);
    return nombres;
}
// The scheduler's jobs after job `desde` titled `titulo` (any, when empty).
QList<int> trabajos(const QString& titulo, int desde = 0) {
    cups_job_t* t = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &t, nullptr, 0, CUPS_WHICHJOBS_ALL);
    QList<int> ids;
    for (int i = 0; i < n; ++i)
        if (t[i].id > desde && (titulo.isEmpty() || t[i].title == titulo)) ids << t[i].id;
    cupsFreeJobs(n, t);
    std::sort(ids.begin(), ids.end());
    return ids;
}

class RelojAMano : public RelojVigilancia {
  public:
    qint64 t = 0;
    qint64 ahora() const override { return t; }
    void avanza(qint64 ms) { t += ms, emit avanzado(); }
};

// A watcher in this process, printing to PDF, with what it wrote.
struct Vigilado {
    ImpresorasSistema impresoras{ImpresorasSistema::Cuales::SoloPdf};
    RelojAMano reloj;
    InterlocutorVigilancia interlocutor;
    std::unique_ptr<VigilanteCarpeta> vigilante;
    QString carpeta;
    QStringList lineas, avisos;
    int parado = -1;

    Vigilado(const QString& carpeta, const QString& pdf) : interlocutor(pdf), carpeta(carpeta) {
        ConfiguracionVigilancia c{carpeta, pdf, {}, kReposo, &reloj, &interlocutor, {}};
        vigilante = std::make_unique<VigilanteCarpeta>(impresoras, c);
        QObject::connect(vigilante.get(), &VigilanteCarpeta::registro,
                         [this](auto l) { lineas << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::aviso,
                         [this](auto l) { avisos << l; });
        QObject::connect(vigilante.get(), &VigilanteCarpeta::parado, [this](int e) { parado = e; });
        if (const auto motivo = vigilante->inicia()) qFatal("%s", qPrintable(*motivo));
    }
    // The time moves, and a report due now starts printing now, reading the file as it is.
    void pasa(qint64 ms) {
        reloj.avanza(ms);
        QCoreApplication::processEvents();
    }
    // Twice the settle time: what arrived is seen, then what stayed unchanged is complete.
    void asienta() { pasa(kReposo + 1), pasa(kReposo + 1); }
    QStringList de(const QString& nombre) const { return lineas.filter("«" + nombre + "»: "); }
    bool espera(int impresos) {
        return QTest::qWaitFor([&] { return impresosEn(lineas).size() >= impresos; }, kPlazo);
    }
    bool terminaCon() {
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        asienta();
        return QTest::qWaitFor([&] { return !de(kUltimo).isEmpty(); }, kPlazo);
    }
};

// One run of velmor-imprimir --vigilar, with what it has written on stdout so far.
class Vigilancia {
  public:
    explicit Vigilancia(const QStringList& argumentos) { p_.start(VELMOR_IMPRIMIR, argumentos); }
    ~Vigilancia() { p_.kill(), p_.waitForFinished(); }
    QString todo() { return salida_ += QString::fromUtf8(p_.readAllStandardOutput()); }
    QStringList de(const QString& n) { return todo().split('\n').filter("«" + n + "»: "); }
    // Until the condition holds, looked at every `cadaMs` or when output arrives.
    bool espera(const std::function<bool()>& condicion, int cadaMs = 50) {
        QDeadlineTimer plazo(kPlazo);
        while (!condicion() && !plazo.hasExpired() && p_.state() != QProcess::NotRunning)
            p_.waitForReadyRead(cadaMs);
        return condicion();
    }
    bool imprime(const QString& n) {
        return espera([&] { return !de(n).isEmpty(); });
    }
    // Each signal delivered before the next is sent (two pending ones of a kind would be one);
    // the exit status, or -1 when a signal ended it.
    int para(QList<int> senales = {SIGTERM}) {
        for (int s : senales) {
            ::kill(pid_t(p_.processId()), s);
            if (!espera([&] { return !pendiente(s); }, 1)) qFatal("the signal was not delivered");
        }
        if (p_.state() != QProcess::NotRunning && !p_.waitForFinished(kPlazo))
            qFatal("velmor-imprimir did not stop");
        todo();
        return p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -1;
    }
    // Whether the document is being written: a nameless file of the process in `carpeta`.
    bool escribeEn(const QString& carpeta) {
        const QString fds = QString("/proc/%1/fd/").arg(p_.processId());
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System))
            if (QFile::symLinkTarget(fds + fd).startsWith(carpeta + '/')) return true;
        return false;
    }

  private:
    bool pendiente(int senal) {
        const QString estado = lee(QString("/proc/%1/status").arg(p_.processId()));
        const auto m = QRegularExpression("ShdPnd:\\s*([0-9a-f]+)").match(estado);
        return m.hasMatch() && (m.captured(1).toULongLong(nullptr, 16) >> (senal - 1)) & 1;
    }
    QProcess p_;
    QString salida_;
};
} // namespace

class TestVigilancia : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;

  private slots:
    // What counts as a complete report, and the order of printing. Steps, in the watched folder:
    // "reposo" lets the settle time pass, "medio" half of it, "eventos" lets what is due run,
    // "espera N" waits for N prints,
    // "abre X"/"cierra" hold X open for writing here, anything else is a shell command. A report
    // taken as complete too soon prints half, then again.
    void completo_data() {
        QTest::addColumn<QString>("pasos");        // separated by "; "
        QTest::addColumn<QStringList>("impresos"); // in order
        QTest::addColumn<QStringList>("textos");   // in their PDFs
        QTest::newRow("de una vez, por rename, vacío")
            << "printf 'UNA\\r\\n' > A.PRT; medio; printf 'M\\r\\n' > ../m && mv ../m m.Prt; "
               "medio; : > VACIO.PRT"
            << QStringList{"A.PRT", "m.Prt", "VACIO.PRT"} << QStringList{"UNA", "M"};
        QTest::newRow("abierto sin cambios")
            << "abre L.PRT; printf 'PRIMERA\\r\\n' >> L.PRT; reposo; reposo; "
               "printf 'ULTIMA\\r\\n' >> L.PRT; cierra"
            << QStringList{"L.PRT"} << QStringList{"PRIMERA", "ULTIMA"};
        QTest::newRow("cerrado a ratos")
            << "printf 'TROZO 1\\r\\n' >> T.PRT; medio; printf 'TROZO 2\\r\\n' >> T.PRT; medio; "
               "printf 'TROZO 3\\r\\n' >> T.PRT; medio; printf 'TROZO 4\\r\\n' >> T.PRT; medio; "
               "medio"
            << QStringList{"T.PRT"} << QStringList{"TROZO 1", "TROZO 4"};
        // One still being written holds back none of those after it.
        QTest::newRow("orden de llegada")
            << "abre L.PRT; printf 'L\\r\\n' >> L.PRT; medio; printf 'C\\r\\n' > C.PRT; medio; "
               "printf 'A\\r\\n' > A.PRT; medio; printf 'B\\r\\n' > B.PRT; reposo; espera 3; cierra"
            << QStringList{"C.PRT", "A.PRT", "B.PRT", "L.PRT"} << QStringList{"C", "L"};
        // Queued behind another, then changed or replaced by a link: looked at again first.
        QTest::newRow("cambia mientras espera")
            << "printf 'A\\r\\n' > A.PRT; printf 'TROZO 1\\r\\n' > W.PRT; reposo; "
               "printf 'TROZO 2\\r\\n' >> W.PRT; eventos; printf 'TROZO 3\\r\\n' >> W.PRT"
            << QStringList{"A.PRT", "W.PRT"} << QStringList{"TROZO 1", "TROZO 3"};
        QTest::newRow("enlace en lugar de uno que espera")
            << "printf 'A\\r\\n' > A.PRT; printf 'S\\r\\n' > S.PRT; reposo; "
               "printf 'NO\\r\\n' > ../secreto && ln -sf ../secreto S.PRT; eventos"
            << QStringList{"A.PRT"} << QStringList{"A"};
        QTest::newRow("no son informes")
            << "printf 'NO\\r\\n' > .OCULTO.PRT; printf 'NO\\r\\n' > NOTA.TXT; "
               "printf 'NO\\r\\n' > A.PRT.BAK; mkfifo TUBO.PRT; mkdir DIR.PRT; "
               "printf 'NO\\r\\n' > ../fuera.prt && ln -s ../fuera.prt ENLACE.PRT"
            << QStringList() << QStringList();
    }
    void completo() {
        QFETCH(QString, pasos);
        QFETCH(QStringList, impresos);
        QFETCH(QStringList, textos);
        const QString carpeta = dir.nueva() + "/vigilada", pdf = dir.nueva();
        QDir().mkpath(carpeta);
        Vigilado v(carpeta, pdf);
        QFile abierto;
        for (const QString& paso : pasos.split("; ")) {
            if (paso == "reposo")
                v.asienta();
            else if (paso == "eventos")
                QCoreApplication::processEvents();
            else if (paso == "medio")
                v.pasa(kReposo / 2);
            else if (paso.startsWith("espera "))
                QVERIFY(v.espera(paso.mid(7).toInt()));
            else if (paso.startsWith("abre "))
                abierto.setFileName(carpeta + '/' + paso.mid(5)),
                    abierto.open(QIODevice::WriteOnly);
            else if (paso == "cierra")
                abierto.close();
            else
                ejecutaEn(carpeta, paso);
        }
        QVERIFY2(v.terminaCon(), qPrintable(v.lineas.join('\n')));
        QCOMPARE(impresosEn(v.lineas), impresos + QStringList{kUltimo});
        QCOMPARE(v.lineas.size(), impresos.size() + 2); // and nothing else said of them
        QString impreso;
        for (const QString& f : contenido(pdf))
            impreso += TextoPdf(pdf + '/' + f);
        for (const QString& t : textos + QStringList{"ULTIMO"})
            QVERIFY2(impreso.contains(t), qPrintable(impreso));
        QVERIFY(!impreso.contains("NO\n"));
        QCOMPARE(v.lineas.filter("impreso en").size(), contenido(pdf).size());
        QCOMPARE(v.avisos, QStringList());
    }

    // The PDF takes the report's name with ".pdf"; a failed report moves to errores/ beside a
    // ".txt" with its reason; neither takes the name of anything there. When errores/ cannot be
    // made, the report stays, said once and not tried again.
    void sinSustituir_data() {
        QTest::addColumn<QStringList>("antes"); // "X->": a dangling link
        QTest::addColumn<bool>("malo");
        QTest::addColumn<QString>("esperado"); // ":why": it stays in the folder
        QTest::newRow("PDF libre") << QStringList() << false << "pdf/INF.pdf";
        QTest::newRow("PDF tomado")
            << QStringList{"pdf/INF.pdf", "pdf/INF-2.pdf"} << false << "pdf/INF-3.pdf";
        QTest::newRow("PDF enlace roto")
            << QStringList{"pdf/INF.pdf->"} << false << "pdf/INF-2.pdf";
        QTest::newRow("errores libre") << QStringList() << true << "v/errores/INF.PRT";
        QTest::newRow("errores tomado") << QStringList{"v/errores/INF.PRT", "v/errores/INF.txt"}
                                        << true << "v/errores/INF-2.PRT";
        QTest::newRow("motivo suelto")
            << QStringList{"v/errores/INF.txt"} << true << "v/errores/INF-2.PRT";
        QTest::newRow("errores es un fichero")
            << QStringList{"v/errores"} << true << ":«errores» es un fichero, no una carpeta";
        QTest::newRow("errores es un enlace")
            << QStringList{"v/errores->"} << true << ":«errores» es un enlace simbólico";
    }
    void sinSustituir() {
        QFETCH(QStringList, antes);
        QFETCH(bool, malo);
        QFETCH(QString, esperado);
        const QString base = dir.nueva();
        QDir().mkpath(base + "/pdf"), QDir().mkpath(base + "/v");
        for (const QString& a : antes) {
            if (a.endsWith("->"))
                QVERIFY(QFile::link(base + "/no-existe", base + '/' + a.chopped(2)));
            else
                EscribeFichero(base + '/' + a, "ANTERIOR " + a.toUtf8());
        }
        const QByteArray prt = malo ? "BIEN\r\nx{{NegritaOn}\r\n" : "NUEVO INFORME\r\n";
        EscribeFichero(base + "/v/INF.PRT", prt);
        Vigilado v(base + "/v", base + "/pdf");
        QVERIFY(v.terminaCon());
        QCOMPARE(v.de("INF.PRT").size(), 1);
        const QString linea = v.de("INF.PRT").first();
        const bool queda = esperado.startsWith(':');
        QVERIFY2(linea.contains(queda ? "se queda en la carpeta: "
                                      : QFileInfo(esperado).fileName() + "»") &&
                     (!queda || linea.contains(esperado.mid(1))),
                 qPrintable(linea));
        if (!malo)
            QVERIFY(TextoPdf(base + '/' + esperado).contains("NUEVO INFORME"));
        else if (queda)
            QCOMPARE(lee(base + "/v/INF.PRT"), prt);
        else {
            QCOMPARE(lee(base + '/' + esperado), prt);
            const QString motivo = lee(base + '/' + esperado.chopped(4) + ".txt");
            QVERIFY2(motivo.contains("Etiqueta mal formada") && motivo.contains("línea 2") &&
                         linea.contains(motivo.trimmed()),
                     qPrintable(motivo));
        }
        for (const QString& a : antes)
            if (!a.endsWith("->")) QCOMPARE(lee(base + '/' + a), "ANTERIOR " + a.toUtf8());
    }

    // A second run prints nothing the first one printed, as long as it is the same file.
    void reinicio_data() {
        QTest::addColumn<QString>("cambio"); // between the runs, in the folder
        QTest::addColumn<QStringList>("otraVez");
        QTest::newRow("sin cambios") << "true" << QStringList();
        // Its change time (ctime) moves: a rename is not told from a rewrite that set the old
        // modification time back.
        QTest::newRow("renombrado") << "mv A.PRT C.PRT" << QStringList{"C.PRT"};
        QTest::newRow("mismo tamaño y hora")
            << "touch -r A.PRT ../h && printf Z | dd of=A.PRT conv=notrunc status=none && "
               "touch -m -r ../h A.PRT"
            << QStringList{"A.PRT"};
        QTest::newRow("ampliado") << "printf 'MAS\\r\\n' >> A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("sustituido") << "printf 'O\\r\\n' > n && mv n A.PRT" << QStringList{"A.PRT"};
        QTest::newRow("copiado") << "cp A.PRT D.PRT" << QStringList{"D.PRT"};
        QTest::newRow("registro antiguo")
            << "rm .velmor-vigilar* && printf '# x\\n%s A.PRT\\n' $(stat -c %d:%i:%s:%.9Y A.PRT | "
               "tr . :) > .velmor-vigilar"
            << QStringList{"B.PRT"};
        QTest::newRow("sin registro") << "rm .velmor-vigilar*" << QStringList{"A.PRT", "B.PRT"};
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
            QVERIFY(v.espera(2));
        }
        ejecutaEn(carpeta, cambio);
        Vigilado v(carpeta, pdf);
        QVERIFY(v.terminaCon());
        QCOMPARE(impresosEn(v.lineas), otraVez + QStringList{kUltimo});
    }

    void carpetaBorrada() {
        const QString carpeta = dir.nueva();
        Vigilado v(carpeta, dir.nueva());
        QVERIFY(QDir(carpeta).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(v.parado, 1, kPlazo);
        QVERIFY2(v.avisos.size() == 1 && v.avisos.first().contains("ya no existe"),
                 qPrintable(v.avisos.join('\n')));
    }

    // A report rewritten in place (same name and inode) prints again: only the file's
    // close-after-write tells of it, nothing changes in the folder's entries.
    void reescritoEnSuSitio() {
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        Vigilancia v({"--vigilar", carpeta, "--pdf", pdf, "--reposo", "100"});
        QVERIFY(v.espera([&] { return v.todo().contains("vigilando"); }));
        EscribeFichero(carpeta + "/R.PRT", "PRIMERA\r\n");
        QVERIFY(v.imprime("R.PRT"));
        EscribeFichero(carpeta + "/R.PRT", "SEGUNDA\r\n");
        QVERIFY2(v.espera([&] { return v.de("R.PRT").size() == 2; }), qPrintable(v.todo()));
        QVERIFY(TextoPdf(pdf + "/R-2.pdf").contains("SEGUNDA"));
        QCOMPARE(v.para(), 0);
    }

    // velmor-imprimir --vigilar --borrar to PDF and to each kind of queue: a report printed is
    // deleted; one whose job never completes is kept, recorded, and not sent again by the next
    // run; one that the queue refuses waits for the printer, in its place.
    void deExtremoAExtremo_data() {
        QTest::addColumn<QString>("cola");     // empty: --pdf
        QTest::addColumn<bool>("pararAMitad"); // stop while the job's completion is awaited
        QTest::addColumn<QString>("dice");
        QTest::addColumn<QString>("queda"); // where the report is after the run
        QTest::newRow("PDF") << "" << false << "; borrado"
                             << "";
        QTest::newRow("CUPS") << "Oficina" << false << "; borrado"
                              << "";
        QTest::newRow("detenida") << "Detenida" << false
                                  << "se conserva: La impresora «Detenida» está detenida"
                                  << "/";
        QTest::newRow("parada mientras se espera")
            << "Inalcanzable" << true
            << "se conserva: la vigilancia se ha parado antes de que el trabajo terminara"
            << "/";
        QTest::newRow("rechaza")
            << "Rechaza" << false
            << "no acepta trabajos (su cola los rechaza) [482]; se reintenta en 30 s"
            << "/";
    }
    void deExtremoAExtremo() {
        QFETCH(QString, cola);
        QFETCH(bool, pararAMitad);
        QFETCH(QString, dice);
        QFETCH(QString, queda);
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        const QDir hechos(qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR"));
        const QStringList previos = hechos.entryList();
        const int desde = trabajos({}).value(trabajos({}).size() - 1);
        EscribeFichero(carpeta + "/INF.PRT", "INFORME\r\n");
        const QStringList argumentos =
            QStringList{"--vigilar", carpeta, "--borrar", "--reposo", "100"} +
            (cola.isEmpty() ? QStringList{"--pdf", pdf} : QStringList{"-d", cola});
        const auto enviado = [&](Vigilancia& v, const QString& f) {
            return !v.de(f).isEmpty() || (pararAMitad && !trabajos(f, desde).isEmpty());
        };
        {
            Vigilancia v(argumentos);
            QVERIFY2(v.espera([&] { return enviado(v, "INF.PRT"); }), qPrintable(v.todo()));
            QCOMPARE(v.para(), 0); // at once: it does not wait for the job
            QVERIFY2(v.de("INF.PRT").size() == 1 && v.de("INF.PRT").first().contains(dice),
                     qPrintable(v.todo()));
        }
        // The next run: reports go in order, so once the last one went a kept one would have.
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        Vigilancia otra(argumentos);
        QVERIFY2(otra.espera([&] { return enviado(otra, kUltimo); }), qPrintable(otra.todo()));
        QCOMPARE(otra.para(), 0);
        if (cola != "Rechaza") QCOMPARE(otra.de("INF.PRT"), QStringList());
        QCOMPARE(trabajos("INF.PRT", desde).size(), int(!cola.isEmpty() && cola != "Rechaza"));
        QCOMPARE(lee(carpeta + (queda.isEmpty() ? "/" : queda) + "INF.PRT"),
                 queda.isEmpty() ? "" : "INFORME\r\n");
        const auto impreso = [&] { // by the PDF printer, or by the queue's printer
            QStringList hecho{pdf + "/INF.pdf"};
            for (const QString& f : hechos.entryList({cola + "-*"}))
                if (!previos.contains(f)) hecho << hechos.filePath(f);
            return std::any_of(hecho.begin(), hecho.end(),
                               [](const QString& d) { return TextoPdf(d).contains("INFORME"); });
        };
        QVERIFY(!queda.isEmpty() || QTest::qWaitFor(impreso, kPlazo));
        cupsCancelJob2(CUPS_HTTP_DEFAULT, cola.toUtf8().constData(), 0, 1);
    }

    // While a long report is drawn: a signal lets it finish (a whole PDF, recorded) and stops
    // with status 0; a second one ends the process at once with no PDF of it; another program
    // writing the PDF's name keeps its file. Started again, the watcher prints every report once.
    void mientrasDibuja_data() {
        QTest::addColumn<QList<int>>("senales"); // none: another program writes GRANDE.pdf
        QTest::addColumn<QStringList>("pdfs");
        const QStringList todos{"F1.pdf", "GRANDE.pdf", "ZZZ.pdf"};
        QTest::newRow("SIGTERM") << QList<int>{SIGTERM} << todos;
        QTest::newRow("SIGINT") << QList<int>{SIGINT} << todos;
        QTest::newRow("dos SIGTERM") << QList<int>{SIGTERM, SIGTERM} << todos;
        QTest::newRow("su nombre tomado")
            << QList<int>{} << QStringList{"F1.pdf", "GRANDE-2.pdf", "GRANDE.pdf", "ZZZ.pdf"};
    }
    void mientrasDibuja() {
        QFETCH(QList<int>, senales);
        QFETCH(QStringList, pdfs);
        const QString carpeta = dir.nueva(), pdf = dir.nueva();
        EscribeFichero(carpeta + "/GRANDE.PRT", QByteArray("GRANDE\r\n").repeated(66 * 10000));
        EscribeFichero(carpeta + "/F1.PRT", "F1\r\n");
        const QStringList argumentos{"--vigilar", carpeta, "--pdf", pdf, "--reposo", "100"};
        {
            Vigilancia v(argumentos);
            QVERIFY2(v.espera([&] { return v.escribeEn(pdf); }, 1), "drawn before the test acted");
            if (senales.isEmpty()) EscribeFichero(pdf + "/GRANDE.pdf", "AJENO");
            const int estado =
                senales.isEmpty() ? (v.imprime("GRANDE.PRT"), v.para()) : v.para(senales);
            QCOMPARE(estado, senales.size() == 2 ? -1 : 0);
            QCOMPARE(contenido(pdf).contains(pdfs[1]), senales.size() != 2);
        }
        EscribeFichero(carpeta + '/' + kUltimo, "ULTIMO\r\n");
        Vigilancia v(argumentos);
        QVERIFY2(v.imprime(kUltimo), qPrintable(v.todo()));
        QCOMPARE(v.para(), 0);
        QCOMPARE(contenido(pdf), pdfs);
        QCOMPARE(PaginasPdf(pdf + '/' + pdfs[1]), 10000);
        QVERIFY(senales.size() || lee(pdf + "/GRANDE.pdf") == "AJENO");
        QCOMPARE(contenido(carpeta).filter(QRegularExpression("^\\.")),
                 QStringList{".velmor-vigilar"}); // no temporaries
    }

    // A folder that cannot be watched is refused before anything is watched.
    void opciones_data() {
        QTest::addColumn<QString>("antes");      // in the folder
        QTest::addColumn<QString>("argumentos"); // "@": the folder
        QTest::addColumn<QString>("dice");
        QTest::newRow("la carpeta no existe") << "true"
                                              << "--vigilar @/no --pdf @/pdf"
                                              << "la carpeta «@/no»: la carpeta no existe";
        QTest::newRow("no es una carpeta") << "true"
                                           << "--vigilar @/f --pdf @/pdf"
                                           << "«@/f»: no es una carpeta";
        QTest::newRow("--pdf es un fichero") << "true"
                                             << "--vigilar @ --pdf @/f"
                                             << "«@/f» no es una carpeta";
        QTest::newRow("registro FIFO") << "mkfifo .velmor-vigilar"
                                       << "--vigilar @ --pdf @/pdf"
                                       << "«@/.velmor-vigilar»: es una tubería (FIFO)";
        QTest::newRow("registro enlace") << "ln -s f .velmor-vigilar"
                                         << "--vigilar @ --pdf @/pdf"
                                         << "«@/.velmor-vigilar»: es un enlace simbólico";
        QTest::newRow("ya vigilada") << "true"
                                     << "--vigilar @ --pdf @/pdf"
                                     << "ya vigila la carpeta «@»";
    }
    void opciones() {
        QFETCH(QString, antes);
        QFETCH(QString, argumentos);
        QFETCH(QString, dice);
        const QString carpeta = dir.nueva();
        EscribeFichero(carpeta + "/f", "x");
        ejecutaEn(carpeta, antes);
        const QStringList lista = argumentos.replace("@", carpeta).split(' ');
        Vigilancia primera(lista); // watches only in "ya vigilada"
        const bool vigila = primera.espera([&] { return primera.todo().contains("vigilando"); });
        QCOMPARE(vigila, QTest::currentDataTag() == QString("ya vigilada"));
        int estado = -1;
        QString errores;
        Ejecuta(VELMOR_IMPRIMIR, lista, &estado, &errores);
        QCOMPARE(estado, 2);
        QVERIFY2(errores.contains(dice.replace("@", carpeta)), qPrintable(errores));
        if (vigila) QCOMPARE(primera.para(), 0); // idle: it stops at once, in order
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestVigilancia t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_vigilancia.moc"
