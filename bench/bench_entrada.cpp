// Hostile input, whole processes: the peak memory of printing (velmor-imprimir --pdf) and of the
// preview against the length of one line (1 MB, which prints; 5 and 10 MB, which end at the
// reader's 1 MiB limit), and the time of printing and of the preview against the number of
// distinct font names no font has (5,000 / 20,000 / 40,000 lines, each naming its own). The peer
// in the same run is the same process on a one-line file (memory) and on the same number of lines
// in one font (time): the counters give both, and their ratio.
//
//   bench_entrada [google benchmark options]
#include "preview/frm_prt_ver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {
QTemporaryDir& datos() {
    static QTemporaryDir dir;
    return dir;
}

// One line of `megas` million plain characters.
QString lineaLarga(int megas) {
    const QString ruta = datos().filePath(QString("linea-%1.prt").arg(megas));
    QFile f(ruta);
    if (!f.exists() && f.open(QIODevice::WriteOnly)) {
        const QByteArray bloque(1'000'000, 'x');
        for (int i = 0; i < megas; ++i)
            f.write(bloque);
        f.write("\r\n");
    }
    return ruta;
}

// `lineas` lines, each in a font of its own name that no one has, or all in one font.
QString fuentes(int lineas, bool distintas) {
    const QString ruta = datos().filePath(QString("fuentes-%1-%2.prt").arg(lineas).arg(distintas));
    QFile f(ruta);
    if (!f.exists() && f.open(QIODevice::WriteOnly))
        for (int i = 0; i < lineas; ++i)
            f.write("{{*Fuente" + QByteArray::number(distintas ? i : 0).rightJustified(5, '0') +
                    "}}ARTICULO " + QByteArray::number(i) + "\r\n");
    return ruta;
}

struct Medida {
    double segundos = 0;
    long picoKiB = 0;
};

// Runs a program to its end; its time and its peak memory from wait4.
Medida ejecuta(const QList<QByteArray>& argumentos) {
    QList<QByteArray> copia = argumentos;
    std::vector<char*> argv;
    for (QByteArray& a : copia)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer reloj;
    reloj.start();
    pid_t pid = 0;
    int fin = 0;
    rusage uso{};
    Medida m;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 ||
        ::wait4(pid, &fin, 0, &uso) != pid)
        return m;
    m.segundos = double(reloj.nsecsElapsed()) / 1e9;
    m.picoKiB = uso.ru_maxrss;
    return m;
}

Medida imprime(const QString& prt) {
    return ejecuta({VELMOR_IMPRIMIR, "--pdf", QFile::encodeName(datos().filePath("salida.pdf")),
                    QFile::encodeName(prt)});
}
Medida visualiza(const QString& prt) {
    return ejecuta(
        {QFile::symLinkTarget("/proc/self/exe").toLocal8Bit(), "--visor", QFile::encodeName(prt)});
}

void Mide(benchmark::State& estado, Medida (*cual)(const QString&), const QString& prt,
          const QString& par) {
    Medida m, p;
    for (auto _ : estado) {
        m = cual(prt);
        p = cual(par);
    }
    estado.counters["pico_KiB"] = double(m.picoKiB);
    estado.counters["pico_par_KiB"] = double(p.picoKiB);
    estado.counters["segundos"] = m.segundos;
    estado.counters["segundos_par"] = p.segundos;
    estado.counters["veces_el_par"] = m.segundos / qMax(p.segundos, 1e-6);
}

void LineaImpresa(benchmark::State& e) {
    Mide(e, imprime, lineaLarga(int(e.range(0))), fuentes(1, false));
}
void LineaVista(benchmark::State& e) {
    Mide(e, visualiza, lineaLarga(int(e.range(0))), fuentes(1, false));
}
void FuentesImpresas(benchmark::State& e) {
    Mide(e, imprime, fuentes(int(e.range(0)), true), fuentes(int(e.range(0)), false));
}
void FuentesVistas(benchmark::State& e) {
    Mide(e, visualiza, fuentes(int(e.range(0)), true), fuentes(int(e.range(0)), false));
}

void configura(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1)->Repetitions(3);
}
} // namespace

BENCHMARK(LineaImpresa)->Arg(1)->Arg(5)->Arg(10)->Apply(configura);
BENCHMARK(LineaVista)->Arg(1)->Arg(5)->Arg(10)->Apply(configura);
BENCHMARK(FuentesImpresas)->Arg(5000)->Arg(20000)->Arg(40000)->Apply(configura);
BENCHMARK(FuentesVistas)->Arg(5000)->Arg(20000)->Arg(40000)->Apply(configura);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--visor") == 0) { // one preview, in a process of its own
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        frmPrtVer ventana;
        try {
            ventana.CargarRTF(QString::fromLocal8Bit(argv[2]), false);
        } catch (...) {
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
