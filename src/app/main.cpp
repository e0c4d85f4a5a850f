#include "mainwindow/frm_velmor.h"
#include "printing/system_printers.h"
#include "shared/codepage.h"
#include "shared/error.h"
#include "shared/messages.h"
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    try {
        PaginasCodigo::actuales(); // a wrong VELMOR_CP_DOS is told at once, not at the first print
    } catch (const ErrorVelmor& e) {
        MostrarError("Velmor 2.0", e.descripcion());
        return 2;
    }
    ImpresorasSistema impresoras;
    frmVelmor ventana(impresoras);
    ventana.show();
    return app.exec();
}
