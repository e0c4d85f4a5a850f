// The watched folder of velmor-imprimir --vigilar (VigilanteCarpeta, in this process, printing to
// PDF with a settle time of 50 ms instead of 2 s, as --reposo 50 does):
// - BM_Vaciar: 1,000 small reports moved into the folder as fast as a writer thread can, until
//   the last one has printed. Peer: the same files printed one after another by the print job
//   without any watching, as `velmor-imprimir --pdf CARPETA --borrar F1 ... F1000` does. With
//   --borrar the folder empties; without, every file is recorded in the folder's state file.
//   Both sides write their reports before the clock starts (the watched side beside the folder,
//   moved in by the writer): making a file costs about a millisecond on some file systems, as
//   much as printing it, and the peer's clock does not count it either.
// - BM_CpuEnReposo: CPU time (getrusage, every thread of the process) of 3 s of an idle watched
//   folder that holds 1,000 printed files. Peer: 3 s of an event loop that watches nothing.
// - BM_Anotar: recording one more printed file (its own transaction) in a record that already
//   holds 10 files (the peer) or 100,000; counter maxrss_mb: the process's peak memory after the
//   record was filled and pruned against all of its files present, as the watcher does at every
//   reading of the folder (run the 10 row first: a peak only grows).
// The system's scheduler is never asked (CUPS_SERVER points at a socket that does not exist).
#include "printing/impresoras_sistema.h"
#include "printing/trabajo_impresion.h"
#include "vigilancia/interlocutor_vigilancia.h"
#include "vigilancia/registro_impresos.h"
#include "vigilancia/vigilante_carpeta.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <thread>

namespace {
constexpr int kInformes = 1000;
constexpr int kReposoMs = 50;
constexpr int kReposoCpuMs = 3000;

QByteArray informe(int i) {
    QByteArray b = "{{NegritaOn}}INFORME " + QByteArray::number(i) + "{{NegritaOff}}\r\n";
    for (int linea = 1; linea <= 20; ++linea)
        b += "linea " + QByteArray::number(linea) + " del informe de ventas del mes\r\n";
    return b;
}

QString nombre(int i) {
    return QString("INFORME%1.PRT").arg(i, 4, 10, QChar('0'));
}

void escribe(const QString& ruta, const QByteArray& datos) {
    QFile f(ruta);
    if (f.open(QIODevice::WriteOnly)) f.write(datos);
}

double cpuMs() {
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    return (uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) * 1e3 +
           (uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e3;
}

struct SinPreguntas : InterlocutorTrabajo {
    QString destino;
    bool eligeImpresora(Impresoras&) override { return true; }
    QString salidaPdf(const QString&, const QString&) override { return destino; }
    bool confirmaBorrado(const QString&) override { return false; }
};

ConfiguracionVigilancia configuracion(const QString& carpeta, const QString& pdf, bool borrar) {
    ConfiguracionVigilancia c;
    c.carpeta = carpeta;
    c.carpetaPdf = pdf;
    c.peticion.borrar = borrar;
    c.reposoMs = kReposoMs;
    static InterlocutorVigilancia* interlocutor = nullptr;
    delete interlocutor;
    c.interlocutor = interlocutor = new InterlocutorVigilancia(pdf);
    return c;
}

// Starts watching, then moves the reports written in `origen` into the folder from another
// thread; returns when all have printed.
bool vaciaVigilando(const QString& origen, const QString& carpeta, const QString& pdf,
                    bool borrar) {
    ImpresorasSistema impresoras;
    VigilanteCarpeta vigilante(impresoras, configuracion(carpeta, pdf, borrar));
    QEventLoop bucle;
    int impresos = 0;
    QObject::connect(&vigilante, &VigilanteCarpeta::registro, [&](const QString& linea) {
        if (linea.contains("»: impreso") && ++impresos == kInformes) bucle.quit();
    });
    if (vigilante.inicia()) return false;
    std::thread escritor([&] {
        for (int i = 0; i < kInformes; ++i)
            QFile::rename(origen + '/' + nombre(i), carpeta + '/' + nombre(i));
    });
    QTimer::singleShot(600000, &bucle, &QEventLoop::quit);
    bucle.exec();
    escritor.join();
    return impresos == kInformes;
}

// The same files, already there, printed one after another by the print job.
bool vaciaDeUnoEnUno(const QString& carpeta, const QString& pdf, bool borrar) {
    ImpresorasSistema impresoras;
    SinPreguntas preguntas;
    for (int i = 0; i < kInformes; ++i) {
        PeticionTrabajo p;
        p.ruta = carpeta + '/' + nombre(i);
        p.borrar = borrar;
        preguntas.destino = pdf + '/' + nombre(i).chopped(4) + ".pdf";
        TrabajoImpresion trabajo(impresoras, preguntas, p);
        trabajo.inicia(); // to PDF, the whole job runs here
        if (trabajo.resultado().fin != ResultadoTrabajo::Fin::Impreso) return false;
    }
    return true;
}
} // namespace

// range(0): 1 watched, 0 one after another (the peer); range(1): 1 with --borrar.
static void BM_Vaciar(benchmark::State& estado) {
    const bool vigilando = estado.range(0), borrar = estado.range(1);
    for (auto _ : estado) {
        estado.PauseTiming();
        QTemporaryDir raiz;
        const QString carpeta = raiz.filePath("listados"), pdf = raiz.filePath("pdf");
        const QString origen = vigilando ? raiz.filePath("escritos") : carpeta;
        for (const QString& c : {carpeta, pdf, origen})
            QDir().mkpath(c);
        for (int i = 0; i < kInformes; ++i)
            escribe(origen + '/' + nombre(i), informe(i));
        estado.ResumeTiming();
        const bool hecho = vigilando ? vaciaVigilando(origen, carpeta, pdf, borrar)
                                     : vaciaDeUnoEnUno(carpeta, pdf, borrar);
        estado.PauseTiming();
        if (!hecho || QDir(pdf).entryList(QDir::Files).size() != kInformes)
            estado.SkipWithError("not every report printed");
        estado.ResumeTiming();
    }
    estado.counters["informes/s"] =
        benchmark::Counter(kInformes, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Vaciar)
    ->ArgNames({"vigilada", "borrar"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// range(0): 1 a watched folder holding 1,000 printed files, 0 a bare event loop (the peer).
static void BM_CpuEnReposo(benchmark::State& estado) {
    const bool vigilando = estado.range(0);
    QTemporaryDir raiz;
    const QString carpeta = raiz.filePath("listados"), pdf = raiz.filePath("pdf");
    QDir().mkpath(carpeta);
    ImpresorasSistema impresoras;
    std::unique_ptr<VigilanteCarpeta> vigilante;
    if (vigilando) {
        for (int i = 0; i < kInformes; ++i)
            escribe(carpeta + '/' + nombre(i), informe(i));
        vigilante =
            std::make_unique<VigilanteCarpeta>(impresoras, configuracion(carpeta, pdf, false));
        int impresos = 0;
        QEventLoop bucle;
        QObject::connect(vigilante.get(), &VigilanteCarpeta::registro, [&](const QString& l) {
            if (l.contains("»: impreso") && ++impresos == kInformes) bucle.quit();
        });
        if (vigilante->inicia()) {
            estado.SkipWithError("cannot watch");
            return;
        }
        bucle.exec();
    }
    double cpu = 0;
    for (auto _ : estado) {
        QEventLoop bucle;
        QTimer::singleShot(kReposoCpuMs, &bucle, &QEventLoop::quit);
        const double antes = cpuMs();
        bucle.exec();
        cpu += cpuMs() - antes;
    }
    estado.counters["cpu_ms"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CpuEnReposo)
    ->ArgNames({"vigilada"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// range(0): files already recorded.
static void BM_Anotar(benchmark::State& estado) {
    QTemporaryDir raiz;
    RegistroImpresos registro(QFile::encodeName(raiz.path()));
    registro.abre();
    IdentidadFichero identidad;
    identidad.tamano = 1234;
    QSet<IdentidadFichero> presentes;
    for (int i = 0; i < estado.range(0); ++i) {
        identidad.nodo = ino_t(i + 1);
        registro.anota(identidad, nombre(i % 10000).toUtf8());
        presentes.insert(identidad);
    }
    registro.olvidaAusentes(presentes);
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    estado.counters["maxrss_mb"] = double(uso.ru_maxrss) / 1024;
    for (auto _ : estado) {
        identidad.nodo++;
        registro.anota(identidad, "NUEVO.PRT");
        benchmark::DoNotOptimize(registro.contiene(identidad));
    }
}
BENCHMARK(BM_Anotar)->ArgNames({"anotados"})->Arg(10)->Arg(100000)->Iterations(2000);

int main(int argc, char** argv) {
    qputenv("CUPS_SERVER", "/nonexistent/velmor-bench-cups.sock");
    QCoreApplication app(argc, argv); // as velmor-imprimir: the print core needs no window system
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
