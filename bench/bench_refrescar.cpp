// Refrescar re-reads the shown folder on every expose and activation: its cost on a folder
// of 50 and of 10,000 ".prt" files, with the remembered file last in the list.
#include "mainwindow/frm_velmor.h"
#include "support/fake_printer.h"
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

static void BM_Refrescar(benchmark::State& estado) {
    const int ficheros = int(estado.range(0));
    QTemporaryDir raiz;
    QDir().mkpath(raiz.path() + "/Listados");
    for (int i = 0; i < ficheros; ++i) {
        QFile f(raiz.path() + QString("/Listados/INF%1.prt").arg(i, 5, 10, QChar('0')));
        if (!f.open(QIODevice::WriteOnly)) estado.SkipWithError("cannot create files");
    }
    FakeImpresoras impresoras({"Oficina"});
    EntornoVelmor e;
    e.carpetaPrograma = raiz.path() + "/Listados";
    e.raizVolumen = raiz.path();
    frmVelmor ventana(impresoras, e);
    ventana.NombreElegido = QString("inf%1.PRT").arg(ficheros - 1, 5, 10, QChar('0'));
    for (auto _ : estado)
        ventana.Refrescar();
    if (ventana.Nombre.isEmpty()) estado.SkipWithError("the file was not selected");
}
BENCHMARK(BM_Refrescar)
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
