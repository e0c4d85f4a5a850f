#include "mainwindow/frm_velmor.h"
#include "printing/impresoras_sistema.h"
#include "shared/error.h"
#include "shared/idioma.h"
#include "shared/mensajes_qt.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include "shared/paginas_actuales.h"
#include "shared/version.h"
#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("velmor %s\n", VELMOR_VERSION);
            return 0;
        }
    SilenciaMensajesQt();
    PreparaIdiomaEspanol();
    QApplication app(argc, argv);
    InstalaIdiomaEspanol(app);
    app.setApplicationName("Velmor");
    QGuiApplication::setDesktopFileName("org.velmor.Velmor");
    try {
        PaginasActuales(); // a wrong VELMOR_CP_DOS is told at once, not at the first print
    } catch (const ErrorVelmor& e) {
        MostrarError(TituloVelmor(), e.descripcion());
        return 2;
    }
    // A file or folder named by the file manager may have any bytes in its name. QApplication
    // has taken its own options out of argv by now.
    QStringList argumentos;
    for (int i = 1; i < argc; ++i)
        argumentos << NombreDeBytes(argv[i]);
    ImpresorasSistema impresoras;
    frmVelmor ventana(impresoras, EntornoVelmor::DelSistema(argumentos));
    ventana.show();
    return app.exec();
}
