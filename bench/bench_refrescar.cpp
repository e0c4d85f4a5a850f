// Refrescar re-reads the shown folder on every expose and activation: its cost on a folder of 50
// and of 10,000 ".prt" files with the chosen file last in the list, for the window and for the
// widget-free browser alone (the window's share is the difference).
#include "mainwindow/frm_velmor.h"
#include "mainwindow/navegador_prt.h"
#include "support/impresoras_prueba.h"
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// A volume with the folder "Listados" of `ficheros` files; returns the last file's name.
QString Carpeta(const QTemporaryDir& raiz, int ficheros, benchmark::State& estado) {
    QDir().mkpath(raiz.path() + "/Listados");
    QString nombre;
    for (int i = 0; i < ficheros; ++i) {
        nombre = QString("INF%1.prt").arg(i, 5, 10, QChar('0'));
        QFile f(raiz.path() + "/Listados/" + nombre);
        if (!f.open(QIODevice::WriteOnly)) estado.SkipWithError("cannot create files");
    }
    return nombre;
}
} // namespace

static void BM_RefrescarVentana(benchmark::State& estado) {
    QTemporaryDir raiz;
    const QString ultimo = Carpeta(raiz, int(estado.range(0)), estado);
    ImpresorasPrueba impresoras({"Oficina"});
    EntornoVelmor e;
    e.carpetaPrograma = raiz.path() + "/Listados";
    e.raizVolumen = raiz.path();
    e.argumentos = {raiz.path() + "/Listados/" + ultimo}; // chosen at start-up
    frmVelmor ventana(impresoras, e);
    for (auto _ : estado)
        ventana.Refrescar();
    if (ventana.FileNameFicheros() != ultimo) estado.SkipWithError("the file was not selected");
}

static void BM_RefrescarNavegador(benchmark::State& estado) {
    QTemporaryDir raiz;
    const QString ultimo = Carpeta(raiz, int(estado.range(0)), estado);
    NavegadorPrt navegador;
    navegador.Arrancar(raiz.path(), raiz.path() + "/Listados");
    navegador.Elegir(ultimo);
    int posicion = -1;
    for (auto _ : estado)
        benchmark::DoNotOptimize(posicion = navegador.Refrescar());
    if (posicion != int(estado.range(0)) - 1) estado.SkipWithError("the file was not found");
}

BENCHMARK(BM_RefrescarVentana)
    ->Arg(50)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RefrescarNavegador)
    ->Arg(50)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
